// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyshapes.h"

#include <algorithm>
#include <cstring>

namespace {

using Kind = KsyValue::Kind;
using Code = KsySlot::Code;

std::uint8_t UnsignedWidth(std::uint64_t v) { return v < 0x100 ? 1 : v < 0x10000 ? 2 : v < 0x100000000 ? 4 : 8; }

} // namespace

std::uint8_t KsySignedWidth(std::int64_t v)
{
    return v >= -0x80 && v < 0x80 ? 1 : v >= -0x8000 && v < 0x8000 ? 2 : v >= -0x80000000LL && v < 0x80000000LL ? 4 : 8;
}

// The slot that holds v alone in the fewest bytes.
KsySlot KsyNarrowestSlot(const KsyValue& v)
{
    KsySlot s;
    switch (v.What) {
    case Kind::Int:
        s.Enum = v.Enum;
        if (v.Unsigned64) {
            s.What = Code::Unsigned64;
            s.Width = 8;
        } else {
            s.What = Code::Integer;
            s.Signed = v.Int < 0;
            s.Width = s.Signed ? KsySignedWidth(v.Int) : UnsignedWidth(static_cast<std::uint64_t>(v.Int));
        }
        return s;
    case Kind::Float:
        s.What = Code::Real;
        s.Single = v.Single;
        s.Width = KsyIsFloat(v.Float) ? 4 : 8;
        return s;
    case Kind::Bool: s.What = Code::Boolean; return s;
    case Kind::Str: s.What = Code::Text; return s;
    case Kind::Bytes: s.What = Code::Octets; return s;
    case Kind::Array: s.What = Code::Tagged; return s;
    case Kind::Object: s.What = Code::Object; return s;
    case Kind::Stream: s.What = Code::Stream; return s;
    case Kind::Null: return s;
    }
    return s;
}

// The slot that holds what a and b hold (of one make).
KsySlot KsyWiderSlot(KsySlot a, const KsySlot& b)
{
    if (a.What == Code::Real) {
        a.Width = std::max(a.Width, b.Width);
    } else if (a.What == Code::Integer) {
        if (a.Signed != b.Signed) { // an unsigned width needs twice the bytes signed
            const KsySlot& u = a.Signed ? b : a;
            const KsySlot& s = a.Signed ? a : b;
            a.Width = std::max(static_cast<std::uint8_t>(std::min(2 * u.Width, 8)), s.Width);
            a.Signed = true;
        } else {
            a.Width = std::max(a.Width, b.Width);
        }
    }
    return a;
}

// A shape as a key: what its slots hold, and with widths, in how many bytes
// (slots of one make differ only there).
std::string KsyShapeKey(const KsyShape& shape, bool withWidths)
{
    std::string key;
    key.reserve(shape.size() * 12);
    for (const KsySlot& s : shape) {
        key.push_back(static_cast<char>(s.What));
        key.push_back(s.Single ? 1 : 0);
        key.append(reinterpret_cast<const char*>(&s.Enum), sizeof s.Enum);
        if (withWidths) {
            key.push_back(static_cast<char>(s.Width));
            key.push_back(s.Signed ? 1 : 0);
        }
    }
    return key;
}

std::uint32_t KsyShapes::IdOf(const KsyShape& shape)
{
    const auto [at, added] = ids_.try_emplace(KsyShapeKey(shape, true), static_cast<std::uint32_t>(shapes_.size()));
    if (added)
        shapes_.push_back(shape);
    return at->second;
}

std::size_t KsyShapes::MemoryBytes() const
{
    std::size_t n = 0;
    for (const auto& [key, id] : ids_)
        n += key.capacity() + shapes_[id].capacity() * sizeof(KsySlot) + 64;
    return n;
}
