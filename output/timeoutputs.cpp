// SPDX-License-Identifier: GPL-3.0-or-later
#include "timeoutputs.h"

#include "fields/fieldcatalogue.h"
#include "fields/valuetext.h"
#include "telemetry/decoders.h"
#include "telemetry/merge.h"
#include "telemetry/satellite.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <future>
#include <unordered_map>

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

// A JSON string of text at out, which has room for 6 bytes per byte and 2:
// its bytes as UTF-8 when they are, else as Latin-1. Returns its end.
char* PutJsonString(char* out, std::string_view text, bool latin1)
{
    *out++ = '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            *out++ = '\\';
            *out++ = ch;
        } else if (c < 0x20) {
            static constexpr char Hex[] = "0123456789abcdef";
            std::memcpy(out, "\\u00", 4);
            out[4] = Hex[c >> 4];
            out[5] = Hex[c & 15];
            out += 6;
        } else if (c >= 0x80 && latin1) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *out++ = ch;
        }
    }
    *out++ = '"';
    return out;
}

void AppendJsonString(std::string& out, std::string_view text, bool latin1)
{
    const std::size_t at = out.size();
    out.resize(at + 6 * text.size() + 2);
    out.resize(static_cast<std::size_t>(PutJsonString(out.data() + at, text, latin1) - out.data()));
}

