#include "viewcommand.h"

#include "failurelines.h"
#include "liveview.h"
#include "viewcamera.h"

#include <QApplication>
#include <QTimer>

int runView(const GrabOptions &options, std::unique_ptr<QCoreApplication> &app, int &argc, char **argv)
{
    // The camera first: a failure is then the only line, before any the GUI
    // platform may print.
    ViewCamera camera;
    QString error;
    if (!camera.open(options, &error)) {
        printFailure(error);
        return 1;
    }
    app.reset();
    QApplication gui(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vxcam"));
    LiveView window(&camera, options.screenshot);
    if (options.secondsGiven)
        QTimer::singleShot(qint64(options.seconds * 1000.0), &window, &QWidget::close);
    window.show();
    QApplication::exec();
    camera.finish();
    if (window.screenshotFailed()) {
        printFailure(QStringLiteral("cannot write the screenshot %1").arg(options.screenshot));
        return 1;
    }
    return 0;
}
