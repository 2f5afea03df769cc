// The plug-in's current driver against Aravis's GigE Vision fake camera over
// loopback, inside a private network namespace (see in_netns.sh), opened by
// address through VXCAM_ARAVIS_DEVICES=127.0.0.1.
#include "cameradahuav2.h"
#include "gigefakecamera.h"
#include "logcapture.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"
#include "MVSDK/StreamStatistics.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <thread>
#include <vector>

using namespace Dahua::GenICam;

namespace {

// Before any camera use: the Aravis back end, opening the fake by address.
const bool g_backend = useAravisBackend();

// A running fake server and an open driver on it.
struct FakeSession {
    // The fake's frames are `side` x `side` pixels (0: its own 512 x 512).
    explicit FakeSession(int side = 0)
    {
        EXPECT_TRUE(g_backend);
        QString error;
        started = fake.start(&error) && (side == 0 || fake.setFrameSize(side, side, &error));
        EXPECT_TRUE(started) << error.toStdString();
        option.cameraName = fake.key();
        camera = std::make_unique<CCameraDahuaV2>(&option, &host);
        opened = started && camera->IOpenCamera() == 1;
        EXPECT_TRUE(opened);
    }
    // Frames delivered after a wait long enough for stragglers to show up;
    // a count, never a duration, is asserted.
    int callsAfterSettling()
    {
        QThread::msleep(300);
        return host.calls.load();
    }

    GigEFakeCamera fake;
    bool started = false;
    bool opened = false;
    tagVX_CAMERA_OPTION option;
    TestHost host;
    std::unique_ptr<CCameraDahuaV2> camera;
};

// Whether any message logged holds this text.
bool logged(const LogCapture &log, const QString &text)
{
    for (const QString &message : log.messages()) {
        if (message.contains(text))
            return true;
    }
    return false;
}

} // namespace

TEST(AravisGigE, ListsTheFakeByItsDeviceIdAndOpensItWithItsGeometry)
{
    FakeSession s;
    ASSERT_TRUE(s.opened);
    EXPECT_EQ(s.camera->IGetCameraList(), QStringList {s.fake.key()});
    EXPECT_EQ(s.camera->m_nWidth, 512);
    EXPECT_EQ(s.camera->m_nHeight, 512);
    EXPECT_EQ(s.camera->m_nBitsPerPixel, 8);
    EXPECT_EQ(s.camera->m_nImageFormat, 1);

    Dahua::Infra::TVector<ICameraPtr> cameras;
    ASSERT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    ASSERT_EQ(cameras.size(), 1u);
    EXPECT_EQ(cameras[0]->getType(), int(typeGigeCamera));
    IGigECameraPtr gige = IGigECamera::getInstance(cameras[0]);
    IGigEInterfacePtr local = IGigEInterface::getInstance(cameras[0]);
    ASSERT_NE(gige, nullptr);
    ASSERT_NE(local, nullptr);
    EXPECT_STREQ(gige->getIpAddress().c_str(), "127.0.0.1");
    EXPECT_STREQ(local->getIpAddress().c_str(), "127.0.0.1");
    EXPECT_STREQ(local->getSubnetMask().c_str(), "255.0.0.0");
    LogCapture log;
    EXPECT_FALSE(gige->forceIpAddress("127.0.0.2", "255.0.0.0", "0.0.0.0")) << "Aravis cannot assign at once";
    EXPECT_EQ(log.messages(QtWarningMsg).size(), 1);
}

