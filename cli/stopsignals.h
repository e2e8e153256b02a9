#pragma once

// SIGINT and SIGTERM, while an object of this class lives, only set a flag:
// the first ends live reception or the reading of captures, and those after
// it are let pass, so that the outputs are still written whole and no
// temporary file is left behind. The earlier handling comes back at the end.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal that came, or 0.
    static int Received();
};
