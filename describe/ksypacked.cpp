// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksypacked.h"

#include <algorithm>
#include <cstring>

namespace {

using Kind = KsyValue::Kind;
using Code = KsySlot::Code;

// Appends to a byte vector through a pointer, growing it by more than asked
// (the vector keeps growing its capacity geometrically) so that most values
// cost a copy and no check of their own.
class Output {
public:
    explicit Output(std::vector<std::uint8_t>& v)
        : v_(v)
        , start_(v.size())
        , at_(start_)
    {
    }
    ~Output() { v_.resize(at_); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Takes back what was written.
    void Rewind() { at_ = start_; }
    void Need(std::size_t n)
    {
        if (v_.size() - at_ < n)
            v_.resize(at_ + n + 256);
    }
    // Writes 8 bytes and keeps n of them (Need(8) first).
    void PutWord(const void* p, std::size_t n)
    {
        std::memcpy(v_.data() + at_, p, 8);
        at_ += n;
    }
    void PutByte(std::uint8_t b)
    {
        Need(1);
        v_[at_++] = b;
    }
    void Put(const void* p, std::size_t n)
    {
        Need(n);
        if (n > 0)
            std::memcpy(v_.data() + at_, p, n);
        at_ += n;
    }
    void PutCount(std::uint64_t n)
    {
        Need(10);
        while (n >= 0x80) {
            v_[at_++] = static_cast<std::uint8_t>(n | 0x80);
            n >>= 7;
        }
        v_[at_++] = static_cast<std::uint8_t>(n);
    }

private:
    std::vector<std::uint8_t>& v_;
    std::size_t start_;
    std::size_t at_;
};

const std::uint8_t* GetCount(const std::uint8_t* at, std::uint64_t& n)
{
    n = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t b = *at++;
        n |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if (b < 0x80)
            return at;
    }
}

// A value with a tag byte before it, for a slot that takes any: its kind
// in the low four bits, more in the high four; a list holds its items so.
enum Tag : std::uint8_t {
    Absent,      // high: how many absent values in a row, less one
    Integer,     // high: bytes less one (sign-extended), 0x80 an unsigned 64-bit integer
    EnumInteger, // as Integer, then the enum's number
    Real,        // high: 1 four bytes, 2 read as an f4
    Boolean,     // high: the value
    Text,        // a length, then the bytes
    Octets,      // a length, then the bytes
    List,        // a count, then the items
    Object,
    Stream,
};

void PackTaggedValues(std::span<const KsyValue> values, const std::vector<const KsyEnum*>& enums, Output& o);

void PackTagged(const KsyValue& v, const std::vector<const KsyEnum*>& enums, Output& o)
{
    switch (v.What) {
    case Kind::Int: {
        const auto e = v.Enum ? std::find(enums.begin(), enums.end(), v.Enum) : enums.end();
        const std::uint8_t tag = e == enums.end() ? Integer : EnumInteger;
        o.Need(9);
        if (v.Unsigned64) {
            o.PutByte(static_cast<std::uint8_t>(tag | 0xF0));
            o.PutWord(&v.Int, 8);
        } else {
            const std::uint8_t width = KsySignedWidth(v.Int);
            o.PutByte(static_cast<std::uint8_t>(tag | (width - 1) << 4));
            o.PutWord(&v.Int, width);
        }
        if (e != enums.end())
            o.PutCount(static_cast<std::uint64_t>(e - enums.begin()));
        return;
    }
    case Kind::Float: {
        const bool four = KsyIsFloat(v.Float);
        o.PutByte(static_cast<std::uint8_t>(Real | (four ? 0x10 : 0) | (v.Single ? 0x20 : 0)));
        const float narrow = static_cast<float>(v.Float);
        if (four)
            o.Put(&narrow, 4);
        else
            o.Put(&v.Float, 8);
        return;
    }
    case Kind::Bool: o.PutByte(static_cast<std::uint8_t>(Boolean | (v.Int ? 0x10 : 0))); return;
    case Kind::Str:
    case Kind::Bytes:
        o.PutByte(v.What == Kind::Str ? Text : Octets);
        o.PutCount(v.Length);
        o.Put(v.Data, v.Length);
        return;
    case Kind::Array:
        o.PutByte(List);
        o.PutCount(v.Items->size());
        PackTaggedValues(*v.Items, enums, o);
        return;
    case Kind::Object: o.PutByte(Object); return;
    case Kind::Stream: o.PutByte(Stream); return;
    case Kind::Null: o.PutByte(Absent); return;
    }
}

void PackTaggedValues(std::span<const KsyValue> values, const std::vector<const KsyEnum*>& enums, Output& o)
{
    for (std::size_t k = 0; k < values.size();) {
        if (values[k].What != Kind::Null) {
            PackTagged(values[k++], enums, o);
            continue;
        }
        std::size_t run = 1;
        while (run < 16 && k + run < values.size() && values[k + run].What == Kind::Null)
            ++run;
        o.PutByte(static_cast<std::uint8_t>(Absent | (run - 1) << 4));
        k += run;
    }
}

using Lists = KsyUnpackedLists;

const std::uint8_t* UnpackTaggedValues(
    const std::uint8_t* at, std::span<KsyValue> values, const std::vector<const KsyEnum*>& enums, Lists& lists);

const std::uint8_t* UnpackTagged(
    const std::uint8_t* at, KsyValue& v, const std::vector<const KsyEnum*>& enums, Lists& lists)
{
    const std::uint8_t tag = *at++;
    v = KsyValue{};
    switch (tag & 0x0F) {
    case Integer:
    case EnumInteger: {
        const KsySlot s{Code::Integer, static_cast<std::uint8_t>(((tag >> 4) & 7) + 1), true};
        v.What = Kind::Int;
        v.Int = KsyGetInteger(at, s);
        v.Unsigned64 = (tag & 0x80) != 0;
        at += s.Width;
        if ((tag & 0x0F) == EnumInteger) {
            std::uint64_t e = 0;
            at = GetCount(at, e);
            v.Enum = enums[e];
        }
        return at;
    }
    case Real: {
        const KsySlot s{Code::Real, static_cast<std::uint8_t>(tag & 0x10 ? 4 : 8)};
        v.What = Kind::Float;
        v.Single = (tag & 0x20) != 0;
        v.Float = KsyGetReal(at, s);
        return at + s.Width;
    }
    case Boolean:
        v.What = Kind::Bool;
        v.Int = tag >> 4;
        return at;
    case Text:
    case Octets: {
        std::uint64_t n = 0;
        at = GetCount(at, n);
        v.What = (tag & 0x0F) == Text ? Kind::Str : Kind::Bytes;
        v.SetText(std::string_view(reinterpret_cast<const char*>(at), n));
        return at + n;
    }
    case List: {
        std::uint64_t n = 0;
        at = GetCount(at, n);
        std::vector<KsyValue>& items = lists.Next(n);
        v.What = Kind::Array;
        v.Items = &items;
        return UnpackTaggedValues(at, items, enums, lists);
    }
    case Object: v.What = Kind::Object; return at;
    case Stream: v.What = Kind::Stream; return at;
    default: return at;
    }
}

const std::uint8_t* UnpackTaggedValues(
    const std::uint8_t* at, std::span<KsyValue> values, const std::vector<const KsyEnum*>& enums, Lists& lists)
{
    for (std::size_t k = 0; k < values.size(); ++k) {
        if ((*at & 0x0F) != Absent) {
            at = UnpackTagged(at, values[k], enums, lists);
            continue;
        }
        for (std::size_t run = *at++ >> 4; run > 0; --run)
            values[k++] = KsyValue{};
        values[k] = KsyValue{};
    }
    return at;
}

} // namespace