TEST(AravisGigE, FreeRunDeliversCompleteFramesFromAFewBuffersAndStopEndsDelivery)
{
    FakeSession s;
    ASSERT_TRUE(s.opened);
    for (int mode : {2, 3}) {
        setTriggerMode(s.camera.get(), mode);
        s.host.closed = false;
        const int before = s.host.calls.load();
        ASSERT_EQ(s.camera->IStartCamera(), 1) << "mode " << mode;
        ASSERT_TRUE(waitFor([&] { return s.host.calls.load() >= before + 10; })) << "mode " << mode;
        s.camera->IStopCamera();
        s.host.closed = true;
        s.callsAfterSettling();
        EXPECT_EQ(s.host.callsAfterClose.load(), 0) << "mode " << mode;
    }
    std::set<const unsigned char *> buffers;
    for (const TestHost::Delivery &d : s.host.deliveries()) {
        EXPECT_EQ(d.width, 512);
        EXPECT_EQ(d.height, 512);
        buffers.insert(d.data);
    }
    EXPECT_LE(buffers.size(), 8u) << "frames point into the pool's buffers, never into copies";
}

TEST(AravisGigE, LineOneStartsAndEachSoftwareSnapshotGivesExactlyOneFrame)
{
    FakeSession s(128);
    ASSERT_TRUE(s.opened);
    QTemporaryDir dir;
    s.option.savePrefix = dir.filePath(QStringLiteral("dump_"));
    s.option.saveSuffix = QStringLiteral(".bmp");
    setTriggerMode(s.camera.get(), 1);
    ASSERT_EQ(s.camera->IStartCamera(), 1) << "Line1 is offered by the fake's description";
    for (int snap = 1; snap <= 3; ++snap) {
        ASSERT_EQ(s.camera->ISnapCamera(emVxTriggerDirection(0)), 1);
        ASSERT_TRUE(waitFor([&] { return s.host.calls.load() >= snap; })) << "snapshot " << snap;
    }
    EXPECT_EQ(s.callsAfterSettling(), 3) << "no frame without a trigger";

    // Exposure goes to the fake's ExposureTimeAbs; a dump holds the frame's bytes.
    tagVX_CAMERA_PROPERTY property {1, 4000};
    LogCapture log;
    s.camera->ISetProperty(&property);
    EXPECT_TRUE(logged(log, QStringLiteral("Set exposure time value:4000 successfully.")))
        << log.messages().join('\n').toStdString();
    std::atomic_ref<quint8>(s.option.saveFlag).store(1); // the grabbing thread reads it
    ASSERT_EQ(s.camera->ISnapCamera(emVxTriggerDirection(0)), 1);
    ASSERT_TRUE(waitFor([&] { return s.host.calls.load() >= 4; }));
    s.camera->IStopCamera();
    const QStringList dumps = QDir(dir.path()).entryList({"dump_*_4.bmp"}, QDir::Files);
    ASSERT_EQ(dumps.size(), 1);
    EXPECT_EQ(QFileInfo(dir.filePath(dumps[0])).size(), 1078 + 128 * 128);
}

TEST(AravisGigE, StopAndCloseFromInsideTheCallbackEndDeliveryWithoutDeadlock)
{
    FakeSession s;
    ASSERT_TRUE(s.opened);
    std::atomic<int> stops {0};
    s.host.inside = [&](ICameraObject *camera) {
        // The first frame stops the camera; the first frame of the restart closes it,
        // dropping the last reference to the stream source inside its own callback.
        if (stops.fetch_add(1) == 0) {
            camera->IStopCamera();
        } else {
            camera->ICloseCamera();
        }
        s.host.closed = true;
    };
    setTriggerMode(s.camera.get(), 2);
    ASSERT_EQ(s.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return stops.load() >= 1; }));
    EXPECT_EQ(s.callsAfterSettling(), 1);
    EXPECT_EQ(s.host.callsAfterClose.load(), 0);
    s.host.closed = false;
    ASSERT_EQ(s.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return stops.load() >= 2; }));
    EXPECT_EQ(s.callsAfterSettling(), 2);
    EXPECT_FALSE(std::atomic_ref<bool>(s.camera->m_bOpened).load()) << "closed inside the callback";
    EXPECT_EQ(s.host.callsAfterClose.load(), 0);
    s.host.inside = nullptr;
    EXPECT_EQ(s.camera->IOpenCamera(), 1) << "the camera opens again after a close from inside";
}

