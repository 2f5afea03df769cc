// The current driver's open, close and camera list.
#include "cameradahuav2.h"
#include "logcapture.h"
#include "simsession.h"
#include "testhost.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const char *const kTwoCameras = R"({"cameras": [
    {"key": "Virtual:A", "model": "VirtualMono", "width": 2448, "height": 2048, "pixelFormat": "Mono8"},
    {"key": "Virtual:B", "width": 1280, "height": 1024, "pixelFormat": "RGB8Packed"}]})";

QString openLine(const char *text, const QString &name)
{
    return QStringLiteral("%1 \"%2\"  -  CCameraDahuaV2::IOpenCamera").arg(QLatin1String(text), name);
}

} // namespace

TEST(V2Open, OpensTheCameraNamedByItsKeyAndReadsItsGeometry)
{
    SimSession sim(kTwoCameras);
    tagVX_CAMERA_OPTION option;
    option.cameraName = "Virtual:B";
    CCameraDahuaV2 camera(&option, nullptr);
    LogCapture log;

    ASSERT_EQ(camera.IOpenCamera(), 1);
    EXPECT_TRUE(camera.m_bOpened);
    EXPECT_FALSE(camera.m_bStarted);
    EXPECT_EQ(camera.m_nWidth, 1280);
    EXPECT_EQ(camera.m_nHeight, 1024);
    EXPECT_EQ(camera.m_nBitsPerPixel, 24);
    EXPECT_EQ(camera.m_nImageFormat, 2);
    EXPECT_EQ(camera.m_nFrameNum, 0u);
    EXPECT_TRUE(VxSim::isConnected("Virtual:B"));
    EXPECT_EQ(VxSim::attachedHandlerCount("Virtual:B"), 1);
    ASSERT_EQ(log.entries().size(), 1u);
    EXPECT_EQ(log.entries()[0].type, QtDebugMsg);
    EXPECT_EQ(log.entries()[0].message, openLine("Successfully open camera: ", "Virtual:B"));

    EXPECT_EQ(
        sim.traceLines(),
        QStringList({"discovery 3 -> 2", "connect Virtual:B 2 -> ok",
                     "createAcquisitionControl Virtual:B -> ok", "get Virtual:B DeviceModelName -> fail",
                     "createImageFormatControl Virtual:B -> ok", "get Virtual:B Width -> 1280",
                     "get Virtual:B Height -> 1024", "get Virtual:B PixelFormat -> RGB8Packed",
                     "createStreamSource Virtual:B 0 -> ok", "attachGrabbing Virtual:B -> ok"}));

    // Open again: nothing happens, even when the option now names another camera.
    option.cameraName = "Virtual:A";
    sim.markTrace();
    EXPECT_EQ(camera.IOpenCamera(), 1);
    EXPECT_TRUE(sim.traceSinceMark().isEmpty());
}

TEST(V2Open, CloseStopsDetachesDisconnectsAndASecondCloseDoesNothing)
{
    SimSession sim(kTwoCameras);
    tagVX_CAMERA_OPTION option;
    option.cameraName = "Virtual:A";
    CCameraDahuaV2 camera(&option, nullptr);
    ASSERT_EQ(camera.IOpenCamera(), 1);
    setTriggerMode(&camera, 2);
    ASSERT_EQ(camera.IStartCamera(), 1);
    sim.markTrace();
    camera.ICloseCamera();
    EXPECT_FALSE(camera.m_bOpened);
    EXPECT_FALSE(camera.m_bStarted);
    EXPECT_EQ(camera.m_nCurTriggerMode, 0);
    EXPECT_EQ(sim.traceSinceMark().filter(QRegularExpression("^(?!frame)")),
              QStringList({"stopGrabbing Virtual:A -> ok", "stopGrabbing Virtual:A -> ok",
                           "detachGrabbing Virtual:A -> ok", "disconnect Virtual:A -> ok"}));
    EXPECT_EQ(VxSim::streamSourceCount("Virtual:A"), 0);
    EXPECT_FALSE(VxSim::isConnected("Virtual:A"));

    sim.markTrace();
    camera.ICloseCamera();
    EXPECT_TRUE(sim.traceSinceMark().isEmpty());
}

