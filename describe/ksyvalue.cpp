// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyvalue.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

__extension__ typedef __int128 KsySignedWide;

namespace {

using Kind = KsyValue::Kind;

[[noreturn]] void FrameError(const std::string& why) { throw KsyFrameError(why); }

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    if (b == 0)
        FrameError("division by zero");
    if (b == -1)
        return static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(a));
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

bool IsNan(const KsyValue& v) { return v.What == Kind::Float && std::isnan(v.Float); }

// Bit operations on integers within 32 bits go as most Kaitai targets take
// them (C++, Java, C#, JavaScript): in 32 bits, << & | ^ ~ signed, >> as an
// unsigned shift. Wider integers keep all 64 bits. Nothing, a boolean and a
// float count as the 32-bit integer JavaScript makes of them.
bool Fits32(const KsyValue& v)
{
    return (v.What == Kind::Int || v.What == Kind::Bool) && !v.Unsigned64 && v.Int >= -(std::int64_t{1} << 31)
        && v.Int < (std::int64_t{1} << 32);
}
bool Fits32OrLoose(const KsyValue& v) { return Fits32(v) || v.What == Kind::Null || v.What == Kind::Float; }

std::int32_t ToInt32(const KsyValue& v)
{
    if (v.What == Kind::Null)
        return 0;
    if (v.What == Kind::Float) {
        if (!std::isfinite(v.Float))
            return 0;
        const double t = std::fmod(std::trunc(v.Float), 4294967296.0);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(t)));
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v.Int));
}

std::int64_t Bitwise32(KsyOp op, std::int32_t x, std::int32_t y)
{
    const auto ux = static_cast<std::uint32_t>(x);
    const auto shift = static_cast<unsigned>(y) & 31;
    switch (op) {
    case KsyOp::Shl: return static_cast<std::int32_t>(ux << shift);
    case KsyOp::Shr: return ux >> shift;
    case KsyOp::BitAnd: return x & y;
    case KsyOp::BitOr: return x | y;
    default: return x ^ y;
    }
}

// An integer as it stands, an unsigned 64-bit one too.
KsySignedWide Wide(const KsyValue& v)
{
    return v.Unsigned64 ? static_cast<KsySignedWide>(static_cast<std::uint64_t>(v.Int)) : v.Int;
}

KsyValue OfWide(KsySignedWide r)
{
    if (r >= INT64_MIN && r <= INT64_MAX)
        return KsyValue::OfInt(static_cast<std::int64_t>(r));
    if (r > 0 && r <= static_cast<KsySignedWide>(UINT64_MAX)) {
        KsyValue v = KsyValue::OfInt(KsyWrap(static_cast<std::uint64_t>(r)));
        v.Unsigned64 = true;
        return v;
    }
    return KsyValue::OfFloat(static_cast<double>(r));
}

// A result of 64 bits: unsigned where an operand is and the sign bit is set.
KsyValue Bits64(std::int64_t r, const KsyValue& a, const KsyValue& b)
{
    KsyValue v = KsyValue::OfInt(r);
    v.Unsigned64 = r < 0 && (a.Unsigned64 || b.Unsigned64);
    return v;
}

// Arithmetic where an operand is an unsigned 64-bit integer (2^63 and
// above): exact in 128 bits, then an integer where it fits in 64 bits,
// signed or unsigned, else a float.
KsyValue WideArithmetic(KsyOp op, KsySignedWide x, KsySignedWide y)
{
    KsySignedWide r = 0;
    switch (op) {
    case KsyOp::Add: r = x + y; break;
    case KsyOp::Sub: r = x - y; break;
    case KsyOp::Mul:
        if (__builtin_mul_overflow(x, y, &r))
            return KsyValue::OfFloat(static_cast<double>(x) * static_cast<double>(y));
        break;
    case KsyOp::Div:
        if (y == 0)
            return KsyValue::OfFloat(x == 0 ? std::nan("") : x > 0 ? HUGE_VAL : -HUGE_VAL);
        r = x / y;
        if (x % y != 0 && (x < 0) != (y < 0))
            --r;
        break;
    case KsyOp::Mod:
        if (y <= 0)
            FrameError("modulo by " + std::to_string(static_cast<std::int64_t>(y)) + ": the divisor must be positive");
        r = x % y;
        if (r < 0)
            r += y;
        break;
    default: FrameError("an operator that takes no values");
    }
    return OfWide(r);
}

KsyValue FloatArithmetic(KsyOp op, const KsyValue& a, const KsyValue& b)
{
    if (!KsyIsNumber(a) || !KsyIsNumber(b))
        FrameError("arithmetic on " + std::string(KsyKindName(KsyIsNumber(a) ? b.What : a.What)));
    const double x = KsyAsDouble(a), y = KsyAsDouble(b);
    switch (op) {
    case KsyOp::Add: return KsyValue::OfFloat(x + y);
    case KsyOp::Sub: return KsyValue::OfFloat(x - y);
    case KsyOp::Mul: return KsyValue::OfFloat(x * y);
    case KsyOp::Div: return KsyValue::OfFloat(x / y);
    default: return KsyValue::OfFloat(std::fmod(x, y)); // as JavaScript's % takes floats
    }
}

