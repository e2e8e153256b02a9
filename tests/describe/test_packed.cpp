// SPDX-License-Identifier: GPL-3.0-or-later
// A frame's values as the store keeps them: whatever a record holds comes
// back as it was, its kind, enum and f4 origin too, whichever records were
// packed before and after it, and however many makes of record there are.

#include "describe/describedsatellite.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

// A value as a test compares it: its JSON, its kind and its flags, a
// float's bits.
std::string Seen(const KsyValue& v)
{
    std::string out;
    AppendKsyJson(out, v);
    out += " kind " + std::string(KsyKindName(v.What));
    if (v.Unsigned64)
        out += " u64";
    if (v.Single)
        out += " f4";
    if (v.Enum)
        out += " enum " + v.Enum->Name;
    if (v.What == KsyValue::Kind::Float)
        out += " bits " + std::to_string(std::bit_cast<std::uint64_t>(v.Float));
    return out;
}

std::string Seen(std::span<const KsyValue> values)
{
    std::string out;
    for (const KsyValue& v : values)
        out += Seen(v) + "\n";
    return out;
}

// A description of n fields and one enum, for the packer's enum numbers.
std::unique_ptr<KsyDescription> Fields(std::size_t n)
{
    std::string text = "meta:\n  id: t\ndoc: |\n";
    for (std::size_t k = 0; k < n; ++k)
        text += "  :field f" + std::to_string(k) + ": v\n";
    text += "seq:\n  - id: v\n    type: u1\n    enum: e\nenums:\n  e:\n    1: one\n";
    return LoadKsyDescriptionText(text, "t.ksy");
}

KsyValue Float(double v, bool single = false)
{
    KsyValue x = KsyValue::OfFloat(v);
    x.Single = single;
    return x;
}

KsyValue Unsigned64(std::uint64_t v)
{
    KsyValue x = KsyValue::OfInt(KsyWrap(v));
    x.Unsigned64 = true;
    return x;
}

} // namespace

TEST(PackedValues, EveryRecordReadsBackAsItWasWhateverWasPackedAroundIt)
{
    const auto d = Fields(6);
    const KsyEnum* e = d->Root->Enums.begin()->second.get();
    static const char text[] = "h\xC3\xA9llo";
    static const std::uint8_t bytes[] = {0, 1, 0xFF, 0};
    std::vector<KsyValue> list{KsyValue::OfInt(1), KsyValue(), KsyValue(), KsyValue::OfString("x")};
    std::vector<KsyValue> outer{KsyValue::OfInt(-3, e), KsyValue::OfBool(true)};
    KsyValue inner;
    inner.What = KsyValue::Kind::Array;
    inner.Items = &list;
    outer.push_back(inner);
    KsyValue nested;
    nested.What = KsyValue::Kind::Array;
    nested.Items = &outer;
    KsyValue object;
    object.What = KsyValue::Kind::Object;
    KsyValue stream;
    stream.What = KsyValue::Kind::Stream;
    constexpr std::int64_t Min = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
    // Six fields a record; one column after the other widens, turns signed,
    // changes kind or goes absent, so that records take shapes of their own
    // and earlier shapes stay as they were.
    const std::vector<std::vector<KsyValue>> records{
        {KsyValue::OfInt(0), KsyValue::OfInt(255), Float(0.5), KsyValue::OfBool(false), KsyValue(), KsyValue()},
        {KsyValue::OfInt(256), KsyValue::OfInt(65535), Float(0.395 * 7), KsyValue::OfBool(true), KsyValue(),
            KsyValue()},
        {KsyValue::OfInt(65536), KsyValue::OfInt(-1), Float(-0.0), KsyValue(), KsyValue::OfInt(1, e), object},
        {KsyValue::OfInt(-129), KsyValue::OfInt(-32769), Float(std::nan("")), KsyValue(), KsyValue::OfInt(7, e),
            stream},
        {KsyValue::OfInt(Min), KsyValue::OfInt(Max), Float(std::numeric_limits<double>::infinity()),
            KsyValue::OfString(text), KsyValue::OfBytes(bytes, sizeof bytes), nested},
        {Unsigned64(std::numeric_limits<std::uint64_t>::max()), KsyValue::OfInt(4294967296), Float(0.1f, true),
            KsyValue::OfString(""), KsyValue::OfBytes(bytes, 0), KsyValue()},
        {KsyValue::OfInt(0), KsyValue::OfInt(255), Float(0.5), KsyValue::OfBool(false), KsyValue(), KsyValue()},
        {KsyValue(), KsyValue(), KsyValue(), KsyValue(), KsyValue(), KsyValue()},
    };
    KsyPacker packer(*d);
    std::vector<std::uint8_t> packed;
    std::vector<std::pair<std::size_t, std::size_t>> where; // shape, start
    std::vector<std::size_t> shapes;
    for (const auto& r : records) {
        const std::size_t start = packed.size();
        where.emplace_back(packer.Pack(r, packed), start);
        shapes.push_back(packer.ShapeCount());
    }
    // Unpacked by another packer of the description, as the store's readers do.
    const KsyPacker reader(*d);
    std::vector<KsyValue> values(6);
    std::deque<std::vector<KsyValue>> lists;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const std::uint8_t* end
            = reader.Unpack(packer.Shape(where[r].first), packed.data() + where[r].second, values, lists);
        EXPECT_EQ(Seen(values), Seen(records[r])) << "record " << r;
        EXPECT_EQ(end - packed.data(),
            static_cast<std::ptrdiff_t>(r + 1 < records.size() ? where[r + 1].second : packed.size()));
        // Where every slot has a fixed width, the widths lay the values out:
        // each slot's value unpacked alone at the sum of those before it.
        std::ptrdiff_t offset = 0;
        KsyUnpackedLists alone{lists};
        for (std::size_t k = 0; k < values.size(); ++k) {
            const KsySlot& slot = packer.Shape(where[r].first)[k];
            const int width = KsyFixedWidth(slot);
            if (width < 0)
                break;
            KsyValue v;
            const std::uint8_t* at = packed.data() + where[r].second + offset;
            EXPECT_EQ(reader.UnpackValue(slot, at, v, alone) - at, width) << "record " << r << ", slot " << k;
            EXPECT_EQ(Seen(v), Seen(values[k])) << "record " << r << ", slot " << k;
            offset += width;
        }
    }
    // The make of the last but one came before: it takes a shape there is.
    EXPECT_EQ(shapes[6], shapes[5]);
}

