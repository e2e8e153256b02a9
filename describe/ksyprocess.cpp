// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyprocess.h"

#include "text/hextext.h"

#include <array>

namespace {

using Result = std::optional<std::string>;
using Bytes = std::span<const std::uint8_t>;
using Arguments = std::span<const std::int64_t>;

constexpr char Base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

Result Base64Encode(Bytes in, Arguments, std::string& out)
{
    for (std::size_t k = 0; k < in.size(); k += 3) {
        const std::size_t n = std::min<std::size_t>(3, in.size() - k);
        std::uint32_t group = std::uint32_t{in[k]} << 16;
        if (n > 1)
            group |= std::uint32_t{in[k + 1]} << 8;
        if (n > 2)
            group |= in[k + 2];
        for (std::size_t d = 0; d < 4; ++d)
            out += d <= n ? Base64Digits[(group >> (18 - 6 * d)) & 63] : '=';
    }
    return {};
}

int Base64Value(std::uint8_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// As Python's base64.b64decode without validation: characters outside the
// alphabet are passed over, the padding that completes a group ends the data.
Result Base64Decode(Bytes in, Arguments, std::string& out)
{
    std::uint32_t bits = 0; // not yet written
    int bitCount = 0;
    int held = 0; // digits of the group at hand
    int pads = 0;
    for (const std::uint8_t c : in) {
        if (c == '=') {
            if (held >= 2 && held + ++pads >= 4)
                return {};
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0)
            continue;
        pads = 0;
        bits = (bits << 6 | static_cast<std::uint32_t>(value)) & 0xFFFF;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out += static_cast<char>((bits >> bitCount) & 0xFF);
        }
        held = (held + 1) % 4;
        if (held == 0)
            bitCount = 0;
    }
    if (held == 1)
        return "base64 whose last group holds a single digit";
    if (held != 0)
        return "base64 without its padding";
    return {};
}

// Ascii85 as Python's base64.a85encode: groups of four bytes as five
// digits from '!', "z" for a group of zeros, the last group cut to the
// digits its bytes need.
Result Ascii85Encode(Bytes in, Arguments, std::string& out)
{
    for (std::size_t k = 0; k < in.size(); k += 4) {
        const std::size_t n = std::min<std::size_t>(4, in.size() - k);
        std::uint32_t word = 0;
        for (std::size_t b = 0; b < 4; ++b)
            word = word << 8 | (b < n ? in[k + b] : 0);
        if (word == 0 && n == 4) {
            out += 'z';
            continue;
        }
        char digits[5];
        for (int d = 4; d >= 0; --d) {
            digits[d] = static_cast<char>('!' + word % 85);
            word /= 85;
        }
        out.append(digits, n + 1);
    }
    return {};
}

// Ascii85 as Python's base64.a85decode: blanks passed over, "z" four zero
// bytes, a last group short of digits completed with 'u' and cut.
Result Ascii85Decode(Bytes in, Arguments, std::string& out)
{
    std::uint64_t acc = 0;
    int held = 0;
    const auto flush = [&]() -> Result {
        if (acc > 0xFFFFFFFFu)
            return "Ascii85 beyond 32 bits in a group";
        for (int b = 3; b >= 0; --b)
            out += static_cast<char>((acc >> (8 * b)) & 0xFF);
        acc = 0;
        held = 0;
        return {};
    };
    for (const std::uint8_t c : in) {
        if (c >= '!' && c <= 'u') {
            acc = acc * 85 + (c - '!');
            if (++held == 5)
                if (Result error = flush())
                    return error;
        } else if (c == 'z') {
            if (held > 0)
                return "a z inside a group of Ascii85";
            out.append(4, '\0');
        } else if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v') {
            return "a character that is no Ascii85 digit";
        }
    }
    if (held > 0) {
        const int missing = 5 - held;
        for (int k = 0; k < missing; ++k)
            acc = acc * 85 + ('u' - '!');
        if (Result error = flush())
            return error;
        out.resize(out.size() - static_cast<std::size_t>(missing));
    }
    return {};
}

