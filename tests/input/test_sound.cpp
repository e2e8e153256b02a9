// SPDX-License-Identifier: GPL-3.0-or-later
// Sound recordings as captures: the containers libsndfile reads, channels,
// the recording's start, the frames recorded, and headers that lie.
#include "cli/decodecommand.h"
#include "cli/decoderun.h"
#include "input/capturereaders.h"
#include "input/detect.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <regex>

namespace {

// A pass of the generator's as sound: count beacons with the other
// satellite's frames and a foreign station's among them.
GeneratedCapture Pass(Modem modem, std::int64_t count, double noise = 0)
{
    CaptureOptions o;
    o.Kind = CaptureKind::Audio;
    o.Modulation = modem;
    o.Packets = count;
    o.SoundNoise = noise;
    return GenerateCapture(o);
}

// The samples of a WAV file as floats.
std::vector<float> Samples(const std::string& wav, int& rate)
{
    const std::int16_t* data = reinterpret_cast<const std::int16_t*>(wav.data() + 44);
    std::vector<float> samples;
    for (std::size_t k = 0; k < (wav.size() - 44) / 2; ++k)
        samples.push_back(static_cast<float>(data[k]) / 32768.0F);
    rate = static_cast<int>(static_cast<unsigned char>(wav[24]) | static_cast<unsigned char>(wav[25]) << 8
        | static_cast<unsigned char>(wav[26]) << 16);
    return samples;
}

// Writes samples in a container libsndfile makes: FLAC, Ogg Vorbis, or a
// WAV of floats, with channels channels (the sound in the last one).
void WriteSound(const std::string& path, const std::vector<float>& samples, int rate, int format, int channels = 1)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    if (format == (SF_FORMAT_OGG | SF_FORMAT_VORBIS)) {
        double quality = 0.9;
        sf_command(f, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    }
    std::vector<float> frames(samples.size() * static_cast<std::size_t>(channels), 0.0F);
    for (std::size_t k = 0; k < samples.size(); ++k)
        frames[k * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channels - 1)] = samples[k];
    EXPECT_EQ(sf_writef_float(f, frames.data(), static_cast<sf_count_t>(samples.size())),
        static_cast<sf_count_t>(samples.size()));
    sf_close(f);
}

struct Heard {
    ReadResult Result;
    ImportSummary Summary;
    std::vector<std::vector<std::uint8_t>> Frames;
    std::vector<std::string> Dump;
    std::int64_t Records = 0;
};

Heard Read(const std::string& path, SoundOptions options = {Modem::Auto, 0, Instant{1458209700000}})
{
    Module1 m;
    RecordingHost host;
    host.sound = options;
    Heard h;
    h.Result = ReadCaptureFile(CaptureKind::Audio, m, host, path);
    h.Summary = m.Import;
    h.Frames = host.heard;
    h.Dump = host.dump;
    h.Records = m.RecordCount + m.Packet2Count;
    return h;
}

TEST(Sound, EveryModemHearsEveryBeaconOfAPass)
{
    TempDir dir;
    for (const Modem modem : {Modem::Afsk1200, Modem::G3ruh9600}) {
        SCOPED_TRACE(std::string(ModemName(modem)));
        const GeneratedCapture g = Pass(modem, 12, 0.05);
        const Heard h = Read(dir.Write("pass.wav", g.Bytes), {modem, 0, Instant{1458209700000}});
        ASSERT_TRUE(h.Result.Ok) << h.Result.Message;
        EXPECT_EQ(h.Summary.Stored1, g.Packet1);
        EXPECT_EQ(h.Summary.Stored2, g.Packet2);
        EXPECT_EQ(h.Summary.Units, g.Packet1 + g.Packet2 + g.Dropped);
        EXPECT_EQ(h.Summary.BadFcs, 0);
        // The frame's second in the recording gives its time.
        EXPECT_GE(h.Summary.FirstInstant, 1458209700000);
        EXPECT_LT(h.Summary.LastInstant, 1458209700000 + 60000);
        EXPECT_NE(h.Summary.Sound.find(ModemName(modem)), std::string::npos) << h.Summary.Sound;
        // The dump lists each stored frame after its second in the recording.
        ASSERT_EQ(static_cast<std::int64_t>(h.Dump.size()), g.Packet1 + g.Packet2);
        EXPECT_EQ(h.Dump.front().rfind("at ", 0), 0U) << h.Dump.front();
        EXPECT_NE(h.Dump.front().find(" s: 00 "), std::string::npos) << h.Dump.front();
    }
}

