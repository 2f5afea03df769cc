#include "warningwatch.h"

#include <atomic>
#include <thread>

namespace {

// Set just after the watching handler is installed; a message of another
// thread in between has nowhere to go and is dropped.
std::atomic<QtMessageHandler> g_previous {nullptr};
std::atomic<std::thread::id> g_watchedThread;
std::atomic<int> g_warnings {0};

void watchingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && std::this_thread::get_id() == g_watchedThread)
        ++g_warnings;
    const QtMessageHandler previous = g_previous.load();
    if (previous != nullptr)
        previous(type, context, message);
}

} // namespace

WarningWatch::WarningWatch()
{
    g_watchedThread = std::this_thread::get_id();
    g_warnings = 0;
    g_previous.store(qInstallMessageHandler(watchingHandler));
}

WarningWatch::~WarningWatch()
{
    qInstallMessageHandler(g_previous.load());
}

int WarningWatch::warnings() const
{
    return g_warnings.load();
}
