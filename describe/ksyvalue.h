// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksyexpression.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The values of a frame read with a description, and what the expression
// language does with them: comparisons, truth, arithmetic, conversions. They
// follow what the Kaitai Struct compiler's targets do, JavaScript's where
// those differ, as the SatNOGS decoders run them.

struct KsyObject;
struct KsyStream;

// A value while a frame is read: what an attribute, an instance or an
// expression gives.
struct KsyValue {
    enum class Kind : std::uint8_t { Null, Int, Float, Bool, Str, Bytes, Object, Array, Stream };
    Kind What = Kind::Null;
    bool Unsigned64 = false;  // an unsigned 64-bit integer: Int holds its bits
    bool Single = false;      // a float read as f4, shown with the digits a float has
    std::uint32_t Length = 0; // of Data
    union {
        std::int64_t Int = 0; // also a boolean's 0 or 1
        double Float;
    };
    // A string in UTF-8 or a byte array (in the frame, the description or the
    // interpreter's scratch, valid until the next frame is read), an object,
    // a stream or an array's items (in the scratch).
    union {
        const char* Data = nullptr;
        KsyObject* Object;
        KsyStream* Io;
        const std::vector<KsyValue>* Items;
    };
    const KsyEnum* Enum = nullptr;

    // Copied member by member: a value is mostly copied just after it was
    // made member by member, and a copy in wider pieces would wait for the
    // narrow writes to land (store forwarding), which cost more than reading
    // the frame.
    KsyValue() = default;
    KsyValue(const KsyValue& o) noexcept
        : What(o.What)
        , Unsigned64(o.Unsigned64)
        , Single(o.Single)
        , Length(o.Length)
        , Int(o.Int)
        , Data(o.Data)
        , Enum(o.Enum)
    {
    }
    KsyValue& operator=(const KsyValue& o) noexcept
    {
        What = o.What;
        Unsigned64 = o.Unsigned64;
        Single = o.Single;
        Length = o.Length;
        Int = o.Int;
        Data = o.Data;
        Enum = o.Enum;
        return *this;
    }

    std::string_view Text() const { return {Data, Length}; }
    void SetText(std::string_view text)
    {
        Data = text.data();
        Length = static_cast<std::uint32_t>(text.size());
    }

    static KsyValue OfInt(std::int64_t v, const KsyEnum* e = nullptr)
    {
        KsyValue x;
        x.What = Kind::Int;
        x.Int = v;
        x.Enum = e;
        return x;
    }
    static KsyValue OfBool(bool v)
    {
        KsyValue x;
        x.What = Kind::Bool;
        x.Int = v;
        return x;
    }
    static KsyValue OfFloat(double v)
    {
        KsyValue x;
        x.What = Kind::Float;
        x.Float = v;
        return x;
    }
    // Bytes and strings that live as long as the frame's values.
    static KsyValue OfBytes(const std::uint8_t* data, std::size_t n)
    {
        KsyValue x;
        x.What = Kind::Bytes;
        x.SetText(std::string_view(reinterpret_cast<const char*>(data), n));
        return x;
    }
    static KsyValue OfString(std::string_view text)
    {
        KsyValue x;
        x.What = Kind::Str;
        x.SetText(text);
        return x;
    }
    static KsyValue OfObject(KsyObject* o)
    {
        KsyValue x;
        x.What = Kind::Object;
        x.Object = o;
        return x;
    }
};

// A frame that does not read as the description says: why.
struct KsyFrameError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A path that leads through something the frame does not hold: a member of
// another switch case, an attribute whose if was false, an index past the end.
struct KsyAbsent : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const char* KsyKindName(KsyValue::Kind k);

inline bool KsyIsNumber(const KsyValue& v) { return v.What == KsyValue::Kind::Int || v.What == KsyValue::Kind::Float; }
inline double KsyAsDouble(const KsyValue& v)
{
    if (v.What == KsyValue::Kind::Float)
        return v.Float;
    return v.Unsigned64 ? static_cast<double>(static_cast<std::uint64_t>(v.Int)) : static_cast<double>(v.Int);
}
// An unsigned 64-bit integer's bits as the signed integer Int holds.
inline std::int64_t KsyWrap(std::uint64_t v) { return static_cast<std::int64_t>(v); }
// The float whose width bytes (4 or 8) were read as raw: an f4 keeps that
// it was one.
inline KsyValue KsyFloatOfBits(std::uint64_t raw, int width)
{
    if (width == 4) {
        float f;
        const auto bits = static_cast<std::uint32_t>(raw);
        std::memcpy(&f, &bits, 4);
        KsyValue v = KsyValue::OfFloat(f);
        v.Single = true;
        return v;
    }
    double f;
    std::memcpy(&f, &raw, 8);
    return KsyValue::OfFloat(f);
}

// The order of two numbers, strings, byte arrays or booleans: -1, 0 or 1.
// Throws KsyFrameError for values of kinds that have no order between them.
int KsyCompare(const KsyValue& a, const KsyValue& b);
bool KsyEqual(const KsyValue& a, const KsyValue& b);
// A condition's value; throws KsyFrameError for a string, bytes or an object.
bool KsyTruth(const KsyValue& v);
// An integer (a boolean's 0 or 1); what names the operation in messages.
// Throws KsyAbsent for nothing, KsyFrameError for any other kind.
std::int64_t KsyInteger(const KsyValue& v, const char* what);
// Kaitai's modulo: never negative, and only by a positive divisor.
std::int64_t KsyModulo(std::int64_t a, std::int64_t b);
// to_i: an integer of a number or a boolean; of a string, its number in
// radix as JavaScript's parseInt reads it.
KsyValue KsyToInteger(const KsyValue& v, int radix);
KsyValue KsyNegate(const KsyValue& v);
KsyValue KsyBitNot(const KsyValue& v);
// a op b for a binary operator other than && and ||, except the joining of
// two strings, which needs room for its result.
KsyValue KsyBinary(KsyOp op, const KsyValue& a, const KsyValue& b);
