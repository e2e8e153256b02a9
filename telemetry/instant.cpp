// SPDX-License-Identifier: GPL-3.0-or-later
#include "instant.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr Instant MsPerDay = 86400000;

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "HH:MM:SS" at text[at], in range: the seconds since midnight, or -1.
inline int ClockAt(std::string_view text, std::size_t at)
{
    if (at + 8 > text.size())
        return -1;
    // The six digits tested at once, without a branch each.
    const char* c = text.data() + at;
    auto digit = [&](int i) { return static_cast<unsigned>(c[i] - '0'); };
    const unsigned hour = digit(0) * 10 + digit(1);
    const unsigned minute = digit(3) * 10 + digit(4);
    const unsigned second = digit(6) * 10 + digit(7);
    const bool digits = std::max({digit(0), digit(1), digit(3), digit(4), digit(6), digit(7)}) <= 9;
    return digits && c[2] == ':' && c[5] == ':' && hour < 24 && minute < 60 && second < 60
        ? static_cast<int>(hour * 3600 + minute * 60 + second)
        : -1;
}

// A date YYYY?MM?DD at text[at] with the given separator (none when 0).
std::optional<std::int64_t> DateAt(std::string_view text, std::size_t at, char separator)
{
    const std::size_t step = separator ? 1 : 0;
    int year = 0;
    int month = 0;
    int day = 0;
    if (!Digits(text, at, 4, year) || !Digits(text, at + 4 + step, 2, month)
        || !Digits(text, at + 6 + 2 * step, 2, day))
        return std::nullopt;
    if (separator && (text[at + 4] != separator || text[at + 7] != separator))
        return std::nullopt;
    if (!IsValidDate(year, month, day))
        return std::nullopt;
    return DaysFromCivil(year, month, day);
}

} // namespace

