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
    PacketInfo* info = nullptr;
    const int kind = m.FrameBuffer[20];
    switch (kind) {
    case 1:
        ++m.Import.Stored1;
        ++m.RecordCount;
        m.Table.SetPacket1Time(m.RecordCount, m.FrameTimeText);
        DecodePacket1(m);
        info = &m.Table.RecordForWrite(m.RecordCount).Packet1;
        break;
    case 2:
        ++m.Import.Stored2;
        ++m.Packet2Count;
        m.Table.SetPacket2Time(m.Packet2Count, m.FrameTimeText);
        DecodePacket2(m);
        info = &m.Table.RecordForWrite(m.Packet2Count).Packet2;
        break;
    default: ++m.Import.OtherKind; return 0;
    }
    *info = {m.FrameInstant, m.FrameOffset, m.FileIndex, static_cast<std::uint8_t>(satellite)};
    if (m.KeepPacketBytes) {
        const std::uint8_t* first = m.FrameBuffer.data() + PacketFirstByte;
        const std::uint8_t* end = m.FrameBuffer.data() + PacketLastByte(kind) + 1;
        std::vector<std::uint8_t>& kept = m.PacketBytes[static_cast<std::size_t>(kind - 1)];
        kept.insert(kept.end(), first, end);
    }
    m.Import.NoteInstant(m.FrameInstant);
    return kind;
}

void PutIntoFrameBuffer(Module1& m, int first, std::span<const std::uint8_t> bytes)
{
    const std::size_t start = static_cast<std::size_t>(first);
    const std::size_t room = FrameBufferSize + 1 - start;
    const std::size_t n = std::min(bytes.size(), room);
    if (n > 0)
        std::memcpy(m.FrameBuffer.data() + start, bytes.data(), n);
    std::memset(m.FrameBuffer.data() + start + n, 0, room - n);
}
