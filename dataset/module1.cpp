// SPDX-License-Identifier: GPL-3.0-or-later
#include "module1.h"

void DecodePacket(Module1& m, int kind, const PacketInfo& reception)
{
    PacketInfo info = reception;
    info.Satellite = m.FrameBuffer[19];
    m.Table.StorePacket(kind, m.Count(kind), m.FrameBuffer.data() + PacketFirstByte, info, m.FrameTimeText);
}

void DecodePacket1(Module1& m, const PacketInfo& reception) { DecodePacket(m, 1, reception); }

void DecodePacket2(Module1& m, const PacketInfo& reception) { DecodePacket(m, 2, reception); }
