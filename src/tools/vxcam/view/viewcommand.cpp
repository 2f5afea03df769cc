#include "viewcommand.h"

#include "camerahandle.h"
#include "liveview.h"
#include "viewcamera.h"

#include <QApplication>
#include <QTimer>

int runView(const GrabOptions &options, int &argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vxcam"));
    ViewCamera camera;
    QString error;
    if (!camera.open(options, &error)) {
        reportFailure(error);
        return 1;
    }
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
