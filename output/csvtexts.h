// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "telemetry/decoders.h"
#include "wiretextcache.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The CSV's "0.00" texts of field values, exactly as AppendFixed2 writes
// them, made fast: a field that is a plain count (factor 1, offset 0) is
// written as the integer it is; a scaled field keeps the texts of the wire
// values it met in a small cache, since telemetry values repeat. Not shared
// between threads: each has one of its own.
class CsvValueTexts {
public:
    explicit CsvValueTexts(std::string_view decimalMark);

    // The most a value's text takes in the buffer (with room to spare that
    // Write may overwrite beyond the text).
    std::size_t MaxText() const { return 32 + fraction_.size(); }
    // Writes the text of row's value for wire value wire at out, which has
    // MaxText() bytes of room; returns the end of the text.
    char* Write(char* out, const FieldLayout& row, std::uint32_t wire);
    // The text of 0, for the fields of a packet the record does not hold.
    char* WriteZero(char* out) const;
    // The bytes of a record's packets, by kind (null for a packet it does
    // not hold).
    using RecordPackets = std::array<const std::uint8_t*, PacketKindCount>;
    // A record's 105 values, each followed by separator; out has 105 times
    // MaxText() + 1 bytes of room.
    char* WriteRecord(char* out, const RecordPackets& packets, char separator);

private:
    char* WriteInteger(char* out, std::int64_t value) const;
    // The decimal mark and "00", copied as a whole block of at least 8
    // bytes, which is quicker than a copy of their length.
    char* WriteFraction(char* out) const;
    char* WriteExact(char* out, const FieldLayout& row, std::uint32_t wire);

    // Each field's row (null for a spare), and how its value is written.
    enum class Way : std::uint8_t { Zero, Count, Cached };
    struct FieldPlan {
        const FieldLayout* Row = nullptr;
        Way How = Way::Zero;
        std::size_t Kind = 0; // from 0, as RecordPackets holds it
    };
    std::array<FieldPlan, 105> plans_{};

    std::string mark_;
    std::string zero_;
    std::string fraction_; // the decimal mark, "00" and padding
    std::string exact_;    // scratch for the exact formatter
    WireTextCache cache_;
};
