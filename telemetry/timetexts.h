// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "instant.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A log line's clock time without a date has no instant; a store keeps the
// time of day in the instants no date reaches, just above UnknownInstant, so
// that a text such as "10:15:00.000 UTC" needs no room of its own.
constexpr Instant ClockOnlyBase = UnknownInstant;
inline bool IsClockOnly(Instant at) { return at >= ClockOnlyBase && at < ClockOnlyBase + 86400000; }

// The time texts of stored packets, each by an id: a text that the packet's
// instant renders exactly (a log line's clock time, a date and time, with
// " UTC", with milliseconds) is not kept at all; any other is kept once in
// an arena, shared by consecutive packets with the same text.
class TimeTexts {
public:
    // Ids from 0 (the empty text) up to Highest; the ids above are free for
    // a store's own marks.
    static constexpr std::uint32_t Highest = 0xFFFFFFF0 + static_cast<std::uint32_t>(TimeForm::Milliseconds);

    TimeTexts();
    // The id of time, the text of a packet received at at.
    std::uint32_t IdFor(std::string_view time, Instant at)
    {
        // Consecutive packets usually share the time of one time frame, or
        // one a reader has noted.
        if (lastId_ != 0 && at == lastAt_ && time == lastTime_)
            return lastId_;
        return NewId(time, at);
    }
    // A reader that has found time to be exactly at written in form says so:
    // the packets stored next with that text and instant take the form
    // without a second look. Other tells nothing.
    void NoteForm(std::string_view time, Instant at, TimeForm form);
    // Appends the text of id for a packet received at at.
    void Append(std::string& out, std::uint32_t id, Instant at) const;
    void Clear();
    std::size_t MemoryBytes() const;

private:
    std::uint32_t NewId(std::string_view time, Instant at);

    std::string chars_;
    std::vector<std::size_t> ends_; // text i spans ends_[i-1] .. ends_[i]
    std::string lastTime_;          // the text and instant stored last, and its id
    Instant lastAt_ = UnknownInstant;
    std::uint32_t lastId_ = 0;
    TimeTextRenderer renderer_;
};