TEST(PackedValues, AValueTakesTheBytesItNeedsAndNoShapeForEveryRecord)
{
    const auto d = Fields(3);
    KsyPacker packer(*d);
    std::vector<std::uint8_t> packed;
    for (int k = 0; k < 1000; ++k) {
        const std::vector<KsyValue> r{KsyValue::OfInt(k % 200), Float(k * 0.25), KsyValue()};
        packer.Pack(r, packed);
    }
    EXPECT_EQ(packed.size(), 1000u * (1 + 4)); // a byte and a float's four; nothing for the absent
    EXPECT_EQ(packer.ShapeCount(), 2u);        // the tagged shape and one
}

TEST(PackedValues, RecordsOfEverMoreMakesStillReadBackPastTheBoundOfShapes)
{
    // Each record leaves another field absent: a make of its own, until the
    // shapes take the packer's bound; then a tag before each value.
    constexpr std::size_t N = 4096;
    const auto d = Fields(N);
    KsyPacker packer(*d);
    std::vector<std::uint8_t> packed;
    std::vector<std::pair<std::size_t, std::size_t>> where;
    std::vector<KsyValue> r(N, KsyValue::OfInt(5));
    for (std::size_t k = 0; k < 300; ++k) {
        r[k] = KsyValue();
        const std::size_t start = packed.size();
        where.emplace_back(packer.Pack(r, packed), start);
        r[k] = KsyValue::OfInt(static_cast<std::int64_t>(k));
    }
    EXPECT_EQ(packer.ShapeCount() * N, KsyPacker::MaxShapeSlots);
    EXPECT_EQ(where.back().first, 0u);
    std::vector<KsyValue> values(N);
    std::deque<std::vector<KsyValue>> lists;
    for (std::size_t k = 0; k < where.size(); k += 37) {
        packer.Unpack(packer.Shape(where[k].first), packed.data() + where[k].second, values, lists);
        EXPECT_EQ(values[k].What, KsyValue::Kind::Null) << k;
        EXPECT_EQ(values[k + 1].Int, 5) << k;
        if (k > 0) {
            EXPECT_EQ(values[k - 1].Int, static_cast<std::int64_t>(k - 1)) << k;
        }
    }
}
