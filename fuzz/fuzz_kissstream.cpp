// SPDX-License-Identifier: GPL-3.0-or-later
// The live KISS stream on any bytes, cut into random pieces with dropped
// connections between some of them. Besides surviving: feeding the same
// bytes in other pieces gives the same frames, counters and records; no
// frame over the stream's limit is ever taken; and the recording reads back
// to the records shown.

#include "fuzzsupport.h"
#include "input/capturereaders.h"
#include "input/kissstream.h"

#include <cstdio>

namespace {

struct Run {
    Module1 m;
    ReaderHost host;
    std::unique_ptr<KissStream> stream;
    explicit Run() { stream = std::make_unique<KissStream>(m, host, "fuzz:8001"); }
};

// Feeds the bytes in pieces whose sizes come from seed.
void Feed(Run& run, std::string_view bytes, std::uint32_t seed)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t piece = 1 + (seed >> 16) % 97;
        run.stream->Feed(bytes.substr(at, piece), 1458209700000);
        at += piece;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::uint32_t seed = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 4, size - 4);

    Run whole;
    whole.stream->Feed(bytes, 1458209700000);
    Run pieces;
    Feed(pieces, bytes, seed);
    const StreamCounters& a = whole.stream->Counters();
    const StreamCounters& b = pieces.stream->Counters();
    FUZZ_REQUIRE(a.Frames == b.Frames && a.CommandFrames == b.CommandFrames && a.Oversized == b.Oversized);
    FUZZ_REQUIRE(a.BytesReceived == bytes.size() && b.BytesReceived == bytes.size());
    FUZZ_REQUIRE(SameRecords(whole.m, pieces.m));
    FUZZ_REQUIRE(whole.m.Import.Stored1 == whole.m.RecordCount && whole.m.Import.Stored2 == whole.m.Packet2Count);

    // A connection dropped halfway loses at most the frame it cut.
    Run dropped;
    dropped.stream->Feed(bytes.substr(0, bytes.size() / 2), 1458209700000);
    dropped.stream->Disconnected();
    dropped.stream->Connected();
    dropped.stream->Feed(bytes.substr(bytes.size() / 2), 1458209700000);
    FUZZ_REQUIRE(dropped.stream->Counters().Incomplete <= 1);
    FUZZ_REQUIRE(dropped.m.RecordCount <= whole.m.RecordCount + 1);

    // The recording reads back to the same records.
    const std::string path = WriteCaptureFile(nullptr, 0);
    {
        Run recorded;
        std::string error;
        FUZZ_REQUIRE(recorded.stream->Record(path, error));
        recorded.stream->Feed(bytes, 1458209700000);
        recorded.stream.reset();
        Module1 back;
        ReaderHost host;
        back.SatelliteNumber = recorded.m.SatelliteNumber;
        ReadCaptureFile(CaptureKind::Kiss, back, host, path);
        FUZZ_REQUIRE(back.RecordCount == recorded.m.RecordCount && back.Packet2Count == recorded.m.Packet2Count);
        for (std::int64_t n = 1; n <= back.HighestRecord(); ++n)
            FUZZ_REQUIRE(back.Table.Record(n).Values == recorded.m.Table.Record(n).Values);
    }
    return 0;
}
