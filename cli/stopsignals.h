// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// SIGINT, SIGTERM, SIGHUP and SIGPIPE, while an object of this class lives,
// only set a flag: the first ends live reception or the reading of captures
// (or, when it comes while the outputs of captures are written, the writing:
// what is not written whole is not written at all), and no temporary file
// is left behind. A write to a closed pipe then fails with EPIPE instead of
// killing the program. The earlier handling comes back at the end.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal that came, or 0.
    static int Received();
    // Whether that signal is a closed pipe (nothing to tell the user of).
    static bool ReceivedBrokenPipe();
};