Result Hexlify(Bytes in, Arguments, std::string& out)
{
    AppendHex(out, std::string_view(reinterpret_cast<const char*>(in.data()), in.size()));
    return {};
}

Result Unhexlify(Bytes in, Arguments, std::string& out)
{
    if (in.size() % 2 != 0)
        return "hex digits of an odd count";
    const auto value = [](std::uint8_t c) {
        return c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'  ? c - 'a' + 10
            : c >= 'A' && c <= 'F'  ? c - 'A' + 10
                                    : -1;
    };
    for (std::size_t k = 0; k < in.size(); k += 2) {
        const int high = value(in[k]);
        const int low = value(in[k + 1]);
        if (high < 0 || low < 0)
            return "a character that is no hex digit";
        out += static_cast<char>(high << 4 | low);
    }
    return {};
}

// The parity of a register as the decoders count it (their population
// count of 32 bits, exact below 2^33).
int Parity(std::int64_t v)
{
    const std::int64_t count = v - ((v >> 1) & 033333333333) - ((v >> 2) & 011111111111);
    return static_cast<int>(((count + (count >> 3)) & 030707070707) % 63) % 2;
}

// An additive scrambler: each bit, the first of each byte first, is xored
// with the register's lowest bit; the register then shifts right and takes
// the parity of its bits under the polynomial in at bit length.
Result Scramble(Bytes in, Arguments arguments, std::string& out)
{
    const std::int64_t polynomial = arguments[0];
    std::int64_t reg = arguments[1];
    const std::int64_t length = arguments[2];
    if (length < 0 || length > 62 || polynomial < 0 || reg < 0)
        return "a scrambler's register of " + std::to_string(length) + " bits";
    for (const std::uint8_t byte : in) {
        std::uint8_t result = 0;
        for (int bit = 7; bit >= 0; --bit) {
            const int output = static_cast<int>(reg & 1);
            const int fed = Parity(reg & polynomial);
            reg = (reg >> 1) | (std::int64_t{fed} << length);
            result = static_cast<std::uint8_t>(result | (((byte >> bit) & 1) ^ output) << bit);
        }
        out += static_cast<char>(result);
    }
    return {};
}

// ELFIN's escapes: 0x27 before 0x27, 0x5E or 0x9E is dropped.
Result ElfinUnescape(Bytes in, Arguments, std::string& out)
{
    for (std::size_t k = 0; k < in.size(); ++k) {
        if (in[k] == 0x27 && k + 1 < in.size() && (in[k + 1] == 0x27 || in[k + 1] == 0x5E || in[k + 1] == 0x9E))
            ++k;
        out += static_cast<char>(in[k]);
    }
    return {};
}

constexpr std::array<KsySatnogsProcess, 8> Processes{{
    {"b64encode", 0, Base64Encode},
    {"b64decode", 0, Base64Decode},
    {"b85encode", 0, Ascii85Encode},
    {"b85decode", 0, Ascii85Decode},
    {"hexl", 0, Hexlify},
    {"unhexl", 0, Unhexlify},
    {"scrambler", 3, Scramble},
    {"elfin_pp", 0, ElfinUnescape},
}};

} // namespace

const KsySatnogsProcess* FindSatnogsProcess(std::string_view name)
{
    for (const KsySatnogsProcess& process : Processes)
        if (process.Name == name)
            return &process;
    return nullptr;
}

void KsyXorBytes(std::string& bytes, std::string_view key)
{
    if (key.empty())
        return;
    for (std::size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = static_cast<char>(bytes[k] ^ key[k % key.size()]);
}

void KsyRotateBytes(std::string& bytes, int left)
{
    for (char& b : bytes) {
        const auto u = static_cast<std::uint8_t>(b);
        b = static_cast<char>(static_cast<std::uint8_t>((u << left) | (u >> ((8 - left) % 8))));
    }
}
