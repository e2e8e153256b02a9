// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksydescription.h"
#include "ksyshapes.h"
#include "ksyvalue.h"

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

// A frame's field values kept once it is read, so that its record is never
// read with the description again. A record's values are laid out by a
// shape, which records of the same make share: for each field, what it
// holds and in how many bytes (an integer in as few as hold every value
// laid out by the shape, a float in four where a float holds each, a
// string or byte array with its length), so that a record takes the bytes
// of its values and little more. A value's kind, its enum and a float's f4
// origin come back as they were; an object or a stream comes back as one
// without a target, as the outputs show them: nothing.

// The lists that a record's unpacked values point into, used again from the
// first for each record.
struct KsyUnpackedLists {
    std::deque<std::vector<KsyValue>>& Kept;
    std::size_t Used = 0;
    std::vector<KsyValue>& Next(std::size_t n)
    {
        if (Used == Kept.size())
            Kept.emplace_back();
        std::vector<KsyValue>& items = Kept[Used++];
        items.assign(n, KsyValue{});
        return items;
    }
};

class KsyPacker {
public:
    explicit KsyPacker(const KsyDescription& d);

    // Appends the values' bytes to out as one of this packer's shapes lays
    // them out, and gives its number.
    std::size_t Pack(std::span<const KsyValue> values, std::vector<std::uint8_t>& out);
    const KsyShape& Shape(std::size_t id) const { return shapes_[id]; }
    std::size_t ShapeCount() const { return shapes_.size(); }
    // Reads values laid out by shape at packed: strings and byte arrays then
    // point into the packed bytes, lists into lists (used again from the
    // first). Gives where the packed values end.
    const std::uint8_t* Unpack(const KsyShape& shape, const std::uint8_t* packed, std::span<KsyValue> values,
        std::deque<std::vector<KsyValue>>& lists) const;
    // One value as Unpack reads each: slot s's at packed, into v.
    const std::uint8_t* UnpackValue(
        const KsySlot& s, const std::uint8_t* packed, KsyValue& v, KsyUnpackedLists& lists) const;

    // Shapes a packer keeps at most, all fields of all its shapes counted;
    // past them, every record takes the shape that suits any values (a tag
    // byte before each).
    static constexpr std::size_t MaxShapeSlots = std::size_t{1} << 20;

private:
    // A new shape for values, or the widest of their make widened.
    std::size_t ShapeFor(std::span<const KsyValue> values);
    // Appends values as shape lays them out: false, and nothing appended,
    // where it does not hold one of them.
    bool PackAs(const KsyShape& shape, std::span<const KsyValue> values, std::vector<std::uint8_t>& out) const;

    std::vector<const KsyEnum*> enums_;                   // an enum's number in tagged values
    std::vector<KsyShape> shapes_;                        // shape 0 suits any values
    std::vector<std::size_t> recent_;                     // the shapes tried first, the last used first
    std::unordered_map<std::string, std::size_t> widest_; // the widest shape of each make
    KsyShape wanted_;
};
