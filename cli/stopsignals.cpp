// SPDX-License-Identifier: GPL-3.0-or-later
#include "stopsignals.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace {

// A signal handler can reach nothing but a flag of static storage.
std::atomic<int> FirstSignal{0};

extern "C" void OnStopSignal(int signal)
{
    int none = 0;
    FirstSignal.compare_exchange_strong(none, signal);
}

} // namespace

int StopSignals::Received() { return FirstSignal; }

#ifdef _WIN32
bool StopSignals::ReceivedBrokenPipe() { return false; }

StopSignals::StopSignals()
{
    FirstSignal = 0;
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

StopSignals::~StopSignals()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}
#else
namespace {

constexpr int Caught[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
struct sigaction Old[std::size(Caught)]{};

} // namespace

bool StopSignals::ReceivedBrokenPipe() { return FirstSignal == SIGPIPE; }

StopSignals::StopSignals()
{
    FirstSignal = 0;
    struct sigaction action { };
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal ends a wait for a peer or a pipe's reader. A
    // hangup that was ignored stays so (nohup).
    for (std::size_t k = 0; k < std::size(Caught); ++k) {
        sigaction(Caught[k], nullptr, &Old[k]);
        if (Old[k].sa_handler != SIG_IGN || Caught[k] != SIGHUP)
            sigaction(Caught[k], &action, nullptr);
    }
}

StopSignals::~StopSignals()
{
    for (std::size_t k = 0; k < std::size(Caught); ++k)
        sigaction(Caught[k], &Old[k], nullptr);
}
#endif
