// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capturefile.h"
#include "readerhost.h"

#include <chrono>
#include <cstdint>

// Hands the window its pending events at most every few tens of milliseconds,
// however many frames pass in between, with how far the file is read; after
// the events it asks whether the user cancelled the reading.
class EventPump {
public:
    EventPump(ReaderHost& host, const CaptureFile& file)
        : host_(host)
        , file_(file)
        , last_(std::chrono::steady_clock::now())
    {
    }

    // Called once per frame or line; progress, when given, is shown to the
    // host right before it gets its events.
    void Tick(std::int64_t progress = -1)
    {
        if (++ticks_ % 64 != 0)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < Interval)
            return;
        last_ = now;
        if (progress >= 0)
            host_.ShowProgress(progress);
        host_.ShowReadProgress(file_.BytesRead(), file_.Size());
        host_.ProcessPendingEvents();
        cancelled_ = host_.CancelRequested();
    }

    bool Cancelled() const { return cancelled_; }

    static constexpr std::chrono::milliseconds Interval{20};

private:
    ReaderHost& host_;
    const CaptureFile& file_;
    std::chrono::steady_clock::time_point last_;
    std::uint32_t ticks_ = 0;
    bool cancelled_ = false;
};
