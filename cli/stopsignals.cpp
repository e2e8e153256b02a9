#include "stopsignals.h"

#include <atomic>
#include <csignal>

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

struct sigaction OldInt { };
struct sigaction OldTerm { };

} // namespace

StopSignals::StopSignals()
{
    FirstSignal = 0;
    struct sigaction action { };
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &OldInt);
    sigaction(SIGTERM, &action, &OldTerm);
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &OldInt, nullptr);
    sigaction(SIGTERM, &OldTerm, nullptr);
}
#endif
