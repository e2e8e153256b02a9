// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksyscratch.h"

#include <atomic>

namespace {

std::atomic<bool (*)()> StopCheck{nullptr};

// Steps between two looks at the stop check: a few milliseconds of work.
constexpr std::int64_t PollEvery = 1 << 16;

} // namespace

void KsyInterpreter::SetStopCheck(bool (*stopRequested)()) { StopCheck = stopRequested; }

void KsyScratch::Poll()
{
    if (Steps > KsyInterpreter::MaxSteps)
        throw KsyFrameError(
            "the description takes more than " + std::to_string(KsyInterpreter::MaxSteps) + " steps for this frame");
    NextPoll = std::min(Steps + PollEvery, KsyInterpreter::MaxSteps + 1);
    if (const auto check = StopCheck.load(std::memory_order_relaxed); check && check())
        throw KsyFrameError("stopped while the frame was read");
}
