// SPDX-License-Identifier: GPL-3.0-or-later
#include "describe/describedsatellite.h"
#include "fields/satelliterecords.h"
#include "input/capturereaders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

namespace {

const std::string Pass = std::string(NORVANE_SAMPLES_DIR) + "/qb50p1-pass.kss";

// The sample pass read by the built-in decoder, or with the beacon's
// description.
Module1 ReadPass(bool described)
{
    Module1 m;
    if (described)
        m.Described = DescribedSatellite::Load(std::string(NORVANE_SAMPLES_DIR) + "/qb50.ksy");
    ReaderHost host;
    ReadKissFile(m, host, Pass);
    return m;
}

struct Door {
    const char* Name;
    bool Described;
    int Kinds;
    std::size_t Fields;
};

const Door Doors[] = {
    {"QB50p1", false, 2, 105}, {"qb50", true, 1, 0}, // the description's own count
};

TEST(SatelliteRecords, EveryFieldStandsInThePacketKindThatCarriesIt)
{
    for (const Door& door : Doors) {
        SCOPED_TRACE(door.Name);
        const Module1 m = ReadPass(door.Described);
        const auto s = RecordsOf(m);
        EXPECT_EQ(s->Name(), door.Name);
        EXPECT_EQ(s->KindCount(), door.Kinds);
        EXPECT_EQ(s->FieldCount(), door.Described ? m.Described->FieldCount() : door.Fields);
        std::set<std::size_t> seen;
        for (int kind = 1; kind <= s->KindCount(); ++kind) {
            EXPECT_GT(s->Count(kind), 0);
            for (const std::size_t k : s->FieldsOf(kind)) {
                EXPECT_EQ(s->FieldKind(k), kind) << s->FieldName(k);
                EXPECT_TRUE(seen.insert(k).second) << s->FieldName(k) << " stands in two kinds";
            }
        }
        EXPECT_TRUE(s->FieldsOf(s->KindCount() + 1).empty());
        for (std::int64_t n = 1; n <= s->Count(1); ++n)
            EXPECT_FALSE(s->Time(1, n).empty()) << "record " << n;
    }
}

TEST(SatelliteRecords, AReaderGivesWhatTheStoreHolds)
{
    // The built-in beacon: the table's values, nothing for a field of the
    // other kind.
    const Module1 builtIn = ReadPass(false);
    const auto b = RecordsOf(builtIn);
    const auto values = b->Reader();
    for (int kind = 1; kind <= 2; ++kind)
        for (std::int64_t n = 1; n <= b->Count(kind); ++n) {
            ASSERT_TRUE(values->Read(kind, n));
            for (const std::size_t k : b->FieldsOf(kind)) {
                const double stored = builtIn.Table.Value(n, static_cast<int>(k));
                EXPECT_EQ(KsyNumber(values->Value(k)), stored) << "record " << n << ", " << b->FieldName(k);
                EXPECT_EQ(values->Number(n, k), stored);
            }
            EXPECT_EQ(values->Value(kind == 1 ? 60 : 5).What, KsyValue::Kind::Null);
        }
    for (std::size_t k = 0; k < b->FieldCount(); ++k) {
        const std::string name(b->FieldName(k));
        EXPECT_EQ(b->FieldTitle(k), b->FieldUnit(k).empty() ? name : name + " (" + std::string(b->FieldUnit(k)) + ")");
    }

    // A described satellite: each record's frame read again, a number where
    // the frame holds the field, NaN where it does not.
    Module1 described = ReadPass(true);
    const auto d = RecordsOf(described);
    const auto fields = d->Reader();
    std::string reason;
    for (std::int64_t n = 1; n <= d->Count(1); ++n) {
        ASSERT_TRUE(described.Described->Read(described.DescribedRecords.Frame(n), reason)) << reason;
        for (std::size_t k = 0; k < d->FieldCount(); ++k) {
            const KsyValue& v = described.Described->Value(k);
            const double number = fields->Number(n, k);
            if (IsKsyNumber(v))
                EXPECT_EQ(number, KsyNumber(v)) << "record " << n << ", " << d->FieldName(k);
            else
                EXPECT_TRUE(std::isnan(number)) << "record " << n << ", " << d->FieldName(k);
        }
        EXPECT_EQ(d->Time(1, n), described.DescribedRecords.Time(n));
        EXPECT_EQ(d->Reception(1, n).Offset, described.DescribedRecords.Info(n).Offset);
    }
}

TEST(SatelliteRecords, ANumberIsTheRecordsWhateverWasReadBetween)
{
    const Module1 described = ReadPass(true);
    const auto d = RecordsOf(described);
    const auto fields = d->Reader();
    constexpr std::size_t Uptime = 7; // sat_uptime, in every packet of kind 1
    const double third = fields->Number(3, Uptime);
    const double first = fields->Number(1, Uptime);
    ASSERT_TRUE(fields->Read(1, 3)); // the reader now holds record 3
    EXPECT_EQ(fields->Number(1, Uptime), first);
    EXPECT_EQ(fields->Number(3, Uptime), third);
    EXPECT_NE(first, third);
}

TEST(SatelliteRecords, ARecordThatIsNotThereReadsAsNothing)
{
    const Module1 described = ReadPass(true);
    const auto d = RecordsOf(described);
    const auto fields = d->Reader();
    for (const auto& [kind, n] : {std::pair{1, std::int64_t{0}}, {1, d->Count(1) + 1}, {2, std::int64_t{1}}}) {
        EXPECT_FALSE(fields->Read(kind, n)) << kind << " " << n;
        EXPECT_EQ(fields->Value(0).What, KsyValue::Kind::Null);
        EXPECT_TRUE(d->Time(kind, n).empty());
    }
    EXPECT_TRUE(std::isnan(fields->Number(d->Count(1) + 1, 0)));
    // The built-in beacon's records past the last read as zeros, as the
    // table gives them.
    const Module1 builtIn = ReadPass(false);
    const auto b = RecordsOf(builtIn);
    EXPECT_EQ(b->Reader()->Number(b->Count(1) + 1, 5), 0.0);
}

} // namespace
