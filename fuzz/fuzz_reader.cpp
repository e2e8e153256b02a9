// SPDX-License-Identifier: GPL-3.0-or-later
// One capture reader on any bytes. Built once per kind (NORVANE_FUZZ_KIND_NAME);
// the sound reader's bytes are a file of any container libsndfile reads.
// Besides surviving, the reader must keep its promises: the counters never go
// down while a file is read, the host sees one busy spell and one refresh,
// reading the same bytes again gives the same records, the import summary
// accounts for what was read, and the KISS reader stores only frames with a
// satellite's header and the chosen satellite byte.

#include "fuzzsupport.h"
#include "input/dispatch.h"
#include "input/hexconv.h"

#include <algorithm>
#include <cstring>

namespace {

const CaptureKind Kind = CaptureKindFromName(NORVANE_FUZZ_KIND_NAME).value();

std::string HeaderText(const std::array<std::uint8_t, 17>& header)
{
    std::string text;
    for (const std::uint8_t b : header) {
        AppendByteHex(text, b);
        text.push_back(' ');
    }
    return text;
}

// A stored KISS frame, as the dump page lists it: a header, the satellite
// byte at position 19 and the kind byte 1 or 2 at position 20.
void CheckStoredKissFrame(const std::string& line, int satellite)
{
    FUZZ_REQUIRE(std::ranges::any_of(BuiltInSatellites, [&](const BuiltInSatellite& s) {
        const std::string header = HeaderText(s.Header);
        return line.compare(0, header.size(), header) == 0;
    }));
    FUZZ_REQUIRE(line.size() >= 20 * 3);
    FUZZ_REQUIRE(HexTextToLong(line.substr(18 * 3, 2)) == satellite);
    const std::int32_t kind = HexTextToLong(line.substr(19 * 3, 2));
    FUZZ_REQUIRE(kind == 1 || kind == 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = WriteCaptureFile(data, size);
    const int satellite = size % 2 == 0 ? 1 : 2;

    Module1 first;
    first.SatelliteNumber = satellite;
    CheckingHost host(first);
    const ReadResult result = ReadCaptureFile(Kind, first, host, path);
    // Bytes that are no sound recording are refused as such, and nothing
    // is stored.
    if (Kind == CaptureKind::Audio && !result.Ok) {
        FUZZ_REQUIRE(result.Message.find("cannot read") != std::string::npos && first.HighestRecord() == 0);
        return 0;
    }
    FUZZ_REQUIRE(result.Ok);
    host.CheckFinished();

    // The import summary accounts for every record, and for every frame or
    // line where each meets one fate only.
    const ImportSummary& s = first.Import;
    FUZZ_REQUIRE(s.Stored1 == first.RecordCount && s.Stored2 == first.Packet2Count);
    const std::int64_t dropped = s.TooShort + s.OtherHeader + s.OtherSatellite + s.OtherKind;
    if (Kind == CaptureKind::Kiss)
        FUZZ_REQUIRE(s.Units == s.TimeUnits + dropped + s.Stored1 + s.Stored2);
    if (Kind == CaptureKind::ServerLog || Kind == CaptureKind::Satnogs)
        FUZZ_REQUIRE(s.Units == s.NotOfKind + dropped + s.Stored1 + s.Stored2);
    if (Kind == CaptureKind::Log || Kind == CaptureKind::Audio)
        FUZZ_REQUIRE(s.Units == dropped + s.Stored1 + s.Stored2);
    if (Kind == CaptureKind::Text)
        FUZZ_REQUIRE(s.Units >= s.NotOfKind + dropped + s.Stored1 + s.Stored2 && s.Units >= s.TimeUnits);

    if (Kind == CaptureKind::Kiss) {
        FUZZ_REQUIRE(static_cast<std::int64_t>(host.dump.size()) == first.RecordCount + first.Packet2Count);
        for (const std::string& line : host.dump)
            CheckStoredKissFrame(line, satellite);
    }
    // Each kind's packets are stored in reading order, each from a place of
    // its own, and a date-time text gives the instant it reads as.
    for (const int kind : {1, 2}) {
        const std::int64_t count = kind == 1 ? first.RecordCount : first.Packet2Count;
        for (std::int64_t r = 1; r <= count; ++r) {
            const PacketInfo p = first.Packet(kind, r);
            FUZZ_REQUIRE(p.Offset < size);
            FUZZ_REQUIRE(r == 1 || p.Offset > first.Packet(kind, r - 1).Offset);
            if (Kind == CaptureKind::Kiss || Kind == CaptureKind::ServerLog || Kind == CaptureKind::Satnogs) {
                const std::string time = first.Table.PacketTime(kind, r);
                // (A gr-satellites stamp past the year 9999 has a time text
                // that no longer reads back, but an instant all the same.)
                if (const auto parsed = ParseDateTime(time))
                    FUZZ_REQUIRE(p.At == *parsed);
                else if (Kind != CaptureKind::Kiss)
                    FUZZ_REQUIRE(p.At == UnknownInstant);
            }
        }
    }
    if (Kind == CaptureKind::ServerLog || Kind == CaptureKind::Satnogs) {
        // A server-log time is the line's first 19 characters.
        for (std::int64_t r = 1; r <= first.HighestRecord(); ++r)
            FUZZ_REQUIRE(first.Table.Packet1Time(r).size() <= 19 && first.Table.Packet2Time(r).size() <= 19);
    }

    Module1 second;
    second.SatelliteNumber = satellite;
    ReaderHost quiet;
    ReadCaptureFile(Kind, second, quiet, path);
    FUZZ_REQUIRE(SameRecords(first, second));
    return 0;
}