std::int64_t DaysFromCivil(int year, int month, int day)
{
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool IsValidDate(int year, int month, int day)
{
    if (month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= Days[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::optional<Instant> ParseDateTime(std::string_view text)
{
    DateTimeParser parser;
    return parser.Parse(text);
}

Instant DateTimeParser::Read(std::string_view text)
{
    form_ = TimeForm::Other;
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    // "YYYY-MM-DD", a blank or "T", "HH:MM:SS". The date and minute of the
    // text before, or its date, are taken again without a second look.
    if (at + 19 > text.size())
        return UnknownInstant;
    const char* t = text.data() + at;
    Instant ms = 0;
    if (minuteKnown_ && std::memcmp(t, minute_.data(), minute_.size()) == 0) {
        const auto tens = static_cast<unsigned>(t[17] - '0');
        const auto ones = static_cast<unsigned>(t[18] - '0');
        if (t[16] != ':' || tens > 5 || ones > 9)
            return UnknownInstant;
        ms = minuteStart_ + (tens * 10 + ones) * Instant{1000};
    } else {
        if (t[10] != ' ' && t[10] != 'T')
            return UnknownInstant;
        if (!dateKnown_ || std::memcmp(t, date_.data(), date_.size()) != 0) {
            const std::optional<std::int64_t> days = DateAt(text, at, '-');
            if (!days)
                return UnknownInstant;
            std::copy_n(t, date_.size(), date_.begin());
            days_ = *days;
            dateKnown_ = true;
        }
        const int clock = ClockAt(text, at + 11);
        if (clock < 0)
            return UnknownInstant;
        ms = (days_ * 86400 + clock) * Instant{1000};
        std::copy_n(t, minute_.size(), minute_.begin());
        minuteStart_ = ms - clock % 60 * Instant{1000};
        minuteKnown_ = true;
    }
    // A fraction, cut (not rounded) to milliseconds; what follows it does not matter.
    const bool plain = at == 0 && text[10] == ' ';
    at += 19;
    std::size_t fractionDigits = 0;
    if (at + 1 < text.size() && text[at] == '.' && text[at + 1] >= '0' && text[at + 1] <= '9') {
        int scale = 100;
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10, ++fractionDigits)
            ms += (text[at] - '0') * scale;
    }
    // The date and time read are written back as they stand (four-digit
    // years, two-digit fields, all in range); what follows them decides the form.
    if (plain) {
        const std::string_view rest = text.substr(at);
        if (fractionDigits == 0 && rest.empty())
            form_ = TimeForm::DateTime;
        else if ((fractionDigits == 0 || fractionDigits == 3) && rest == " UTC")
            form_ = fractionDigits == 0 ? TimeForm::DateTimeUtc : TimeForm::Milliseconds;
    }
    return ms;
}

std::optional<std::int64_t> DateInName(std::string_view name)
{
    for (std::size_t at = 0; at + 8 <= name.size(); ++at)
        for (const char separator : {'-', '_', '\0'})
            if (const auto days = DateAt(name, at, separator))
                return days;
    return std::nullopt;
}

std::optional<Instant> ParseClockTime(std::string_view text)
{
    const int clock = ClockAt(text, 0);
    if (clock < 0)
        return std::nullopt;
    return clock * Instant{1000};
}

namespace {

struct Civil {
    int Year, Month, Day, Hour, Minute, Second, Milli;
};

Civil CivilOf(Instant instant)
{
    std::int64_t days = instant / MsPerDay;
    Instant rest = instant % MsPerDay;
    if (rest < 0) {
        rest += MsPerDay;
        --days;
    }
    Civil c{};
    CivilFromDays(days, c.Year, c.Month, c.Day);
    c.Hour = static_cast<int>(rest / 3600000);
    c.Minute = static_cast<int>(rest / 60000 % 60);
    c.Second = static_cast<int>(rest / 1000 % 60);
    c.Milli = static_cast<int>(rest % 1000);
    return c;
}

} // namespace

std::string FormatIsoUtc(Instant instant)
{
    const Civil c = CivilOf(instant);
    char text[40];
    int n = std::snprintf(
        text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second);
    if (c.Milli != 0)
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ".%03d", c.Milli);
    return std::string(text, static_cast<std::size_t>(n)) + "Z";
}

std::string FormatTimeText(Instant instant)
{
    const Civil c = CivilOf(instant);
    char text[48];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d UTC", c.Year, c.Month, c.Day,
        c.Hour, c.Minute, c.Second, c.Milli);
    return std::string(text, static_cast<std::size_t>(n));
}

bool TimeTextRenderer::Render(Instant instant, std::array<char, TimeTextSize>& out)
{
    if (instant == UnknownInstant)
        return false;
    std::int64_t day = instant / MsPerDay;
    Instant rest = instant % MsPerDay;
    if (rest < 0) {
        rest += MsPerDay;
        --day;
    }
    auto put = [](char* at, std::int64_t value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            at[i] = static_cast<char>('0' + value % 10);
    };
    if (day != day_) {
        int year = 0;
        int month = 0;
        int dayOfMonth = 0;
        CivilFromDays(day, year, month, dayOfMonth);
        day_ = day;
        valid_ = year >= 0 && year <= 9999;
        put(date_.data(), year, 4);
        put(date_.data() + 5, month, 2);
        put(date_.data() + 8, dayOfMonth, 2);
        date_[4] = date_[7] = '-';
    }
    if (!valid_)
        return false;
    std::copy(date_.begin(), date_.end(), out.begin());
    constexpr std::string_view Rest = " 00:00:00.000 UTC";
    std::copy(Rest.begin(), Rest.end(), out.begin() + 10);
    // The time of day in 32 bits, two digits at a time.
    static constexpr auto Pairs = [] {
        std::array<char, 200> pairs{};
        for (int i = 0; i < 100; ++i) {
            pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
            pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
        }
        return pairs;
    }();
    const auto ms = static_cast<std::uint32_t>(rest);
    auto pair = [&](std::size_t at, std::uint32_t value) { std::memcpy(out.data() + at, &Pairs[2 * value], 2); };
    pair(11, ms / 3600000);
    pair(14, ms / 60000 % 60);
    pair(17, ms / 1000 % 60);
    out[20] = static_cast<char>('0' + ms % 1000 / 100);
    pair(21, ms % 100);
    return true;
}

TimeForm TimeTextRenderer::FormOf(std::string_view text, Instant instant)
{
    // Only texts of the forms' lengths are rendered; the comparisons are of
    // fixed lengths, which the compiler does without a call.
    const std::size_t size = text.size();
    if (size != 16 && size != 19 && size != 23 && size != TimeTextSize)
        return TimeForm::Other;
    std::array<char, TimeTextSize> full{};
    if (!Render(instant, full))
        return TimeForm::Other;
    const char* t = text.data();
    const bool wholeSecond = instant % 1000 == 0;
    const bool dateTime = size != 16 && std::memcmp(t, full.data(), 19) == 0;
    switch (size) {
    case 16: return std::memcmp(t, full.data() + 11, 16) == 0 ? TimeForm::Clock : TimeForm::Other;
    case 19: return wholeSecond && dateTime ? TimeForm::DateTime : TimeForm::Other;
    case 23:
        return wholeSecond && dateTime && std::memcmp(t + 19, " UTC", 4) == 0 ? TimeForm::DateTimeUtc : TimeForm::Other;
    default:
        return dateTime && std::memcmp(t + 19, full.data() + 19, 8) == 0 ? TimeForm::Milliseconds : TimeForm::Other;
    }
}

bool RenderTimeText(Instant instant, std::array<char, TimeTextSize>& out)
{
    TimeTextRenderer renderer;
    return renderer.Render(instant, out);
}
