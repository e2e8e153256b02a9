// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the readers, the CSV export and the store's memory per record.
//   build/bench/norvane-bench [--benchmark_filter=Kiss]
// The captures are generated once into the system's temporary folder.

#include "dataset/merge.h"
#include "describe/describedsatellite.h"
#include "input/capturereaders.h"
#include "input/detect.h"
#include "output/csvfile.h"
#include "output/influxlines.h"
#include "output/jsonlines.h"
#include "output/storedlines.h"
#include "tools/capturegen.h"
#include "tools/frameencoders.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>

namespace {

// Beacons per capture: the KISS capture has a time frame before each, so
// 500,000 beacons make 1,000,000 frames; the text capture has a time line
// before each hex line.
std::int64_t BeaconsFor(CaptureKind kind)
{
    return (kind == CaptureKind::Kiss || kind == CaptureKind::Text) ? 500000 : 1000000;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string& CapturePath(CaptureKind kind)
{
    static std::map<CaptureKind, std::string> paths;
    auto it = paths.find(kind);
    if (it != paths.end())
        return it->second;
    const auto path = std::filesystem::temp_directory_path() / ("norvane-bench-" + std::string(CaptureKindName(kind)));
    CaptureOptions o;
    o.Kind = kind;
    o.Packets = BeaconsFor(kind);
    // Written only when it differs from the file an earlier run left: the
    // kernel writing out a fresh 100 MB file slows the first benchmark.
    const std::string bytes = GenerateCapture(o).Bytes;
    if (ReadAll(path.string()) != bytes)
        std::ofstream(path, std::ios::binary) << bytes;
    return paths.emplace(kind, path.string()).first->second;
}

// Seconds to scan content for byte with memchr, counting each: the ceiling
// of any reader that must look at every byte, and this machine's speed of
// the moment for the figures beside it.
double ScanSeconds(const std::string& content, char byte)
{
    const auto t0 = std::chrono::steady_clock::now();
    std::size_t found = 0;
    for (const char* p = content.data();
         (p = static_cast<const char*>(std::memchr(p, byte, content.size() - (p - content.data())))); ++p)
        ++found;
    benchmark::DoNotOptimize(found);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// memchr's speed in MB/s over the KISS capture, as a reference for figures
// that are not readers.
double MemchrMBs()
{
    const std::string content = ReadAll(CapturePath(CaptureKind::Kiss));
    return static_cast<double>(content.size()) / 1e6 / ScanSeconds(content, '\xC0');
}

// A reader beside a memchr scan of the same bytes for its frame or line
// separator, timed alternately: MB/s of both (10^6 bytes) and their ratio.
// The reader is timed from opening the file to the last record stored;
// giving the store back afterwards is timed on its own (free_ms).
void ReadCapture(benchmark::State& state, CaptureKind kind)
{
    const std::string& path = CapturePath(kind);
    const std::string content = ReadAll(path);
    const char separator = kind == CaptureKind::Kiss ? '\xC0' : '\n';
    ReaderHost host;
    double readSeconds = 0;
    double freeSeconds = 0;
    double scanSeconds = 0;
    std::int64_t records = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        auto m = std::make_unique<Module1>();
        ReadCaptureFile(kind, *m, host, path);
        const auto t1 = std::chrono::steady_clock::now();
        records = m->RecordCount + m->Packet2Count;
        benchmark::DoNotOptimize(m->Table.Value(1, 0));
        m.reset();
        freeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
        readSeconds += std::chrono::duration<double>(t1 - t0).count();
        scanSeconds += ScanSeconds(content, separator);
    }
    const double mb = static_cast<double>(content.size()) * static_cast<double>(state.iterations()) / 1e6;
    state.counters["read_MB/s"] = mb / readSeconds;
    state.counters["memchr_MB/s"] = mb / scanSeconds;
    state.counters["ratio"] = scanSeconds / readSeconds;
    state.counters["free_ms"] = freeSeconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["records"] = static_cast<double>(records);
}

// The KISS reader (BM_KissReader) and every other kind's (BM_Reader/log, ...).
void BM_KissReader(benchmark::State& state) { ReadCapture(state, CaptureKind::Kiss); }
BENCHMARK(BM_KissReader)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool ReadersRegistered = [] {
    for (const CaptureKindInfo& kind : CaptureKinds())
        if (kind.Kind != CaptureKind::Kiss && kind.Kind != CaptureKind::Audio) // sound: BM_Sound
            benchmark::RegisterBenchmark(("BM_Reader/" + std::string(kind.Name)).c_str(),
                [k = kind.Kind](benchmark::State& state) { ReadCapture(state, k); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    return true;
}();

class NullSink : public TextSink {
public:
    void Write(std::string_view text) override { bytes += text.size(); }
    std::size_t bytes = 0;
};

// Exporting 100,000 records of 105 values each.
void BM_CsvExport(benchmark::State& state)
{
    Module1 m;
    ReaderHost host;
    CaptureOptions o;
    o.Packets = 200000;
    const std::string path = (std::filesystem::temp_directory_path() / "norvane-bench-csv.kss").string();
    std::ofstream(path, std::ios::binary) << GenerateCapture(o).Bytes;
    ReadKissFile(m, host, path);
    for (auto _ : state) {
        NullSink sink;
        WriteCsv(sink, m, ".");
        benchmark::DoNotOptimize(sink.bytes);
    }
    const double values = static_cast<double>(m.HighestRecord()) * 105.0;
    state.counters["values/s"] = benchmark::Counter(values, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["memchr_MB/s"] = MemchrMBs();
}
BENCHMARK(BM_CsvExport)->Unit(benchmark::kMillisecond)->UseRealTime();

// What working out the instants costs the KISS reader: the time to read the
// capture, beside the time to parse every time text it holds once more.
void BM_KissInstants(benchmark::State& state)
{
    const std::string& path = CapturePath(CaptureKind::Kiss);
    ReaderHost host;
    Module1 m;
    const auto t0 = std::chrono::steady_clock::now();
    ReadKissFile(m, host, path);
    const double readSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::vector<std::string> texts;
    for (std::int64_t n = 1; n <= m.HighestRecord(); ++n) {
        texts.emplace_back(m.Table.Packet1Time(n));
        texts.emplace_back(m.Table.Packet2Time(n));
    }
    double parseSeconds = 0;
    for (auto _ : state) {
        const auto t1 = std::chrono::steady_clock::now();
        // As the readers parse them: the date of the text before remembered.
        DateTimeParser parser;
        std::int64_t sum = 0;
        for (const std::string& text : texts)
            sum += parser.Parse(text).value_or(0);
        benchmark::DoNotOptimize(sum);
        parseSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
    }
    state.counters["time_texts"] = static_cast<double>(texts.size());
    state.counters["share_of_read"] = parseSeconds / static_cast<double>(state.iterations()) / readSeconds;
}
BENCHMARK(BM_KissInstants)->Unit(benchmark::kMillisecond)->UseRealTime();

// The outputs with time: packets a second for 1,000,000 packets of the
// server-log capture, which has an instant for every packet.
void TimeOutput(benchmark::State& state, bool jsonl)
{
    const std::string& path = CapturePath(CaptureKind::ServerLog);
    ReaderHost host;
    Module1 m;
    ReadServerLogFile(m, host, path);
    for (auto _ : state) {
        NullSink sink;
        if (jsonl)
            WriteJsonl(sink, m);
        else
            WriteInfluxLines(sink, m);
        benchmark::DoNotOptimize(sink.bytes);
    }
    state.counters["packets/s"] = benchmark::Counter(
        static_cast<double>(m.RecordCount + m.Packet2Count), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["memchr_MB/s"] = MemchrMBs();
}
void BM_Jsonl(benchmark::State& state) { TimeOutput(state, true); }
void BM_Influx(benchmark::State& state) { TimeOutput(state, false); }
BENCHMARK(BM_Jsonl)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Influx)->Unit(benchmark::kMillisecond)->UseRealTime();

// A described satellite against the built-in decoder on the same 500,000
// beacons (the KISS capture): the QB50 beacon as a description of about fifty
// fields a packet (samples/qb50.ksy), timed alternately with the built-in
// decoder. Each run reads the capture into the store (a described frame is
// read once, its values kept) and writes every value of every record as
// JSON Lines. frames/s counts the beacons; ratio is the described run's
// time over the built-in one's (target: at most 2), read_ratio and
// write_ratio those of the two parts, store_ratio the store's bytes over
// the built-in store's (frames are not kept, as norvane-decode keeps none
// where it does not merge).
void BM_DescribedSatellite(benchmark::State& state)
{
    const std::string& path = CapturePath(CaptureKind::Kiss);
    const auto description = DescribedSatellite::Load(NORVANE_SAMPLES_DIR "/qb50.ksy");
    ReaderHost host;
    // Seconds of each run's reading and writing, built in [0] and described [1].
    double reading[2] = {0, 0};
    double writing[2] = {0, 0};
    std::int64_t frames = 0;
    std::size_t storeBytes[2] = {0, 0};
    for (auto _ : state) {
        for (const bool described : {false, true}) {
            const auto t0 = std::chrono::steady_clock::now();
            auto m = std::make_unique<Module1>();
            m->Described = described ? description : nullptr;
            m->DescribedRecords.KeepFrames(false); // as norvane-decode, which does not merge here
            ReadKissFile(*m, host, path);
            const auto t1 = std::chrono::steady_clock::now();
            NullSink sink;
            WriteJsonl(sink, *m);
            benchmark::DoNotOptimize(sink.bytes);
            reading[described] += std::chrono::duration<double>(t1 - t0).count();
            writing[described] += std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
            storeBytes[described] = described ? m->DescribedRecords.MemoryBytes() : m->Table.MemoryBytes();
            if (described)
                frames = m->RecordCount;
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    const double builtInSeconds = reading[0] + writing[0];
    const double describedSeconds = reading[1] + writing[1];
    state.counters["frames/s"] = static_cast<double>(frames) * runs / describedSeconds;
    state.counters["builtin_frames/s"] = static_cast<double>(frames) * runs / builtInSeconds;
    state.counters["ratio"] = describedSeconds / builtInSeconds;
    state.counters["read_ratio"] = reading[1] / reading[0];
    state.counters["write_ratio"] = writing[1] / writing[0];
    state.counters["store_ratio"] = static_cast<double>(storeBytes[1]) / static_cast<double>(storeBytes[0]);
}
BENCHMARK(BM_DescribedSatellite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A frame of that description read on one core (by its plan) and its fields
// followed, over the frames of the sample pass again and again; /1 with
// its values packed as the store keeps them. /2 and /3: each frame cut to
// half, so that it does not read, with its reason (/2, as the first of a
// file) and without (/3, as every other).
void BM_DescribedFrame(benchmark::State& state)
{
    Module1 m;
    m.Described = DescribedSatellite::Load(NORVANE_SAMPLES_DIR "/qb50.ksy");
    ReaderHost host;
    ReadKissFile(m, host, NORVANE_SAMPLES_DIR "/qb50p1-pass.kss");
    DescribedSatellite& reader = *m.Described;
    const bool cut = state.range(0) >= 2; // half of each frame: it does not read
    std::vector<std::uint8_t> packed;
    std::string reason;
    std::int64_t n = 0;
    for (auto _ : state) {
        n = n % m.RecordCount + 1;
        packed.clear();
        std::span<const std::uint8_t> frame = m.DescribedRecords.Frame(n);
        if (cut)
            frame = frame.first(frame.size() / 2);
        if (reader.Read(frame, state.range(0) == 3 ? nullptr : &reason) && state.range(0) == 1)
            reader.PackValues(packed);
        benchmark::DoNotOptimize(packed.data());
    }
    state.counters["frames/s"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DescribedFrame)->Unit(benchmark::kMicrosecond)->Arg(0)->Arg(1)->Arg(2)->Arg(3);

// Merging 1,000,000 packets (the server-log capture) by time, dropping duplicates.
void BM_Merge(benchmark::State& state)
{
    const std::string& path = CapturePath(CaptureKind::ServerLog);
    ReaderHost host;
    std::int64_t packets = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Module1 m;
        ReadServerLogFile(m, host, path);
        packets = m.RecordCount + m.Packet2Count;
        state.ResumeTiming();
        MergeByTime(m);
        benchmark::DoNotOptimize(m.RecordCount);
    }
    state.counters["packets"] = static_cast<double>(packets);
}
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Bytes the store holds per record, both packets with their time texts,
// instants and places: after the KISS capture, and after a long log file
// without a date in its name (a time text of its own for every packet and
// no instant, the worst case).
void StoreMemoryPerRecord(benchmark::State& state, CaptureKind kind)
{
    const std::string& path = CapturePath(kind);
    ReaderHost host;
    double perRecord = 0;
    for (auto _ : state) {
        Module1 m;
        ReadCaptureFile(kind, m, host, path);
        perRecord = static_cast<double>(m.Table.MemoryBytes()) / static_cast<double>(m.HighestRecord());
    }
    state.counters["bytes/record"] = perRecord;
}
void BM_StoreMemoryPerRecord_Kiss(benchmark::State& state) { StoreMemoryPerRecord(state, CaptureKind::Kiss); }
void BM_StoreMemoryPerRecord_Log(benchmark::State& state) { StoreMemoryPerRecord(state, CaptureKind::Log); }
BENCHMARK(BM_StoreMemoryPerRecord_Kiss)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_StoreMemoryPerRecord_Log)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Telling the kind of a large capture looks at its first 64 KiB only, so it
// takes as long for 95 MB as for 64 KiB.
void BM_DetectKind(benchmark::State& state)
{
    const std::string& path = CapturePath(CaptureKind::Kiss);
    bool kiss = false;
    for (auto _ : state)
        kiss = DetectCaptureFile(path).Kind == CaptureKind::Kiss;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    state.counters["detected"] = kiss;
}
BENCHMARK(BM_DetectKind)->Unit(benchmark::kMicrosecond);

// Sound: a recording of 240 random AX.25 frames of 16 to 200 bytes with
// white noise near each modem's limit, decoded by the sound reader beside
// Dire Wolf's atest (when installed) on the same file, timed alternately:
// samples a second, times real time (x_realtime: a one-hour recording takes
// 3600 / x seconds), frames heard by both.
void SoundBeside(benchmark::State& state, Modem modem, const char* atestArguments, double noise)
{
    std::vector<std::vector<std::uint8_t>> frames;
    std::mt19937 random(7);
    for (int k = 0; k < 240; ++k) {
        std::vector<std::uint8_t> frame = FullFrame(1, {});
        frame.erase(frame.begin()); // no KISS type byte
        frame[13] = static_cast<std::uint8_t>('0' + k % 10) << 1;
        const std::size_t info = 16 + random() % 185;
        for (std::size_t i = 0; i < info; ++i)
            frame.push_back(static_cast<std::uint8_t>(random()));
        frames.push_back(std::move(frame));
    }
    constexpr int Rate = 48000;
    const std::vector<float> sound = ModulateFrames(modem, frames, Rate, 0.2, noise, 3);
    const auto path
        = (std::filesystem::temp_directory_path() / ("norvane-bench-sound-" + std::string(ModemName(modem)) + ".wav"))
              .string();
    std::ofstream(path, std::ios::binary) << WavFile(sound, Rate);
    struct SoundHost : ReaderHost {
        SoundOptions options;
        SoundOptions Sound() const override { return options; }
    } host;
    host.options.Modulation = modem;
    const bool atest = std::system("command -v atest > /dev/null 2>&1") == 0;
    const std::string atestCommand = "atest " + std::string(atestArguments) + " " + path + " 2>/dev/null | tail -n 1";
    double seconds = 0;
    double atestSeconds = 0;
    std::int64_t heard = 0;
    long atestHeard = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        Module1 m;
        ReadCaptureFile(CaptureKind::Audio, m, host, path);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        heard = m.Import.Units;
        if (!atest)
            continue;
        const auto t1 = std::chrono::steady_clock::now();
        if (std::FILE* p = popen(atestCommand.c_str(), "r")) {
            if (std::fscanf(p, "%ld", &atestHeard) != 1)
                atestHeard = -1;
            pclose(p);
        }
        atestSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["samples/s"] = static_cast<double>(sound.size()) * runs / seconds;
    state.counters["x_realtime"] = static_cast<double>(sound.size()) / Rate * runs / seconds;
    state.counters["frames"] = static_cast<double>(heard);
    state.counters["sent"] = static_cast<double>(frames.size());
    if (atest) {
        state.counters["atest_frames"] = static_cast<double>(atestHeard);
        state.counters["atest_time_ratio"] = atestSeconds / seconds;
    }
}
void BM_Sound_Afsk1200(benchmark::State& state) { SoundBeside(state, Modem::Afsk1200, "-P E+", 0.45); }
void BM_Sound_G3ruh9600(benchmark::State& state) { SoundBeside(state, Modem::G3ruh9600, "-B 9600 -P +", 0.22); }
BENCHMARK(BM_Sound_Afsk1200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_Sound_G3ruh9600)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

BENCHMARK_MAIN();
