// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reception instants: milliseconds since 1970-01-01 00:00:00 UTC. A stored
// packet whose time is not known has UnknownInstant.
using Instant = std::int64_t;
inline constexpr Instant UnknownInstant = INT64_MIN;

// Days since 1970-01-01 of a date, and back; the date must be valid.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// A date that exists (month 1 to 12, day within its month, leap years).
bool IsValidDate(int year, int month, int day);

// A date-time text: optional blanks, "YYYY-MM-DD HH:MM:SS" (a "T" may stand
// for the blank), optionally a fraction ".d..." cut to milliseconds, then
// optionally "Z", "UTC" or " UTC"; anything after that is ignored. All times
// are UTC. A date or time out of range gives none.
std::optional<Instant> ParseDateTime(std::string_view text);

// The forms in which the program writes an instant: "10:15:00.000 UTC",
// "2016-03-17 10:15:00", "2016-03-17 10:15:00 UTC" and
// "2016-03-17 10:15:00.125 UTC". A time text that is exactly its instant in
// one of them can be written again from the instant instead of being kept.
enum class TimeForm : std::uint8_t { Other, Clock, DateTime, DateTimeUtc, Milliseconds };

// ParseDateTime for texts that follow each other, most of the same date and
// many of the same minute: a date, or date and minute, that equals the one
// before is not read again.
class DateTimeParser {
public:
    std::optional<Instant> Parse(std::string_view text)
    {
        const Instant at = Read(text);
        return at == UnknownInstant ? std::nullopt : std::optional<Instant>(at);
    }
    // The form of the text read last when its instant is written exactly as
    // it (Clock never: a text with a date is not in that form), else Other.
    TimeForm Form() const { return form_; }

private:
    Instant Read(std::string_view text); // UnknownInstant when there is none
    std::array<char, 10> date_{};        // the date read last ("YYYY-MM-DD")
    std::int64_t days_ = 0;              // as days since 1970
    std::array<char, 16> minute_{};      // the date and minute read last ("YYYY-MM-DD HH:MM")
    Instant minuteStart_ = 0;            // as the instant that minute starts
    bool dateKnown_ = false;
    bool minuteKnown_ = false;
    TimeForm form_ = TimeForm::Other;
};

// The first date in a file name: YYYY-MM-DD, YYYYMMDD or YYYY_MM_DD, as days
// since 1970-01-01.
std::optional<std::int64_t> DateInName(std::string_view name);

// "HH:MM:SS" at the start of text, as milliseconds since midnight.
std::optional<Instant> ParseClockTime(std::string_view text);

// "2016-03-17T10:15:00Z"; milliseconds only when they are not 0
// ("2016-03-17T10:15:00.125Z").
std::string FormatIsoUtc(Instant instant);

// "2016-03-17 10:15:00.125 UTC", the time text of a gr-satellites stamp.
std::string FormatTimeText(Instant instant);

// The same text, "2016-03-17 10:15:00.125 UTC" always with its milliseconds,
// written into out without allocating; false (out untouched) for an unknown
// instant or a year outside 0 to 9999.
inline constexpr std::size_t TimeTextSize = 27;
bool RenderTimeText(Instant instant, std::array<char, TimeTextSize>& out);

// RenderTimeText for instants that follow each other, most on the same day:
// the date is worked out once a day.
class TimeTextRenderer {
public:
    bool Render(Instant instant, std::array<char, TimeTextSize>& out);
    // The form in which instant is written as exactly text, Other when none is.
    TimeForm FormOf(std::string_view text, Instant instant);

private:
    std::int64_t day_ = INT64_MIN;
    std::array<char, 10> date_{};
    bool valid_ = false;
};
