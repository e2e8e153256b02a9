// SPDX-License-Identifier: GPL-3.0-or-later
#include "reception.h"

std::string ReceptionText(const Module1& m, int kind, std::int64_t n)
{
    if (n < 1 || n > m.Count(kind))
        return {};
    const PacketInfo packet = m.Packet(kind, n);
    std::string text = packet.At == UnknownInstant ? "time unknown" : FormatIsoUtc(packet.At);
    // The file being read has no import summary yet.
    if (packet.File <= m.Imports.size()) {
        const std::string& path = packet.File < m.Imports.size() ? m.Imports[packet.File].File : m.CurrentFileName;
        const std::size_t slash = path.find_last_of("/\\");
        text += ", " + (slash == std::string::npos ? path : path.substr(slash + 1));
    }
    return text + " at byte " + std::to_string(packet.Offset);
}
