// SPDX-License-Identifier: GPL-3.0-or-later
#include "valuetext.h"

#include "fields/numberformat.h"

#include <charconv>
#include <span>

namespace {

std::string WholeText(double value)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, RoundToInt64(value));
    return std::string(buf, res.ptr);
}

// The word of the code, or the number itself for a code outside the table.
std::string CodeWordText(std::span<const CodeWord> codes, double value)
{
    for (const CodeWord& code : codes)
        if (value == static_cast<double>(code.Code))
            return std::string(code.Word);
    return WholeText(value);
}

std::string HexText(double value)
{
    // The two's-complement pattern for a negative value, as a 32-bit word.
    const std::int64_t whole = RoundToInt64(value);
    const auto bits = static_cast<std::uint64_t>(whole < 0 ? static_cast<std::uint32_t>(whole) : whole);
    char buf[24]{};
    const auto res = std::to_chars(buf, buf + sizeof buf, bits, 16);
    std::string text = "&H";
    for (const char* p = buf; p < res.ptr; ++p)
        text.push_back(*p >= 'a' ? static_cast<char>(*p - 'a' + 'A') : *p);
    return text;
}

} // namespace

DisplayRule DisplayRuleOf(int field) { return FieldCatalogue(field).Rule; }

std::string ValueText(int field, double value, std::string_view decimalMark)
{
    const FieldEntry& entry = FieldCatalogue(field);
    switch (entry.Rule) {
    case DisplayRule::Word: return CodeWordText(entry.Codes, value);
    case DisplayRule::Hex: return HexText(value);
    case DisplayRule::Whole: return WholeText(value);
    case DisplayRule::Fixed2: break;
    }
    return FormatFixed2(value, decimalMark);
}
