#include "viewcommand.h"

#include "camerahandle.h"
#include "liveview.h"
#include "viewcamera.h"

#include <QApplication>
#include <QTimer>

int runView(const GrabOptions &options, int &argc, char **argv)
{
    // The camera first: a failure is then the only line, before any the GUI
    // platform may print.
    ViewCamera camera;
    QString error;
    if (!camera.open(options, &error)) {
        reportFailure(error);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vxcam"));
    LiveView window(&camera, options.screenshot);
    if (options.secondsGiven)
        QTimer::singleShot(qint64(options.seconds * 1000.0), &window, &QWidget::close);
    window.show();
    QApplication::exec();
    camera.finish();
    if (window.screenshotFailed()) {
        reportFailure(QStringLiteral("cannot write the screenshot %1").arg(options.screenshot));
        return 1;
    }
    return 0;
}
