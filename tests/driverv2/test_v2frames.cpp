// Frames through the current driver: delivery to the host, refusals, dumps,
// and no delivery after stop or close has returned.
#include "cameradahuav2.h"
#include "framedump.h"
#include "logcapture.h"
#include "simsession.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <thread>

namespace {

quint32 le32(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

} // namespace

TEST(V2Frames, DeliveredFramesCountFromOneAndPointAtTheSdkBytes)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 64, "height": 16, "fps": 0}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    TestHost host;
    host.checkBytes = 64 * 16;
    CCameraDahuaV2 camera(&option, &host);
    // Zero copy: the host sees the very bytes the SDK handed to the driver.
    std::atomic<int> copies {0};
    host.inside = [&](ICameraObject *self) {
        if (self->m_pImageData != VxSim::lastFrameImage("K"))
            ++copies;
    };
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return host.calls.load() >= 50; }));
    camera.IStopCamera();
    EXPECT_EQ(copies.load(), 0);

    const auto deliveries = host.deliveries();
    for (std::size_t i = 0; i < deliveries.size(); ++i) {
        EXPECT_EQ(deliveries[i].frameNum, i + 1);
        ASSERT_NE(deliveries[i].data, nullptr);
        EXPECT_EQ(deliveries[i].width, 64);
        EXPECT_EQ(deliveries[i].bitsPerPixel, 8);
        EXPECT_EQ(deliveries[i].imageFormat, 1);
    }
    EXPECT_EQ(host.patternMismatches.load(), 0);
    EXPECT_EQ(camera.m_nFrameNum, deliveries.size());

    // A new open counts from 1 again.
    camera.ICloseCamera();
    ASSERT_EQ(camera.IOpenCamera(), 1);
    EXPECT_EQ(camera.m_nFrameNum, 0u);
}

TEST(V2Frames, FramesUpToTheExpectedSizePassAndLargerOnesAreRefused)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 10, "height": 10, "fps": 0, "frameBytes": 100}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return host.calls.load() >= 3; }));
    camera.IStopCamera();
    const int delivered = host.calls.load();

    // One byte more than expected: refused, not counted, host not called.
    ASSERT_TRUE(VxSim::setFrameBytes("K", 101));
    LogCapture log;
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return log.count() >= 3; }));
    camera.IStopCamera();
    EXPECT_EQ(host.calls.load(), delivered);
    EXPECT_EQ(camera.m_nFrameNum, quint32(delivered));
    EXPECT_EQ(log.messages(QtWarningMsg).first(),
              "\"Except image size:=100, but got image size101\"  -  CCameraDahuaV2::onGetFrame");

    // Smaller frames pass.
    ASSERT_TRUE(VxSim::setFrameBytes("K", 40));
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return host.calls.load() > delivered; }));
    camera.IStopCamera();
}

TEST(V2Frames, DumpsAreBitmapsWithTheFramesOwnBytes)
{
    SimSession sim(R"({"cameras": [{"key": "Cam:01", "width": 6, "height": 4, "pixelFormat": "RGB8Packed",
                                    "frameBytes": 70}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "Cam:01";
    option.savePrefix = sim.dir() + "/";
    option.saveSuffix = ".bmp";
    option.saveFlag = 1;
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    // The file exists before the host hears of the frame.
    std::atomic<int> filesAtDelivery {-1};
    host.inside = [&](ICameraObject *) { filesAtDelivery = QDir(sim.dir()).entryList({"*.bmp"}).size(); };
    ASSERT_EQ(camera.IOpenCamera(), 1);
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    ASSERT_TRUE(waitFor([&] { return host.calls.load() == 1; }));
    camera.IStopCamera();

    EXPECT_EQ(filesAtDelivery.load(), 1);
    EXPECT_EQ(option.saveFlag, 2);
    const QStringList files = QDir(sim.dir()).entryList({"*.bmp"});
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("Cam01_")) << files[0].toStdString();
    EXPECT_TRUE(files[0].endsWith("_1.bmp")) << files[0].toStdString();

    QFile file(QDir(sim.dir()).filePath(files[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 14 + 1064 + 70);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(bytes, 2), 70u + 1078u);
    EXPECT_EQ(le32(bytes, 6), 0u);
    EXPECT_EQ(le32(bytes, 10), 1078u);
    EXPECT_EQ(le32(bytes, 14), 40u);
    EXPECT_EQ(qint32(le32(bytes, 18)), 6);
    EXPECT_EQ(qint32(le32(bytes, 22)), 4);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 26), 1);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 24);
    // The grey palette stays, whatever the depth.
    EXPECT_EQ(le32(bytes, 54 + 4 * 200), 0x00C8C8C8u);
    for (int i = 0; i < 70; ++i)
        ASSERT_EQ(quint8(bytes[1078 + i]), VxSim::patternByte(i, 1)) << i;
}