TEST(V2Open, PixelFormatsMapToDepthFormatAndExpectedFrameSize)
{
    const struct {
        const char *format;
        int width, height, bits, imageFormat;
        quint32 buffSize;
    } cases[] = {
        {"Mono8", 2448, 2048, 8, 1, 5013504},    {"RGB8Packed", 1280, 1024, 24, 2, 3932160},
        {"BayerRG10", 640, 480, 16, 4, 614400},  {"BayerGB8", 10, 10, 8, 1, 100},
        {"YUV422Packed", 10, 10, 16, 4, 200},    {"Mono16", 100, 100, 16, 4, 20000},
        {"BayerBG12", 10, 10, 16, 4, 200},       {"BayerGR8", 10, 10, 8, 1, 100},
        {"BGR8Packed", 10, 10, 24, 11, 300},     {"Mono12Packed", 100, 100, 32, 3, 40000},
        {"BGRA8Packed", 100, 100, 32, 3, 40000},
    };
    for (const auto &c : cases) {
        // The expected size shows in the refusal of a frame one byte larger.
        const QByteArray config = QStringLiteral(R"({"cameras": [{"key": "K", "width": %1, "height": %2,
            "pixelFormat": "%3", "frameBytes": %4, "fps": 0, "pattern": "none"}]})")
                                      .arg(c.width)
                                      .arg(c.height)
                                      .arg(c.format)
                                      .arg(c.buffSize + 1)
                                      .toUtf8();
        SimSession sim(config);
        CCameraDahuaV2::DiscoverCameras();
        tagVX_CAMERA_OPTION option;
        option.cameraName = "K";
        CCameraDahuaV2 camera(&option, nullptr);
        ASSERT_EQ(camera.IOpenCamera(), 1) << c.format;
        EXPECT_EQ(camera.m_nBitsPerPixel, c.bits) << c.format;
        EXPECT_EQ(camera.m_nImageFormat, c.imageFormat) << c.format;

        LogCapture log;
        setTriggerMode(&camera, 2);
        ASSERT_EQ(camera.IStartCamera(), 1);
        const QString refusal = QStringLiteral("\"Except image size:=%1, but got image size%2\"  -  "
                                               "CCameraDahuaV2::onGetFrame")
                                    .arg(c.buffSize)
                                    .arg(c.buffSize + 1);
        for (int i = 0; i < 1000 && !log.contains(refusal); ++i)
            QThread::msleep(5);
        camera.IStopCamera();
        EXPECT_TRUE(log.contains(refusal)) << c.format << ": " << log.messages().join('\n').toStdString();
        EXPECT_EQ(camera.m_nFrameNum, 0u);
    }
}

TEST(V2Open, FailuresLogTheirLineReturnZeroAndLeaveNothingHeld)
{
    const struct {
        const char *fail;
        QString line;
        QStringList tail;
    } cases[] = {
        {"connect", openLine("Failed to connect camera: ", "K"), {"connect K 2 -> fail"}},
        {"createAcquisitionControl",
         "Failed to create AcquisitionControl object  -  CCameraDahuaV2::IOpenCamera",
         {"createAcquisitionControl K -> empty", "disconnect K -> ok"}},
        {"createImageFormatControl",
         "Failed to create ImageFormatControl object  -  CCameraDahuaV2::IOpenCamera",
         {"createImageFormatControl K -> empty", "disconnect K -> ok"}},
        {"createStreamSource",
         "Failed to createStreamSource  -  CCameraDahuaV2::IOpenCamera",
         {"createStreamSource K 0 -> empty", "disconnect K -> ok"}},
        {"attachGrabbing",
         "Failed to attachGrabbing  -  CCameraDahuaV2::IOpenCamera",
         {"attachGrabbing K -> fail", "disconnect K -> ok"}},
    };
    for (const auto &c : cases) {
        SimSession sim(QStringLiteral(R"({"cameras": [{"key": "K", "fail": ["%1"]}]})").arg(c.fail).toUtf8());
        CCameraDahuaV2::DiscoverCameras();
        tagVX_CAMERA_OPTION option;
        option.cameraName = "K";
        CCameraDahuaV2 camera(&option, nullptr);
        LogCapture log;
        EXPECT_EQ(camera.IOpenCamera(), 0) << c.fail;
        EXPECT_FALSE(camera.m_bOpened);
        EXPECT_EQ(log.messages(QtWarningMsg), QStringList({c.line})) << c.fail;
        const QStringList trace = sim.traceLines();
        EXPECT_EQ(trace.mid(trace.size() - c.tail.size()), c.tail) << c.fail;
        EXPECT_FALSE(VxSim::isConnected("K")) << c.fail;
        EXPECT_EQ(VxSim::streamSourceCount("K"), 0) << c.fail;

        // Close after a failed open does nothing; a later open runs the whole sequence again.
        sim.markTrace();
        camera.ICloseCamera();
        EXPECT_TRUE(sim.traceSinceMark().isEmpty());
        ASSERT_TRUE(VxSim::setFailure("K", c.fail, false));
        EXPECT_EQ(camera.IOpenCamera(), 1) << c.fail;
    }
}

