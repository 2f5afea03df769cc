// The current driver's start, stop, snapshot, exposure and property.
#include "cameradahuav2.h"
#include "logcapture.h"
#include "simsession.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// An open current driver on camera "K" of its own configuration.
struct OpenCamera {
    explicit OpenCamera(const char *cameraJson)
        : sim(QStringLiteral(R"({"cameras": [%1]})").arg(QLatin1String(cameraJson)).toUtf8())
    {
        option.cameraName = "K";
        // The driver's camera list outlives a configuration: discover the new one.
        CCameraDahuaV2::DiscoverCameras();
        camera = std::make_unique<CCameraDahuaV2>(&option, &host);
        EXPECT_EQ(camera->IOpenCamera(), 1);
        sim.markTrace();
    }
    SimSession sim;
    tagVX_CAMERA_OPTION option;
    TestHost host;
    std::unique_ptr<CCameraDahuaV2> camera;
};

} // namespace

TEST(V2Start, ClosedObjectRefusesWithoutALogLine)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    CCameraDahuaV2 camera(&option, nullptr);
    LogCapture log;
    EXPECT_EQ(camera.IStartCamera(), 0);
    camera.IStopCamera();
    EXPECT_EQ(log.count(), 0);
    EXPECT_TRUE(sim.traceLines().isEmpty());
}

TEST(V2Start, FirstStartAppliesLineOneTriggerThenRepeatsNothing)
{
    OpenCamera c(R"({"key": "K"})");
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    EXPECT_TRUE(c.camera->m_bStarted);
    EXPECT_EQ(c.camera->m_nCurTriggerMode, 1);
    EXPECT_EQ(c.sim.traceSinceMark(),
              QStringList({"stopGrabbing K -> ok", "set K TriggerMode On -> ok",
                           "set K TriggerSource Line1 -> ok", "startGrabbing K 0 0 -> ok"}));
    c.sim.markTrace();
    EXPECT_EQ(c.camera->IStartCamera(), 1);
    EXPECT_TRUE(c.sim.traceSinceMark().isEmpty()) << "same mode on a running stream costs no SDK call";
}

TEST(V2Start, ChangingTheModeRestartsWithTheNewTriggerSettings)
{
    OpenCamera c(R"({"key": "K"})");
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    setTriggerMode(c.camera.get(), 2);
    c.sim.markTrace();
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    EXPECT_EQ(
        c.sim.traceSinceMark(),
        QStringList({"stopGrabbing K -> ok", "set K TriggerMode Off -> ok", "startGrabbing K 0 0 -> ok"}));
    EXPECT_EQ(c.camera->m_nCurTriggerMode, 2);

    // Modes without trigger settings start grabbing and are recorded as applied.
    for (int mode : {0, 4, 9}) {
        setTriggerMode(c.camera.get(), mode);
        c.sim.markTrace();
        ASSERT_EQ(c.camera->IStartCamera(), 1);
        EXPECT_EQ(c.sim.traceSinceMark(), QStringList({"stopGrabbing K -> ok", "startGrabbing K 0 0 -> ok"}));
        EXPECT_EQ(c.camera->m_nCurTriggerMode, mode);
    }
}

TEST(V2Start, StopResetsTheAppliedModeSoTheNextStartWritesAgain)
{
    OpenCamera c(R"({"key": "K"})");
    setTriggerMode(c.camera.get(), 3);
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    c.camera->IStopCamera();
    EXPECT_FALSE(c.camera->m_bStarted);
    EXPECT_EQ(c.camera->m_nCurTriggerMode, 0);
    c.sim.markTrace();
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    EXPECT_EQ(
        c.sim.traceSinceMark(),
        QStringList({"stopGrabbing K -> ok", "set K TriggerMode Off -> ok", "startGrabbing K 0 0 -> ok"}));

    // Stop on an open, stopped object does nothing.
    c.camera->IStopCamera();
    c.sim.markTrace();
    LogCapture log;
    c.camera->IStopCamera();
    EXPECT_TRUE(c.sim.traceSinceMark().isEmpty());
    EXPECT_EQ(log.count(), 0);
}

