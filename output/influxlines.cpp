// SPDX-License-Identifier: GPL-3.0-or-later
#include "influxlines.h"

#include "storedlines.h"

#include "fields/fieldcatalogue.h"
#include "telemetry/satellite.h"

#include <algorithm>
#include <array>
#include <cmath>
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
    buffer.reserve(LineFlushSize + 8192);
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
