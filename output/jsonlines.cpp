// SPDX-License-Identifier: GPL-3.0-or-later
#include "jsonlines.h"

#include "describe/describedsatellite.h"
#include "storedlines.h"

#include "fields/fieldcatalogue.h"
#include "fields/satelliterecords.h"
#include "fields/valuetext.h"
#include "telemetry/satellite.h"
#include "text/jsontext.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <future>

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

namespace {

// "utc": the instant in ISO 8601, null when unknown.
void PutUtc(LineCursor& out, TimeTextRenderer& renderer, Instant at)
{
    std::array<char, TimeTextSize> full{};
    if (at == UnknownInstant) {
        out.Put("null");
    } else if (!renderer.Render(at, full)) {
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

// The time text (its bytes taken as Latin-1), the instant, the capture (a
// JSON string) and the place in it.
void PutTimeAndPlace(
    LineCursor& out, TimeTextRenderer& renderer, std::string_view time, const PacketInfo& packet, std::string_view file)
{
    out.Put(",\"time\":");
    out.p = PutJsonString(out.p, time, true);
    out.Put(",\"utc\":");
    PutUtc(out, renderer, packet.At);
    out.Put(",\"file\":");
    out.Put(file);
    out.Put(",\"at\":");
    out.PutInteger(static_cast<std::int64_t>(packet.Offset));
}

} // namespace

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

DescribedLines::DescribedLines(const Module1& m)
    : satellite_(RecordsOf(m))
    , reader_(satellite_->Reader())
    , floats_(satellite_->FieldCount())
{
    AppendJsonString(name_, satellite_->Name(), false);
    for (std::size_t k = 0; k < satellite_->FieldCount(); ++k) {
        keys_.emplace_back();
        AppendJsonString(keys_.back(), satellite_->FieldName(k), false);
        keys_.back().push_back(':');
        expands_.push_back(satellite_->FieldExpands(k));
        valuesRoom_ += 1 + keys_.back().size() + 32; // a comma, and a number, a float or a boolean
    }
    for (const ImportSummary& import : m.Imports) {
        files_.emplace_back();
        AppendJsonString(files_.back(), import.File, false);
    }
}

DescribedLines::~DescribedLines() = default;

std::string_view DescribedLines::Line(std::int64_t n)
{
    static const std::string noFile = "\"\"";
    const PacketInfo packet = satellite_->Reception(1, n);
    time_.clear();
    satellite_->AppendTime(time_, 1, n);
    const std::string& file = packet.File < files_.size() ? files_[packet.File] : noFile;
    LineCursor line(line_);
    // As a built-in packet's line; a value of no bound (a text, bytes, a
    // list, an enum's name) makes room of its own.
    line.Room(200 + name_.size() + 6 * time_.size() + file.size() + valuesRoom_);
    line.Put("{\"record\":");
    line.PutInteger(n);
    line.Put(",\"satellite\":");
    line.Put(name_);
    PutTimeAndPlace(line, renderer_, time_, packet, file);
    line.Put(",\"values\":{");
    // The values kept in the store when the frame was read.
    if (reader_->Read(1, n))
        PutValues(line);
    line.Room(4);
    line.Put("}}\n");
    return line.Text();
}

void DescribedLines::PutValues(LineCursor& line)
{
    bool first = true;
    const auto put = [&](std::string_view key, const KsyValue& v) {
        if (v.What == KsyValue::Kind::Null || v.What == KsyValue::Kind::Object)
            return;
        if (!first)
            line.Put(",");
        first = false;
        line.Put(key);
        switch (v.What) {
        case KsyValue::Kind::Int:
            if (!v.Enum) {
                line.p = v.Unsigned64 ? std::to_chars(line.p, line.p + 20, static_cast<std::uint64_t>(v.Int)).ptr
                                      : std::to_chars(line.p, line.p + 20, v.Int).ptr;
                return;
            }
            break;
        case KsyValue::Kind::Bool: line.Put(v.Int ? "true" : "false"); return;
        default: break;
        }
        value_.clear();
        AppendKsyJson(value_, v);
        line.Room(value_.size() + valuesRoom_);
        line.Put(value_);
    };
    for (std::size_t k = 0; k < keys_.size(); ++k) {
        const KsyValue& v = reader_->Value(k);
        if (v.What == KsyValue::Kind::Float) {
            // Of the values a float takes the longest to write; they repeat.
            if (!first)
                line.Put(",");
            first = false;
            line.Put(keys_[k]);
            const auto bits = std::bit_cast<std::uint64_t>(v.Float);
            FloatTextCache::Entry& kept = floats_.Slot(k, bits);
            if (kept.Holds(bits)) {
                line.Put(kept.View());
            } else {
                char* const at = line.p;
                if (std::isfinite(v.Float))
                    line.p = std::to_chars(line.p, line.p + 32, v.Float).ptr;
                else
                    line.Put("null");
                kept.Keep(bits, std::string_view(at, static_cast<std::size_t>(line.p - at)));
            }
        } else if (!expands_[k] || v.What != KsyValue::Kind::Array) {
            put(keys_[k], v);
        } else {
            // A field over a list's items: one value an item.
            for (std::size_t i = 0; i < v.Items->size(); ++i) {
                key_.clear();
                AppendJsonString(key_, satellite_->ItemFieldName(k, i), true);
                key_.push_back(':');
                line.Room(key_.size() + valuesRoom_);
                put(key_, (*v.Items)[i]);
            }
        }
    }
}

void DescribedLines::Append(std::string& out, std::int64_t n) { out.append(Line(n)); }

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
    const std::int64_t count = m.RecordCount;
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
