// The live view in this process on the offscreen platform: the plug-in loaded
// as a host loads it, a virtual camera behind it, the window's keys checked
// in the SDK trace.
#include "MVSDK/Sim/VirtualCameras.h"
#include "histogram.h"
#include "imagecanvas.h"
#include "liveview.h"
#include "simsession.h"
#include "viewcamera.h"
#include "waitfor.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <numeric>

namespace {

class LiveViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_liveview";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QApplication app(argc, argv);
        ASSERT_TRUE(session.loaded()) << session.loadError().toStdString();
        // No --plugin: the default one, beside this program as beside vxcam.
        options.cameras = QStringList {QStringLiteral("View:BGR")};
    }

    // Processes the window's events until the condition holds.
    static bool until(const std::function<bool()> &condition)
    {
        return waitFor([&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return condition();
        });
    }

    bool traced(const QString &line) const { return session.traceSinceMark().contains(line); }

    SimSession session {R"({"cameras": [{"key": "View:BGR", "width": 24, "height": 8,
                                          "pixelFormat": "BGR8Packed", "fps": 100},
                                         {"key": "View:OFF", "width": 8, "height": 2, "fps": 100,
                                          "outage": {"afterFrames": 10, "seconds": 0.5}}]})"};
    GrabOptions options;
};

} // namespace

TEST_F(LiveViewTest, ShowsFramesAsTheCameraSentThem)
{
    ViewCamera camera;
    QString error;
    ASSERT_TRUE(camera.open(options, &error)) << error.toStdString();
    EXPECT_EQ(camera.layout().pixelFormat, "BGR8Packed");
    LiveView window(&camera, QString());
    window.show();
    ASSERT_TRUE(until([&] { return window.shownFrameNumber() >= 3; }));
    QTest::keyClick(&window, Qt::Key_F); // 1:1: the canvas is the image, pixel for pixel
    ASSERT_FALSE(window.canvas()->fit());
    ASSERT_TRUE(until([&] { return window.canvas()->size() == QSize(24, 8); }));

    // No event in between: the canvas still holds the frame numbered s, whose
    // byte i the virtual camera made (i + s) mod 256, in blue-green-red order.
    const quint32 s = window.shownFrameNumber();
    const QImage rendered
        = const_cast<ImageCanvas *>(window.canvas())->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(rendered.size(), QSize(24, 8));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 24; ++x) {
            const int i = 3 * (y * 24 + x);
            const QRgb expected = qRgb((i + 2 + s) % 256, (i + 1 + s) % 256, (i + s) % 256);
            ASSERT_EQ(rendered.pixel(x, y), expected) << x << "," << y << " of frame " << s;
        }
    }
    // The status line names the camera and tells the pixel under the mouse.
    QTest::mouseMove(const_cast<ImageCanvas *>(window.canvas()), QPoint(5, 2));
    ASSERT_TRUE(until([&] { return window.statusText().contains("pixel (5, 2): R "); }))
        << window.statusText().toStdString();
    EXPECT_TRUE(window.statusText().startsWith("View:BGR  24x8  BGR8Packed (BGR24)  running"))
        << window.statusText().toStdString();
    const std::array<quint32, 256> counts = greyHistogram(window.canvas()->image());
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0u), 24u * 8u);
}

TEST_F(LiveViewTest, KeysDriveThePlugInAndClosingReleasesTheCamera)
{
    options.savePrefix = session.path(QStringLiteral("dump_"));
    ViewCamera camera;
    QString error;
    ASSERT_TRUE(camera.open(options, &error)) << error.toStdString();
    EXPECT_TRUE(camera.dumps());
    LiveView window(&camera, session.path(QStringLiteral("shot.png")));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    session.markTrace();
    QTest::keyClick(&window, Qt::Key_D); // dumps off
    EXPECT_FALSE(camera.dumps());
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_TRUE(traced("stopGrabbing View:BGR -> ok")) << session.traceSinceMark().join('\n').toStdString();
    EXPECT_FALSE(camera.running());
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_TRUE(traced("startGrabbing View:BGR 0 0 -> ok"));
    EXPECT_TRUE(camera.running());

    session.markTrace();
    QTest::keyClick(&window, Qt::Key_Plus);
    QTest::keyClick(&window, Qt::Key_Plus);
    QTest::keyClick(&window, Qt::Key_Minus);
    EXPECT_EQ(session.traceSinceMark("set View:BGR ExposureTime"),
              QStringList({"set View:BGR ExposureTime 12500 -> ok", "set View:BGR ExposureTime 15625 -> ok",
                           "set View:BGR ExposureTime 12500 -> ok"}));
    EXPECT_EQ(camera.exposure(), 12500);

    // The snapshot switches to software triggering; each one makes one frame,
    // dumped while dumps are on again.
    QTest::keyClick(&window, Qt::Key_D);
    session.markTrace();
    QTest::keyClick(&window, Qt::Key_S);
    EXPECT_TRUE(traced("set View:BGR TriggerSource Software -> ok"));
    EXPECT_TRUE(traced("execute View:BGR TriggerSoftware -> ok"));
    ASSERT_TRUE(until([&] {
        return !QDir(session.dir()).entryList({QStringLiteral("dump_*")}).isEmpty()
            && window.shownFrameNumber() > 0;
    }));

    session.markTrace();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(camera.isOpen());
    const QStringList closing = session.traceSinceMark();
    EXPECT_TRUE(closing.contains("stopGrabbing View:BGR -> ok")) << closing.join('\n').toStdString();
    EXPECT_TRUE(closing.contains("detachGrabbing View:BGR -> ok"));
    EXPECT_TRUE(closing.contains("disconnect View:BGR -> ok"));
    EXPECT_FALSE(window.screenshotFailed());
    EXPECT_EQ(QImage(session.path(QStringLiteral("shot.png"))).size(), window.size());
}

