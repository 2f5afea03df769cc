// The earlier driver's start, stop, snapshot and frames.
#include "cameradahua.h"
#include "filesizelimit.h"
#include "logcapture.h"
#include "simsession.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

#include <gtest/gtest.h>

#include <thread>

namespace {

struct Driver {
    explicit Driver(const char *cameraJson, const char *key = "K")
        : sim(QStringLiteral(R"({"cameras": [%1]})").arg(QLatin1String(cameraJson)).toUtf8())
    {
        option.cameraName = key;
        CCameraDahua::DiscoverCameras();
        camera = std::make_unique<CCameraDahua>(&option, &host);
        EXPECT_EQ(camera->IOpenCamera(), 1);
        sim.markTrace();
    }
    SimSession sim;
    tagVX_CAMERA_OPTION option;
    TestHost host;
    std::unique_ptr<CCameraDahua> camera;
};

QString streamLine(const QString &text)
{
    return text + QStringLiteral(" \n");
}

} // namespace

TEST(V1Start, ClosedObjectLogsTheFirstLineOnly)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    tagVX_CAMERA_OPTION option;
    CCameraDahua camera(&option, nullptr);
    LogCapture log;
    EXPECT_EQ(camera.IStartCamera(), 0);
    EXPECT_EQ(log.messages(), QStringList({streamLine("CCameraDahua::IStartCamera begin*** ")}));
    log.clear();
    EXPECT_EQ(camera.ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
    EXPECT_EQ(log.messages(), QStringList({"ISnapCamera...."}));
    EXPECT_TRUE(sim.traceLines().isEmpty());
}

TEST(V1Start, EveryStartMakesAStreamAndWritesNoTriggerFeature)
{
    Driver d(R"({"key": "K", "width": 8, "height": 8, "fps": 0})");
    setTriggerMode(d.camera.get(), 2);
    LogCapture log;
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    EXPECT_EQ(d.camera->m_nCurTriggerMode, 2);
    // Frames may already be logging their own lines.
    EXPECT_EQ(log.messages().filter("IStartCamera"),
              QStringList({streamLine("CCameraDahua::IStartCamera begin*** "),
                           streamLine("CCameraDahua::IStartCamera success*************************** ")}));
    EXPECT_EQ(d.sim.traceSinceMark(QStringLiteral("s")).filter("Grabbing").size(), 1);
    EXPECT_TRUE(d.sim.traceSinceMark("set").isEmpty());

    setTriggerMode(d.camera.get(), 1);
    EXPECT_EQ(d.camera->IStartCamera(), 1) << "a running object stays as it is";
    EXPECT_EQ(d.camera->m_nCurTriggerMode, 2);

    d.camera->IStopCamera();
    EXPECT_EQ(d.camera->m_nCurTriggerMode, 0);
    EXPECT_EQ(VxSim::streamSourceCount("K"), 0);
    d.camera->IStopCamera();
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    EXPECT_EQ(d.sim.traceSinceMark("createStreamSource").size(), 2);
    EXPECT_EQ(d.sim.traceSinceMark("attachGrabbing").size(), 2);
    EXPECT_EQ(VxSim::streamSourceCount("K"), 1);
}

TEST(V1Start, FailedStartsLogAndLeaveNoStreamBehind)
{
    const struct {
        const char *fail;
        QString line;
    } cases[] = {{"createStreamSource", streamLine("m_streamPtr == NULL ")},
                 {"attachGrabbing", streamLine("m_streamPtr->attachGrabbing failed! ")},
                 {"startGrabbing", streamLine("m_streamPtr->startGrabbing failed! ")}};
    for (const auto &c : cases) {
        Driver d(QStringLiteral(R"({"key": "K", "fail": ["%1"]})").arg(c.fail).toUtf8().constData());
        LogCapture log;
        EXPECT_EQ(d.camera->IStartCamera(), 0) << c.fail;
        EXPECT_EQ(log.messages().last(), c.line) << c.fail;
        EXPECT_FALSE(d.camera->m_bStarted);
        EXPECT_EQ(VxSim::streamSourceCount("K"), 0) << c.fail;
        EXPECT_EQ(VxSim::attachedHandlerCount("K"), 0) << c.fail;
    }
}

TEST(V1Start, OversizeGeometryFailsTheStartSilently)
{
    Driver d(
        R"({"key": "K", "width": 100000, "height": 100000, "pixelFormat": "RGB8Packed", "frameBytes": 16})");
    LogCapture log;
    EXPECT_EQ(d.camera->IStartCamera(), 0);
    EXPECT_EQ(log.messages(), QStringList({streamLine("CCameraDahua::IStartCamera begin*** ")}));
    EXPECT_EQ(VxSim::streamSourceCount("K"), 0);
    EXPECT_EQ(VxSim::attachedHandlerCount("K"), 0);
}

