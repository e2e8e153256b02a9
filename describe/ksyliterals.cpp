// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyliterals.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

bool IsDigitAt(std::string_view text, std::size_t k)
{
    return k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]));
}

// A string in single quotes as it stands; in double quotes with the escapes
// of C (\n, \t, \0, ...) and \e.
std::string ReadString(std::string_view text, std::size_t& at, KsyExpr& e)
{
    const char quote = text[at++];
    std::string value;
    while (at < text.size() && text[at] != quote) {
        char c = text[at++];
        if (quote == '"' && c == '\\' && at < text.size()) {
            c = text[at++];
            switch (c) {
            case 'n': c = '\n'; break;
            case 't': c = '\t'; break;
            case 'r': c = '\r'; break;
            case '0': c = '\0'; break;
            case 'a': c = '\a'; break;
            case 'b': c = '\b'; break;
            case 'f': c = '\f'; break;
            case 'v': c = '\v'; break;
            case 'e': c = '\x1b'; break;
            default: break;
            }
        }
        value += c;
    }
    if (at >= text.size())
        return "a string without its closing quote";
    ++at;
    e.Op = KsyOp::Str;
    e.Text = std::move(value);
    return {};
}

// A number beyond 64 bits: the bytes of its bits, the highest first.
void WideNumber(std::string_view digits, int base, KsyExpr& e)
{
    std::vector<std::uint8_t> bytes; // the highest first
    for (const char c : digits) {
        unsigned carry = static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                ? c - '0'
                : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        for (auto b = bytes.rbegin(); b != bytes.rend(); ++b) {
            carry += static_cast<unsigned>(*b) * static_cast<unsigned>(base);
            *b = static_cast<std::uint8_t>(carry & 0xFF);
            carry >>= 8;
        }
        for (; carry > 0; carry >>= 8)
            bytes.insert(bytes.begin(), static_cast<std::uint8_t>(carry & 0xFF));
    }
    e.Op = KsyOp::Array;
    for (const std::uint8_t b : bytes) {
        auto item = std::make_unique<KsyExpr>();
        item->Op = KsyOp::Int;
        item->Int = b;
        e.Kids.push_back(std::move(item));
    }
    e.Height = 2;
}

// A number: decimal, 0x hexadecimal, 0b binary or 0o octal, _ between
// digits; a decimal one with a fraction or an exponent is a float.
std::string ReadNumber(std::string_view text, std::size_t& at, KsyExpr& e)
{
    const std::size_t start = at;
    int base = 10;
    if (text[at] == '0' && at + 1 < text.size()) {
        const char x = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at + 1])));
        base = x == 'x' ? 16 : x == 'b' ? 2 : x == 'o' ? 8 : 10;
        if (base != 10)
            at += 2;
    }
    std::string digits;
    bool isFloat = false;
    while (at < text.size()) {
        const char c = text[at];
        const bool digit = base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                                      : std::isdigit(static_cast<unsigned char>(c)) != 0;
        if (digit || c == '_') {
            if (c != '_')
                digits += c;
        } else if (base == 10 && c == '.' && IsDigitAt(text, at + 1)) {
            isFloat = true;
            digits += c;
        } else if (base == 10 && (c == 'e' || c == 'E')
            && (IsDigitAt(text, at + 1)
                || ((at + 2 < text.size()) && (text[at + 1] == '-' || text[at + 1] == '+')
                    && IsDigitAt(text, at + 2)))) {
            isFloat = true;
            digits += c;
            digits += text[++at];
        } else {
            break;
        }
        ++at;
    }
    if (digits.empty())
        return "a number expected";
    if (isFloat) {
        e.Op = KsyOp::Float;
        e.Float = std::strtod(digits.c_str(), nullptr);
        return {};
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error == std::errc::result_out_of_range && end == digits.data() + digits.size()) {
        WideNumber(digits, base, e);
        return {};
    }
    if (error != std::errc() || end != digits.data() + digits.size()) {
        at = start;
        return "the number is too large or not a number";
    }
    e.Op = KsyOp::Int;
    e.Int = static_cast<std::int64_t>(value);
    return {};
}

} // namespace

std::string ReadKsyLiteral(std::string_view text, std::size_t& at, KsyExpr& e)
{
    if (at < text.size() && (text[at] == '\'' || text[at] == '"'))
        return ReadString(text, at, e);
    return ReadNumber(text, at, e);
}
