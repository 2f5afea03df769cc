#include "viewcommand.h"

#include "displaycheck.h"
#include "failurelines.h"
#include "interrupt.h"
#include "liveview.h"
#include "platformnotes.h"
#include "printabletext.h"
#include "viewcamera.h"

#include "savefolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// How often the window looks for an interrupt.
constexpr int kInterruptPollMs = 50;

// While the GUI application is made: its log lines, held back, and whether
// one was fatal (Qt ends the process after a fatal message: a platform
// plug-in that is missing or cannot start).
QStringList g_heldLines;
QStringList g_heldMessages;
std::atomic<QtMessageHandler> g_previousHandler {nullptr};

QString platformName()
{
    const QString named = qEnvironmentVariable("QT_QPA_PLATFORM").trimmed().section(QLatin1Char(':'), 0, 0);
    if (!named.isEmpty())
        return named;
    return QGuiApplication::platformName().isEmpty() ? QStringLiteral("the default")
                                                     : QGuiApplication::platformName();
}

void holdPlatformLines(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        if (isPlatformNote(type, message))
            return;
        g_heldLines.append(qFormatLogMessage(type, context, message));
        g_heldMessages.append(message);
        return;
    }
    // One line, and the end: no camera has been touched yet. Why: the
    // platform's own first complaint when it exists here (a display that
    // does not answer), else the platforms there are (a misspelt name).
    const QString name = platformName();
    QString line = QStringLiteral("the live view cannot start the Qt platform \"%1\"").arg(name);
    const QString availableText = QStringLiteral("Available platform plugins are: ");
    const qsizetype at = message.indexOf(availableText);
    const QStringList available = at < 0 ? QStringList()
                                         : message.mid(at + availableText.size())
                                               .section(QLatin1Char('\n'), 0, 0)
                                               .remove(QLatin1Char('.'))
                                               .split(QStringLiteral(", "), Qt::SkipEmptyParts);
    if (!available.isEmpty() && !available.contains(name))
        line += QStringLiteral(" (available: %1)").arg(available.join(QStringLiteral(", ")));
    else if (!g_heldMessages.isEmpty())
        line += QStringLiteral(": ") + g_heldMessages.first().section(QLatin1Char('\n'), 0, 0);
    else
        line += QStringLiteral(": ") + message.section(QLatin1Char('\n'), 0, 0);
    printFailure(line);
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

int runView(const GrabOptions &options, std::unique_ptr<QCoreApplication> &app, int &argc, char **argv)
{
    // Before anything touches a camera: Qt would end the process without a
    // display, leaving the camera started.
    QElapsedTimer runTime;
    runTime.start();
    QString error;
    if (!displayAvailable(&error)
        || (!options.screenshot.isEmpty()
            && !checkOutputFolder(options.screenshot, QStringLiteral("the screenshot"), &error))) {
        printFailure(error);
        return 1;
    }
    catchInterrupts();
    // The GUI platform before the camera: a platform that cannot start ends
    // the run with one line before any camera is touched. Its other lines
    // wait until the camera's failure, if any, has been said.
    app.reset();
    const QuietPlatformNotes quiet;
    g_previousHandler.store(qInstallMessageHandler(holdPlatformLines));
    QApplication gui(argc, argv);
    qInstallMessageHandler(g_previousHandler.load());
    QApplication::setApplicationName(QStringLiteral("vxcam"));
    ViewCamera camera;
    const bool opened = camera.open(options, &error);
    if (!opened && !error.isEmpty())
        printFailure(error);
    for (const QString &line : std::as_const(g_heldLines))
        std::fprintf(stderr, "%s\n", qPrintable(line));
    g_heldLines.clear();
    if (!opened)
        return interrupted() ? kInterruptedStatus : 1;
    // An interrupt from here on closes the window as Q does (the screenshot
    // included), at its first look.
    LiveView window(&camera, options.screenshot);
    if (options.secondsGiven)
        QTimer::singleShot(std::max<qint64>(0, qint64(options.seconds * 1000.0) - runTime.elapsed()), &window,
                           &QWidget::close);
    // Ctrl-C, SIGTERM, the console's events: closed as with Q (stop, close,
    // screenshot).
    QTimer interrupts;
    QObject::connect(&interrupts, &QTimer::timeout, &window, [&window] {
        if (interrupted())
            window.close();
    });
    interrupts.start(kInterruptPollMs);
    window.show();
    QApplication::exec();
    const quint64 frames = camera.host().frames();
    const bool lost = camera.checkLost();
    camera.finish();
    int status = 0;
    if (lost) {
        printFailure(QStringLiteral("camera \"") + printableText(camera.key())
                     + QStringLiteral("\" lost its connection after %1 frames").arg(frames));
        status = 1;
    }
    const DumpCheck dumps = camera.checkDumps();
    if (dumps.missing > 0) {
        printFailure(QStringLiteral("camera \"") + printableText(camera.key())
                     + QStringLiteral("\": %1 of %2 dumps not written: ").arg(dumps.missing).arg(dumps.asked)
                     + dumps.reason);
        status = 1;
    }
    if (window.screenshotFailed()) {
        printFailure(QStringLiteral("cannot write the screenshot %1").arg(options.screenshot));
        status = 1;
    }
    return interrupted() ? kInterruptedStatus : status;
}