TEST(V1Frames, FrameLimitInModeThreeDeliversExactlyThatMany)
{
    Driver d(R"({"key": "K", "width": 16, "height": 4, "fps": 0})");
    d.host.checkBytes = 64;
    setTriggerMode(d.camera.get(), 3);
    setFrameLimit(d.camera.get(), 5);
    LogCapture log;
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return d.host.calls.load() >= 5; }));
    // Many more frames arrive after the fifth; none of them is delivered.
    const uint64_t atLimit = VxSim::framesProduced("K");
    ASSERT_TRUE(waitFor([&] { return VxSim::framesProduced("K") > atLimit + 30; }));
    d.camera->IStopCamera();
    EXPECT_EQ(d.host.calls.load(), 5);
    EXPECT_EQ(d.camera->m_nFrameNum, 5u);
    EXPECT_EQ(d.host.patternMismatches.load(), 0);
    const auto deliveries = d.host.deliveries();
    for (std::size_t i = 0; i < deliveries.size(); ++i)
        EXPECT_EQ(deliveries[i].frameNum, i + 1);
    // One line per delivered frame, with the board number and the frame number.
    EXPECT_EQ(log.messages().filter("m_nFrameNum num is").size(), 5);
    EXPECT_TRUE(log.contains(streamLine("m_pCamOpt->boardNum is :  0      m_nFrameNum num is:  5")))
        << log.messages().join('|').toStdString();
    // A snapshot is refused once the limit is reached.
    EXPECT_EQ(d.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return d.host.calls.load() == 10; }));
    d.camera->m_nCurTriggerMode = 3;
    EXPECT_EQ(d.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
    d.camera->IStopCamera();

    // Limit 0: nothing.
    setFrameLimit(d.camera.get(), 0);
    const int before = d.host.calls.load();
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    const uint64_t produced = VxSim::framesProduced("K");
    ASSERT_TRUE(waitFor([&] { return VxSim::framesProduced("K") > produced + 10; }));
    d.camera->IStopCamera();
    EXPECT_EQ(d.host.calls.load(), before);
}

TEST(V1Frames, OtherModesContinueTheCountAcrossStarts)
{
    Driver d(R"({"key": "K", "width": 4, "height": 4, "fps": 0})");
    setTriggerMode(d.camera.get(), 2);
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return d.host.calls.load() >= 3; }));
    d.camera->IStopCamera();
    const quint32 count = d.camera->m_nFrameNum;
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return d.host.calls.load() > int(count); }));
    d.camera->IStopCamera();
    EXPECT_EQ(d.host.deliveries()[count].frameNum, count + 1);
}

TEST(V1Frames, LargerFramesAreRefusedWithTheBufferWarning)
{
    Driver d(R"({"key": "K", "width": 10, "height": 10, "fps": 0, "frameBytes": 101})");
    LogCapture log;
    setTriggerMode(d.camera.get(), 2);
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return log.messages().filter("buff size").size() >= 2; }));
    d.camera->IStopCamera();
    EXPECT_EQ(d.host.calls.load(), 0);
    EXPECT_EQ(d.camera->m_nFrameNum, 0u);
    EXPECT_TRUE(log.contains(streamLine("\"buff size too smaller, m_buffSize=100, imageSize=101\"")));
}

TEST(V1Frames, SmallerFramesThanAnnouncedAreRefusedWithOneWarningPerStart)
{
    Driver d(R"({"key": "K", "width": 10, "height": 10, "fps": 0, "frameBytes": 99})");
    setTriggerMode(d.camera.get(), 2);
    const QString warning = streamLine("\"image size too small, expected=100 (10 x 10, 8 bits per pixel), "
                                       "imageSize=99; such frames are dropped\"");
    for (int start = 1; start <= 2; ++start) {
        LogCapture log;
        const uint64_t produced = VxSim::framesProduced("K");
        ASSERT_EQ(d.camera->IStartCamera(), 1);
        ASSERT_TRUE(waitFor([&] { return VxSim::framesProduced("K") >= produced + 20; }));
        d.camera->IStopCamera();
        EXPECT_EQ(log.messages().filter("image size").size(), 1) << start;
        EXPECT_TRUE(log.contains(warning)) << start;
    }
    EXPECT_EQ(d.host.calls.load(), 0);
    EXPECT_EQ(d.camera->m_nFrameNum, 0u);

    // Frames of the announced size pass again.
    ASSERT_TRUE(VxSim::setFrameBytes("K", 100));
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return d.host.calls.load() >= 1; }));
    d.camera->IStopCamera();
    EXPECT_EQ(d.host.deliveries().front().frameNum, 1u);
}