TEST(V2Start, EachFailingStepLogsItsLineAndReturnsZero)
{
    const struct {
        const char *camera;
        int mode;
        const char *line;
    } cases[] = {
        {R"({"key": "K", "fail": ["stopGrabbing"]})", 1,
         "Failed to stopGrabbing -  CCameraDahuaV2::IStartCamera"},
        {R"({"key": "K", "refuse": ["TriggerMode=On"]})", 1,
         "Failed to set out trigger mode -  CCameraDahuaV2::IStartCamera"},
        {R"({"key": "K", "refuse": ["TriggerSource"]})", 1,
         "Failed to set triggerSource -  CCameraDahuaV2::IStartCamera"},
        {R"({"key": "K", "refuse": ["TriggerMode=Off"]})", 3,
         "Failed to set inner trigger mode -  CCameraDahuaV2::IStartCamera"},
        {R"({"key": "K", "fail": ["startGrabbing"]})", 2,
         "Failed to startGrabbing -  CCameraDahuaV2::IStartCamera"},
    };
    for (const auto &k : cases) {
        OpenCamera c(k.camera);
        setTriggerMode(c.camera.get(), k.mode);
        LogCapture log;
        EXPECT_EQ(c.camera->IStartCamera(), 0) << k.line;
        EXPECT_EQ(log.messages(QtWarningMsg), QStringList({QString(k.line)}));
        EXPECT_FALSE(c.camera->m_bStarted) << k.line;
        // A failed feature write keeps the applied mode, so the next start tries again.
        if (QString(k.line).contains("trigger")) {
            EXPECT_EQ(c.camera->m_nCurTriggerMode, 0) << k.line;
        }
    }
}

TEST(V2Start, RefusedOnIsNotFollowedByLineOne)
{
    OpenCamera c(R"({"key": "K", "refuse": ["TriggerMode=On"]})");
    EXPECT_EQ(c.camera->IStartCamera(), 0);
    EXPECT_TRUE(c.sim.traceSinceMark("set K TriggerSource").isEmpty());
}

TEST(V2Stop, RefusedStopIsLoggedAndTheStreamKeepsRunning)
{
    OpenCamera c(R"({"key": "K"})");
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    ASSERT_TRUE(VxSim::setFailure("K", "stopGrabbing", true));
    LogCapture log;
    c.camera->IStopCamera();
    EXPECT_EQ(log.messages(), QStringList({"Failed to stopGrabbing -  CCameraDahuaV2::IStopCamera"}));
    EXPECT_TRUE(c.camera->m_bStarted);
    EXPECT_EQ(c.camera->m_nCurTriggerMode, 1);
    ASSERT_TRUE(VxSim::setFailure("K", "stopGrabbing", false));
}

