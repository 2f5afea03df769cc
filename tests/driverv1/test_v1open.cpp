// The earlier driver's open, model step, close, camera list and GigE address
// correction.
#include "cameradahua.h"
#include "logcapture.h"
#include "quietlog.h"
#include "simsession.h"
#include "testhost.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// A stream line: the operands, spaced by the logger, closed with an end of line.
QString streamLine(const QString &text)
{
    return text + QStringLiteral(" \n");
}

} // namespace

TEST(V1Open, LogsItsProgressAndReadsGeometryAndFormat)
{
    SimSession sim(R"({"cameras": [{"key": "Virtual:A", "model": "VirtualMono", "width": 800, "height": 600,
                                    "pixelFormat": "BayerRG10"}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "Virtual:A";
    option.boardNum = 3;
    CCameraDahua camera(&option, nullptr);
    LogCapture log;
    ASSERT_EQ(camera.IOpenCamera(), 1);
    EXPECT_TRUE(camera.m_bOpened);
    EXPECT_EQ(camera.m_nWidth, 800);
    EXPECT_EQ(camera.m_nHeight, 600);
    EXPECT_EQ(camera.m_nBitsPerPixel, 16);
    EXPECT_EQ(camera.m_nImageFormat, 4);
    EXPECT_EQ(option.imageFormat, 4);
    EXPECT_EQ(camera.cameraParam().boardNum, 3);
    EXPECT_EQ(camera.cameraParam().triggerMode, 1);
    EXPECT_EQ(camera.cameraParam().triggerSource, 0);
    EXPECT_EQ(log.messages(QtWarningMsg),
              QStringList({streamLine("m_pCamOpt->boardNum is :  3"),
                           streamLine("g_DHCameraList.size is :  1"), streamLine("\"Virtual:A\""),
                           streamLine("CCameraDahua::IOpenCamera success*************************** ")}));
    // A model outside the list receives no writes.
    EXPECT_TRUE(sim.traceLines("set").isEmpty());

    log.clear();
    EXPECT_EQ(camera.IOpenCamera(), 1);
    EXPECT_EQ(log.count(), 0);
    option.boardNum = -1;
    EXPECT_EQ(camera.IOpenCamera(), 0) << "a negative board number refuses even an open object";
}

TEST(V1Open, PixelFormatsAndTheOptionsImageFormat)
{
    const struct {
        const char *format;
        int optionFormat;
        int bits;
        int code;
    } cases[] = {{"Mono8", 1, 8, 1},         {"RGB8Packed", 1, 24, 2},  {"BayerRG10", 1, 16, 4},
                 {"YUV422Packed", 1, 16, 4}, {"Mono16", 3, 16, 4},      {"BayerGB12", 3, 16, 4},
                 {"BayerBG8", 3, 8, 1},      {"BGR8Packed", 3, 24, 11}, {"Mono12Packed", 3, 32, 3},
                 {"Mono12Packed", 0, 0, 1}};
    for (const auto &c : cases) {
        SimSession sim(
            QStringLiteral(R"({"cameras": [{"key": "K", "pixelFormat": "%1"}]})").arg(c.format).toUtf8());
        CCameraDahua::DiscoverCameras();
        tagVX_CAMERA_OPTION option;
        option.cameraName = "K";
        option.imageFormat = c.optionFormat;
        CCameraDahua camera(&option, nullptr);
        ASSERT_EQ(camera.IOpenCamera(), 1);
        EXPECT_EQ(camera.m_nBitsPerPixel, c.bits) << c.format << " " << c.optionFormat;
        EXPECT_EQ(camera.m_nImageFormat, c.code) << c.format << " " << c.optionFormat;
        EXPECT_EQ(option.imageFormat, c.code);
    }
}

