// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a synthetic capture file:
//   norvane-gen -f KIND [-s 1|2] [-n PACKETS] [--seed N] [--clean] [--crowded] [--crlf] [--gr-stamps] [--passes N]
//               [--modem M] [--rate HZ] [--noise LEVEL] OUTPUT

#include "capturegen.h"
#include "telemetry/satellite.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// The usage line: on standard output for --help (exit 0), on standard error
// after a usage error (exit 2).
int Usage(bool asked = false)
{
    const std::string kinds = CaptureKindNames("|", "|");
    std::fprintf(asked ? stdout : stderr,
        "Usage: norvane-gen -f %s [-s %s] [-n PACKETS] [--seed N] [--clean] [--crowded] [--crlf] [--gr-stamps] "
        "[--passes N] [--modem %s] [--rate HZ] [--noise LEVEL] OUTPUT\n"
        "(-f audio writes a WAV file, or FLAC or Ogg Vorbis for names ending .flac or .ogg; --noise is white noise's\n"
        "standard deviation, the signal's peak being 0.5; --crowded puts another station's frame or a burst of noise\n"
        "after every beacon of a KISS capture)\n",
        kinds.c_str(), SatelliteNumbers().c_str(), ModemNames("|").c_str());
    return asked ? 0 : 2;
}

// Sound goes as a WAV file, or as FLAC or Ogg Vorbis where the name ends
// so: the container's format for libsndfile, 0 for WAV.
int SoundFormatOf(const std::string& name)
{
    const auto endsWith = [&](const char* ending) {
        const std::string e(ending);
        return name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0;
    };
    if (endsWith(".flac"))
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    if (endsWith(".ogg"))
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    return 0;
}

// The generator's WAV (one channel, 16 bits) written again in format.
bool WriteSoundAs(const std::string& wav, const std::string& path, int format)
{
    SF_INFO info{};
    info.channels = 1;
    info.samplerate = static_cast<int>(static_cast<unsigned char>(wav[24]) | static_cast<unsigned char>(wav[25]) << 8
        | static_cast<unsigned char>(wav[26]) << 16);
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<short> samples((wav.size() - 44) / 2);
    std::memcpy(samples.data(), wav.data() + 44, 2 * samples.size());
    const bool written = sf_writef_short(f, samples.data(), static_cast<sf_count_t>(samples.size()))
        == static_cast<sf_count_t>(samples.size());
    return sf_close(f) == 0 && written;
}

// The options into o and output; an exit status where the run ends here
// (help, a usage error).
std::optional<int> ParseArguments(int argc, char** argv, CaptureOptions& o, std::string& output)
{
    bool kindGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "-h" || a == "--help") {
            return Usage(true);
        } else if (a == "-f" && hasValue) {
            const auto kind = CaptureKindFromName(argv[++i]);
            if (!kind)
                return Usage();
            o.Kind = *kind;
            kindGiven = true;
        } else if (a == "-s" && hasValue) {
            const auto satellite = ParseSatellite(argv[++i]);
            if (!satellite)
                return Usage();
            o.Satellite = *satellite;
        } else if (a == "-n" && hasValue) {
            o.Packets = std::atoll(argv[++i]);
        } else if (a == "--seed" && hasValue) {
            o.Seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--clean") {
            o.Noise = false;
        } else if (a == "--crowded") {
            o.Crowded = true;
        } else if (a == "--crlf") {
            o.CrLf = true;
        } else if (a == "--gr-stamps") {
            o.GrStamps = true;
        } else if (a == "--passes" && hasValue) {
            o.Passes = std::atoi(argv[++i]);
            if (o.Passes < 1)
                return Usage();
        } else if (a == "--modem" && hasValue) {
            const auto modem = ModemFromName(argv[++i]);
            if (!modem)
                return Usage();
            o.Modulation = *modem;
        } else if (a == "--rate" && hasValue) {
            o.SampleRate = std::atoi(argv[++i]);
            if (o.SampleRate < MinSoundRate || o.SampleRate > 384000)
                return Usage();
        } else if (a == "--noise" && hasValue) {
            o.SoundNoise = std::atof(argv[++i]);
            if (!(o.SoundNoise >= 0))
                return Usage();
        } else if (!a.empty() && a[0] != '-' && output.empty()) {
            output = a;
        } else {
            return Usage();
        }
    }
    if (!kindGiven || output.empty())
        return Usage();
    return std::nullopt;
}

// The capture's bytes into output (sound as its name's container); false,
// said, where it cannot be written.
bool WriteCapture(const GeneratedCapture& g, CaptureKind kind, const std::string& output)
{
    if (const int format = SoundFormatOf(output); kind == CaptureKind::Audio && format != 0) {
        if (WriteSoundAs(g.Bytes, output, format))
            return true;
        std::fprintf(stderr, "norvane-gen: %s could not be written: %s\n", output.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::FILE* f = std::fopen(output.c_str(), "wb");
    const bool written = f && std::fwrite(g.Bytes.data(), 1, g.Bytes.size(), f) == g.Bytes.size();
    if (f && std::fclose(f) == 0 && written)
        return true;
    std::fprintf(stderr, "norvane-gen: %s could not be written: %s\n", output.c_str(), std::strerror(errno));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    CaptureOptions o;
    std::string output;
    if (const std::optional<int> ended = ParseArguments(argc, argv, o, output))
        return *ended;
    const GeneratedCapture g = GenerateCapture(o);
    if (!WriteCapture(g, o.Kind, output))
        return 1;
    std::printf("%s: %lld records of kind 1, %lld of kind 2, %lld to be dropped\n", output.c_str(),
        static_cast<long long>(g.Packet1), static_cast<long long>(g.Packet2), static_cast<long long>(g.Dropped));
    return 0;
}
