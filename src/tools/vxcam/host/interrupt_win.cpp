#include "interrupt.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool> g_interrupted {false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        // Handled the first time; the second time the default handler ends
        // the process.
        return g_interrupted.exchange(true) ? FALSE : TRUE;
    case CTRL_CLOSE_EVENT:
        // The system ends the process once this returns: give the runs the
        // few seconds it allows to close their cameras (the process may end
        // earlier, when they are done).
        g_interrupted.store(true);
        Sleep(4500);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void catchInterrupts()
{
    static const bool installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    (void)installed;
}

bool interrupted()
{
    return g_interrupted.load();
}