TEST(V2Open, OversizeGeometryIsABufferFailureNotAWrappedSize)
{
    SimSession sim(
        R"({"cameras": [{"key": "K", "width": 100000, "height": 100000, "pixelFormat": "RGB8Packed",
                                    "frameBytes": 16}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    CCameraDahuaV2 camera(&option, nullptr);
    LogCapture log;
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(log.messages(QtWarningMsg),
              QStringList({"Failed to create buffer  -  CCameraDahuaV2::IOpenCamera"}));
    EXPECT_FALSE(camera.m_bOpened);
    EXPECT_EQ(VxSim::attachedHandlerCount("K"), 0);
    EXPECT_FALSE(VxSim::isConnected("K"));
}

TEST(V2Open, UnknownKeysAreNotFoundAndComparedExactly)
{
    SimSession sim(kTwoCameras);
    tagVX_CAMERA_OPTION option;
    option.cameraName = "virtual:a";
    CCameraDahuaV2 camera(&option, nullptr);
    LogCapture log;
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(log.messages(), QStringList({openLine("Failed to find camera: ", "virtual:a")}));
    EXPECT_EQ(sim.traceLines("connect").size(), 0);

    // No option record: nothing logged.
    log.clear();
    camera.m_pCamOpt = nullptr;
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(log.count(), 0);
    camera.m_pCamOpt = &option;
}

TEST(V2List, DiscoveryRunsUntilACameraIsFoundAndThenTheListStays)
{
    SimSession sim(R"({"cameras": []})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "Late:1";
    CCameraDahuaV2 camera(&option, nullptr);
    EXPECT_TRUE(camera.IGetCameraList().isEmpty());
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(sim.traceLines("discovery"), QStringList({"discovery 3 -> 0", "discovery 3 -> 0"}));

    ASSERT_TRUE(VxSim::loadConfig(R"({"cameras": [{"key": "Late:1"}, {"key": "Late:2"}]})"));
    EXPECT_EQ(camera.IGetCameraList(), QStringList({"Late:1", "Late:2"}));
    // A camera attached after the list was filled is not seen.
    ASSERT_TRUE(
        VxSim::loadConfig(R"({"cameras": [{"key": "Late:1"}, {"key": "Late:2"}, {"key": "Late:3"}]})"));
    EXPECT_EQ(camera.IGetCameraList(), QStringList({"Late:1", "Late:2"}));
    option.cameraName = "Late:3";
    EXPECT_EQ(camera.IOpenCamera(), 0);
    EXPECT_EQ(sim.traceLines("discovery").size(), 3);
}

TEST(V2Open, TwoObjectsShareOneCameraAndDestroyingAnOpenObjectClosesIt)
{
    SimSession sim(kTwoCameras);
    tagVX_CAMERA_OPTION option;
    option.cameraName = "Virtual:A";
    {
        CCameraDahuaV2 first(&option, nullptr);
        CCameraDahuaV2 second(&option, nullptr);
        ASSERT_EQ(first.IOpenCamera(), 1);
        ASSERT_EQ(second.IOpenCamera(), 1);
        EXPECT_EQ(sim.traceLines("connect"),
                  QStringList({"connect Virtual:A 2 -> ok", "connect Virtual:A 2 -> ok"}));
        EXPECT_EQ(VxSim::streamSourceCount("Virtual:A"), 2);
        setTriggerMode(&first, 2);
        ASSERT_EQ(first.IStartCamera(), 1);
    }
    EXPECT_EQ(VxSim::streamSourceCount("Virtual:A"), 0);
    EXPECT_EQ(VxSim::grabbingStreamCount("Virtual:A"), 0);
    EXPECT_EQ(sim.traceLines("disconnect").size(), 2);
}
