#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> g_interrupted {false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void onSignal(int)
{
    g_interrupted.store(true);
}

void install(int signalNumber)
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // The default disposition comes back after the first signal: a second
    // one ends the process.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(signalNumber, &action, nullptr);
}

} // namespace

void catchInterrupts()
{
    static const bool installed = [] {
        install(SIGINT);
        install(SIGTERM);
        return true;
    }();
    (void)installed;
}

bool interrupted()
{
    return g_interrupted.load();
}