TEST(AravisGigE, AHostOpenWhileTheCallbackThatClosedTheCameraStillRunsLetsItsLaterCallsReturn)
{
    // The open waits for the closed stream's release, which joins the
    // callback's thread: the callback's later calls must not wait for the open.
    FakeSession s;
    ASSERT_TRUE(s.opened);
    std::atomic<bool> closedInside {false};
    std::atomic<bool> left {false};
    s.host.inside = [&](ICameraObject *camera) {
        if (closedInside.load())
            return;
        camera->ICloseCamera();
        closedInside = true;
        QThread::msleep(300); // the host's open is under way meanwhile
        tagVX_CAMERA_PROPERTY property {1, 5000};
        camera->ISetProperty(&property);
        EXPECT_EQ(camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
        left = true;
    };
    setTriggerMode(s.camera.get(), 2);
    ASSERT_EQ(s.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return closedInside.load(); }));
    std::atomic<int> opened {-1};
    std::thread host([&] { opened = s.camera->IOpenCamera(); });
    const bool returned
        = waitFor([&] { return opened.load() != -1 && left.load(); }, std::chrono::seconds(60));
    if (!returned) {
        ADD_FAILURE() << "the open and the callback wait for each other";
        std::_Exit(1); // a deadlocked thread cannot be joined
    }
    host.join();
    EXPECT_EQ(opened.load(), 1);
    EXPECT_TRUE(std::atomic_ref<bool>(s.camera->m_bOpened).load());
    s.host.inside = nullptr;
    ASSERT_EQ(s.camera->IStartCamera(), 1);
    const int before = s.host.calls.load();
    EXPECT_TRUE(waitFor([&] { return s.host.calls.load() > before; })) << "the reopened camera streams";
}

TEST(AravisGigE, AThousandStartStopCyclesNeverCallAHandlerAfterStop)
{
    GigEFakeCamera fake;
    QString error;
    ASSERT_TRUE(fake.start(&error)) << error.toStdString();
    // Small frames at a high rate, so that frames are in flight at every stop.
    Dahua::Infra::TVector<ICameraPtr> cameras;
    ASSERT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    ASSERT_EQ(cameras.size(), 1u);
    ASSERT_TRUE(cameras[0]->connect(accessPermissionControl));
    EXPECT_TRUE(CIntNode(cameras[0], "Width").setValue(64));
    EXPECT_TRUE(CIntNode(cameras[0], "Height").setValue(64));
    EXPECT_TRUE(CDoubleNode(cameras[0], "AcquisitionFrameRate").setValue(1000.0));

    tagVX_CAMERA_OPTION option;
    option.cameraName = fake.key();
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    for (int cycle = 0; cycle < 1000; ++cycle) {
        host.closed = false;
        const int before = host.calls.load();
        ASSERT_EQ(camera.IStartCamera(), 1) << "cycle " << cycle;
        if (cycle % 100 == 0) {
            // Every hundredth run waits for a frame of its own: the restarts really stream.
            ASSERT_TRUE(waitFor([&] { return host.calls.load() > before; })) << "cycle " << cycle;
        }
        camera.IStopCamera();
        host.closed = true;
    }
    QThread::msleep(300);
    EXPECT_GT(host.calls.load(), 0);
    EXPECT_EQ(host.callsAfterClose.load(), 0);
    camera.ICloseCamera();
}