TEST(V1Open, FailuresLogTheirLines)
{
    SimSession sim(R"({"cameras": [{"key": "K", "fail": ["connect", "createAcquisitionControl"]}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    CCameraDahua camera(&option, nullptr);

    LogCapture log;
    option.boardNum = -1;
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(log.count(), 0);
    EXPECT_TRUE(sim.traceLines().isEmpty());

    option.boardNum = 0;
    option.cameraName = "Nobody";
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(log.messages().last(), streamLine("m_cameraSptr == NULL "));

    option.cameraName = "K";
    log.clear();
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(log.messages().last(), streamLine("m_cameraSptr->connect failed!! "));

    ASSERT_TRUE(VxSim::setFailure("K", "connect", false));
    log.clear();
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(log.messages().last(), "create AcquisitionControl object fail");
    EXPECT_FALSE(camera.m_bOpened);
    // The failed open keeps the connection it made...
    EXPECT_TRUE(VxSim::isConnected("K"));
    EXPECT_TRUE(sim.traceLines("disconnect").isEmpty());
    // ...until the host closes the object: then it is released, once.
    camera.ICloseCamera();
    EXPECT_FALSE(VxSim::isConnected("K"));
    EXPECT_EQ(sim.traceLines("disconnect").size(), 1);
    camera.ICloseCamera();
    EXPECT_EQ(sim.traceLines("disconnect").size(), 1);
}

TEST(V1Open, AFailedOpensConnectionIsReleasedByTheNextOpenOrTheDelete)
{
    SimSession sim(R"({"cameras": [{"key": "K", "fail": ["createAcquisitionControl"]}, {"key": "L"}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    QuietLog quiet;
    {
        CCameraDahua camera(&option, nullptr);
        EXPECT_EQ(camera.IOpenCamera(), 0);
        EXPECT_TRUE(VxSim::isConnected("K"));
        // Another camera's open lets go of the first one.
        option.cameraName = "L";
        EXPECT_EQ(camera.IOpenCamera(), 1);
        EXPECT_FALSE(VxSim::isConnected("K"));
        camera.ICloseCamera();
        option.cameraName = "K";
        EXPECT_EQ(camera.IOpenCamera(), 0);
        EXPECT_TRUE(VxSim::isConnected("K"));
    }
    EXPECT_FALSE(VxSim::isConnected("K")) << "the delete releases it";
}

TEST(V1Open, NoCameraMeansDiscoveryEveryTime)
{
    SimSession sim(R"({"cameras": []})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    CCameraDahua camera(&option, nullptr);
    LogCapture log;
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_TRUE(camera.IGetCameraList().isEmpty());
    EXPECT_TRUE(log.contains(streamLine("g_DHCameraList.size is :  0")));
    EXPECT_EQ(sim.traceLines("discovery").size(), 2);
}

TEST(V1Open, TheFourModelsReceiveTheParameterRecordInOrder)
{
    const struct {
        const char *model;
        bool receives;
    } cases[] = {{"A5031M", true}, {"XA5051", true}, {"MV-A5131CU", true},
                 {"L5043", true},  {"a5131", false}, {"A5000", false}};
    for (const auto &c : cases) {
        SimSession sim(
            QStringLiteral(R"({"cameras": [{"key": "K", "model": "%1", "width": 320, "height": 240}]})")
                .arg(c.model)
                .toUtf8());
        CCameraDahua::DiscoverCameras();
        tagVX_CAMERA_OPTION option;
        option.cameraName = "K";
        CCameraDahua camera(&option, nullptr);
        testing::internal::CaptureStdout();
        ASSERT_EQ(camera.IOpenCamera(), 1);
        testing::internal::GetCapturedStdout();
        const QStringList writes = sim.traceLines("set");
        if (!c.receives) {
            EXPECT_TRUE(writes.isEmpty()) << c.model;
            continue;
        }
        EXPECT_EQ(writes,
                  QStringList({"set K Height 240 -> ok", "set K Width 320 -> ok", "set K OffsetX 0 -> ok",
                               "set K OffsetY 0 -> ok", "set K Brightness 0 -> ok",
                               "set K ExposureAuto Off -> ok", "set K ExposureTime 0 -> ok",
                               "set K GainAuto Off -> ok", "set K Gain 0 -> ok", "set K Contrast 0 -> ok",
                               "set K TriggerMode On -> ok", "set K TriggerSource Software -> ok",
                               "set K TriggerSelector FrameStart -> ok", "set K TriggerMode On -> ok"}))
            << c.model;
        // Every setter takes a control of its own.
        EXPECT_GE(sim.traceLines("createImageFormatControl").size(), 4);
    }
}

TEST(V1Open, ARefusedWriteAtOpenPrintsAndTheOthersGoOn)
{
    SimSession sim(
        R"({"cameras": [{"key": "K", "model": "A5131", "refuse": ["ExposureTime", "Contrast"]}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    CCameraDahua camera(&option, nullptr);
    testing::internal::CaptureStdout();
    ASSERT_EQ(camera.IOpenCamera(), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "----set shutter fail\n----set SetContrast fail\n");
    EXPECT_TRUE(sim.traceLines().contains("set K TriggerSource Software -> ok"));
}

TEST(V1Close, ClosesOnlyAnOpenCameraAndStopsFirst)
{
    SimSession sim(R"({"cameras": [{"key": "K", "fps": 0, "width": 8, "height": 8}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    CCameraDahua camera(&option, nullptr);
    camera.ICloseCamera();
    EXPECT_TRUE(sim.traceLines().isEmpty());

    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    ASSERT_EQ(camera.IStartCamera(), 1);
    sim.markTrace();
    camera.ICloseCamera();
    EXPECT_EQ(sim.traceSinceMark(),
              QStringList({"stopGrabbing K -> ok", "detachGrabbing K -> ok", "disconnect K -> ok"}));
    EXPECT_FALSE(camera.m_bOpened);
    EXPECT_FALSE(camera.m_bStarted);
    EXPECT_EQ(VxSim::streamSourceCount("K"), 0);
}

TEST(V1GigE, SameSubnetIsLeftAloneAndAnotherIsMovedIntoTheInterfacesSubnet)
{
    SimSession sim(R"({"cameras": [
        {"key": "Same", "gige": {"interface": "192.168.1.10", "mask": "255.255.255.0", "gateway": "192.168.1.1",
                                 "camera": "192.168.1.77"}},
        {"key": "Other", "gige": {"interface": "192.168.1.10", "mask": "255.255.255.0", "gateway": "192.168.1.1",
                                  "camera": "10.0.0.5"}},
        {"key": "Usb", "kind": 1},
        {"key": "NoGigE"}]})");
    tagVX_CAMERA_OPTION option;
    const auto adjust = [&](const char *key) {
        option.cameraName = key;
        CCameraDahua camera(&option, nullptr);
        EXPECT_EQ(camera.IOpenCamera(), 1);
        return camera.AdjustCameraIp();
    };
    EXPECT_TRUE(adjust("Same"));
    EXPECT_TRUE(sim.traceLines("forceIp").isEmpty());
    EXPECT_TRUE(adjust("Usb")) << "only type 0 cameras are examined";
    EXPECT_FALSE(adjust("NoGigE"));

    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        ASSERT_TRUE(VxSim::loadConfig(R"({"cameras": [{"key": "Other", "gige": {"interface": "192.168.1.10",
            "mask": "255.255.255.0", "gateway": "192.168.1.1", "camera": "10.0.0.5"}}]})"));
        CCameraDahua::DiscoverCameras();
        sim.markTrace();
        EXPECT_TRUE(adjust("Other"));
        const QStringList forced = sim.traceSinceMark("forceIp");
        ASSERT_EQ(forced.size(), 1);
        const QRegularExpressionMatch m
            = QRegularExpression(
                  R"(^forceIp Other 192\.168\.1\.(\d+) 255\.255\.255\.0 192\.168\.1\.1 -> ok$)")
                  .match(forced[0]);
        ASSERT_TRUE(m.hasMatch()) << forced[0].toStdString();
        const int host = m.captured(1).toInt();
        EXPECT_GE(host, 1);
        EXPECT_LE(host, 254);
        EXPECT_NE(host, 10);
    }
}
