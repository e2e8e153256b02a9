#include "csvtexts.h"

#include "ui/numberformat.h"

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
        if (row && (row->Factor != 1 || row->Offset != 0 || row->Shape == FieldShape::SquaredWord))
            how = Way::Cached;
        else if (row)
            how = row->Shape == FieldShape::SignedWord ? Way::SignedCount : Way::Count;
        plans_[field] = {row, how};
    }
}

char* CsvValueTexts::WriteRecord(char* out, const std::uint8_t* packet1, const std::uint8_t* packet2, char separator)
{
    for (std::size_t field = 0; field < plans_.size(); ++field) {
        const FieldPlan& plan = plans_[field];
        const std::uint8_t* packet = field < FirstPacket2Field ? packet1 : packet2;
        if (!packet || plan.How == Way::Zero) {
            out = WriteZero(out);
        } else {
            const std::uint32_t wire = FieldWireValue(*plan.Row, packet);
            switch (plan.How) {
            case Way::Count: out = WriteInteger(out, wire); break;
            case Way::SignedCount:
                out = WriteInteger(out, static_cast<std::int16_t>(static_cast<std::uint16_t>(wire)));
                break;
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
    const bool scaled = row.Factor != 1 || row.Offset != 0 || row.Shape == FieldShape::SquaredWord;
    if (!scaled) {
        const std::int64_t value = row.Shape == FieldShape::SignedWord
            ? std::int64_t{static_cast<std::int16_t>(static_cast<std::uint16_t>(wire))}
            : std::int64_t{wire};
        return WriteInteger(out, value);
    }
    // A wire value of more than 16 bits would miss too often to be kept.
    const auto field = static_cast<std::size_t>(row.Field);
    if (wire > 0xFFFF || field >= caches_.size())
        return WriteExact(out, row, wire);
    if (!caches_[field])
        caches_[field] = std::make_unique<Entry[]>(Entries);
    Entry& entry = caches_[field][wire % Entries];
    if (entry.Key != wire + 1) {
        char* end = WriteExact(out, row, wire);
        const auto length = static_cast<std::size_t>(end - out);
        if (length > entry.Text.size())
            return end;
        entry.Key = wire + 1;
        entry.Length = static_cast<std::uint8_t>(length);
        std::memcpy(entry.Text.data(), out, length);
        return end;
    }
    // The whole entry is copied, which is quicker than its length; the room
    // asked for covers it.
    std::memcpy(out, entry.Text.data(), entry.Text.size());
    return out + entry.Length;
}
