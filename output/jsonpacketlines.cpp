// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON lines of the built-in beacon's packets.
#include "jsonlinemakers.h"
#include "storedlines.h"

#include "fields/fieldcatalogue.h"
#include "fields/valuetext.h"
#include "telemetry/satellite.h"
#include "text/jsontext.h"

#include <array>

namespace {

// Every field's caption as a JSON key with its colon, made once rather than
// for every packet.
const std::string& JsonKey(int field)
{
    static const std::array<std::string, FieldCount> keys = [] {
        std::array<std::string, FieldCount> made;
        for (int f = 0; f < FieldCount; ++f) {
            AppendJsonString(made[static_cast<std::size_t>(f)], FieldCaption(f), true);
            made[static_cast<std::size_t>(f)].push_back(':');
        }
        return made;
    }();
    return keys[static_cast<std::size_t>(field)];
}

} // namespace

JsonPacketLines::JsonPacketLines(const Module1& m)
    : m_(m)
    , files_(m.Imports)
{
    for (int field = 0; field < FieldCount; ++field)
        valuesRoom_ += JsonKey(field).size() + 1 + 32;
}

std::string_view JsonPacketLines::Line(int kind, std::int64_t n)
{
    const PacketInfo packet = m_.Packet(kind, n);
    time_.clear();
    m_.Table.AppendPacketTime(time_, kind, n);
    const std::string& file = files_.Text(packet.File);
    LineCursor out(line_);
    // Every item but the time text, the file name and the words has a bound:
    // 200 bytes for the numbers and the instant, and each field's key with a
    // comma and at most 32 bytes of value.
    out.Room(200 + 6 * time_.size() + file.size() + valuesRoom_);
    PutReception(out, kind, n, packet, file);
    const std::span<const std::uint8_t> bytes = m_.Table.PacketBytes(kind, n);
    PutValues(out, kind, bytes);
    PutWords(out, kind, bytes);
    out.Room(4);
    out.Put("}}\n");
    return out.Text();
}

void JsonPacketLines::PutReception(
    LineCursor& out, int kind, std::int64_t n, const PacketInfo& packet, const std::string& file)
{
    out.Put("{\"record\":");
    out.PutInteger(n);
    out.Put(",\"kind\":");
    out.PutInteger(kind);
    out.Put(",\"satellite\":");
    out.PutInteger(packet.Satellite);
    PutTimeAndPlace(out, renderer_, time_, packet, file);
}

// A record without the packet (bytes empty, none is written) reads as zeros.
void JsonPacketLines::PutValues(LineCursor& out, int kind, std::span<const std::uint8_t> bytes)
{
    out.Put(",\"values\":{");
    const auto layout = PacketLayout(kind);
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const FieldLayout& row = layout[i];
        if (i > 0)
            out.Put(",");
        out.Put(JsonKey(row.Field));
        const std::uint32_t wire = bytes.empty() ? 0 : FieldWireValue(row, bytes.data());
        if (IsPlainCount(row)) {
            out.p = WriteShortestWhole(out.p, PlainCountOf(row, wire));
            continue;
        }
        WireTextCache::Entry* entry = bytes.empty() ? nullptr : values_.Slot(row.Field, wire);
        if (entry && entry->Holds(wire)) {
            out.Put(entry->View());
        } else {
            const char* at = out.p;
            out.p = std::to_chars(out.p, out.p + 32, bytes.empty() ? 0.0 : FieldValueOf(row, wire)).ptr;
            if (entry)
                entry->Keep(wire, std::string_view(at, static_cast<std::size_t>(out.p - at)));
        }
    }
}

void JsonPacketLines::PutWords(LineCursor& out, int kind, std::span<const std::uint8_t> bytes)
{
    out.Put("},\"words\":{");
    bool first = true;
    for (const FieldLayout& row : PacketLayout(kind)) {
        if (FieldCatalogue(row.Field).Rule != DisplayRule::Word)
            continue;
        out.Room(JsonKey(row.Field).size() + 32); // a comma, the key and a kept word
        if (!first)
            out.Put(",");
        first = false;
        out.Put(JsonKey(row.Field));
        const std::uint32_t wire = bytes.empty() ? 0 : FieldWireValue(row, bytes.data());
        WireTextCache::Entry* entry = bytes.empty() ? nullptr : words_.Slot(row.Field, wire);
        if (entry && entry->Holds(wire)) {
            out.Put(entry->View());
        } else {
            const std::string word = ValueText(row.Field, bytes.empty() ? 0.0 : FieldValueOf(row, wire), ".");
            out.Room(6 * word.size() + 8);
            const char* at = out.p;
            out.p = PutJsonString(out.p, word, true);
            if (entry)
                entry->Keep(wire, std::string_view(at, static_cast<std::size_t>(out.p - at)));
        }
    }
}
