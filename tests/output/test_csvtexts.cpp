// SPDX-License-Identifier: GPL-3.0-or-later
#include "fields/numberformat.h"
#include "output/csvtexts.h"
#include "output/influxlines.h"
#include "output/jsonlines.h"
#include "output/storedlines.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The text the exact formatter gives for row's value at wire value wire.
std::string Exact(const FieldLayout& row, std::uint32_t wire, std::string_view mark)
{
    return FormatFixed2(FieldValueOf(row, wire), mark);
}

// The text the CSV writes, twice: once as it is worked out, once from the
// cache where it is kept.
std::pair<std::string, std::string> Written(CsvValueTexts& texts, const FieldLayout& row, std::uint32_t wire)
{
    std::string buffer(texts.MaxText(), '\0');
    std::string first(buffer.data(), texts.Write(buffer.data(), row, wire));
    std::string second(buffer.data(), texts.Write(buffer.data(), row, wire));
    return {first, second};
}

std::vector<const FieldLayout*> AllRows()
{
    std::vector<const FieldLayout*> rows;
    for (int field = 0; field < FieldCount; ++field)
        if (const FieldLayout* row = FieldRow(field))
            rows.push_back(row);
    return rows;
}

} // namespace

// Every 16-bit wire value of every field, with either decimal mark, gives
// the exact formatter's text, whether it is worked out or taken from the cache.
TEST(CsvValueTexts, EverySixteenBitWireValueOfEveryFieldIsExact)
{
    for (const std::string_view mark : {".", "\xd9\xab"}) {
        CsvValueTexts texts(mark);
        for (const FieldLayout* row : AllRows())
            for (std::uint32_t wire = 0; wire <= 0xFFFF; ++wire) {
                const auto [first, second] = Written(texts, *row, wire);
                const std::string exact = Exact(*row, wire, mark);
                ASSERT_EQ(first, exact) << "field " << row->Field << " wire " << wire;
                ASSERT_EQ(second, exact) << "field " << row->Field << " wire " << wire;
            }
    }
}

TEST(CsvValueTexts, RandomThirtyTwoBitWireValuesAreExact)
{
    std::mt19937 random(5);
    CsvValueTexts texts(",");
    for (const FieldLayout* row : AllRows())
        for (int i = 0; i < 2000; ++i) {
            const std::uint32_t wire = random();
            const auto [first, second] = Written(texts, *row, wire);
            ASSERT_EQ(first, Exact(*row, wire, ",")) << "field " << row->Field << " wire " << wire;
            ASSERT_EQ(second, first);
        }
}

// A whole record: the spare fields and the fields of a packet the record
// lacks are zero, the others the packet's values.
TEST(CsvValueTexts, RecordWritesEveryFieldInOrder)
{
    std::vector<std::uint8_t> packet2(static_cast<std::size_t>(PacketWidth(2)));
    // Field 60 reads a zero word: 191.97; field 86 reads FF FF: -1.
    packet2[94 - PacketFirstByte] = 0xFF;
    packet2[95 - PacketFirstByte] = 0xFF;
    CsvValueTexts texts(".");
    std::string buffer(FieldCount * (texts.MaxText() + 1), '\0');
    const std::string line(buffer.data(), texts.WriteRecord(buffer.data(), {nullptr, packet2.data()}, ';'));
    std::vector<std::string> cells;
    for (std::size_t at = 0, end; (end = line.find(';', at)) != std::string::npos; at = end + 1)
        cells.push_back(line.substr(at, end - at));
    ASSERT_EQ(cells.size(), 105u);
    EXPECT_EQ(cells[12], "0.00");
    EXPECT_EQ(cells[47], "0.00");
    EXPECT_EQ(cells[60], "191.97");
    EXPECT_EQ(cells[86], "-1.00");
}

// JSON Lines write whole numbers without a double: the same text as the
// shortest round trip of the double, plain or scientific.
TEST(ShortestText, WholeNumbersAsTheirDoublesWouldRead)
{
    std::vector<std::int64_t> values;
    for (std::int64_t v = -70000; v <= 70000; ++v)
        values.push_back(v);
    std::mt19937_64 random(3);
    for (int i = 0; i < 100000; ++i)
        values.push_back(static_cast<std::int64_t>(random() >> 11) * (i % 2 ? 1 : -1)); // below 2^53
    for (std::int64_t p = 1; p < (std::int64_t{1} << 53); p *= 10)
        for (const std::int64_t m : {1, 2, 12, 125, 999})
            if (p * m < (std::int64_t{1} << 53))
                values.insert(values.end(), {p * m, -p * m, p * m + 1});
    for (const std::int64_t v : values) {
        std::string expected;
        AppendShortest(expected, static_cast<double>(v));
        char text[32];
        ASSERT_EQ(std::string(text, WriteShortestWhole(text, v)), expected) << v;
    }
}
