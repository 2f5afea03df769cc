// The earlier driver's setters, getters, parameter record and property.
#include "cameradahua.h"
#include "logcapture.h"
#include "simsession.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <gtest/gtest.h>

namespace {

struct OpenDriver {
    explicit OpenDriver(const char *cameraJson, bool open = true)
        : sim(QStringLiteral(R"({"cameras": [%1]})").arg(QLatin1String(cameraJson)).toUtf8())
    {
        option.cameraName = "K";
        CCameraDahua::DiscoverCameras();
        camera = std::make_unique<CCameraDahua>(&option, nullptr);
        if (open) {
            EXPECT_EQ(camera->IOpenCamera(), 1);
        }
        sim.markTrace();
    }
    SimSession sim;
    tagVX_CAMERA_OPTION option;
    std::unique_ptr<CCameraDahua> camera;
};

} // namespace

TEST(V1Getters, OddCameraValuesAreTruncatedOrRefused)
{
    OpenDriver d(
        R"({"key": "K", "features": {"Gain": 7.9, "ExposureTime": 10000.6, "TriggerSource": "Line2"}})");
    EXPECT_EQ(d.camera->GetGain(), 7);
    testing::internal::CaptureStdout();
    EXPECT_EQ(d.camera->GetExposureTime(), 10000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "exposureTime=10000.600000\n");
    EXPECT_EQ(d.camera->GetTriggerSource(), -1);
    EXPECT_EQ(d.camera->GetTriggerMode(), 0);
    EXPECT_EQ(d.camera->camTriggerMode(), 0);
    EXPECT_EQ(d.camera->GetBrightness(), 50);
    EXPECT_EQ(d.camera->GetContrast(), 50);
    EXPECT_EQ(d.camera->GetOffsetX(), 0);
    EXPECT_FALSE(d.camera->GetReverseX());

    // Each getter takes a control of its own.
    EXPECT_EQ(d.sim.traceSinceMark("createAnalogControl").size(), 1);
    EXPECT_EQ(d.sim.traceSinceMark("createAcquisitionControl").size(), 3);
}