// A field key of the line protocol: commas, equals signs and blanks escaped.
void AppendInfluxKey(std::string& out, std::string_view key)
{
    for (char c : key) {
        // A line end cannot be escaped: it would end the line.
        if (c == '\n' || c == '\r')
            c = ' ';
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

JsonPacketLines::JsonPacketLines(const Module1& m)
    : m_(m)
{
    for (int field = 0; field < FieldCount; ++field)
        valuesRoom_ += JsonKey(field).size() + 1 + 32;
}

const std::string& JsonPacketLines::FileText(std::uint32_t file)
{
    static const std::string none = "\"\"";
    if (file >= m_.Imports.size())
        return none;
    while (files_.size() <= file) {
        const std::string_view name = m_.Imports[files_.size()].File;
        std::string& text = files_.emplace_back();
        AppendJsonString(text, name, !IsUtf8(name));
    }
    return files_[file];
}

void JsonPacketLines::Append(std::string& out, int kind, std::int64_t n) { out.append(Line(kind, n)); }

// A line written into a buffer that grows as it needs; Room(k) makes room
// for k more bytes, which the Puts then take without a check.
class LineCursor {
    std::string& buffer_;

public:
    explicit LineCursor(std::string& buffer)
        : buffer_(buffer)
        , p(buffer.data())
    {
    }
    void Room(std::size_t k)
    {
        const auto used = static_cast<std::size_t>(p - buffer_.data());
        if (buffer_.size() - used < k) {
            buffer_.resize(2 * (used + k));
            p = buffer_.data() + used;
        }
    }
    void Put(std::string_view text)
    {
        std::memcpy(p, text.data(), text.size());
        p += text.size();
    }
    void PutInteger(std::int64_t value) { p = std::to_chars(p, p + 20, value).ptr; }
    std::string_view Text() const { return {buffer_.data(), static_cast<std::size_t>(p - buffer_.data())}; }

    char* p; // where the next byte goes
};

std::string_view JsonPacketLines::Line(int kind, std::int64_t n)
{
    const PacketInfo packet = m_.Packet(kind, n);
    time_.clear();
    m_.Table.AppendPacketTime(time_, kind, n);
    const std::string& file = FileText(packet.File);
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
    out.Put(",\"time\":");
    out.p = PutJsonString(out.p, time_, true);
    out.Put(",\"utc\":");
    PutUtc(out, packet.At);
    out.Put(",\"file\":");
    out.Put(file);
    out.Put(",\"at\":");
    out.PutInteger(static_cast<std::int64_t>(packet.Offset));
}

void JsonPacketLines::PutUtc(LineCursor& out, Instant at)
{
    std::array<char, TimeTextSize> full{};
    if (at == UnknownInstant) {
        out.Put("null");
    } else if (!renderer_.Render(at, full)) {
        const std::string iso = FormatIsoUtc(at);
        out.Room(iso.size() + 2);
        out.Put("\"");
        out.Put(iso);
        out.Put("\"");
    } else {
        // "2016-03-17T10:15:00Z", with ".125" before the Z when there are milliseconds.
        const std::string_view text(full.data(), full.size());
        out.Put("\"");
        out.Put(text.substr(0, 10));
        out.Put("T");
        out.Put(text.substr(11, 8));
        if (text.substr(20, 3) != "000")
            out.Put(text.substr(19, 4));
        out.Put("Z\"");
    }
}

// A record without the packet (bytes empty, none is written) reads as zeros.
void JsonPacketLines::PutValues(LineCursor& out, int kind, std::span<const std::uint8_t> bytes)
{
    out.Put(",\"values\":{");
    const auto layout = LayoutOf(kind);
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
    for (const FieldLayout& row : LayoutOf(kind)) {
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

char* WriteShortestWhole(char* out, std::int64_t value)
{
    char digits[24];
    const auto magnitude = static_cast<std::uint64_t>(value < 0 ? -value : value);
    const int k = static_cast<int>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    int zeros = 0;
    while (zeros < k - 1 && digits[k - 1 - zeros] == '0')
        ++zeros;
    // "1.25e+07" against "12500000": the shorter, the plain digits on a tie.
    const int significant = k - zeros;
    const int exponent = k - 1;
    const int scientific = significant + (significant > 1 ? 1 : 0) + 4; // exponents of 2 digits below 2^53
    if (value < 0)
        *out++ = '-';
    if (scientific >= k) {
        std::memcpy(out, digits, static_cast<std::size_t>(k));
        return out + k;
    }
    *out++ = digits[0];
    if (significant > 1) {
        *out++ = '.';
        std::memcpy(out, digits + 1, static_cast<std::size_t>(significant - 1));
        out += significant - 1;
    }
    *out++ = 'e';
    *out++ = '+';
    if (exponent < 10) // two digits at least
        *out++ = '0';
    return std::to_chars(out, out + 4, exponent).ptr;
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
    // The packets in batches: the first half of each written on this
    // thread, the second on another, each with its own texts met before.
    struct Half {
        explicit Half(const Module1& m)
            : Lines(m)
        {
        }
        JsonPacketLines Lines;
        std::string Text;
    };
    constexpr std::size_t Batch = 8192;
    Half first(m);
    Half second(m);
    std::vector<std::pair<int, std::int64_t>> batch;
    auto format = [&batch](Half& half, std::size_t from, std::size_t to) {
        half.Text.clear();
        for (std::size_t i = from; i < to; ++i)
            half.Text.append(half.Lines.Line(batch[i].first, batch[i].second));
    };
    auto writeBatch = [&] {
        const std::size_t middle = batch.size() / 2;
        std::future<void> other = std::async(std::launch::async, [&] { format(second, middle, batch.size()); });
        format(first, 0, middle);
        out.Write(first.Text);
        other.get();
        out.Write(second.Text);
        batch.clear();
    };
    ForEachStoredPacket(m, [&](int kind, std::int64_t n) {
        batch.emplace_back(kind, n);
        if (batch.size() == Batch)
            writeBatch();
    });
    if (!batch.empty())
        writeBatch();
}

namespace {

// InfluxDB keeps one point per measurement, tag set and timestamp: packets of
// one kind that share a millisecond would overwrite each other. The n-th of
// them (from 0, in the order written) is stamped n nanoseconds later. Only
// the milliseconds that more than one packet shares are looked up.
class InfluxStamps {
public:
    explicit InfluxStamps(const Module1& m)
    {
        for (int kind = 1; kind <= 2; ++kind) {
            const std::int64_t count = kind == 1 ? m.RecordCount : m.Packet2Count;
            std::vector<Instant> instants;
            instants.reserve(static_cast<std::size_t>(count));
            for (std::int64_t n = 1; n <= count; ++n)
                instants.push_back(m.Packet(kind, n).At);
            if (!std::is_sorted(instants.begin(), instants.end()))
                std::sort(instants.begin(), instants.end());
            for (std::size_t i = 1; i < instants.size(); ++i)
                if (instants[i] == instants[i - 1])
                    shared_[kind - 1].emplace(instants[i], 0);
        }
    }

    // The nanoseconds of kind's next packet at instant.
    std::int64_t Next(int kind, Instant at)
    {
        std::int64_t nanoseconds = at * 1000000;
        auto& shared = shared_[kind - 1];
        if (!shared.empty())
            if (const auto found = shared.find(at); found != shared.end())
                nanoseconds += found->second++;
        return nanoseconds;
    }

private:
    std::array<std::unordered_map<Instant, std::int64_t>, 2> shared_;
};

} // namespace

std::int64_t WriteInfluxLines(TextSink& out, const Module1& m)
{
    InfluxStamps stamps(m);
    std::string buffer;
    buffer.reserve(FlushSize + 8192);
    std::int64_t leftOut = 0;
    const std::string satellite(BuiltInSatelliteOf(m.SatelliteNumber).Name);
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
        AppendInteger(buffer, stamps.Next(kind, packet.At));
        buffer.push_back('\n');
        FlushIfFull(out, buffer);
    });
    out.Write(buffer);
    return leftOut;
}

DescribedLines::DescribedLines(const Module1& m)
    : m_(m)
    , reader_(m.Described->Another())
{
    AppendJsonString(satellite_, reader_->Id(), false);
    for (std::size_t k = 0; k < reader_->FieldCount(); ++k) {
        keys_.emplace_back();
        AppendJsonString(keys_.back(), reader_->FieldName(k), false);
        keys_.back().push_back(':');
    }
    for (const ImportSummary& import : m.Imports) {
        files_.emplace_back();
        AppendJsonString(files_.back(), import.File, false);
    }
}

void DescribedLines::Append(std::string& out, std::int64_t n)
{
    const PacketInfo& packet = m_.DescribedRecords.Info(n);
    out.append("{\"record\":");
    AppendInteger(out, n);
    out.append(",\"satellite\":").append(satellite_);
    out.append(",\"time\":");
    AppendJsonString(out, m_.DescribedRecords.Time(n), true);
    out.append(",\"utc\":");
    std::array<char, TimeTextSize> full{};
    if (packet.At == UnknownInstant) {
        out.append("null");
    } else if (!renderer_.Render(packet.At, full)) {
        AppendJsonString(out, FormatIsoUtc(packet.At), false);
    } else {
        // "2016-03-17T10:15:00Z", with ".125" before the Z when there are milliseconds.
        const std::string_view text(full.data(), full.size());
        out.append("\"").append(text.substr(0, 10)).append("T").append(text.substr(11, 8));
        if (text.substr(20, 3) != "000")
            out.append(text.substr(19, 4));
        out.append("Z\"");
    }
    out.append(",\"file\":");
    out.append(packet.File < files_.size() ? files_[packet.File] : std::string("\"\""));
    out.append(",\"at\":");
    AppendInteger(out, static_cast<std::int64_t>(packet.Offset));
    out.append(",\"values\":{");
    std::string reason;
    // Stored frames parsed once; they parse again.
    if (reader_->Read(m_.DescribedRecords.Frame(n), reason)) {
        bool first = true;
        const auto append = [&](std::string_view key, const KsyValue& v) {
            if (v.What == KsyValue::Kind::Null || v.What == KsyValue::Kind::Object)
                return;
            if (!first)
                out.push_back(',');
            first = false;
            out.append(key);
            AppendKsyJson(out, v);
        };
        for (std::size_t k = 0; k < keys_.size(); ++k) {
            const KsyValue& v = reader_->Value(k);
            if (!reader_->FieldExpands(k) || v.What != KsyValue::Kind::Array) {
                append(keys_[k], v);
                continue;
            }
            // A field over a list's items: one value an item.
            for (std::size_t i = 0; i < v.Items->size(); ++i) {
                std::string key;
                AppendJsonString(key, reader_->ItemFieldName(k, i), true);
                key.push_back(':');
                append(key, (*v.Items)[i]);
            }
        }
    }
    out.append("}}\n");
}

std::string_view DescribedLines::Line(std::int64_t n)
{
    line_.clear();
    Append(line_, n);
    return line_;
}

void WriteDescribedJsonl(TextSink& out, const Module1& m)
{
    // In batches, as WriteJsonl: the first half of each on this thread, the
    // second on another, each with a reader of its own.
    constexpr std::int64_t Batch = 8192;
    DescribedLines first(m);
    DescribedLines second(m);
    std::string firstText;
    std::string secondText;
    auto format = [](DescribedLines& lines, std::string& text, std::int64_t from, std::int64_t to) {
        text.clear();
        for (std::int64_t n = from; n < to; ++n)
            lines.Append(text, n);
    };
    const std::int64_t count = m.DescribedRecords.Count();
    for (std::int64_t from = 1; from <= count; from += Batch) {
        const std::int64_t to = std::min(from + Batch, count + 1);
        const std::int64_t middle = from + (to - from) / 2;
        std::future<void> other = std::async(std::launch::async, [&] { format(second, secondText, middle, to); });
        format(first, firstText, from, middle);
        out.Write(firstText);
        other.get();
        out.Write(secondText);
    }
}

std::int64_t WriteDescribedInflux(TextSink& out, const Module1& m)
{
    const DescribedSatellite& satellite = *m.Described;
    std::string buffer;
    std::int64_t leftOut = 0;
    InfluxStamps stamps(m); // a described satellite's records are of kind 1
    std::string reason;
    std::string text;
    for (std::int64_t n = 1; n <= m.DescribedRecords.Count(); ++n) {
        const Instant at = m.DescribedRecords.Info(n).At;
        constexpr Instant Reach = INT64_MAX / 1000000;
        if (at < -Reach || at > Reach || !m.Described->Read(m.DescribedRecords.Frame(n), reason)) {
            ++leftOut;
            continue;
        }
        const std::size_t start = buffer.size();
        buffer.append("norvane,satellite=");
        AppendInfluxKey(buffer, satellite.Id());
        char separator = ' ';
        const auto appendField = [&](std::string_view name, const KsyValue& v) {
            // A float that is no number is left out: a string in its place
            // would clash with the field's type in the points around it.
            if (v.What == KsyValue::Kind::Null || v.What == KsyValue::Kind::Object || v.What == KsyValue::Kind::Array
                || (v.What == KsyValue::Kind::Float && !std::isfinite(v.Float)))
                return;
            buffer.push_back(separator);
            separator = ',';
            AppendInfluxKey(buffer, name);
            buffer.push_back('=');
            // An enum value is a string field, by its name where it has one.
            if (v.What == KsyValue::Kind::Int && !v.Unsigned64 && !v.Enum) {
                AppendInteger(buffer, v.Int);
                buffer.push_back('i');
            } else if (IsKsyNumber(v) && v.What != KsyValue::Kind::Float && !v.Enum) {
                AppendKsyText(buffer, v);
            } else if (v.What == KsyValue::Kind::Float) {
                AppendShortest(buffer, v.Float);
            } else {
                text.clear();
                AppendKsyText(text, v);
                buffer.push_back('"');
                for (const char c : text) {
                    if (c == '"' || c == '\\')
                        buffer.push_back('\\');
                    buffer.push_back(c == '\n' || c == '\r' ? ' ' : c);
                }
                buffer.push_back('"');
            }
        };
        for (std::size_t k = 0; k < satellite.FieldCount(); ++k) {
            const KsyValue& v = satellite.Value(k);
            if (v.What != KsyValue::Kind::Array) {
                appendField(satellite.FieldName(k), v);
                continue;
            }
            // A list: a field an item, NAME_0, NAME_1, ... (or as a field over
            // a list's items names them).
            for (std::size_t i = 0; i < v.Items->size(); ++i)
                appendField(satellite.FieldExpands(k) ? satellite.ItemFieldName(k, i)
                                                      : satellite.FieldName(k) + "_" + std::to_string(i),
                    (*v.Items)[i]);
        }
        if (separator == ' ') { // a point needs a field
            buffer.resize(start);
            ++leftOut;
            continue;
        }
        buffer.push_back(' ');
        AppendInteger(buffer, stamps.Next(1, at));
        buffer.push_back('\n');
        FlushIfFull(out, buffer);
    }
    out.Write(buffer);
    return leftOut;
}