KsyPacker::KsyPacker(const KsyDescription& d)
{
    // Every enum of the description, in the same order for every packer of it.
    std::vector<const KsyType*> types{d.Root.get()};
    for (std::size_t k = 0; k < types.size(); ++k) {
        for (const auto& [name, e] : types[k]->Enums)
            enums_.push_back(e.get());
        for (const auto& [name, t] : types[k]->Types)
            types.push_back(t.get());
    }
    shapes_.emplace_back(d.Fields.size(), KsySlot{Code::Tagged});
}

std::size_t KsyPacker::ShapeFor(std::span<const KsyValue> values)
{
    // A shape of the values' make, wide enough for them and for every record
    // of that make before them.
    wanted_.resize(values.size());
    for (std::size_t k = 0; k < values.size(); ++k)
        wanted_[k] = KsyNarrowestSlot(values[k]);
    std::size_t id = 0;
    const std::string make = KsyShapeKey(wanted_, false);
    if (const auto widest = widest_.find(make); widest != widest_.end()) {
        for (std::size_t k = 0; k < values.size(); ++k)
            wanted_[k] = KsyWiderSlot(wanted_[k], shapes_[widest->second][k]);
        if (shapes_[widest->second] == wanted_)
            id = widest->second;
    }
    if (id == 0 && (shapes_.size() + 1) * values.size() <= MaxShapeSlots) {
        id = shapes_.size();
        shapes_.push_back(wanted_);
        widest_[make] = id;
    }
    if (id == 0) // past the bound, the shape for any values
        return id;
    recent_.insert(recent_.begin(), id);
    if (recent_.size() > 4)
        recent_.pop_back();
    return id;
}

