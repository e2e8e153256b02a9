#include "valuetext.h"

#include "output/numberformat.h"

#include <array>
#include <charconv>
#include <cmath>
#include <span>

namespace {

constexpr std::string_view OpsModeWords[] = {"idle", "deploy", "norm"};
constexpr std::string_view EpsModeWords[] = {"begin", "crit", "safe", "norm", "full"};
constexpr std::string_view EpsTrackWords[] = {"HW default", "max power", "SW fixed point"};
constexpr std::string_view SfTriggerWords[] = {"none", "unknown", "deploy cmpl", "Batt Volt", "unexpected",
    "GS timeout", "CS cur 3v3", "CC cur 3v3", "CC cur 5v", "CC cur batt"};
constexpr std::string_view AdcsModeWords[]
    = {"off", "idle", "estim.", "detumb", "detumb MEMS", "est. EKF", "detumb EKF"};
constexpr std::string_view AdcsEmodeWords[] = {"off", "enabled", "trigger"};
constexpr std::string_view AdcsCtrmodeWords[] = {"none", "MEMS", "Mag rate", "Mag rate pitch", "EKF", "Mag TRIAD"};

// Codes 0 to n-1 of a field; "OPS mode" also has 130 for "norm safe".
std::span<const std::string_view> CodeTable(int field)
{
    switch (field) {
    case 0:
    case 50: return OpsModeWords;
    case 39: return EpsModeWords;
    case 40: return EpsTrackWords;
    case 70: return SfTriggerWords;
    case 73: return AdcsModeWords;
    case 75: return AdcsEmodeWords;
    case 76: return AdcsCtrmodeWords;
    default: return {};
    }
}

std::string WholeText(double value)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, RoundToInt64(value));
    return std::string(buf, res.ptr);
}

std::string CodeWord(int field, double value)
{
    if ((field == 0 || field == 50) && value == 130)
        return "norm safe";
    const auto table = CodeTable(field);
    if (value >= 0 && value < static_cast<double>(table.size()) && value == std::floor(value))
        return std::string(table[static_cast<std::size_t>(value)]);
    return WholeText(value);
}

std::string HexText(double value)
{
    // The two's-complement pattern for a negative value, as a 32-bit word.
    const std::int64_t whole = RoundToInt64(value);
    const auto bits = static_cast<std::uint64_t>(whole < 0 ? static_cast<std::uint32_t>(whole) : whole);
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, bits, 16);
    std::string text = "&H";
    for (const char* p = buf; p < res.ptr; ++p)
        text.push_back(*p >= 'a' ? static_cast<char>(*p - 'a' + 'A') : *p);
    return text;
}

} // namespace

DisplayRule DisplayRuleOf(int field)
{
    switch (field) {
    case 0:
    case 39:
    case 40:
    case 50:
    case 70:
    case 73:
    case 75:
    case 76: return DisplayRule::Word;
    case 14:
    case 16:
    case 37:
    case 38:
    case 74: return DisplayRule::Hex;
    default: break;
    }
    const bool whole = (field >= 1 && field <= 7) || (field >= 18 && field <= 36) || (field >= 51 && field <= 59)
        || field == 72 || (field >= 77 && field <= 81) || (field >= 86 && field <= 94) || field == 103 || field == 104;
    return whole ? DisplayRule::Whole : DisplayRule::Fixed2;
}

std::string ValueText(int field, double value, std::string_view decimalMark)
{
    switch (DisplayRuleOf(field)) {
    case DisplayRule::Word: return CodeWord(field, value);
    case DisplayRule::Hex: return HexText(value);
    case DisplayRule::Whole: return WholeText(value);
    case DisplayRule::Fixed2: break;
    }
    return FormatFixed2(value, decimalMark);
}
