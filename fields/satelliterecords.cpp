// SPDX-License-Identifier: GPL-3.0-or-later
#include "satelliterecords.h"

#include "fieldcatalogue.h"
#include "valuetext.h"

#include "describe/describedsatellite.h"
#include "telemetry/decoders.h"
#include "telemetry/satellite.h"

#include <array>
#include <cmath>
#include <deque>
#include <limits>
#include <numeric>
#include <vector>

std::string SatelliteRecords::FieldTitle(std::size_t k) const
{
    std::string title(FieldName(k));
    if (const std::string_view unit = FieldUnit(k); !unit.empty())
        title.append(" (").append(unit).append(")");
    return title;
}

double RecordReader::Number(std::int64_t n, std::size_t k)
{
    const int kind = s_.FieldKind(k);
    if (kind != readKind_ || n != readRecord_)
        Read(kind, n);
    if (!read_)
        return std::numeric_limits<double>::quiet_NaN();
    const KsyValue& v = Value(k);
    return IsKsyNumber(v) ? KsyNumber(v) : std::numeric_limits<double>::quiet_NaN();
}

namespace {

// The built-in beacon: fields 0 to 104 of the catalogue, two packet kinds
// that the decoders read.
class BuiltInRecords final : public SatelliteRecords {
public:
    explicit BuiltInRecords(const Module1& m)
        : SatelliteRecords(m)
    {
    }
    std::string_view Name() const override { return BuiltInSatelliteOf(m_.SatelliteNumber).Name; }
    int KindCount() const override { return PacketKindCount; }
    std::size_t FieldCount() const override { return ::FieldCount; }
    std::string_view FieldName(std::size_t k) const override { return FieldCaption(static_cast<int>(k)); }
    std::string_view FieldUnit(std::size_t k) const override { return ::FieldUnit(static_cast<int>(k)); }
    int FieldKind(std::size_t k) const override { return PacketKindOfField(static_cast<int>(k)); }
    std::span<const std::size_t> FieldsOf(int kind) const override
    {
        static const std::array<std::vector<std::size_t>, 2> fields = [] {
            std::array<std::vector<std::size_t>, 2> made;
            for (int of = 1; of <= 2; ++of)
                for (const FieldLayout& row : PacketLayout(of))
                    made[static_cast<std::size_t>(of - 1)].push_back(static_cast<std::size_t>(row.Field));
            return made;
        }();
        if (kind < 1 || kind > 2)
            return {};
        return fields[static_cast<std::size_t>(kind - 1)];
    }
    std::string NumberText(std::size_t k, double value, std::string_view decimalMark) const override
    {
        return ValueText(static_cast<int>(k), value, decimalMark);
    }
    void AppendTime(std::string& out, int kind, std::int64_t n) const override
    {
        m_.Table.AppendPacketTime(out, kind, n);
    }
    std::unique_ptr<RecordReader> Reader() const override;
};

// A packet's values decoded; a record without a packet of the kind reads as
// zeros, as the table gives it.
class BuiltInReader final : public RecordReader {
public:
    BuiltInReader(const SatelliteRecords& s, const Module1& m)
        : RecordReader(s)
        , m_(m)
    {
    }
    bool ReadPacket(int kind, std::int64_t n) override
    {
        numbers_.fill(0);
        if (const std::span<const std::uint8_t> bytes = m_.Table.PacketBytes(kind, n); !bytes.empty())
            DecodePacket(kind, bytes.data(), numbers_);
        values_.resize(numbers_.size());
        for (std::size_t k = 0; k < numbers_.size(); ++k)
            values_[k] = PacketKindOfField(static_cast<int>(k)) == kind ? KsyValue::OfFloat(numbers_[k]) : KsyValue();
        return true;
    }
    // One field alone, as the chart reads it, is decoded alone.
    double Number(std::int64_t n, std::size_t k) override
    {
        return k < numbers_.size() ? m_.Table.Value(n, static_cast<int>(k)) : std::numeric_limits<double>::quiet_NaN();
    }

private:
    const Module1& m_;
    std::array<double, ::FieldCount> numbers_{};
};

std::unique_ptr<RecordReader> BuiltInRecords::Reader() const { return std::make_unique<BuiltInReader>(*this, m_); }

// A satellite a description reads: the description's fields, one packet
// kind; a record's frame is read with the description when asked for.
class DescribedRecords final : public SatelliteRecords {
public:
    explicit DescribedRecords(const Module1& m)
        : SatelliteRecords(m)
        , satellite_(m.Described)
        , d_(*satellite_)
        , fields_(d_.FieldCount())
    {
        std::iota(fields_.begin(), fields_.end(), std::size_t{0});
    }
    std::string_view Name() const override { return d_.Id(); }
    int KindCount() const override { return 1; }
    std::size_t FieldCount() const override { return d_.FieldCount(); }
    std::string_view FieldName(std::size_t k) const override { return d_.FieldName(k); }
    std::string_view FieldUnit(std::size_t k) const override { return d_.FieldUnit(k); }
    int FieldKind(std::size_t) const override { return 1; }
    bool FieldExpands(std::size_t k) const override { return d_.FieldExpands(k); }
    std::string ItemFieldName(std::size_t k, std::size_t i) const override { return d_.ItemFieldName(k, i); }
    std::span<const std::size_t> FieldsOf(int kind) const override
    {
        return kind == 1 ? std::span<const std::size_t>(fields_) : std::span<const std::size_t>();
    }
    std::string NumberText(std::size_t, double value, std::string_view decimalMark) const override
    {
        std::string text;
        AppendKsyText(text, KsyValue::OfFloat(value), decimalMark);
        return text;
    }
    void AppendTime(std::string& out, int kind, std::int64_t n) const override
    {
        if (kind == 1 && n >= 1 && n <= m_.DescribedRecords.Count())
            m_.DescribedRecords.AppendTime(out, n);
    }
    std::unique_ptr<RecordReader> Reader() const override;

private:
    std::shared_ptr<const DescribedSatellite> satellite_; // kept while the records are read
    const DescribedSatellite& d_;
    std::vector<std::size_t> fields_;
};

// A record's values as its one reading with the description left them in
// the store.
class DescribedReader final : public RecordReader {
public:
    DescribedReader(const SatelliteRecords& s, const Module1& m, std::shared_ptr<const DescribedSatellite> satellite)
        : RecordReader(s)
        , m_(m)
        , satellite_(std::move(satellite))
        , packer_(satellite_->Packer())
    {
        values_.resize(satellite_->FieldCount());
    }
    bool ReadPacket(int kind, std::int64_t n) override
    {
        if (kind != 1 || n < 1 || n > m_.DescribedRecords.Count()) {
            std::fill(values_.begin(), values_.end(), KsyValue{});
            return false;
        }
        packer_.Unpack(m_.DescribedRecords.Shape(n), m_.DescribedRecords.PackedValues(n), values_, lists_);
        return true;
    }

private:
    const Module1& m_;
    std::shared_ptr<const DescribedSatellite> satellite_; // whose packer reads the values
    const KsyPacker& packer_;
    std::deque<std::vector<KsyValue>> lists_;
};

std::unique_ptr<RecordReader> DescribedRecords::Reader() const
{
    return std::make_unique<DescribedReader>(*this, m_, satellite_);
}

} // namespace

std::unique_ptr<SatelliteRecords> RecordsOf(const Module1& m)
{
    if (m.Described)
        return std::make_unique<DescribedRecords>(m);
    return std::make_unique<BuiltInRecords>(m);
}
