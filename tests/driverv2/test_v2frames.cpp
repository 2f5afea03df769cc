// Frames through the current driver: delivery to the host, refusals, dumps,
// and no delivery after stop or close has returned.
#include "cameradahuav2.h"
#include "filesizelimit.h"
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

TEST(V2Frames, FramesOfTheExpectedSizePassAndLargerOrSmallerOnesAreRefused)
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

    // Smaller than announced (10 x 10 at 8 bits): refused as well, with one
    // warning per start however many frames come.
    ASSERT_TRUE(VxSim::setFrameBytes("K", 99));
    const QString smaller = "\"Image smaller than announced: expected image size 100 (10 x 10, 8 bits per "
                            "pixel), but got image size 99; such frames are dropped\"  -  "
                            "CCameraDahuaV2::onGetFrame";
    for (int start = 1; start <= 2; ++start) {
        log.clear();
        const uint64_t produced = VxSim::framesProduced("K");
        ASSERT_EQ(camera.IStartCamera(), 1);
        ASSERT_TRUE(waitFor([&] { return VxSim::framesProduced("K") >= produced + 20; }));
        camera.IStopCamera();
        EXPECT_EQ(log.messages(QtWarningMsg), QStringList({smaller})) << start;
    }
    EXPECT_EQ(host.calls.load(), delivered);
    EXPECT_EQ(camera.m_nFrameNum, quint32(delivered));
}

TEST(V2Frames, DumpsAreBitmapsWithTheFramesOwnBytes)
{
    SimSession sim(R"({"cameras": [{"key": "Cam:01", "width": 6, "height": 4, "pixelFormat": "RGB8Packed",
                                    "frameBytes": 72}]})");
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
    ASSERT_EQ(bytes.size(), 14 + 1064 + 72);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(bytes, 2), 72u + 1078u);
    EXPECT_EQ(le32(bytes, 6), 0u);
    EXPECT_EQ(le32(bytes, 10), 1078u);
    EXPECT_EQ(le32(bytes, 14), 40u);
    EXPECT_EQ(qint32(le32(bytes, 18)), 6);
    EXPECT_EQ(qint32(le32(bytes, 22)), 4);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 26), 1);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 24);
    // The grey palette stays, whatever the depth.
    EXPECT_EQ(le32(bytes, 54 + 4 * 200), 0x00C8C8C8u);
    for (int i = 0; i < 72; ++i)
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

TEST(V2Frames, DumpsThatCannotBeWrittenWholeAreNotLeftAndWarnOncePerStart)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 64, "height": 64, "fps": 0}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    option.savePrefix = sim.dir() + "/absent/folder/";
    option.saveFlag = 1;
    TestHost host;
    CCameraDahuaV2 camera(&option, &host);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    const auto run = [&](LogCapture &log) {
        log.clear();
        const int before = host.calls.load();
        ASSERT_EQ(camera.IStartCamera(), 1);
        ASSERT_TRUE(waitFor([&] { return host.calls.load() >= before + 5; }));
        camera.IStopCamera();
    };
    const auto checkWarning = [&](const QStringList &warnings, const QString &reason) {
        ASSERT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
        EXPECT_TRUE(warnings[0].startsWith("\"Failed to save image to file " + option.savePrefix + "K_"))
            << warnings[0].toStdString();
        EXPECT_TRUE(warnings[0].contains(reason)) << warnings[0].toStdString();
        EXPECT_TRUE(warnings[0].endsWith("\"  -  CCameraDahuaV2::onGetFrame")) << warnings[0].toStdString();
    };

    // A folder that does not exist: delivery goes on, one warning per start.
    LogCapture log;
    run(log);
    EXPECT_FALSE(QDir(sim.dir() + "/absent").exists());
    checkWarning(log.messages(QtWarningMsg), ": cannot create the file: ");

    // A disk that fills up inside a dump: no cut file stays behind.
    option.savePrefix = sim.dir() + "/full/";
    ASSERT_TRUE(QDir(sim.dir()).mkdir("full"));
    {
        const FileSizeLimit full(2000);
        if (!full.active())
            GTEST_SKIP() << "no file size limit on this platform";
        for (int start = 1; start <= 2; ++start) {
            run(log);
            checkWarning(log.messages(QtWarningMsg), "; the incomplete file was removed");
        }
    }
    EXPECT_EQ(QDir(sim.dir() + "/full").entryList(QDir::Files), QStringList());
    EXPECT_EQ(camera.m_nFrameNum, quint32(host.calls.load())) << "every frame was delivered all the same";
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
