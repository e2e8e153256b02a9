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
    if (frame.size() <= Number + 1 || !IsPacketKind(frame[Number + 1]))
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
    if (!IsPacketKind(kind)) {
        ++m.Import.OtherKind;
        return 0;
    }
    ++m.Import.StoredOf(kind);
    ++m.CountOf(kind);
    DecodePacket(m, kind, reception);
    m.Import.NoteInstant(reception.At);
    return kind;
}

namespace {

// Reads frames of the batch in flight with reader, a few at a time, until
// no core has any left to take; which: 0 this core, 1 the other.
void ReadFrames(PendingFrames& p, DescribedSatellite& reader, std::uint8_t which)
{
    DescribedBatch& b = p.Reading;
    std::vector<std::uint8_t>& packed = b.Packed[which];
    constexpr std::size_t Taken = 64;
    for (;;) {
        const std::size_t from = p.NextFrame.fetch_add(Taken);
        if (from >= b.Entries.size())
            return;
        for (std::size_t k = from; k < std::min(from + Taken, b.Entries.size()); ++k) {
            DescribedBatch::Reading& r = b.Readings[k];
            r.Reader = which;
            r.Parsed = reader.Read(b.Frame(b.Entries[k]), nullptr); // the reason only where it is kept
            if (!r.Parsed)
                continue;
            r.PackedStart = packed.size();
            r.Shape = reader.PackValues(packed); // each frame is read once: its values are packed as stored
            r.PackedLength = packed.size() - r.PackedStart;
        }
    }
}

// The waiting batch begins to be read, on the other core where it is
// large enough to share.
void StartReading(Module1& m)
{
    PendingFrames& p = m.DescribedPending;
    std::swap(p.Waiting, p.Reading);
    DescribedBatch& b = p.Reading;
    b.Readings.resize(b.Entries.size());
    b.Packed[0].clear();
    b.Packed[1].clear();
    p.NextFrame = 0;
    constexpr std::size_t Shared = 64;
    if (b.Entries.size() < Shared) {
        ReadFrames(p, *m.Described, 0);
        return;
    }
    if (!p.Other || &p.Other->Description() != &m.Described->Description())
        p.Other = m.Described->Another();
    p.Read = std::async(std::launch::async, ReadFrames, std::ref(p), std::ref(*p.Other), std::uint8_t{1});
}

// Waits until both cores have read the batch in flight, and gives each
// frame's shape the store's number, so that the other core's packer may
// take new shapes again while the batch is stored.
void FinishReading(Module1& m)
{
    PendingFrames& p = m.DescribedPending;
    DescribedBatch& b = p.Reading;
    try {
        ReadFrames(p, *m.Described, 0); // this core takes its share of what is left
        if (p.Read.valid())
            p.Read.get();
    } catch (...) {
        // A batch that either core failed to read (out of memory) is
        // dropped whole, once the other core is done with it.
        if (p.Read.valid()) {
            try {
                p.Read.get();
            } catch (...) { // the failure already on its way
            }
        }
        b.Clear();
        throw;
    }
    std::vector<std::int64_t> shapeIds[2]; // the store's number of each reader's shapes, as they come
    for (std::size_t k = 0; k < b.Entries.size(); ++k) {
        DescribedBatch::Reading& r = b.Readings[k];
        if (!r.Parsed)
            continue;
        std::vector<std::int64_t>& ids = shapeIds[r.Reader];
        if (ids.size() <= r.Shape)
            ids.resize(r.Shape + 1, -1);
        if (ids[r.Shape] < 0)
            ids[r.Shape]
                = m.DescribedRecords.ShapeId((r.Reader == 0 ? *m.Described : *p.Other).Packer().Shape(r.Shape));
        r.Shape = static_cast<std::size_t>(ids[r.Shape]);
    }
}

// Stores a batch that both cores have read: the frames that parse as the
// next records; a frame that does not is counted, the first one's reason
// kept.
void StoreBatch(Module1& m, ReaderHost& host, DescribedBatch& b)
{
    std::vector<std::uint8_t> kissFrame;
    for (std::size_t k = 0; k < b.Entries.size(); ++k) {
        const DescribedBatch::Entry& e = b.Entries[k];
        const DescribedBatch::Reading& r = b.Readings[k];
        if (!r.Parsed) {
            // The first frame of the file that does not read is read again
            // for its reason, by this core's reader, which no other uses.
            if (m.Import.NotParsed++ == 0) {
                std::string reason;
                m.Described->Read(b.Frame(e), reason);
                m.Import.FirstNotParsed = PlaceInCapture(m.Import.File, e.Info.Offset,
                                              m.Import.Unit == CaptureKindOf(CaptureKind::Log).Unit)
                    + ": " + reason;
            }
            continue;
        }
        ++m.Import.Stored1;
        ++m.RecordCount;
        const std::span<const std::uint8_t> frame = b.Frame(e);
        const std::span<const std::uint8_t> packed(b.Packed[r.Reader].data() + r.PackedStart, r.PackedLength);
        m.DescribedRecords.Store(frame, static_cast<std::uint32_t>(r.Shape), packed, e.Info, b.Times[e.Time]);
        m.Import.NoteInstant(e.Info.At);
        if (e.Dump && host.WantsDumpLines()
            && !(e.Rereadable && host.AppendDumpFrame(e.Info.File, e.Info.Offset, frame.size() + 1))) {
            kissFrame.assign(1, e.TypeByte);
            kissFrame.insert(kissFrame.end(), frame.begin(), frame.end());
            host.AppendDumpLine(KissDumpLine(kissFrame));
        }
    }
    b.Clear();
}

// Stores the batch in flight once both cores have read it.
void StoreReadBatch(Module1& m, ReaderHost& host)
{
    FinishReading(m);
    StoreBatch(m, host, m.DescribedPending.Reading);
}

} // namespace

void DispatchDescribed(Module1& m, ReaderHost& host, std::span<const std::uint8_t> frame, const PacketInfo& reception,
    bool kissDump, bool rereadable, std::uint8_t typeByte)
{
    DescribedBatch& b = m.DescribedPending.Waiting;
    if (b.Times.empty() || b.Times.back() != m.FrameTimeText)
        b.Times.push_back(m.FrameTimeText);
    b.Entries.push_back({b.Bytes.size(), static_cast<std::uint32_t>(frame.size()),
        static_cast<std::uint32_t>(b.Times.size() - 1), reception, kissDump, rereadable, typeByte});
    b.Bytes.insert(b.Bytes.end(), frame.begin(), frame.end());
    // A batch is a megabyte or so at most. The batch before is read
    // on the other core while this one fills, and stored when this one is
    // full.
    constexpr std::size_t BatchFrames = 8192;
    if (b.Entries.size() >= BatchFrames && m.Described) {
        // The batch read is stored while the other core reads the next:
        // storing its first bytes in a block of the store is the kernel's
        // clearing of fresh memory, which would leave that core idle.
        PendingFrames& p = m.DescribedPending;
        FinishReading(m);
        DescribedBatch read;
        std::swap(read, p.Reading);
        StartReading(m);
        StoreBatch(m, host, read);
        std::swap(read, p.Waiting); // its buffers are filled again
    }
}

void FlushDescribed(Module1& m, ReaderHost& host)
{
    if (!m.Described)
        return;
    StoreReadBatch(m, host);
    if (m.DescribedPending.Waiting.Entries.empty())
        return;
    StartReading(m);
    StoreReadBatch(m, host);
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
