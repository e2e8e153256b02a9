// SPDX-License-Identifier: GPL-3.0-or-later
#include "dispatch.h"

#include "capturefile.h"
#include "capturekinds.h"
#include "describe/describedsatellite.h"
#include "kissframes.h"
#include "telemetry/decoders.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <future>

bool MatchesPacketHeader(std::span<const std::uint8_t> frame)
{
    if (frame.size() < PacketHeader{}.size())
        return false;
    return std::ranges::any_of(BuiltInSatellites,
        [&](const BuiltInSatellite& s) { return std::equal(s.Header.begin(), s.Header.end(), frame.begin()); });
}

int BuiltInSatelliteOfFrame(std::span<const std::uint8_t> frame)
{
    constexpr std::size_t Number = PacketHeader{}.size(); // after the header and a spare byte
    if (frame.size() <= Number + 1 || (frame[Number + 1] != 1 && frame[Number + 1] != 2))
        return 0;
    for (const BuiltInSatellite& s : BuiltInSatellites)
        if (std::equal(s.Header.begin() + 1, s.Header.end(), frame.begin()) && frame[Number] == s.Number)
            return s.Number;
    return 0;
}

int DispatchPacket(Module1& m, bool checkSatellite, const PacketInfo& reception)
{
    const int satellite = m.FrameBuffer[19];
    if (checkSatellite && satellite != m.SatelliteNumber) {
        ++m.Import.OtherSatellite;
        return 0;
    }
    const int kind = m.FrameBuffer[20];
    switch (kind) {
    case 1:
        ++m.Import.Stored1;
        ++m.RecordCount;
        DecodePacket1(m, reception);
        break;
    case 2:
        ++m.Import.Stored2;
        ++m.Packet2Count;
        DecodePacket2(m, reception);
        break;
    default: ++m.Import.OtherKind; return 0;
    }
    m.Import.NoteInstant(reception.At);
    return kind;
}

void DispatchDescribed(Module1& m, ReaderHost& host, std::span<const std::uint8_t> frame, const PacketInfo& reception,
    bool kissDump, bool rereadable, std::uint8_t typeByte)
{
    PendingFrames& p = m.DescribedPending;
    if (p.Times.empty() || p.Times.back() != m.FrameTimeText)
        p.Times.push_back(m.FrameTimeText);
    p.Entries.push_back({p.Bytes.size(), static_cast<std::uint32_t>(frame.size()),
        static_cast<std::uint32_t>(p.Times.size() - 1), reception, kissDump, rereadable, typeByte});
    p.Bytes.insert(p.Bytes.end(), frame.begin(), frame.end());
    // A batch is a few hundred kilobytes at most.
    constexpr std::size_t BatchFrames = 4096;
    if (p.Entries.size() >= BatchFrames)
        FlushDescribed(m, host);
}