TEST(V2Frames, SavingGoesOnUntilTheHostClearsTheFlag)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    option.savePrefix = sim.dir() + "/f";
    option.saveFlag = 1;
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    ASSERT_EQ(camera.IStartCamera(), 1);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
        ASSERT_TRUE(waitFor([&] { return host.calls.load() == i; }));
    }
    std::atomic_ref<quint8>(option.saveFlag).store(0);
    ASSERT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    ASSERT_TRUE(waitFor([&] { return host.calls.load() == 4; }));
    camera.IStopCamera();
    EXPECT_EQ(QDir(sim.dir()).entryList({"fK_*"}).size(), 3);
}

TEST(V2Frames, DumpIntoAMissingFolderIsSkippedAndDeliveryGoesOn)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4, "fps": 0}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    option.savePrefix = sim.dir() + "/absent/folder/";
    option.saveFlag = 1;
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return host.calls.load() >= 5; }));
    camera.IStopCamera();
    EXPECT_FALSE(QDir(sim.dir() + "/absent").exists());
}

TEST(V2Frames, NoFrameIsDeliveredAfterStopOrCloseHasReturned)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 32, "height": 32, "fps": 0}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    TestHost host;
    host.checkBytes = 32 * 32;
    CCameraDahuaV2 camera(&option, &host);
    for (int round = 0; round < 10; ++round) {
        host.closed = false;
        ASSERT_EQ(camera.IOpenCamera(), 1);
        setTriggerMode(&camera, 2 + round % 2);
        for (int restart = 0; restart < 3; ++restart) {
            host.closed = false;
            ASSERT_EQ(camera.IStartCamera(), 1);
            const int before = host.calls.load();
            ASSERT_TRUE(waitFor([&] { return host.calls.load() > before + 2; }));
            camera.IStopCamera();
            host.closed = true;
        }
        host.closed = false;
        ASSERT_EQ(camera.IStartCamera(), 1);
        const int before = host.calls.load();
        ASSERT_TRUE(waitFor([&] { return host.calls.load() > before + 2; }));
        camera.ICloseCamera();
        host.closed = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(host.callsAfterClose.load(), 0);
    EXPECT_EQ(host.patternMismatches.load(), 0);
    EXPECT_EQ(VxSim::grabbingStreamCount("K"), 0);
}

TEST(V2Frames, HostMayStopOrCloseFromInsideItsCallback)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 8, "height": 8, "fps": 0}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    host.inside = [](ICameraObject *self) {
        if (self->m_nFrameNum == 3)
            self->IStopCamera();
    };
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return !std::atomic_ref<bool>(camera.m_bStarted).load(); }));
    EXPECT_EQ(host.calls.load(), 3);

    host.inside = [](ICameraObject *self) { self->ICloseCamera(); };
    ASSERT_EQ(camera.IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return !std::atomic_ref<bool>(camera.m_bOpened).load(); }));
    ASSERT_TRUE(waitFor([] { return VxSim::streamSourceCount("K") == 0; }));
    EXPECT_EQ(host.calls.load(), 4);
}
