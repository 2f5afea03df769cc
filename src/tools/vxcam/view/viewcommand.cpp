#include "viewcommand.h"

#include "displaycheck.h"
#include "failurelines.h"
#include "interrupt.h"
#include "liveview.h"
#include "platformnotes.h"
#include "printabletext.h"
#include "viewcamera.h"

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <cstdio>

namespace {

// How often the window looks for an interrupt.
constexpr int kInterruptPollMs = 50;

// The camera to stop and close should Qt end the process while it makes the
// GUI application (a platform plug-in that fails in a way the display check
// did not foresee): its fatal message goes on to the handler before, which
// ends the process.
// The plug-in logs on the grabbing thread meanwhile, hence the atomics.
std::atomic<ViewCamera *> g_openCamera {nullptr};
std::atomic<QtMessageHandler> g_previousHandler {nullptr};

void closeCameraOnFatal(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        if (ViewCamera *camera = g_openCamera.exchange(nullptr))
            camera->finish();
    }
    if (const QtMessageHandler previous = g_previousHandler.load())
        previous(type, context, message);
    else // a line logged while this handler was being installed
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int runView(const GrabOptions &options, std::unique_ptr<QCoreApplication> &app, int &argc, char **argv)
{
    // Before anything touches a camera: Qt would end the process without a
    // display, leaving the camera started.
    QString error;
    if (!displayAvailable(&error)) {
        printFailure(error);
        return 1;
    }
    catchInterrupts();
    // The camera first: a failure is then the only line, before any the GUI
    // platform may print.
    ViewCamera camera;
    if (!camera.open(options, &error)) {
        printFailure(error);
        return interrupted() ? kInterruptedStatus : 1;
    }
    if (interrupted()) {
        camera.finish();
        return kInterruptedStatus;
    }
    app.reset();
    const QuietPlatformNotes quiet;
    g_openCamera.store(&camera);
    g_previousHandler.store(qInstallMessageHandler(closeCameraOnFatal));
    QApplication gui(argc, argv);
    qInstallMessageHandler(g_previousHandler.load());
    g_openCamera.store(nullptr);
    QApplication::setApplicationName(QStringLiteral("vxcam"));
    LiveView window(&camera, options.screenshot);
    if (options.secondsGiven)
        QTimer::singleShot(qint64(options.seconds * 1000.0), &window, &QWidget::close);
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