TEST(V1Snap, ModeOneFiresAndModeTwoOnlyConfigures)
{
    // Trigger mode on, source line 1 without pulses: only snapshots make frames.
    Driver d(R"({"key": "K", "width": 4, "height": 4, "features": {"TriggerMode": "On"}})");
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    d.sim.markTrace();
    LogCapture log;
    EXPECT_EQ(d.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    EXPECT_EQ(d.sim.traceSinceMark().filter(QRegularExpression("^(set|execute)")),
              QStringList({"set K TriggerSource Software -> ok", "set K TriggerSelector FrameStart -> ok",
                           "set K TriggerMode On -> ok", "execute K TriggerSoftware -> ok"}));
    // The frame's own line may follow at any time.
    EXPECT_EQ(
        log.messages().mid(0, 3),
        QStringList({"ISnapCamera....", "start dahua camera trigger source...", "set soft trigger success"}));
    ASSERT_TRUE(waitFor([&] { return d.host.calls.load() == 1; }));
    d.camera->IStopCamera();

    setTriggerMode(d.camera.get(), 2);
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    d.sim.markTrace();
    EXPECT_EQ(d.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    EXPECT_TRUE(d.sim.traceSinceMark("execute").isEmpty());
    EXPECT_EQ(d.sim.traceSinceMark("set").size(), 3);
    d.camera->IStopCamera();
}

TEST(V1Snap, RefusedTriggerIsLogged)
{
    // No frames: a frame's own line could otherwise follow the refusal.
    Driver d(R"({"key": "K", "refuse": ["TriggerSoftware"], "features": {"TriggerMode": "On"}})");
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    LogCapture log;
    EXPECT_EQ(d.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
    EXPECT_EQ(log.messages().last(), "Software Trigger is failed");
}

TEST(V1Frames, DumpTakesItsGeometryFromTheCamera)
{
    // Trigger mode on without line pulses: the snapshot makes the only frame.
    Driver d(
        R"({"key": "K:9", "width": 5, "height": 3, "frameBytes": 15, "features": {"TriggerMode": "On"}})",
        "K:9");
    d.camera.reset();
    d.option.savePrefix = d.sim.dir() + "/";
    d.option.saveSuffix = ".bmp";
    d.option.saveFlag = 1;
    d.camera = std::make_unique<CCameraDahua>(&d.option, &d.host);
    ASSERT_EQ(d.camera->IOpenCamera(), 1);
    // The camera now reports another width than at open.
    ASSERT_TRUE(VxSim::setFeatureValue("K:9", "Width", "7"));
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    ASSERT_EQ(d.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    ASSERT_TRUE(waitFor([&] { return d.host.calls.load() == 1; }));
    d.camera->IStopCamera();
    EXPECT_EQ(d.option.saveFlag, 2);
    const QStringList files = QDir(d.sim.dir()).entryList({"K9_*_1.bmp"});
    ASSERT_EQ(files.size(), 1);
    QFile file(QDir(d.sim.dir()).filePath(files[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 1078 + 15);
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 18), 7);
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 22), 3);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 8);
}

TEST(V1Frames, NoFrameAfterStopOrCloseAndCloseFromInsideTheCallback)
{
    Driver d(R"({"key": "K", "width": 16, "height": 16, "fps": 0})");
    setTriggerMode(d.camera.get(), 2);
    for (int round = 0; round < 10; ++round) {
        d.host.closed = false;
        ASSERT_EQ(d.camera->IStartCamera(), 1);
        const int before = d.host.calls.load();
        ASSERT_TRUE(waitFor([&] { return d.host.calls.load() > before + 2; }));
        d.camera->IStopCamera();
        d.host.closed = true;
    }
    EXPECT_EQ(d.host.callsAfterClose.load(), 0);

    d.host.closed = false;
    d.host.inside = [](ICameraObject *self) { self->ICloseCamera(); };
    const int before = d.host.calls.load();
    ASSERT_EQ(d.camera->IStartCamera(), 1);
    ASSERT_TRUE(waitFor([&] { return !std::atomic_ref<bool>(d.camera->m_bOpened).load(); }));
    ASSERT_TRUE(waitFor([] { return VxSim::streamSourceCount("K") == 0; }));
    EXPECT_EQ(d.host.calls.load(), before + 1);
}

TEST(V1Frames, DumpsCutShortByAFullDiskAreRemovedWithOneWarningPerStart)
{
    Driver d(R"({"key": "K", "width": 64, "height": 64, "fps": 0})");
    d.option.savePrefix = d.sim.dir() + "/";
    d.option.saveSuffix = ".bmp";
    d.option.saveFlag = 1;
    setTriggerMode(d.camera.get(), 2);
    const FileSizeLimit full(2000);
    if (!full.active())
        GTEST_SKIP() << "no file size limit on this platform";
    for (int start = 1; start <= 2; ++start) {
        LogCapture log;
        const int before = d.host.calls.load();
        ASSERT_EQ(d.camera->IStartCamera(), 1);
        ASSERT_TRUE(waitFor([&] { return d.host.calls.load() >= before + 5; }));
        d.camera->IStopCamera();
        const QStringList warnings = log.messages().filter("save image to file failed");
        ASSERT_EQ(warnings.size(), 1) << start;
        EXPECT_TRUE(warnings[0].startsWith("\"save image to file failed, " + d.option.savePrefix + "K_"))
            << warnings[0].toStdString();
        EXPECT_TRUE(warnings[0].endsWith("; the incomplete file was removed\" \n"))
            << warnings[0].toStdString();
    }
    EXPECT_EQ(QDir(d.sim.dir()).entryList({"*.bmp"}), QStringList());
}
