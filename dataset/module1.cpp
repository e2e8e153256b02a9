// SPDX-License-Identifier: GPL-3.0-or-later
#include "module1.h"

namespace {

void StoreFramePacket(Module1& m, int kind, std::int64_t n, PacketInfo reception)
{
    reception.Satellite = m.FrameBuffer[19];
    m.Table.StorePacket(kind, n, m.FrameBuffer.data() + PacketFirstByte, reception, m.FrameTimeText);
}

} // namespace

void DecodePacket1(Module1& m, const PacketInfo& reception) { StoreFramePacket(m, 1, m.RecordCount, reception); }

void DecodePacket2(Module1& m, const PacketInfo& reception) { StoreFramePacket(m, 2, m.Packet2Count, reception); }