TEST(Sound, WavFlacAndOggOfOnePassGiveTheSameFrames)
{
    TempDir dir;
    const GeneratedCapture g = Pass(Modem::Afsk1200, 8);
    int rate = 0;
    const std::vector<float> samples = Samples(g.Bytes, rate);
    const Heard wav = Read(dir.Write("pass.wav", g.Bytes));
    ASSERT_EQ(static_cast<std::int64_t>(wav.Frames.size()), g.Packet1 + g.Packet2 + g.Dropped);
    const struct {
        const char* Name;
        int Format;
    } containers[] = {{"pass.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16}, {"pass.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT}};
    for (const auto& container : containers) {
        SCOPED_TRACE(container.Name);
        WriteSound(dir.File(container.Name), samples, rate, container.Format);
        EXPECT_EQ(Read(dir.File(container.Name)).Frames, wav.Frames);
    }
    // Detected by content, whatever the name.
    EXPECT_EQ(DetectCaptureFile(dir.File("pass.ogg")).Kind, CaptureKind::Audio);
    EXPECT_EQ(DetectCaptureFile(dir.Write("pass.kss", g.Bytes)).Kind, CaptureKind::Audio);
}

TEST(Sound, TheChannelAsked)
{
    TempDir dir;
    const GeneratedCapture g = Pass(Modem::G3ruh9600, 4);
    int rate = 0;
    const std::vector<float> samples = Samples(g.Bytes, rate);
    WriteSound(dir.File("stereo.wav"), samples, rate, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2);
    EXPECT_EQ(Read(dir.File("stereo.wav")).Records, 0); // the first channel is silent
    EXPECT_EQ(Read(dir.File("stereo.wav"), {Modem::Auto, 1, std::nullopt}).Records, 4);
    const Heard third = Read(dir.File("stereo.wav"), {Modem::Auto, 2, std::nullopt});
    EXPECT_FALSE(third.Result.Ok);
    EXPECT_NE(third.Result.Message.find("no channel 3"), std::string::npos) << third.Result.Message;
}

TEST(Sound, NoiseAndAFlippedBitStoreNothingFalse)
{
    TempDir dir;
    const GeneratedCapture g = Pass(Modem::G3ruh9600, 6);
    std::string damaged = g.Bytes;
    // A sample flipped in sign here and there in the frames' bits.
    const Heard clean = Read(dir.Write("clean.wav", g.Bytes));
    std::size_t flipped = 0;
    for (std::size_t k = 44 + 2 * 4000; k + 1 < damaged.size(); k += 2 * 9000) {
        damaged[k + 1] = static_cast<char>(damaged[k + 1] ^ 0x80);
        ++flipped;
    }
    ASSERT_GT(flipped, 3U);
    const Heard h = Read(dir.Write("damaged.wav", damaged));
    for (const auto& frame : h.Frames)
        EXPECT_NE(std::find(clean.Frames.begin(), clean.Frames.end(), frame), clean.Frames.end());
    EXPECT_LE(h.Frames.size(), clean.Frames.size());
}

TEST(Sound, TheStartFromTheUserOrASatnogsName)
{
    TempDir dir;
    const GeneratedCapture g = Pass(Modem::G3ruh9600, 2);
    const Heard named = Read(dir.Write("satnogs_1234567_2023-05-06T07-08-09.wav", g.Bytes), {});
    EXPECT_GE(named.Summary.FirstInstant, *ParseDateTime("2023-05-06 07:08:09"));
    EXPECT_LT(named.Summary.FirstInstant, *ParseDateTime("2023-05-06 07:08:19"));
    EXPECT_NE(named.Summary.Sound.find("SatNOGS name"), std::string::npos);
    const Heard estimated = Read(dir.Write("plain.wav", g.Bytes), {});
    EXPECT_NE(estimated.Summary.Sound.find("estimated"), std::string::npos);
}

