// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a synthetic capture file:
//   norvane-gen -f KIND [-s 1|2] [-n PACKETS] [--seed N] [--clean] [--crlf] [--gr-stamps] [--passes N]
//               [--modem M] [--rate HZ] [--noise LEVEL] OUTPUT

#include "capturegen.h"
#include "telemetry/satellite.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The usage line: on standard output for --help (exit 0), on standard error
// after a usage error (exit 2).
int Usage(bool asked = false)
{
    const std::string kinds = CaptureKindNames("|", "|");
    std::fprintf(asked ? stdout : stderr,
        "Usage: norvane-gen -f %s [-s %s] [-n PACKETS] [--seed N] [--clean] [--crlf] [--gr-stamps] [--passes N] "
        "[--modem %s] [--rate HZ] [--noise LEVEL] OUTPUT\n"
        "(-f audio writes a WAV file; --noise is white noise's standard deviation, the signal's peak being 0.5)\n",
        kinds.c_str(), SatelliteNumbers().c_str(), ModemNames("|").c_str());
    return asked ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    CaptureOptions o;
    std::string output;
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
            if (o.SampleRate < 9600 || o.SampleRate > 384000)
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
    const GeneratedCapture g = GenerateCapture(o);
    std::FILE* f = std::fopen(output.c_str(), "wb");
    if (!f || std::fwrite(g.Bytes.data(), 1, g.Bytes.size(), f) != g.Bytes.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "norvane-gen: %s could not be written: %s\n", output.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("%s: %lld records of kind 1, %lld of kind 2, %lld to be dropped\n", output.c_str(),
        static_cast<long long>(g.Packet1), static_cast<long long>(g.Packet2), static_cast<long long>(g.Dropped));
    return 0;
}
