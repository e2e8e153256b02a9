// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvtexts.h"

#include "fields/numberformat.h"

#include <algorithm>
#include <charconv>
#include <cstring>

CsvValueTexts::CsvValueTexts(std::string_view decimalMark)
    : mark_(decimalMark)
    , zero_(FormatFixed2(0, decimalMark))
    , fraction_(std::string(decimalMark) + "00")
{
    fraction_.resize(std::max<std::size_t>(fraction_.size(), 8));
    for (std::size_t field = 0; field < plans_.size(); ++field) {
        const FieldLayout* row = FieldRow(static_cast<int>(field));
        Way how = Way::Zero;
        if (row)
            how = IsPlainCount(*row) ? Way::Count : Way::Cached;
        plans_[field] = {row, how, static_cast<std::size_t>(PacketKindOfField(static_cast<int>(field)) - 1)};
    }
}

char* CsvValueTexts::WriteRecord(char* out, const RecordPackets& packets, char separator)
{
    for (std::size_t field = 0; field < plans_.size(); ++field) {
        const FieldPlan& plan = plans_[field];
        const std::uint8_t* packet = packets[plan.Kind];
        if (!packet || plan.How == Way::Zero) {
            out = WriteZero(out);
        } else {
            const std::uint32_t wire = FieldWireValue(*plan.Row, packet);
            switch (plan.How) {
            case Way::Count: out = WriteInteger(out, PlainCountOf(*plan.Row, wire)); break;
            default: out = Write(out, *plan.Row, wire); break;
            }
        }
        *out++ = separator;
    }
    return out;
}

char* CsvValueTexts::WriteZero(char* out) const
{
    std::memcpy(out, zero_.data(), zero_.size());
    return out + zero_.size();
}

char* CsvValueTexts::WriteFraction(char* out) const
{
    // Eight bytes (any decimal mark of up to six) in one move; a copy of a
    // length known only at run time would be a call.
    if (fraction_.size() == 8)
        std::memcpy(out, fraction_.data(), 8);
    else
        std::memcpy(out, fraction_.data(), fraction_.size());
    return out + mark_.size() + 2;
}

char* CsvValueTexts::WriteInteger(char* out, std::int64_t value) const
{
    // Flags and small counts, most of the values, without a division.
    if (value >= 0 && value < 10)
        *out++ = static_cast<char>('0' + value);
    else
        out = std::to_chars(out, out + 21, value).ptr;
    return WriteFraction(out);
}

char* CsvValueTexts::WriteExact(char* out, const FieldLayout& row, std::uint32_t wire)
{
    exact_.clear();
    AppendFixed2(exact_, FieldValueOf(row, wire), mark_);
    std::memcpy(out, exact_.data(), exact_.size());
    return out + exact_.size();
}

char* CsvValueTexts::Write(char* out, const FieldLayout& row, std::uint32_t wire)
{
    if (IsPlainCount(row))
        return WriteInteger(out, PlainCountOf(row, wire));
    WireTextCache::Entry* entry = cache_.Slot(row.Field, wire);
    if (!entry || !entry->Holds(wire)) {
        char* end = WriteExact(out, row, wire);
        if (entry)
            entry->Keep(wire, std::string_view(out, static_cast<std::size_t>(end - out)));
        return end;
    }
    // The whole entry is copied, which is quicker than its length; the room
    // asked for covers it.
    std::memcpy(out, entry->Text.data(), entry->Text.size());
    return out + entry->Length;
}
