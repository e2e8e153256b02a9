// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "describe/ksyvalue.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A satellite's stored records as the chart, the writers and the views read
// them, the built-in beacon's and a described satellite's alike: its fields
// (numbered from 0), the packet kinds that hold them, and each record's
// reception, time text and values.
class RecordReader;

class SatelliteRecords {
public:
    virtual ~SatelliteRecords() = default;

    // The satellite's name as the outputs tag its records.
    virtual std::string_view Name() const = 0;
    // Packet kinds 1 to KindCount(); a described satellite's records are all
    // of kind 1.
    virtual int KindCount() const = 0;
    virtual std::size_t FieldCount() const = 0;
    // A field's name and unit, in UTF-8.
    virtual std::string_view FieldName(std::size_t k) const = 0;
    virtual std::string_view FieldUnit(std::size_t k) const = 0;
    // The packet kind whose records hold field k.
    virtual int FieldKind(std::size_t k) const = 0;
    // Whether field k runs over a list's items, each named
    // ItemFieldName(k, i), rather than holding a list as one value.
    virtual bool FieldExpands(std::size_t) const { return false; }
    virtual std::string ItemFieldName(std::size_t, std::size_t) const { return {}; }
    // The fields a packet of kind carries, in their order in the frame.
    virtual std::span<const std::size_t> FieldsOf(int kind) const = 0;
    // A number of field k as the record view writes it ("12.50", "&H1F", a
    // code's word, "-105.9").
    virtual std::string NumberText(std::size_t k, double value, std::string_view decimalMark) const = 0;
    // A reader of values, with a scratch of its own: one for each thread.
    virtual std::unique_ptr<RecordReader> Reader() const = 0;

    // The stored packets of kind, their reception and time text.
    std::int64_t Count(int kind) const { return m_.Count(kind); }
    PacketInfo Reception(int kind, std::int64_t n) const { return m_.Packet(kind, n); }
    virtual void AppendTime(std::string& out, int kind, std::int64_t n) const = 0;
    std::string Time(int kind, std::int64_t n) const
    {
        std::string text;
        AppendTime(text, kind, n);
        return text;
    }
    // "Name (unit)", or the name alone.
    std::string FieldTitle(std::size_t k) const;

protected:
    explicit SatelliteRecords(const Module1& m)
        : m_(m)
    {
    }
    const Module1& m_;
};

// The values of record n's packet of kind, read once and then taken field by
// field.
class RecordReader {
public:
    virtual ~RecordReader() = default;
    // Reads the packet: false where the record holds none of that kind or its
    // frame no longer reads.
    bool Read(int kind, std::int64_t n)
    {
        readKind_ = kind;
        readRecord_ = n;
        read_ = ReadPacket(kind, n);
        return read_;
    }
    // Field k of the packet read last: Null where the packet lacks it.
    const KsyValue& Value(std::size_t k) const { return k < values_.size() ? values_[k] : NoValue; }
    // Field k of record n as a number: NaN where the record lacks it or its
    // value is no number.
    virtual double Number(std::int64_t n, std::size_t k);

protected:
    explicit RecordReader(const SatelliteRecords& s)
        : s_(s)
    {
    }
    // Reads the packet into values_ (one for each field, Null where the
    // packet lacks it); false where there is none to read.
    virtual bool ReadPacket(int kind, std::int64_t n) = 0;
    const SatelliteRecords& s_;
    std::vector<KsyValue> values_;
    inline static const KsyValue NoValue{};

private:
    int readKind_ = 0;
    std::int64_t readRecord_ = 0;
    bool read_ = false;
};

// The records of the satellite m holds: its described one, or the built-in
// beacon. Valid while m is.
std::unique_ptr<SatelliteRecords> RecordsOf(const Module1& m);