TEST(V2Snap, NeedsRunningAcquisitionAndWritesSoftwareTriggerOnce)
{
    OpenCamera c(R"({"key": "K", "width": 8, "height": 8})");
    EXPECT_EQ(c.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0);
    EXPECT_EQ(c.camera->ISnapCameraDefault(), 0);
    EXPECT_TRUE(c.sim.traceSinceMark().isEmpty());

    ASSERT_EQ(c.camera->IStartCamera(), 1);
    c.sim.markTrace();
    EXPECT_EQ(c.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    EXPECT_EQ(c.camera->m_nCurTriggerMode, 4);
    EXPECT_EQ(c.camera->ISnapCameraDefault(), 1);
    const QStringList calls = c.sim.traceSinceMark().filter(QRegularExpression("^(set|execute)"));
    EXPECT_EQ(calls,
              QStringList({"set K TriggerSource Software -> ok", "set K TriggerSelector FrameStart -> ok",
                           "set K TriggerMode On -> ok", "execute K TriggerSoftware -> ok",
                           "execute K TriggerSoftware -> ok"}));
    ASSERT_TRUE(waitFor([&] { return c.host.calls.load() == 2; }));
    EXPECT_EQ(c.host.deliveries().back().frameNum, 2u);

    // After a stop and a new start in mode 1 the snapshot configures again.
    c.camera->IStopCamera();
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    c.sim.markTrace();
    EXPECT_EQ(c.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    EXPECT_EQ(c.sim.traceSinceMark("set").size(), 3);
}

TEST(V2Snap, ARunningStreamInSnapshotModeReturnsToLineOneOnStart)
{
    OpenCamera c(R"({"key": "K"})");
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    ASSERT_EQ(c.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
    c.sim.markTrace();
    ASSERT_EQ(c.camera->IStartCamera(), 1);
    EXPECT_EQ(c.sim.traceSinceMark(),
              QStringList({"stopGrabbing K -> ok", "set K TriggerMode On -> ok",
                           "set K TriggerSource Line1 -> ok", "startGrabbing K 0 0 -> ok"}));
}

TEST(V2Snap, RefusalsLogTheirLines)
{
    const struct {
        const char *refuse;
        const char *line;
        int modeAfter;
    } cases[] = {
        {"TriggerSource=Software", "Failed to set triggerSource -  CCameraDahuaV2::ISnapCamera", 1},
        {"TriggerSelector", "Failed to set out trigger mode -  CCameraDahuaV2::ISnapCamera", 1},
        {"TriggerSoftware", "Failed to set triggerSoftware -  CCameraDahuaV2::ISnapCamera", 4},
    };
    for (const auto &k : cases) {
        OpenCamera c(QStringLiteral(R"({"key": "K", "refuse": ["%1"]})").arg(k.refuse).toUtf8().constData());
        ASSERT_EQ(c.camera->IStartCamera(), 1);
        LogCapture log;
        EXPECT_EQ(c.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 0) << k.refuse;
        EXPECT_EQ(log.messages(QtWarningMsg), QStringList({QString(k.line)}));
        EXPECT_EQ(c.camera->m_nCurTriggerMode, k.modeAfter) << k.refuse;
    }
}

TEST(V2Property, ExposureTimeIsWrittenAndLogged)
{
    OpenCamera c(R"({"key": "K"})");
    tagVX_CAMERA_PROPERTY property;
    property.propId = 1;
    property.propValue = 20000;
    LogCapture log;
    c.camera->ISetProperty(&property);
    property.propValue = 0;
    c.camera->ISetProperty(&property);
    property.propValue = -5;
    c.camera->ISetProperty(&property);
    property.propId = 2;
    c.camera->ISetProperty(&property);
    c.camera->ISetProperty(nullptr);

    const std::vector<LogEntry> entries = log.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].type, QtDebugMsg);
    EXPECT_EQ(entries[0].message,
              "\"Set exposure time value:20000 successfully.\"  -  CCameraDahuaV2::ISetProperty");
    EXPECT_EQ(entries[1].message,
              "\"Set exposure time value:0 successfully.\"  -  CCameraDahuaV2::ISetProperty");
    EXPECT_EQ(entries[2].type, QtWarningMsg);
    EXPECT_EQ(entries[2].message, "\"Set exposure time:-5 failed.\"  -  CCameraDahuaV2::ISetProperty");
    EXPECT_EQ(c.sim.traceSinceMark(),
              QStringList({"set K ExposureAuto Off -> ok", "set K ExposureTime 20000 -> ok",
                           "set K ExposureAuto Off -> ok", "set K ExposureTime 0 -> ok"}));
}

TEST(V2Property, RefusedExposureLogsBothWarnings)
{
    OpenCamera c(R"({"key": "K", "refuse": ["ExposureTime", "ExposureAuto"]})");
    tagVX_CAMERA_PROPERTY property;
    property.propId = 1;
    property.propValue = 300;
    LogCapture log;
    c.camera->ISetProperty(&property);
    EXPECT_EQ(log.messages(QtWarningMsg),
              QStringList({"Failed to set exposureTime. -  CCameraDahuaV2::SetExposureTime",
                           "\"Set exposure time:300 failed.\"  -  CCameraDahuaV2::ISetProperty"}));
    EXPECT_FALSE(c.camera->SetExposureTime(-0.5));
}
