// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON lines of a described satellite's records.
#include "jsonlinemakers.h"

#include "describe/describedsatellite.h"

#include "fields/satelliterecords.h"
#include "text/jsontext.h"

#include <bit>
#include <cmath>

DescribedLines::DescribedLines(const Module1& m)
    : satellite_(RecordsOf(m))
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
    constexpr std::size_t Ahead = 4; // fields whose float texts are fetched before they are written
    for (std::size_t k = 0; k < keys_.size(); ++k) {
        if (const KsyValue& later = reader_->Value(k + Ahead); later.What == KsyValue::Kind::Float)
            floats_.Prefetch(k + Ahead, std::bit_cast<std::uint64_t>(later.Float));
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