// Headers that lie or make no sense: a clear error, or what the samples
// hold, never a crash or a wait.
TEST(Sound, HostileHeaders)
{
    TempDir dir;
    const GeneratedCapture g = Pass(Modem::G3ruh9600, 2);
    const auto patched = [&](std::size_t at, std::uint32_t value, int bytes) {
        std::string wav = g.Bytes;
        for (int k = 0; k < bytes; ++k)
            wav[at + static_cast<std::size_t>(k)] = static_cast<char>((value >> (8 * k)) & 0xFF);
        return wav;
    };
    const struct {
        const char* Name;
        std::string Bytes;
        bool Ok;
    } cases[] = {
        {"truncated header", g.Bytes.substr(0, 30), false},
        {"no channels", patched(22, 0, 2), false},
        {"a rate of 1 Hz", patched(24, 1, 4), false},
        {"2^31 samples promised", patched(40, 0x80000000U, 4), true},
        {"header alone", g.Bytes.substr(0, 44), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const Heard h = Read(dir.Write("hostile.wav", c.Bytes));
        EXPECT_EQ(h.Result.Ok, c.Ok) << h.Result.Message;
        if (!c.Ok) {
            EXPECT_NE(h.Result.Message.find("cannot read"), std::string::npos) << h.Result.Message;
        }
    }
    EXPECT_EQ(Read(dir.Write("long.wav", patched(40, 0x80000000U, 4))).Records, 2);
}

TEST(Sound, RecordWritesTheFramesHeardAsAKissCapture)
{
    TempDir dir;
    const GeneratedCapture g = Pass(Modem::Afsk1200, 6);
    const std::string wav = dir.Write("pass.wav", g.Bytes);
    const DecodeRun r = Decode({"-q", "-f", "audio", "--modem", "afsk1200", "--start", "2016-03-17T10:15:00Z",
        "--record", dir.File("heard.kss"), "--csv", dir.File("sound.csv"), wav});
    ASSERT_EQ(r.code, 0) << r.err.Text;
    const DecodeRun back = Decode({"-q", "--csv", dir.File("kiss.csv"), dir.File("heard.kss")});
    ASSERT_EQ(back.code, 0) << back.err.Text;
    EXPECT_EQ(ReadFileBytes(dir.File("kiss.csv")), ReadFileBytes(dir.File("sound.csv")));
    const Heard h = Read(wav);
    // Each frame after its time frame: four FENDs a frame.
    const std::string recorded = ReadFileBytes(dir.File("heard.kss"));
    EXPECT_EQ(std::count(recorded.begin(), recorded.end(), '\xC0'), 4 * static_cast<long>(h.Frames.size()));

    EXPECT_EQ(Decode({"-f", "kiss", "--record", dir.File("x.kss"), wav}).code, 2);
    EXPECT_EQ(Decode({"-f", "audio", "--modem", "fsk", wav}).code, 2);
    EXPECT_EQ(Decode({"-f", "audio", "--start", "yesterday", wav}).code, 2);
}

TEST(Sound, RawSoundFromStandardInputAsItComes)
{
    TempDir dir;
    const GeneratedCapture g = Pass(Modem::G3ruh9600, 6);
    const std::string wav = dir.Write("pass.wav", g.Bytes);
    const std::string raw = dir.Write("pass.raw", g.Bytes.substr(44)); // the WAV's samples as they are
    const DecodeRun file
        = Decode({"-q", "-f", "audio", "--start", "2016-03-17T10:15:00", "--jsonl", dir.File("file.jsonl"), wav});
    ASSERT_EQ(file.code, 0) << file.err.Text;
    std::FILE* in = std::fopen(raw.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    DecodeRun stream;
    stream.code = RunDecodeCommand({"-q", "-f", "audio", "--rate", "48000", "--start", "2016-03-17T10:15:00", "--jsonl",
                                       dir.File("stream.jsonl"), "--record", dir.File("heard.kss"), "-"},
        stream.out, stream.err, ".", false, in);
    std::fclose(in);
    ASSERT_EQ(stream.code, 0) << stream.err.Text;
    // The same records, the place in the file aside ("-" for standard input).
    const std::regex place(R"("file":"[^"]*")");
    const std::string streamed = ReadFileBytes(dir.File("stream.jsonl"));
    const std::string read = std::regex_replace(ReadFileBytes(dir.File("file.jsonl")), place, R"("file":"-")");
    EXPECT_EQ(std::count(streamed.begin(), streamed.end(), '\n'), 6);
    EXPECT_TRUE(streamed == read) << streamed.substr(0, 300) << "\n" << read.substr(0, 300);
    EXPECT_FALSE(ReadFileBytes(dir.File("heard.kss")).empty());

    EXPECT_EQ(Decode({"-f", "audio", "--rate", "48000", wav}).code, 2);
    EXPECT_EQ(Decode({"-f", "kiss", "--rate", "48000", "-"}).code, 2);
    EXPECT_EQ(Decode({"-f", "audio", "--rate", "8000", "-"}).code, 2);
}

} // namespace