void FlushDescribed(Module1& m, ReaderHost& host)
{
    PendingFrames& p = m.DescribedPending;
    const std::size_t n = p.Entries.size();
    if (n == 0 || !m.Described)
        return;
    auto frameOf = [&p](const PendingFrames::Entry& e) {
        return std::span<const std::uint8_t>(p.Bytes.data() + e.Start, e.Length);
    };
    // Each frame is read once: its values are packed as they are stored.
    p.Readings.resize(n);
    auto read = [&](DescribedSatellite& reader, std::size_t from, std::size_t to, std::vector<std::uint8_t>& packed) {
        packed.clear();
        for (std::size_t k = from; k < to; ++k) {
            PendingFrames::Reading& r = p.Readings[k];
            r.Parsed = reader.Read(frameOf(p.Entries[k]), r.Reason);
            if (!r.Parsed)
                continue;
            r.PackedStart = packed.size();
            r.Shape = reader.PackValues(packed);
            r.PackedLength = packed.size() - r.PackedStart;
        }
    };
    // The second half on the other core, with a reader of its own.
    constexpr std::size_t SplitFrom = 64;
    const std::size_t half = n >= SplitFrom ? n / 2 : n;
    if (half < n) {
        if (!p.Reader || &p.Reader->Description() != &m.Described->Description())
            p.Reader = m.Described->Another();
        auto second = std::async(std::launch::async, read, std::ref(*p.Reader), half, n, std::ref(p.Packed[1]));
        read(*m.Described, 0, half, p.Packed[0]);
        second.get();
    } else {
        read(*m.Described, 0, n, p.Packed[0]);
    }
    // The store's number of each half's reader's shapes, as they come.
    std::vector<std::int64_t> shapeIds[2];
    std::vector<std::uint8_t> kissFrame;
    for (std::size_t k = 0; k < n; ++k) {
        const PendingFrames::Entry& e = p.Entries[k];
        const PendingFrames::Reading& r = p.Readings[k];
        if (!r.Parsed) {
            if (m.Import.NotParsed++ == 0)
                m.Import.FirstNotParsed = PlaceInCapture(m.Import.File, e.Info.Offset,
                                              m.Import.Unit == CaptureKindOf(CaptureKind::Log).Unit)
                    + ": " + r.Reason;
            continue;
        }
        ++m.Import.Stored1;
        ++m.RecordCount;
        const std::span<const std::uint8_t> frame = frameOf(e);
        const int of = k < half ? 0 : 1;
        std::vector<std::int64_t>& ids = shapeIds[of];
        if (ids.size() <= r.Shape)
            ids.resize(r.Shape + 1, -1);
        if (ids[r.Shape] < 0)
            ids[r.Shape] = m.DescribedRecords.ShapeId((of == 0 ? *m.Described : *p.Reader).Packer().Shape(r.Shape));
        const std::span<const std::uint8_t> packed(p.Packed[of].data() + r.PackedStart, r.PackedLength);
        m.DescribedRecords.Store(frame, static_cast<std::uint32_t>(ids[r.Shape]), packed, e.Info, p.Times[e.Time]);
        m.Import.NoteInstant(e.Info.At);
        if (e.Dump && host.WantsDumpLines()
            && !(e.Rereadable && host.AppendDumpFrame(e.Info.File, e.Info.Offset, frame.size() + 1))) {
            kissFrame.assign(1, e.TypeByte);
            kissFrame.insert(kissFrame.end(), frame.begin(), frame.end());
            host.AppendDumpLine(KissDumpLine(kissFrame));
        }
    }
    p.Clear();
}

void HexPairsToBytes(std::string_view text, bool spaced, std::vector<std::uint8_t>& out, std::int64_t& bad)
{
    const std::size_t step = spaced ? 3 : 2;
    out.clear();
    for (std::size_t k = 0; k + 2 <= text.size(); k += step) {
        bool valid = true;
        out.push_back(CompletePairValue(text, k, valid));
        bad += !valid;
    }
}

void PutIntoFrameBuffer(Module1& m, int first, std::span<const std::uint8_t> bytes)
{
    const std::size_t start = static_cast<std::size_t>(first);
    const std::size_t n = std::min(bytes.size(), FrameBufferSize + 1 - start);
    if (n > 0)
        std::memcpy(m.FrameBuffer.data() + start, bytes.data(), n);
    ClearFrameBufferFrom(m, start + n);
}

void ClearFrameBufferFrom(Module1& m, std::size_t position)
{
    // Only what an earlier frame wrote past position needs clearing; a few
    // bytes are cleared as sixteen (those past FrameBufferEnd are 0 already),
    // which takes one store instead of a call.
    if (position < m.FrameBufferEnd) {
        if (m.FrameBufferEnd - position <= 16 && position + 16 <= m.FrameBuffer.size())
            std::memset(m.FrameBuffer.data() + position, 0, 16);
        else
            std::memset(m.FrameBuffer.data() + position, 0, m.FrameBufferEnd - position);
    }
    m.FrameBufferEnd = position;
}
