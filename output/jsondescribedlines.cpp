// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON lines of a described satellite's records.
#include "jsonlinemakers.h"

#include "describe/describedsatellite.h"

#include "fields/satelliterecords.h"
#include "text/jsontext.h"

#include <bit>
#include <cmath>

DescribedLines::DescribedLines(const Module1& m)
    : m_(m)
    , satellite_(RecordsOf(m))
    , reader_(satellite_->Reader())
    , floats_(satellite_->FieldCount())
    , files_(m.Imports)
{
    AppendJsonString(name_, satellite_->Name(), false);
    for (std::size_t k = 0; k < satellite_->FieldCount(); ++k) {
        keys_.emplace_back();
        AppendJsonString(keys_.back(), satellite_->FieldName(k), false);
        keys_.back().push_back(':');
        expands_.push_back(satellite_->FieldExpands(k));
        valuesRoom_ += 1 + keys_.back().size() + 32; // a comma, and a number, a float or a boolean
    }
}

DescribedLines::~DescribedLines() = default;

std::string_view DescribedLines::Line(int, std::int64_t n)
{
    const PacketInfo packet = satellite_->Reception(1, n);
    time_.clear();
    satellite_->AppendTime(time_, 1, n);
    const std::string& file = files_.Text(packet.File);
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
    if (n >= 1 && n <= m_.DescribedRecords.Count())
        PutValues(line, n);
    line.Room(4);
    line.Put("}}\n");
    return line.Text();
}

void DescribedLines::PutValues(LineCursor& line, std::int64_t n)
{
    first_ = true;
    if (const auto offsets = FixedOffsets(n); !offsets.empty()) {
        PutPackedValues(line, n, offsets);
    } else {
        reader_->Read(1, n);
        PutUnpackedValues(line);
    }
}

std::span<const std::uint32_t> DescribedLines::FixedOffsets(std::int64_t n)
{
    const std::uint32_t shapeNumber = m_.DescribedRecords.ShapeNumber(n);
    if (shapeNumber >= offsetsKnown_.size()) {
        offsets_.resize(shapeNumber + 1);
        offsetsKnown_.resize(shapeNumber + 1);
    }
    if (!offsetsKnown_[shapeNumber]) {
        offsetsKnown_[shapeNumber] = true;
        const KsyShape& shape = m_.DescribedRecords.Shape(n);
        std::vector<std::uint32_t>& at = offsets_[shapeNumber];
        std::uint32_t offset = 0;
        for (const KsySlot& s : shape) {
            const int width = KsyFixedWidth(s);
            if (width < 0) {
                at.clear();
                break;
            }
            at.push_back(offset);
            offset += static_cast<std::uint32_t>(width);
        }
        if (at.size() != keys_.size())
            at.clear();
    }
    return offsets_[shapeNumber];
}

void DescribedLines::PutPackedValues(LineCursor& line, std::int64_t n, std::span<const std::uint32_t> offsets)
{
    using Code = KsySlot::Code;
    const KsyShape& shape = m_.DescribedRecords.Shape(n);
    const std::uint8_t* packed = m_.DescribedRecords.PackedValues(n);
    constexpr std::size_t Ahead = 4; // fields whose float texts are fetched before they are written
    for (std::size_t k = 0; k < shape.size(); ++k) {
        if (k + Ahead < shape.size() && shape[k + Ahead].What == Code::Real)
            floats_.Prefetch(
                k + Ahead, std::bit_cast<std::uint64_t>(KsyGetReal(packed + offsets[k + Ahead], shape[k + Ahead])));
        const KsySlot& s = shape[k];
        const std::uint8_t* at = packed + offsets[k];
        switch (s.What) {
        case Code::Absent:
        case Code::Object: continue;
        case Code::Real: PutFloat(line, k, KsyGetReal(at, s)); continue;
        case Code::Integer:
        case Code::Unsigned64:
            if (s.Enum)
                break;
            PutInteger(line, keys_[k], KsyGetInteger(at, s), s.What == Code::Unsigned64);
            continue;
        case Code::Boolean:
            PutKey(line, keys_[k]);
            line.Put(*at ? "true" : "false");
            continue;
        default: break;
        }
        KsyUnpackedLists lists{lists_};
        m_.Described->Packer().UnpackValue(s, at, one_, lists);
        PutValue(line, keys_[k], one_);
    }
}

void DescribedLines::PutKey(LineCursor& line, std::string_view key)
{
    if (!first_)
        line.Put(",");
    first_ = false;
    line.Put(key);
}

void DescribedLines::PutInteger(LineCursor& line, std::string_view key, std::int64_t value, bool unsigned64)
{
    PutKey(line, key);
    line.p = unsigned64 ? std::to_chars(line.p, line.p + 20, static_cast<std::uint64_t>(value)).ptr
                        : std::to_chars(line.p, line.p + 20, value).ptr;
}

void DescribedLines::PutFloat(LineCursor& line, std::size_t k, double value)
{
    // Of the values a float takes the longest to write; they repeat.
    PutKey(line, keys_[k]);
    const auto bits = std::bit_cast<std::uint64_t>(value);
    FloatTextCache::Entry& kept = floats_.Slot(k, bits);
    if (kept.Holds(bits)) {
        line.Put(kept.View());
        return;
    }
    char* const at = line.p;
    if (std::isfinite(value))
        line.p = std::to_chars(line.p, line.p + 32, value).ptr;
    else
        line.Put("null");
    kept.Keep(bits, std::string_view(at, static_cast<std::size_t>(line.p - at)));
}

void DescribedLines::PutValue(LineCursor& line, std::string_view key, const KsyValue& v)
{
    switch (v.What) {
    case KsyValue::Kind::Null:
    case KsyValue::Kind::Object: return;
    case KsyValue::Kind::Int:
        if (!v.Enum) {
            PutInteger(line, key, v.Int, v.Unsigned64);
            return;
        }
        break;
    case KsyValue::Kind::Bool:
        PutKey(line, key);
        line.Put(v.Int ? "true" : "false");
        return;
    default: break;
    }
    value_.clear();
    AppendKsyJson(value_, v);
    line.Room(key.size() + value_.size() + valuesRoom_);
    PutKey(line, key);
    line.Put(value_);
}

void DescribedLines::PutUnpackedValues(LineCursor& line)
{
    constexpr std::size_t Ahead = 4; // fields whose float texts are fetched before they are written
    for (std::size_t k = 0; k < keys_.size(); ++k) {
        if (const KsyValue& later = reader_->Value(k + Ahead); later.What == KsyValue::Kind::Float)
            floats_.Prefetch(k + Ahead, std::bit_cast<std::uint64_t>(later.Float));
        const KsyValue& v = reader_->Value(k);
        if (v.What == KsyValue::Kind::Float) {
            PutFloat(line, k, v.Float);
        } else if (!expands_[k] || v.What != KsyValue::Kind::Array) {
            PutValue(line, keys_[k], v);
        } else {
            // A field over a list's items: one value an item.
            for (std::size_t i = 0; i < v.Items->size(); ++i) {
                key_.clear();
                AppendJsonString(key_, satellite_->ItemFieldName(k, i), true);
                key_.push_back(':');
                line.Room(key_.size() + valuesRoom_);
                PutValue(line, key_, (*v.Items)[i]);
            }
        }
    }
}