TEST(AravisGigE, OpeningStopsAnAcquisitionAnEarlierControllerLeftRunning)
{
    // A camera that streams on across a change of controller keeps the old
    // destination: the new connection's start must begin its stream afresh.
    GigEFakeCamera fake;
    QString error;
    ASSERT_TRUE(fake.start(&error)) << error.toStdString();
    ASSERT_TRUE(fake.leaveAcquiring(9, &error)) << error.toStdString();
    const quint32 acquisitionRegister = 0x124; // the fake's AcquisitionStart/Stop
    quint32 acquiring = 0;
    ASSERT_TRUE(fake.readRegister(acquisitionRegister, &acquiring, &error)) << error.toStdString();
    ASSERT_EQ(acquiring, 1u);

    tagVX_CAMERA_OPTION option;
    option.cameraName = fake.key();
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    ASSERT_TRUE(fake.readRegister(acquisitionRegister, &acquiring, &error)) << error.toStdString();
    EXPECT_EQ(acquiring, 0u);
    setTriggerMode(&camera, 2);
    ASSERT_EQ(camera.IStartCamera(), 1);
    EXPECT_TRUE(waitFor([&] { return host.calls.load() >= 3; }));
    camera.ICloseCamera();
}

TEST(AravisGigE, AKilledCameraEndsDeliveryAndEveryLaterOperationFailsWithALogLine)
{
    FakeSession s;
    ASSERT_TRUE(s.opened);
    setTriggerMode(s.camera.get(), 2);
    ASSERT_EQ(s.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return s.host.calls.load() >= 5; }));
    LogCapture log;
    s.fake.kill();
    // The first register access after the kill times out (or Aravis has
    // already reported the control lost); either way the camera is lost.
    tagVX_CAMERA_PROPERTY property {1, 3000};
    s.camera->ISetProperty(&property);
    EXPECT_TRUE(logged(log, QStringLiteral("Set exposure time:3000 failed.")));
    ASSERT_TRUE(logged(log, QStringLiteral("lost"))) << log.messages().join('\n').toStdString();
    const int delivered = s.host.calls.load();

    log.clear();
    EXPECT_EQ(s.camera->ISnapCamera(emVxTriggerDirection(0)), 0);
    s.camera->ISetProperty(&property);
    s.camera->IStopCamera();
    s.camera->ICloseCamera();
    EXPECT_FALSE(s.camera->m_bOpened);
    int refusals = 0;
    for (const QString &line : log.messages(QtWarningMsg))
        refusals += line.contains(QLatin1String("is lost")) ? 1 : 0;
    EXPECT_GE(refusals, 3) << log.messages().join('\n').toStdString();
    EXPECT_EQ(s.host.calls.load(), delivered) << "no frame after the loss";
}

