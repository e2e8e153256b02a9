#include "timeoutputs.h"

#include "telemetry/decoders.h"
#include "telemetry/merge.h"
#include "ui/fieldcatalogue.h"
#include "ui/valuetext.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace {

constexpr std::size_t FlushSize = 1 << 20;

std::span<const FieldLayout> LayoutOf(int kind) { return kind == 2 ? Packet2Layout() : Packet1Layout(); }

// Writes the buffer to out once it has grown past FlushSize.
void FlushIfFull(TextSink& out, std::string& buffer)
{
    if (buffer.size() >= FlushSize) {
        out.Write(buffer);
        buffer.clear();
    }
}

void AppendInteger(std::string& out, std::int64_t value)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// A JSON string of text: its bytes as UTF-8 when they are, else as Latin-1.
void AppendJsonString(std::string& out, std::string_view text, bool latin1)
{
    out.push_back('"');
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (c < 0x20) {
            static constexpr char Hex[] = "0123456789abcdef";
            out.append("\\u00");
            out.push_back(Hex[c >> 4]);
            out.push_back(Hex[c & 15]);
        } else if (c >= 0x80 && latin1) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
}

// A field key of the line protocol: commas, equals signs and blanks escaped.
void AppendInfluxKey(std::string& out, std::string_view key)
{
    for (const char c : key) {
        if (c == ',' || c == '=' || c == ' ' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
}

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

// The fields of record n's packet of kind.
void PacketValues(const Module1& m, int kind, std::int64_t n, std::array<double, FieldCount>& values)
{
    if (const std::span<const std::uint8_t> bytes = m.Table.PacketBytes(kind, n); !bytes.empty())
        DecodePacket(kind, bytes.data(), values);
}

} // namespace

void AppendJsonPacket(std::string& out, const Module1& m, int kind, std::int64_t n)
{
    const PacketInfo packet = m.Packet(kind, n);
    std::array<double, FieldCount> values{};
    PacketValues(m, kind, n, values);
    out.append("{\"record\":");
    AppendInteger(out, n);
    out.append(",\"kind\":");
    AppendInteger(out, kind);
    out.append(",\"satellite\":");
    AppendInteger(out, packet.Satellite);
    out.append(",\"time\":");
    AppendJsonString(out, m.Table.PacketTime(kind, n), true);
    out.append(",\"utc\":");
    if (packet.At == UnknownInstant) {
        out.append("null");
    } else {
        out.push_back('"');
        out.append(FormatIsoUtc(packet.At));
        out.push_back('"');
    }
    out.append(",\"file\":");
    const std::string_view file = packet.File < m.Imports.size() ? m.Imports[packet.File].File : std::string_view();
    AppendJsonString(out, file, !IsUtf8(file));
    out.append(",\"at\":");
    AppendInteger(out, static_cast<std::int64_t>(packet.Offset));
    out.append(",\"values\":{");
    const auto layout = LayoutOf(kind);
    for (std::size_t i = 0; i < layout.size(); ++i) {
        if (i > 0)
            out.push_back(',');
        out.append(JsonKey(layout[i].Field));
        AppendShortest(out, values[static_cast<std::size_t>(layout[i].Field)]);
    }
    out.append("},\"words\":{");
    bool first = true;
    for (const FieldLayout& row : layout) {
        if (FieldCatalogue(row.Field).Rule != DisplayRule::Word)
            continue;
        if (!first)
            out.push_back(',');
        first = false;
        out.append(JsonKey(row.Field));
        AppendJsonString(out, ValueText(row.Field, values[static_cast<std::size_t>(row.Field)], "."), true);
    }
    out.append("}}\n");
}

void AppendShortest(std::string& out, double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void ForEachStoredPacket(const Module1& m, const std::function<void(int kind, std::int64_t n)>& visit)
{
    // Each kind stands in the data set's order (reading order, or by instant
    // once merged); the two are merged in that order, in which no two stored
    // packets are equal, as no two share a file and a place.
    std::int64_t next1 = 1;
    std::int64_t next2 = 1;
    while (next1 <= m.RecordCount || next2 <= m.Packet2Count) {
        const bool first = next2 > m.Packet2Count
            || (next1 <= m.RecordCount && StoredBefore(m, m.Packet(1, next1), m.Packet(2, next2)));
        if (first)
            visit(1, next1++);
        else
            visit(2, next2++);
    }
}

void WriteJsonl(TextSink& out, const Module1& m)
{
    std::string buffer;
    buffer.reserve(FlushSize + 8192);
    ForEachStoredPacket(m, [&](int kind, std::int64_t n) {
        AppendJsonPacket(buffer, m, kind, n);
        FlushIfFull(out, buffer);
    });
    out.Write(buffer);
}

std::int64_t WriteInfluxLines(TextSink& out, const Module1& m)
{
    std::string buffer;
    buffer.reserve(FlushSize + 8192);
    std::int64_t leftOut = 0;
    const std::string satellite = m.SatelliteNumber == 2 ? "QB50p2" : "QB50p1";
    ForEachStoredPacket(m, [&](int kind, std::int64_t n) {
        const PacketInfo packet = m.Packet(kind, n);
        // InfluxDB's nanoseconds reach from 1677 to 2262; an unknown instant
        // lies before any of them.
        constexpr Instant Reach = INT64_MAX / 1000000;
        static_assert(UnknownInstant < -Reach);
        if (packet.At < -Reach || packet.At > Reach) {
            ++leftOut;
            return;
        }
        buffer.append("norvane,satellite=").append(satellite).append(",kind=");
        AppendInteger(buffer, kind);
        char separator = ' ';
        std::array<double, FieldCount> values{};
        PacketValues(m, kind, n, values);
        for (const FieldLayout& row : LayoutOf(kind)) {
            buffer.push_back(separator);
            separator = ',';
            AppendInfluxKey(buffer, FieldCaption(row.Field));
            buffer.push_back('=');
            AppendShortest(buffer, values[static_cast<std::size_t>(row.Field)]);
        }
        buffer.push_back(' ');
        AppendInteger(buffer, packet.At * 1000000);
        buffer.push_back('\n');
        FlushIfFull(out, buffer);
    });
    out.Write(buffer);
    return leftOut;
}