TEST(V1Getters, ClosedDriverAndFailedReadsGiveFailureValues)
{
    OpenDriver d(R"({"key": "K", "missing": ["ExposureTime", "ReverseY"]})", false);
    EXPECT_EQ(d.camera->GetWidth(), -1);
    EXPECT_EQ(d.camera->GetTriggerSource(), -1);
    EXPECT_EQ(d.camera->GetTriggerMode(), -1);
    EXPECT_TRUE(d.sim.traceSinceMark().isEmpty());

    ASSERT_EQ(d.camera->IOpenCamera(), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(d.camera->GetExposureTime(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(d.camera->GetReverseY());
    EXPECT_EQ(d.camera->GetBoardNum(), 0);
}

TEST(V1Setters, HeldButNotOpenAllowsOnlySomeSetters)
{
    // A failed open at the acquisition control leaves the camera held but not open.
    OpenDriver d(R"({"key": "K", "fail": ["createAcquisitionControl"]})", false);
    EXPECT_EQ(d.camera->IOpenCamera(), 0);
    EXPECT_FALSE(d.camera->m_bOpened);
    d.sim.markTrace();
    EXPECT_TRUE(d.camera->SetHeight(480));
    EXPECT_EQ(d.camera->cameraParam().height, 480);
    EXPECT_TRUE(d.camera->SetOffsetY(2));
    EXPECT_FALSE(d.camera->SetWidth(640));
    EXPECT_FALSE(d.camera->SetOffsetX(2));
    EXPECT_FALSE(d.camera->SetReverseX(true));
    EXPECT_EQ(d.sim.traceSinceMark("set"), QStringList({"set K Height 480 -> ok", "set K OffsetY 2 -> ok"}));
}

TEST(V1Setters, ConditionsDecideWhatIsWritten)
{
    OpenDriver d(R"({"key": "K"})");
    d.sim.markTrace();
    EXPECT_FALSE(d.camera->SetWidth(-1));
    EXPECT_TRUE(d.sim.traceSinceMark().isEmpty());
    EXPECT_TRUE(d.camera->SetWidth(640));
    EXPECT_EQ(d.camera->cameraParam().width, 640);
    EXPECT_TRUE(d.camera->SetHeight(480));
    EXPECT_EQ(d.camera->cameraParam().height, 480);

    d.sim.markTrace();
    EXPECT_FALSE(d.camera->SetTriggerMode(2));
    EXPECT_EQ(d.camera->camTriggerMode(), 2);
    EXPECT_TRUE(d.sim.traceSinceMark("set").isEmpty());
    EXPECT_TRUE(d.camera->SetTriggerMode(0));
    EXPECT_EQ(d.sim.traceSinceMark("set"), QStringList({"set K TriggerMode Off -> ok"}));

    d.sim.markTrace();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(d.camera->SetShutter(-0.5));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(d.sim.traceSinceMark().isEmpty());

    EXPECT_TRUE(d.camera->SetReverseX(true));
    EXPECT_TRUE(d.camera->GetReverseX());
    EXPECT_TRUE(d.camera->SetGain(3));
    EXPECT_EQ(d.camera->GetGain(), 3);
    EXPECT_TRUE(d.camera->SetBrightness(70));
    EXPECT_EQ(d.camera->GetBrightness(), 70);
}

TEST(V1Setters, TriggerSourceWritesAndRefusals)
{
    OpenDriver d(R"({"key": "K", "refuse": ["TriggerSelector=FrameStart"]})");
    LogCapture log;
    EXPECT_FALSE(d.camera->SetTriggerSource(static_cast<enumTRIGSRC>(-1)));
    EXPECT_FALSE(d.camera->SetTriggerSource(static_cast<enumTRIGSRC>(2)));
    EXPECT_TRUE(d.sim.traceSinceMark("set").isEmpty());

    EXPECT_FALSE(d.camera->SetTriggerSource(TRIGSRC_SOFTWARE));
    EXPECT_EQ(
        d.sim.traceSinceMark("set"),
        QStringList({"set K TriggerSource Software -> ok", "set K TriggerSelector FrameStart -> fail"}));
    EXPECT_EQ(log.messages(),
              QStringList({"start dahua camera trigger source...", "start dahua camera trigger source...",
                           "start dahua camera trigger source...", "set trigger selector failed"}));

    d.sim.markTrace();
    EXPECT_TRUE(d.camera->SetTriggerSource(TRIGSRC_LINE1));
    EXPECT_EQ(d.sim.traceSinceMark("set"), QStringList({"set K TriggerSource Line1 -> ok"}));
    EXPECT_EQ(d.camera->GetTriggerSource(), 1);
}

TEST(V1Params, RecordRoundTripAndDisconnectedCamera)
{
    OpenDriver d(R"({"key": "K"})");
    tagDH_CAMERA_PARAM param;
    param.offsetX = 11;
    param.offsetY = 12;
    param.reserved1 = 13;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(d.camera->GetParams(param));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(param.width, 640);
    EXPECT_EQ(param.height, 480);
    EXPECT_EQ(param.brightness, 50);
    EXPECT_EQ(param.exposure, 10000);
    EXPECT_EQ(param.gain, 1);
    EXPECT_EQ(param.triggerMode, 0);
    EXPECT_EQ(param.triggerSource, 1);
    EXPECT_EQ(param.offsetX, 11);
    EXPECT_EQ(param.offsetY, 12);
    EXPECT_EQ(param.reserved1, 13);

    param.width = 320;
    param.brightness = -1; // not set: skipped
    ASSERT_TRUE(d.camera->SetParams(param));
    QString value;
    ASSERT_TRUE(VxSim::featureValue("K", "Width", &value));
    EXPECT_EQ(value, "320");
    EXPECT_TRUE(d.sim.traceSinceMark("set K Brightness").isEmpty());

    ASSERT_TRUE(VxSim::setFeatureValue("K", "Width", "640"));
    // A camera that reports not connected receives nothing.
    d.sim.markTrace();
    tagVX_CAMERA_OPTION other;
    other.cameraName = "K";
    CCameraDahua second(&other, nullptr);
    ASSERT_EQ(second.IOpenCamera(), 1);
    second.ICloseCamera(); // disconnects the shared camera
    d.sim.markTrace();
    EXPECT_FALSE(d.camera->SetParams(param));
    EXPECT_TRUE(d.sim.traceSinceMark("set").isEmpty());
}

TEST(V1Property, ExposureTimeAndItsLogLines)
{
    OpenDriver d(R"({"key": "K"})");
    tagVX_CAMERA_PROPERTY property;
    property.propId = 1;
    property.propValue = 20000;
    LogCapture log;
    d.camera->ISetProperty(&property);
    EXPECT_EQ(d.sim.traceSinceMark("set"),
              QStringList({"set K ExposureAuto Off -> ok", "set K ExposureTime 20000 -> ok"}));
    property.propValue = -3;
    d.camera->ISetProperty(&property);
    property.propId = 7;
    d.camera->ISetProperty(&property);
    d.camera->ISetProperty(nullptr);
    const std::vector<LogEntry> entries = log.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].type, QtDebugMsg);
    EXPECT_EQ(entries[0].message,
              "\"Set exposure time value:20000 successfully.\"  -  CCameraDahua::ISetProperty");
    EXPECT_EQ(entries[1].type, QtWarningMsg);
    EXPECT_EQ(entries[1].message, "\"Set exposure time:-3 failed.\"  -  CCameraDahua::ISetProperty");
}
