// SPDX-License-Identifier: GPL-3.0-or-later
#include "telemetry/instant.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr Instant At20160317 = 1458172800000; // 2016-03-17 00:00:00 UTC

struct DateTimeCase {
    const char* text;
    std::optional<Instant> instant;
};

} // namespace

TEST(Instants, DateTimeTexts)
{
    const Instant t = At20160317 + (10 * 3600 + 15 * 60) * 1000; // 10:15:00
    const DateTimeCase cases[] = {
        {"2016-03-17 10:15:00", t},
        {"2016-03-17T10:15:00", t},
        {"   2016-03-17 10:15:00 UTC", t},
        {"2016-03-17 10:15:00Z", t},
        {"2016-03-17 10:15:00UTC and more", t},
        {"2016-03-17 10:15:00.1", t + 100},
        {"2016-03-17 10:15:00.125 UTC", t + 125},
        {"2016-03-17 10:15:00.9999", t + 999}, // cut, not rounded
        {"2016-03-17 10:15:00.", t},
        {"2016-02-29 00:00:00", At20160317 - 17 * 86400000LL},
        {"1970-01-01 00:00:00", 0},
        {"2016-13-01 00:00:00", std::nullopt},
        {"2016-04-31 00:00:00", std::nullopt},
        {"2015-02-29 00:00:00", std::nullopt},
        {"2016-03-17 24:00:00", std::nullopt},
        {"2016-03-17 10:60:00", std::nullopt},
        {"2016-03-17 10:15:60", std::nullopt},
        {"2016-03-17_10:15:00", std::nullopt},
        {"2016-03-17 10:15", std::nullopt},
        {"10:15:00", std::nullopt},
        {"", std::nullopt},
    };
    for (const DateTimeCase& c : cases)
        EXPECT_EQ(ParseDateTime(c.text), c.instant) << c.text;
}

TEST(Instants, WrittenAsIsoAndAsTimeText)
{
    EXPECT_EQ(FormatIsoUtc(At20160317 + 36900000), "2016-03-17T10:15:00Z");
    EXPECT_EQ(FormatIsoUtc(At20160317 + 36900125), "2016-03-17T10:15:00.125Z");
    EXPECT_EQ(FormatIsoUtc(-1), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(FormatTimeText(1458194400000), "2016-03-17 06:00:00.000 UTC");
    for (const Instant instant : {Instant{0}, At20160317, Instant{4102444799999}, Instant{951782400000}})
        EXPECT_EQ(ParseDateTime(FormatTimeText(instant)), instant);
}

TEST(Instants, ParserTellsWhenATextIsItsInstantWrittenOut)
{
    // The parser's form must be the renderer's for every text, or the store
    // would write back a text other than the one read.
    const std::pair<const char*, TimeForm> cases[] = {
        {"2016-03-17 10:15:00", TimeForm::DateTime},
        {"2016-03-17 10:15:00 UTC", TimeForm::DateTimeUtc},
        {"2016-03-17 10:15:00.125 UTC", TimeForm::Milliseconds},
        {"2016-03-17 10:15:00.000 UTC", TimeForm::Milliseconds},
        {"0000-01-01 00:00:00", TimeForm::DateTime},
        {"9999-12-31 23:59:59.999 UTC", TimeForm::Milliseconds},
        {"2016-03-17T10:15:00", TimeForm::Other},
        {" 2016-03-17 10:15:00", TimeForm::Other},
        {"2016-03-17 10:15:00 ", TimeForm::Other},
        {"2016-03-17 10:15:00Z", TimeForm::Other},
        {"2016-03-17 10:15:00 utc", TimeForm::Other},
        {"2016-03-17 10:15:00 UTC ", TimeForm::Other},
        {"2016-03-17 10:15:00.125", TimeForm::Other},
        {"2016-03-17 10:15:00.12 UTC", TimeForm::Other},
        {"2016-03-17 10:15:00.1250 UTC", TimeForm::Other},
        {"2016-03-17 10:15:00. UTC", TimeForm::Other},
        {"2016-03-17 10:15", TimeForm::Other},
        {"2016-02-30 10:15:00", TimeForm::Other},
    };
    DateTimeParser parser;
    TimeTextRenderer renderer;
    for (int round = 0; round < 2; ++round) { // the second time with the date remembered
        for (const auto& [text, form] : cases) {
            const auto at = parser.Parse(text);
            EXPECT_EQ(parser.Form(), form) << text;
            EXPECT_EQ(at ? renderer.FormOf(text, *at) : TimeForm::Other, form) << text;
        }
    }
    // Every form of random instants, and a text one millisecond off.
    std::mt19937_64 random(5);
    for (int i = 0; i < 20000; ++i) {
        const Instant at = static_cast<Instant>(random() % 253402300800000); // years 1970 to 9999
        std::array<char, TimeTextSize> full{};
        ASSERT_TRUE(renderer.Render(at, full));
        const std::string text(full.data(), full.size());
        for (const std::string& t : {text, text.substr(0, 19), text.substr(0, 19) + " UTC"}) {
            const auto parsed = parser.Parse(t);
            ASSERT_TRUE(parsed) << t;
            ASSERT_EQ(parser.Form(), renderer.FormOf(t, *parsed)) << t;
            EXPECT_NE(renderer.FormOf(t, *parsed + 1), parser.Form()) << t;
        }
    }
}

TEST(Instants, RememberedDateAndMinuteReadAsAFreshParserReadsThem)
{
    // Texts close together, each read by one parser that remembers what it
    // read before and by a fresh one: the same instant and form, also for a
    // text that differs from the one before only in a bad second or separator.
    const char* tails[] = {"", " UTC", ".5", ".125 UTC", "Z"};
    const char* seconds[] = {"00", "07", "59", "60", "6a", "/9", "5"};
    std::mt19937_64 random(9);
    DateTimeParser remembering;
    for (int i = 0; i < 20000; ++i) {
        const Instant minute = At20160317 + static_cast<Instant>(random() % 3) * 86400000
            + static_cast<Instant>(random() % 4) * 60000 + 23 * 3600000;
        std::array<char, TimeTextSize> full{};
        ASSERT_TRUE(RenderTimeText(minute, full));
        std::string text(full.data(), 17);
        if (random() % 8 == 0)
            text[10] = 'T';
        text += seconds[random() % std::size(seconds)];
        text += tails[random() % std::size(tails)];
        if (random() % 8 == 0)
            text[16] = '-';
        DateTimeParser fresh;
        ASSERT_EQ(remembering.Parse(text), fresh.Parse(text)) << text;
        ASSERT_EQ(remembering.Form(), fresh.Form()) << text;
    }
}

TEST(Instants, DatesInFileNames)
{
    const std::int64_t day = At20160317 / 86400000;
    EXPECT_EQ(DateInName("pass-2016-03-17.log"), day);
    EXPECT_EQ(DateInName("20160317_0915.log"), day);
    EXPECT_EQ(DateInName("station_2016_03_17.log"), day);
    EXPECT_EQ(DateInName("20161317-2016-03-17.log"), day); // the first valid date
    EXPECT_EQ(DateInName("pass-12.log"), std::nullopt);
    EXPECT_EQ(DateInName("2016-3-17.log"), std::nullopt);
}
