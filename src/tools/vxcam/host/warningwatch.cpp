#include "warningwatch.h"

#include <atomic>
#include <mutex>

namespace {

// Installed once, with the first watch, and kept: taking it out again could
// drop a message of another thread that is passing through it.
std::atomic<QtMessageHandler> g_previous {nullptr};
thread_local int t_watches = 0;
thread_local int t_warnings = 0;

void watchingHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && t_watches > 0)
        ++t_warnings;
    const QtMessageHandler previous = g_previous.load();
    if (previous != nullptr)
        previous(type, context, message);
}

} // namespace

WarningWatch::WarningWatch()
{
    static std::once_flag installed;
    std::call_once(installed, [] { g_previous.store(qInstallMessageHandler(watchingHandler)); });
    ++t_watches;
    m_before = t_warnings;
}

WarningWatch::~WarningWatch()
{
    --t_watches;
}

int WarningWatch::warnings() const
{
    return t_warnings - m_before;
}
