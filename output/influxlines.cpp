// SPDX-License-Identifier: GPL-3.0-or-later
#include "influxlines.h"

#include "storedlines.h"

#include "describe/describedsatellite.h"
#include "fields/satelliterecords.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

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

// InfluxDB keeps one point per measurement, tag set and timestamp: packets of
// one kind that share a millisecond would overwrite each other. The n-th of
// them (from 0, in the order written) is stamped n nanoseconds later. Only
// the milliseconds that more than one packet shares are looked up.
class InfluxStamps {
public:
    explicit InfluxStamps(const Module1& m)
    {
        for (const PacketKind& k : PacketKinds) {
            const int kind = k.Number;
            const std::int64_t count = m.Count(kind);
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
    std::array<std::unordered_map<Instant, std::int64_t>, PacketKindCount> shared_;
};

} // namespace

namespace {

// A field of a point: a float that is no number, and what has no value of
// its own (none, an object), are left out; a string in a float's place
// would clash with the field's type in the points around it.
bool IsInfluxField(const KsyValue& v)
{
    return v.What != KsyValue::Kind::Null && v.What != KsyValue::Kind::Object && v.What != KsyValue::Kind::Array
        && !(v.What == KsyValue::Kind::Float && !std::isfinite(v.Float));
}

// A field's value: integers as integers, floats as the shortest text that
// reads back the same, booleans; an enum value and any text (byte arrays as
// hex) as a string, an enum value by its name where it has one.
void AppendInfluxValue(std::string& out, const KsyValue& v, std::string& text)
{
    if (v.What == KsyValue::Kind::Float) {
        AppendShortest(out, v.Float);
    } else if (v.What == KsyValue::Kind::Int && !v.Unsigned64 && !v.Enum) {
        AppendInteger(out, v.Int);
        out.push_back('i');
    } else if (IsKsyNumber(v) && !v.Enum) {
        AppendKsyText(out, v);
    } else {
        text.clear();
        AppendKsyText(text, v);
        out.push_back('"');
        for (const char c : text) {
            if (c == '"' || c == '\\')
                out.push_back('\\');
            out.push_back(c == '\n' || c == '\r' ? ' ' : c);
        }
        out.push_back('"');
    }
}

// A packet's fields after its tags: " key=value,key=value", each value that
// has a field of its own.
class InfluxFields {
public:
    explicit InfluxFields(const SatelliteRecords& satellite)
        : satellite_(satellite)
        , keys_(satellite.FieldCount())
    {
        for (std::size_t k = 0; k < keys_.size(); ++k)
            AppendInfluxKey(keys_[k], satellite.FieldName(k));
    }

    // The fields of the packet of kind that reader read last; false where
    // it has none (a point needs one).
    bool Append(std::string& out, int kind, RecordReader& reader)
    {
        separator_ = ' ';
        for (const std::size_t k : satellite_.FieldsOf(kind)) {
            const KsyValue& v = reader.Value(k);
            if (v.What != KsyValue::Kind::Array) {
                AppendField(out, keys_[k], v);
                continue;
            }
            // A list: a field an item, NAME_0, NAME_1, ... (or as a field over
            // a list's items names them).
            for (std::size_t i = 0; i < v.Items->size(); ++i) {
                std::string key;
                AppendInfluxKey(key,
                    satellite_.FieldExpands(k) ? satellite_.ItemFieldName(k, i)
                                               : std::string(satellite_.FieldName(k)) + "_" + std::to_string(i));
                AppendField(out, key, (*v.Items)[i]);
            }
        }
        return separator_ != ' ';
    }

private:
    void AppendField(std::string& out, std::string_view key, const KsyValue& v)
    {
        if (!IsInfluxField(v))
            return;
        out.push_back(separator_);
        separator_ = ',';
        out.append(key);
        out.push_back('=');
        AppendInfluxValue(out, v, text_);
    }

    const SatelliteRecords& satellite_;
    std::vector<std::string> keys_; // each field's key, escaped
    char separator_ = ' ';
    std::string text_;
};

} // namespace

std::int64_t WriteInfluxLines(TextSink& out, const Module1& m)
{
    const std::unique_ptr<SatelliteRecords> satellite = RecordsOf(m);
    const std::unique_ptr<RecordReader> reader = satellite->Reader();
    InfluxStamps stamps(m);
    InfluxFields fields(*satellite);
    std::string buffer;
    buffer.reserve(LineFlushSize + 8192);
    std::string measurement = "norvane,satellite=";
    AppendInfluxKey(measurement, satellite->Name());
    std::int64_t leftOut = 0;
    ForEachStoredPacket(m, [&](int kind, std::int64_t n) {
        const PacketInfo packet = m.Packet(kind, n);
        // InfluxDB's nanoseconds reach from 1677 to 2262; an unknown instant
        // lies before any of them.
        constexpr Instant Reach = INT64_MAX / 1000000;
        static_assert(UnknownInstant < -Reach);
        if (packet.At < -Reach || packet.At > Reach || !reader->Read(kind, n)) {
            ++leftOut;
            return;
        }
        const std::size_t start = buffer.size();
        buffer.append(measurement);
        if (satellite->KindCount() > 1) {
            buffer.append(",kind=");
            AppendInteger(buffer, kind);
        }
        if (!fields.Append(buffer, kind, *reader)) {
            buffer.resize(start);
            ++leftOut;
            return;
        }
        buffer.push_back(' ');
        AppendInteger(buffer, stamps.Next(kind, packet.At));
        buffer.push_back('\n');
        FlushIfFull(out, buffer);
    });
    out.Write(buffer);
    return leftOut;
}
