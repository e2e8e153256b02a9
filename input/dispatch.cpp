#include "dispatch.h"

#include "telemetry/decoders.h"

#include <algorithm>
#include <cstring>

bool MatchesPacketHeader(std::span<const std::uint8_t> frame)
{
    if (frame.size() < PacketHeaderQB50P1.size())
        return false;
    return std::equal(PacketHeaderQB50P1.begin(), PacketHeaderQB50P1.end(), frame.begin())
        || std::equal(PacketHeaderQB50P2.begin(), PacketHeaderQB50P2.end(), frame.begin());
}

int DispatchPacket(Module1& m, bool checkSatellite)
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
        DecodePacket1(m);
        break;
    case 2:
        ++m.Import.Stored2;
        ++m.Packet2Count;
        DecodePacket2(m);
        break;
    default: ++m.Import.OtherKind; return 0;
    }
    m.Import.NoteInstant(m.FrameInstant);
    return kind;
}

int DispatchDescribed(Module1& m, std::span<const std::uint8_t> frame)
{
    std::string reason;
    if (!m.Described->Read(frame, reason)) {
        if (m.Import.NotParsed++ == 0)
            m.Import.FirstNotParsed = reason;
        return 0;
    }
    ++m.Import.Stored1;
    ++m.RecordCount;
    m.DescribedRecords.Store(frame, PacketInfo{m.FrameInstant, m.FrameOffset, m.FileIndex, 0}, m.FrameTimeText);
    m.Import.NoteInstant(m.FrameInstant);
    return 1;
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
