// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksydescription.h"
#include "ksyvalue.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

// How the store lays out a record's values (see KsyPacker): a shape gives
// each field a slot, and a slot holds values of one kind, in bytes enough
// for every value it takes.

// What a field holds in the records of a shape.
struct KsySlot {
    enum class Code : std::uint8_t { Absent, Integer, Unsigned64, Real, Boolean, Text, Octets, Tagged, Object, Stream };
    Code What = Code::Absent;
    std::uint8_t Width = 0; // bytes of an integer (1, 2, 4 or 8) or a real (4 or 8)
    bool Signed = false;    // an integer's bytes extended with its sign, not with zeros
    bool Single = false;    // a real read as f4
    const KsyEnum* Enum = nullptr;
    bool operator==(const KsySlot&) const = default;
};
using KsyShape = std::vector<KsySlot>;

// The slot that holds v alone in the fewest bytes.
KsySlot KsyNarrowestSlot(const KsyValue& v);
// The slot that holds what a and b hold (slots of one make).
KsySlot KsyWiderSlot(KsySlot a, const KsySlot& b);
// A shape as a key: what its slots hold, and with widths, in how many
// bytes (slots of one make differ only there).
std::string KsyShapeKey(const KsyShape& shape, bool withWidths);
// An integer's bytes: 1, 2, 4 or 8, the low bytes of its value, extended
// with its sign (KsySignedWidth) or with zeros; read back as slot s says.
std::uint8_t KsySignedWidth(std::int64_t v);

// (Inline: every field of every record passes them.)
inline std::int64_t KsyGetInteger(const std::uint8_t* at, const KsySlot& s)
{
    switch (s.Width) {
    case 1: return s.Signed ? std::int64_t{static_cast<std::int8_t>(at[0])} : std::int64_t{at[0]};
    case 2: {
        std::uint16_t v = 0;
        std::memcpy(&v, at, 2);
        return s.Signed ? std::int64_t{static_cast<std::int16_t>(v)} : std::int64_t{v};
    }
    case 4: {
        std::uint32_t v = 0;
        std::memcpy(&v, at, 4);
        return s.Signed ? std::int64_t{static_cast<std::int32_t>(v)} : std::int64_t{v};
    }
    default: {
        std::int64_t v = 0;
        std::memcpy(&v, at, 8);
        return v;
    }
    }
}

// A real's bytes: an f4 or an f8, as slot s says.
inline double KsyGetReal(const std::uint8_t* at, const KsySlot& s)
{
    if (s.Width == 4) {
        float narrow = 0;
        std::memcpy(&narrow, at, 4);
        return narrow;
    }
    double wide = 0;
    std::memcpy(&wide, at, 8);
    return wide;
}

// Whether a float holds v exactly.
inline bool KsyIsFloat(double v)
{
    const double wide = static_cast<float>(v);
    return std::memcmp(&wide, &v, sizeof v) == 0;
}

// Whether slot s holds v.
inline bool KsySlotHolds(const KsySlot& s, const KsyValue& v)
{
    using Code = KsySlot::Code;
    using Kind = KsyValue::Kind;
    switch (s.What) {
    case Code::Integer: {
        if (v.What != Kind::Int || v.Unsigned64 || v.Enum != s.Enum)
            return false;
        if (s.Width == 8) // all the bits
            return true;
        const int bits = 8 * s.Width;
        if (s.Signed)
            return v.Int >= -(std::int64_t{1} << (bits - 1)) && v.Int < (std::int64_t{1} << (bits - 1));
        return v.Int >= 0 && v.Int < (std::int64_t{1} << bits);
    }
    case Code::Unsigned64: return v.What == Kind::Int && v.Unsigned64 && v.Enum == s.Enum;
    case Code::Real: return v.What == Kind::Float && v.Single == s.Single && (s.Width == 8 || KsyIsFloat(v.Float));
    case Code::Boolean: return v.What == Kind::Bool;
    case Code::Text: return v.What == Kind::Str;
    case Code::Octets: return v.What == Kind::Bytes;
    case Code::Tagged: return true;
    case Code::Object: return v.What == Kind::Object;
    case Code::Stream: return v.What == Kind::Stream;
    case Code::Absent: return v.What == Kind::Null;
    }
    return false;
}

// The bytes a value of slot s takes packed, where every value of s takes
// the same: a boolean one, a number its width, an absent value, an object
// or a stream none; -1 for a text, a byte array or a tagged value.
inline int KsyFixedWidth(const KsySlot& s)
{
    using Code = KsySlot::Code;
    switch (s.What) {
    case Code::Integer:
    case Code::Unsigned64:
    case Code::Real: return s.Width;
    case Code::Boolean: return 1;
    case Code::Text:
    case Code::Octets:
    case Code::Tagged: return -1;
    case Code::Object:
    case Code::Stream:
    case Code::Absent: return 0;
    }
    return -1;
}

// The shapes of a store's records: those of every packer it took records
// from, each once.
class KsyShapes {
public:
    std::uint32_t IdOf(const KsyShape& shape);
    const KsyShape& operator[](std::uint32_t id) const { return shapes_[id]; }
    void Clear()
    {
        shapes_.clear();
        ids_.clear();
    }
    std::size_t MemoryBytes() const;

private:
    std::vector<KsyShape> shapes_;
    std::unordered_map<std::string, std::uint32_t> ids_;
};