TEST_F(LiveViewTest, AWindowRecoversByItselfFromACameraThatWasOffForAWhile)
{
    options.cameras = QStringList {QStringLiteral("View:OFF")};
    options.reconnect = true;
    ViewCamera camera;
    QString error;
    ASSERT_TRUE(camera.open(options, &error)) << error.toStdString();
    LiveView window(&camera, QString());
    window.show();
    ASSERT_TRUE(until([&] { return camera.lost(); }));
    EXPECT_EQ(camera.host().frames(), 10u);
    EXPECT_TRUE(window.statusText().contains("LOST, reconnecting")) << window.statusText().toStdString();
    ASSERT_TRUE(until([&] { return camera.host().frames() >= 20; }));
    EXPECT_TRUE(camera.running());
    EXPECT_EQ(camera.reconnects(), 1);
    EXPECT_EQ(session.traceLines("startGrabbing View:OFF 0 0 -> ok").size(), 2);
    EXPECT_TRUE(window.statusText().contains("  running\n")) << window.statusText().toStdString();
    // The outage stays in the numbers: free running, its frames are estimated.
    EXPECT_TRUE(
        window.statusText().contains(QRegularExpression(R"(  offline \d+\.\d s  missed ~\d+ \(estimate\))")))
        << window.statusText().toStdString();
}

TEST_F(LiveViewTest, WhileTheCameraIsLostKeysWaitAndAFailedStartAfterTheReopenIsTriedAgain)
{
    options.cameras = QStringList {QStringLiteral("View:OFF")};
    options.reconnect = true;
    options.exposureGiven = true;
    options.exposure = 8000;
    ViewCamera camera;
    QString error;
    ASSERT_TRUE(camera.open(options, &error)) << error.toStdString();
    LiveView window(&camera, QString());
    window.show();
    ASSERT_TRUE(until([&] { return camera.lost(); }));
    ASSERT_TRUE(VxSim::setFailure(QStringLiteral("View:OFF"), QStringLiteral("startGrabbing"), true));
    session.markTrace();
    // Nothing of these reaches the camera being reconnected; the exposure
    // time is kept for it.
    QTest::keyClick(&window, Qt::Key_Space);
    QTest::keyClick(&window, Qt::Key_S);
    QTest::keyClick(&window, Qt::Key_Plus);
    EXPECT_EQ(camera.exposure(), 10000);
    // The first start after the reopen fails: the camera is closed and
    // opened again, and the start tried again.
    ASSERT_TRUE(until([&] {
        return session.traceSinceMark("startGrabbing View:OFF 0 0 -> fail").size() >= 2;
    })) << session.traceSinceMark().join('\n').toStdString();
    EXPECT_EQ(camera.reconnects(), 0);
    ASSERT_TRUE(VxSim::setFailure(QStringLiteral("View:OFF"), QStringLiteral("startGrabbing"), false));
    ASSERT_TRUE(until([&] { return camera.running() && camera.host().frames() > 10; }));
    EXPECT_EQ(camera.reconnects(), 1);
    const QStringList calls = session.traceSinceMark();
    EXPECT_TRUE(session.traceSinceMark("execute ").isEmpty()) << calls.join('\n').toStdString();
    const qsizetype exposure = calls.lastIndexOf("set View:OFF ExposureTime 10000 -> ok");
    const qsizetype started = calls.indexOf("startGrabbing View:OFF 0 0 -> ok");
    EXPECT_GE(exposure, 0) << calls.join('\n').toStdString();
    EXPECT_LT(exposure, started) << calls.join('\n').toStdString();
    EXPECT_EQ(calls.count("startGrabbing View:OFF 0 0 -> ok"), 1) << calls.join('\n').toStdString();
}