TEST(AravisGigE, ThreeCamerasStreamSnapAndCountApartAndAKilledOneEndsOnlyItself)
{
    qputenv("VXCAM_ARAVIS_DEVICES", "127.0.0.1,127.0.0.2,127.0.0.3");
    struct Place {
        explicit Place(int i)
            : fake(QStringLiteral("127.0.0.%1").arg(i + 1), QStringLiteral("GV0%1").arg(i + 1))
        {
            option.cameraName = fake.key();
        }
        GigEFakeCamera fake;
        tagVX_CAMERA_OPTION option;
        TestHost host;
        std::unique_ptr<CCameraDahuaV2> camera;
    };
    std::vector<std::unique_ptr<Place>> places;
    for (int i = 0; i < 3; ++i) {
        places.push_back(std::make_unique<Place>(i));
        QString error;
        ASSERT_TRUE(places[i]->fake.start(&error) && places[i]->fake.setFrameSize(128, 128, &error))
            << error.toStdString();
    }
    for (auto &p : places) {
        p->camera = std::make_unique<CCameraDahuaV2>(&p->option, &p->host);
        ASSERT_EQ(p->camera->IOpenCamera(), 1) << p->fake.key().toStdString();
    }
    EXPECT_EQ(places[0]->camera->IGetCameraList(),
              QStringList({places[0]->fake.key(), places[1]->fake.key(), places[2]->fake.key()}));
    const auto statistics = [](const std::unique_ptr<Place> &p) {
        return cameraStatistics(p->fake.key().toUtf8().constData());
    };

    // Snapshots, paced by their frames (the fake merges triggers within one frame period).
    for (auto &p : places) {
        setTriggerMode(p->camera.get(), 1);
        ASSERT_EQ(p->camera->IStartCamera(), 1);
    }
    for (int snap = 1; snap <= 3; ++snap) {
        for (auto &p : places)
            ASSERT_EQ(p->camera->ISnapCamera(emVxTriggerDirection(0)), 1);
        for (auto &p : places)
            ASSERT_TRUE(waitFor([&] { return p->host.calls.load() >= snap; })) << "snapshot " << snap;
    }
    QThread::msleep(300);
    for (auto &p : places) {
        EXPECT_EQ(p->host.calls.load(), 3) << "one frame per snapshot";
        EXPECT_EQ(statistics(p).deliveredFrames, 3u) << "counted apart";
        p->camera->IStopCamera();
    }

    // Free run; then one server dies.
    for (auto &p : places) {
        setTriggerMode(p->camera.get(), 2);
        ASSERT_EQ(p->camera->IStartCamera(), 1);
    }
    const auto allGain = [&](const std::vector<int> &which, int frames) {
        std::vector<int> from;
        for (int i : which)
            from.push_back(places[i]->host.calls.load());
        for (std::size_t k = 0; k < which.size(); ++k) {
            Place &p = *places[which[k]];
            EXPECT_TRUE(waitFor([&] { return p.host.calls.load() >= from[k] + frames; }))
                << p.fake.key().toStdString();
        }
    };
    allGain({0, 1, 2}, 10);
    LogCapture log;
    Place &killed = *places[1];
    killed.fake.kill();
    tagVX_CAMERA_PROPERTY property {1, 3000};
    killed.camera->ISetProperty(&property);
    ASSERT_TRUE(logged(log, QStringLiteral("lost"))) << log.messages().join('\n').toStdString();
    const int killedFrames = killed.host.calls.load();
    allGain({0, 2}, 20);
    log.clear();
    EXPECT_EQ(killed.camera->ISnapCamera(emVxTriggerDirection(0)), 0);
    EXPECT_TRUE(logged(log, killed.fake.key() + "\" is lost")) << log.messages().join('\n').toStdString();
    killed.camera->ICloseCamera();
    allGain({0, 2}, 10);
    EXPECT_EQ(killed.host.calls.load(), killedFrames) << "no frame after the loss";

    for (auto &p : places) {
        p->camera->ICloseCamera();
        const std::vector<TestHost::Delivery> deliveries = p->host.deliveries();
        for (std::size_t i = 0; i < deliveries.size(); ++i)
            ASSERT_EQ(deliveries[i].frameNum, i + 1) << p->fake.key().toStdString();
        EXPECT_EQ(statistics(p).deliveredFrames, deliveries.size()) << p->fake.key().toStdString();
    }
}

TEST(AravisGigE, PacketsTheCameraDropsShowAsMissingPacketsAndIncompleteFramesOfThatCamera)
{
    GigEFakeCamera fake;
    QString error;
    ASSERT_TRUE(fake.start(&error, 20)) << error.toStdString();
    tagVX_CAMERA_OPTION option;
    option.cameraName = fake.key();
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    ASSERT_EQ(camera.IStartCamera(), 1);
    const QByteArray key = fake.key().toUtf8();
    // 2 % of about 190 packets a frame: hardly a frame comes whole.
    EXPECT_TRUE(waitFor([&] { return cameraStatistics(key.constData()).incompleteFrames >= 5; }));
    camera.IStopCamera();
    const CStreamStatistics statistics = cameraStatistics(key.constData());
    EXPECT_GT(statistics.missingPackets, 0u);
    EXPECT_EQ(statistics.resentPackets, 0u) << "the fake answers no resend request";
    EXPECT_EQ(statistics.deliveredFrames, uint64_t(host.calls.load()))
        << "only complete frames reach the host";
}
