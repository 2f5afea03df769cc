#include "platformnotes.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdio>

namespace {

// The plug-in logs on the grabbing thread while the handler changes.
std::atomic<QtMessageHandler> g_previous {nullptr};

void dropPlatformNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (isPlatformNote(type, message))
        return;
    if (const QtMessageHandler previous = g_previous.load())
        previous(type, context, message);
    else // a line logged while this handler was being installed
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

// Said by Qt's platform layer, about nothing the view does:
// - the offscreen platform (and others without a window system) cannot pass
//   a window's size limits on, and says so at every window;
// - without XDG_RUNTIME_DIR (a session without a login, such as ssh or cron)
//   Qt takes a folder of its own, which the view never uses.
bool isPlatformNote(QtMsgType type, const QString &message)
{
    return type == QtWarningMsg
        && (message == QLatin1String("This plugin does not support propagateSizeHints()")
            || message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")));
}

QuietPlatformNotes::QuietPlatformNotes()
{
    g_previous.store(qInstallMessageHandler(dropPlatformNotes));
}

QuietPlatformNotes::~QuietPlatformNotes()
{
    qInstallMessageHandler(g_previous.load());
}