std::size_t KsyPacker::Pack(std::span<const KsyValue> values, std::vector<std::uint8_t>& out)
{
    // Most records take one of the shapes used last.
    for (std::size_t r = 0; r < recent_.size(); ++r)
        if (PackAs(shapes_[recent_[r]], values, out)) {
            std::rotate(recent_.begin(), recent_.begin() + static_cast<std::ptrdiff_t>(r),
                recent_.begin() + static_cast<std::ptrdiff_t>(r) + 1);
            return recent_[0];
        }
    const std::size_t id = ShapeFor(values);
    PackAs(shapes_[id], values, out);
    return id;
}

bool KsyPacker::PackAs(const KsyShape& shape, std::span<const KsyValue> values, std::vector<std::uint8_t>& out) const
{
    Output o(out);
    for (std::size_t k = 0; k < values.size(); ++k) {
        const KsyValue& v = values[k];
        if (!KsySlotHolds(shape[k], v)) {
            o.Rewind();
            return false;
        }
        switch (shape[k].What) {
        case Code::Integer:
        case Code::Unsigned64:
            o.Need(8);
            o.PutWord(&v.Int, shape[k].Width); // little-endian, as every machine the program runs on
            break;
        case Code::Real:
            o.Need(8);
            if (shape[k].Width == 4) {
                const float narrow = static_cast<float>(v.Float);
                o.Put(&narrow, 4);
            } else {
                o.PutWord(&v.Float, 8);
            }
            break;
        case Code::Boolean: o.PutByte(v.Int ? 1 : 0); break;
        case Code::Text:
        case Code::Octets:
            o.PutCount(v.Length);
            o.Put(v.Data, v.Length);
            break;
        case Code::Tagged: PackTagged(v, enums_, o); break;
        default: break;
        }
    }
    return true;
}

const std::uint8_t* KsyPacker::Unpack(const KsyShape& shape, const std::uint8_t* packed, std::span<KsyValue> values,
    std::deque<std::vector<KsyValue>>& lists) const
{
    Lists kept{lists};
    const std::uint8_t* at = packed;
    for (std::size_t k = 0; k < values.size(); ++k)
        at = UnpackValue(shape[k], at, values[k], kept);
    return at;
}

const std::uint8_t* KsyPacker::UnpackValue(
    const KsySlot& s, const std::uint8_t* packed, KsyValue& v, KsyUnpackedLists& lists) const
{
    const std::uint8_t* at = packed;
    v = KsyValue{};
    switch (s.What) {
    case Code::Integer:
    case Code::Unsigned64:
        v.What = Kind::Int;
        v.Int = KsyGetInteger(at, s);
        v.Unsigned64 = s.What == Code::Unsigned64;
        v.Enum = s.Enum;
        at += s.Width;
        break;
    case Code::Real:
        v.What = Kind::Float;
        v.Single = s.Single;
        v.Float = KsyGetReal(at, s);
        at += s.Width;
        break;
    case Code::Boolean:
        v.What = Kind::Bool;
        v.Int = *at++;
        break;
    case Code::Text:
    case Code::Octets: {
        std::uint64_t n = 0;
        at = GetCount(at, n);
        v.What = s.What == Code::Text ? Kind::Str : Kind::Bytes;
        v.SetText(std::string_view(reinterpret_cast<const char*>(at), n));
        at += n;
        break;
    }
    case Code::Tagged: at = UnpackTagged(at, v, enums_, lists); break;
    case Code::Object: v.What = Kind::Object; break;
    case Code::Stream: v.What = Kind::Stream; break;
    case Code::Absent: break;
    }
    return at;
}