KsyValue Order(KsyOp op, const KsyValue& a, const KsyValue& b)
{
    // Nothing, and a float that is no number, is in no order.
    if (a.What == Kind::Null || b.What == Kind::Null || IsNan(a) || IsNan(b))
        return KsyValue::OfBool(false);
    const int order = KsyCompare(a, b);
    return KsyValue::OfBool(op == KsyOp::Lt ? order < 0
            : op == KsyOp::Le               ? order <= 0
            : op == KsyOp::Gt               ? order > 0
                                            : order >= 0);
}

} // namespace

const char* KsyKindName(Kind k)
{
    switch (k) {
    case Kind::Null: return "nothing";
    case Kind::Int: return "an integer";
    case Kind::Float: return "a float";
    case Kind::Bool: return "a boolean";
    case Kind::Str: return "a string";
    case Kind::Bytes: return "a byte array";
    case Kind::Object: return "an object";
    case Kind::Array: return "an array";
    case Kind::Stream: return "a stream";
    }
    return "?";
}

int KsyCompare(const KsyValue& a, const KsyValue& b)
{
    if (a.What == Kind::Int && b.What == Kind::Int) {
        if (a.Unsigned64 || b.Unsigned64) {
            const auto x = static_cast<std::uint64_t>(a.Int), y = static_cast<std::uint64_t>(b.Int);
            if ((a.Unsigned64 || a.Int >= 0) && (b.Unsigned64 || b.Int >= 0))
                return x < y ? -1 : x > y ? 1 : 0;
            return a.Unsigned64 ? 1 : -1;
        }
        return a.Int < b.Int ? -1 : a.Int > b.Int ? 1 : 0;
    }
    if (KsyIsNumber(a) && KsyIsNumber(b)) {
        const double x = KsyAsDouble(a), y = KsyAsDouble(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if ((a.What == Kind::Str && b.What == Kind::Str) || (a.What == Kind::Bytes && b.What == Kind::Bytes)) {
        if (a.What == Kind::Bytes) {
            const auto* x = reinterpret_cast<const unsigned char*>(a.Text().data());
            const auto* y = reinterpret_cast<const unsigned char*>(b.Text().data());
            return std::lexicographical_compare(x, x + a.Text().size(), y, y + b.Text().size()) ? -1
                : a.Text() == b.Text()                                                          ? 0
                                                                                                : 1;
        }
        const int c = a.Text().compare(b.Text());
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    if (a.What == Kind::Bool && b.What == Kind::Bool)
        return static_cast<int>(a.Int) - static_cast<int>(b.Int);
    FrameError(std::string("cannot compare ") + KsyKindName(a.What) + " with " + KsyKindName(b.What));
}

bool KsyEqual(const KsyValue& a, const KsyValue& b)
{
    if (a.What == Kind::Null || b.What == Kind::Null)
        return a.What == b.What;
    if (a.What == Kind::Object || b.What == Kind::Object)
        return a.Object == b.Object;
    return KsyCompare(a, b) == 0;
}

bool KsyTruth(const KsyValue& v)
{
    switch (v.What) {
    case Kind::Bool:
    case Kind::Int: return v.Int != 0;
    case Kind::Float: return v.Float != 0 && !std::isnan(v.Float);
    case Kind::Null: return false; // as JavaScript takes undefined
    default: FrameError(std::string("a condition is ") + KsyKindName(v.What));
    }
}

std::int64_t KsyInteger(const KsyValue& v, const char* what)
{
    if (v.What == Kind::Int || v.What == Kind::Bool)
        return v.Int;
    if (v.What == Kind::Null)
        throw KsyAbsent(std::string(what) + " of nothing");
    FrameError(std::string(what) + " needs an integer, not " + KsyKindName(v.What));
}

std::int64_t KsyModulo(std::int64_t a, std::int64_t b)
{
    if (b <= 0)
        FrameError("modulo by " + std::to_string(b) + ": the divisor must be positive");
    std::int64_t r = a % b;
    if (r < 0)
        r += b;
    return r;
}

KsyValue KsyToInteger(const KsyValue& v, int radix)
{
    switch (v.What) {
    case Kind::Int: return KsyValue::OfInt(v.Int);
    case Kind::Bool: return KsyValue::OfInt(v.Int);
    case Kind::Float:
        if (!std::isfinite(v.Float) || std::fabs(v.Float) >= 9.2e18)
            FrameError("a float too large for an integer");
        return KsyValue::OfInt(static_cast<std::int64_t>(std::trunc(v.Float)));
    case Kind::Str: {
        // As JavaScript's parseInt: blanks, a sign, then the digits as far
        // as they go; no digit is no number.
        const char* begin = v.Text().data();
        const char* end = begin + v.Text().size();
        while (begin != end && std::isspace(static_cast<unsigned char>(*begin)))
            ++begin;
        const bool negative = begin != end && *begin == '-';
        if (begin != end && (*begin == '+' || *begin == '-'))
            ++begin;
        if (radix == 16 && end - begin >= 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X'))
            begin += 2;
        std::uint64_t n = 0;
        const auto [at, error] = std::from_chars(begin, end, n, radix);
        if (at == begin)
            return KsyValue::OfFloat(std::nan(""));
        if (error != std::errc() || n > static_cast<std::uint64_t>(INT64_MAX))
            return KsyValue::OfFloat(std::strtod(std::string(v.Text()).c_str(), nullptr));
        return KsyValue::OfInt(negative ? -static_cast<std::int64_t>(n) : static_cast<std::int64_t>(n));
    }
    case Kind::Null: throw KsyAbsent("to_i of nothing");
    default: FrameError(std::string(KsyKindName(v.What)) + " has no to_i");
    }
}

KsyValue KsyNegate(const KsyValue& v)
{
    if (v.What == Kind::Null)
        return KsyValue::OfFloat(std::nan(""));
    if (v.What == Kind::Float)
        return KsyValue::OfFloat(-v.Float);
    if (v.Unsigned64)
        return OfWide(-Wide(v));
    return KsyValue::OfInt(KsyWrap(0 - static_cast<std::uint64_t>(KsyInteger(v, "-"))));
}

KsyValue KsyBitNot(const KsyValue& v)
{
    if (Fits32OrLoose(v))
        return KsyValue::OfInt(~ToInt32(v));
    return KsyValue::OfInt(~KsyInteger(v, "~"));
}

KsyValue KsyBinary(KsyOp op, const KsyValue& a, const KsyValue& b)
{
    switch (op) {
    case KsyOp::Eq: return KsyValue::OfBool(KsyEqual(a, b));
    case KsyOp::Ne: return KsyValue::OfBool(!KsyEqual(a, b));
    case KsyOp::Lt:
    case KsyOp::Le:
    case KsyOp::Gt:
    case KsyOp::Ge: return Order(op, a, b);
    default: break;
    }
    const bool bitwise
        = op == KsyOp::Shl || op == KsyOp::Shr || op == KsyOp::BitAnd || op == KsyOp::BitOr || op == KsyOp::BitXor;
    if (bitwise && (Fits32(a) || Fits32(b)) && Fits32OrLoose(a) && Fits32OrLoose(b))
        return KsyValue::OfInt(Bitwise32(op, ToInt32(a), ToInt32(b)));
    // Arithmetic on nothing or on a float that is no number gives no number.
    if (a.What == Kind::Null || b.What == Kind::Null)
        return KsyValue::OfFloat(std::nan(""));
    const bool floats = a.What == Kind::Float || b.What == Kind::Float;
    if (floats && (op == KsyOp::Add || op == KsyOp::Sub || op == KsyOp::Mul || op == KsyOp::Div || op == KsyOp::Mod))
        return FloatArithmetic(op, a, b);
    const std::int64_t x = KsyInteger(a, "arithmetic");
    const std::int64_t y = KsyInteger(b, "arithmetic");
    const auto ux = static_cast<std::uint64_t>(x);
    if ((a.Unsigned64 || b.Unsigned64) && !bitwise)
        return WideArithmetic(op, Wide(a), Wide(b));
    switch (op) {
    // Sums and products beyond 64 bits go on as floats rather than wrap.
    case KsyOp::Add: {
        std::int64_t r;
        return __builtin_add_overflow(x, y, &r) ? KsyValue::OfFloat(KsyAsDouble(a) + KsyAsDouble(b))
                                                : KsyValue::OfInt(r);
    }
    case KsyOp::Sub: {
        std::int64_t r;
        return __builtin_sub_overflow(x, y, &r) ? KsyValue::OfFloat(KsyAsDouble(a) - KsyAsDouble(b))
                                                : KsyValue::OfInt(r);
    }
    case KsyOp::Mul: {
        std::int64_t r;
        return __builtin_mul_overflow(x, y, &r) ? KsyValue::OfFloat(KsyAsDouble(a) * KsyAsDouble(b))
                                                : KsyValue::OfInt(r);
    }
    case KsyOp::Div:
        if (y == 0)
            return KsyValue::OfFloat(x == 0 ? std::nan("") : x > 0 ? HUGE_VAL : -HUGE_VAL);
        return KsyValue::OfInt(FloorDiv(x, y));
    case KsyOp::Mod: return KsyValue::OfInt(KsyModulo(x, y));
    case KsyOp::Shl: return KsyValue::OfInt(y < 0 || y >= 64 ? 0 : KsyWrap(ux << y));
    case KsyOp::Shr:
        if (y < 0 || y >= 64)
            return KsyValue::OfInt(x < 0 && !a.Unsigned64 ? -1 : 0);
        return KsyValue::OfInt(a.Unsigned64 ? KsyWrap(ux >> y) : x >> y);
    case KsyOp::BitAnd: return Bits64(x & y, a, b);
    case KsyOp::BitOr: return Bits64(x | y, a, b);
    case KsyOp::BitXor: return Bits64(x ^ y, a, b);
    default: FrameError("an operator that takes no values");
    }
}
