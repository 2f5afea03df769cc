// Reading the virtual-camera configuration, and its errors.
#include "simsession.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using namespace Dahua::GenICam;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

} // namespace

TEST(SimConfig, BuiltInCamerasArePresentWithoutConfiguration)
{
    qunsetenv("VXCAM_SIM_CONFIG");
    EXPECT_EQ(VxSim::cameraKeys(), QStringList({"Virtual:MONO0001", "Virtual:RGB0002"}));
    QString value;
    ASSERT_TRUE(VxSim::featureValue("Virtual:MONO0001", "PixelFormat", &value));
    EXPECT_EQ(value, "Mono8");
    ASSERT_TRUE(VxSim::featureValue("Virtual:RGB0002", "PixelFormat", &value));
    EXPECT_EQ(value, "RGB8Packed");
    ASSERT_TRUE(VxSim::featureValue("Virtual:MONO0001", "Width", &value));
    EXPECT_EQ(value, "1280");
}

TEST(SimConfig, EnvironmentNamesTheConfigurationAndTheTrace)
{
    QTemporaryDir dir;
    const QString config
        = writeFile(dir, "cams.json", R"({"cameras": [{"key": "Env:1"}, {"key": "Env:2"}]})");
    qputenv("VXCAM_SIM_CONFIG", QFile::encodeName(config));
    qputenv("VXCAM_SIM_TRACE", QFile::encodeName(dir.filePath("trace.txt")));

    Dahua::Infra::TVector<ICameraPtr> cameras;
    ASSERT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_STREQ(cameras[0]->getKey(), "Env:1");
    EXPECT_STREQ(cameras[1]->getKey(), "Env:2");

    QFile trace(dir.filePath("trace.txt"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_EQ(trace.readAll(), QByteArray("discovery 3 -> 2\n"));
}

TEST(SimConfig, UnreadableFileInTheEnvironmentLeavesNoCamerasAndSaysWhy)
{
    qputenv("VXCAM_SIM_CONFIG", "/nonexistent/vxcam/cams.json");
    testing::internal::CaptureStderr();
    const QStringList keys = VxSim::cameraKeys();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(keys.isEmpty());
    EXPECT_NE(err.find("/nonexistent/vxcam/cams.json"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST(SimConfig, DefaultsOfACameraWithOnlyAKey)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    ASSERT_TRUE(sim.loaded());
    const struct {
        const char *feature;
        const char *value;
    } defaults[] = {{"Width", "640"},
                    {"Height", "480"},
                    {"PixelFormat", "Mono8"},
                    {"TriggerMode", "Off"},
                    {"TriggerSelector", "FrameStart"},
                    {"TriggerSource", "Line1"},
                    {"ExposureAuto", "Off"},
                    {"ExposureTime", "10000"},
                    {"GainAuto", "Off"},
                    {"Gain", "1"},
                    {"Brightness", "50"},
                    {"Contrast", "50"},
                    {"OffsetX", "0"},
                    {"OffsetY", "0"},
                    {"ReverseX", "false"},
                    {"ReverseY", "false"}};
    for (const auto &d : defaults) {
        QString value;
        ASSERT_TRUE(VxSim::featureValue("K", d.feature, &value)) << d.feature;
        EXPECT_EQ(value, QString(d.value)) << d.feature;
    }
    QString model;
    EXPECT_FALSE(VxSim::featureValue("K", "DeviceModelName", &model)) << "no model configured";
}

TEST(SimConfig, InitialValuesMissingFeaturesAndModelAreApplied)
{
    SimSession sim(R"({"cameras": [{"key": "K", "model": "A5131M", "width": 2448, "height": 2048,
        "pixelFormat": "BayerRG10", "features": {"ExposureTime": 10000.6, "TriggerSource": "Line5", "Gain": 7.9},
        "missing": ["ReverseX"]}]})");
    ASSERT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    QString value;
    ASSERT_TRUE(VxSim::featureValue("K", "ExposureTime", &value));
    EXPECT_EQ(value, "10000.6");
    ASSERT_TRUE(VxSim::featureValue("K", "TriggerSource", &value));
    EXPECT_EQ(value, "Line5");
    ASSERT_TRUE(VxSim::featureValue("K", "DeviceModelName", &value));
    EXPECT_EQ(value, "A5131M");
    ASSERT_TRUE(VxSim::featureValue("K", "PixelFormat", &value));
    EXPECT_EQ(value, "BayerRG10");
    EXPECT_FALSE(VxSim::featureValue("K", "ReverseX", &value));
}

TEST(SimConfig, MistakesAreRefusedWithAClearMessageAndLeaveNoCameras)
{
    const struct {
        const char *json;
        const char *problem;
    } cases[] = {
        {"", "not valid JSON"},
        {R"({"cameras": [{"key": "K")", "not valid JSON"},
        {R"([1, 2])", "must be a JSON object"},
        {R"({"cameras": {"key": "K"}})", "\"cameras\" must be a list"},
        {R"({"cameras": [17]})", "cameras[0] must be an object"},
        {R"({"cameras": [{"model": "M"}]})", "non-empty text \"key\""},
        {R"({"cameras": [{"key": 5}]})", "non-empty text \"key\""},
        {R"({"cameras": [{"key": "K", "width": "abc"}]})", "\"width\" must be a whole number"},
        {R"({"cameras": [{"key": "K", "height": -4}]})", "\"height\" must be a whole number"},
        {R"({"cameras": [{"key": "K", "fps": "fast"}]})", "\"fps\" must be a number"},
        {R"({"cameras": [{"key": "K", "pattern": "noise"}]})", "\"pattern\""},
        {R"({"cameras": [{"key": "K", "frameBytes": 5000000000}]})", "32 bits"},
        {R"({"cameras": [{"key": "K", "features": {"ExposureTime": "long"}}]})", "ExposureTime"},
        {R"({"cameras": [{"key": "K", "features": {"Sharpness": 3}}]})", "unknown feature"},
        {R"({"cameras": [{"key": "K", "fail": ["explode"]}]})", "unknown operation \"explode\""},
        {R"({"cameras": [{"key": "K", "refuse": "Gain"}]})", "\"refuse\" must be a list"},
        {R"({"cameras": [{"key": "K", "gige": {"camera": 10}}]})", "\"gige\".\"camera\""},
        {R"({"cameras": [{"key": "K"}, {"key": "K"}]})", "used twice"},
        {R"({"discovery": "maybe"})", "\"discovery\""},
        {R"({"cameras": [{"key": "K", "features": {"Width": -5}}]})", "width and height must be from 0"},
        {R"({"cameras": [{"key": "K", "width": 3000000000, "frameBytes": 4}]})",
         "width and height must be from 0"},
        {R"({"cameras": [{"key": "K", "width": 100000, "height": 100000, "pixelFormat": "RGBA8Packed"}]})",
         "more than 4294967295 bytes"},
        {R"({"cameras": [{"key": "K", "width": 65536, "features": {"Height": 65536}}]})",
         "more than 4294967295"},
        {R"({"cameras": [{"key": "K", "missing": ["Sharpness"]}]})", "unknown feature \"Sharpness\""},
        {R"({"cameras": [{"key": "K", "refuse": ["Gian=3"]}]})", "unknown feature \"Gian\""},
        {R"({"cameras": [{"key": "K", "outage": 5}]})", "\"outage\" must be an object"},
        {R"({"cameras": [{"key": "K", "outage": {"seconds": 2}}]})", "\"outage\".\"afterFrames\" must be"},
        {R"({"cameras": [{"key": "K", "outage": {"afterFrames": 1.5, "seconds": 2}}]})", "\"afterFrames\""},
        {R"({"cameras": [{"key": "K", "outage": {"afterFrames": 10, "seconds": 0}}]})",
         "\"outage\".\"seconds\" must be a number above 0"},
        {R"({"cameras": [{"key": "K", "outage": {"afterFrames": 10}}]})", "\"outage\".\"seconds\""},
        {R"({"cameras": [{"key": "K", "outage": {"afterFrames": 10, "secs": 2}}]})",
         "\"outage\": unknown key \"secs\""},
    };
    for (const auto &c : cases) {
        VxSim::useBuiltInCameras();
        QString error;
        EXPECT_FALSE(VxSim::loadConfig(c.json, &error)) << c.json;
        EXPECT_TRUE(error.contains(QLatin1String(c.problem))) << c.json << " -> " << error.toStdString();
        EXPECT_TRUE(VxSim::cameraKeys().isEmpty()) << c.json;
    }
}

TEST(SimConfig, AFrameSizeJustWithin32BitsOrFixedByFrameBytesIsAccepted)
{
    QString error;
    // 65535 x 65537 = 4294967295 bytes: the largest frame there is.
    EXPECT_TRUE(VxSim::loadConfig(R"({"cameras": [{"key": "A", "width": 65535, "height": 65537}]})", &error))
        << error.toStdString();
    EXPECT_TRUE(VxSim::loadConfig(
        R"({"cameras": [{"key": "B", "width": 100000, "height": 100000, "frameBytes": 1000}]})", &error))
        << error.toStdString();
    EXPECT_EQ(VxSim::cameraKeys(), QStringList({"B"}));
}

TEST(SimConfig, FileErrorsNameTheFile)
{
    QTemporaryDir dir;
    QString error;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(VxSim::loadConfigFile(dir.filePath("absent.json"), &error));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(error.contains("absent.json")) << error.toStdString();
    EXPECT_NE(err.find("absent.json"), std::string::npos);

    const QString huge = writeFile(dir, "huge.json", QByteArray(17 * 1024 * 1024, ' '));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(VxSim::loadConfigFile(huge, &error));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(error.contains("larger than")) << error.toStdString();

    for (const QByteArray &content : {QByteArray(), QByteArray(R"({"cameras": [{"key": "F:1", "wid)")}) {
        const QString path = writeFile(dir, content.isEmpty() ? "empty.json" : "truncated.json", content);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(VxSim::loadConfigFile(path, &error));
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(error.contains(path) && error.contains("not valid JSON")) << error.toStdString();
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
        EXPECT_NE(printed.find(path.toStdString()), std::string::npos) << printed;
        EXPECT_TRUE(VxSim::cameraKeys().isEmpty());
    }

    const QString good = writeFile(dir, "good.json", R"({"cameras": [{"key": "F:1"}]})");
    EXPECT_TRUE(VxSim::loadConfigFile(good, &error)) << error.toStdString();
    EXPECT_EQ(VxSim::cameraKeys(), QStringList({"F:1"}));
}

TEST(SimConfig, ScriptedDiscoveryFailureIsTraced)
{
    SimSession sim(R"({"discovery": "fail", "cameras": [{"key": "K"}]})");
    Dahua::Infra::TVector<ICameraPtr> cameras;
    EXPECT_FALSE(CSystem::getInstance().discovery(cameras, typeAll));
    EXPECT_TRUE(cameras.empty());
    EXPECT_EQ(sim.traceLines(), QStringList({"discovery 3 -> fail"}));
}

TEST(SimConfig, MisspeltKeysAreRefusedNamingFileCameraAndKey)
{
    QTemporaryDir dir;
    const struct {
        const char *json;
        QStringList expected;
    } cases[] = {
        {R"({"cameras": [{"key": "A"}, {"key": "B", "widht": 10}]})",
         {"cameras[1] (\"B\")", "unknown key \"widht\"", "did you mean \"width\""}},
        {R"({"camera": [{"key": "A"}]})", {"unknown key \"camera\"", "did you mean \"cameras\""}},
        {R"({"cameras": [{"key": "A", "gige": {"gatway": "10.0.0.1"}}]})",
         {"cameras[0] (\"A\")", "\"gige\": unknown key \"gatway\"", "did you mean \"gateway\""}},
        {R"({"cameras": [{"key": "A", "colourDepth": 8}]})", {"unknown key \"colourDepth\""}},
    };
    for (const auto &c : cases) {
        const QString path = writeFile(dir, "cams.json", c.json);
        QString error;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(VxSim::loadConfigFile(path, &error)) << c.json;
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        for (const QString &part : c.expected)
            EXPECT_TRUE(error.contains(part)) << error.toStdString() << " lacks " << part.toStdString();
        EXPECT_EQ(error.contains("did you mean"), c.expected.last().startsWith("did you mean"))
            << error.toStdString();
        EXPECT_TRUE(VxSim::cameraKeys().isEmpty());
    }
}

TEST(SimConfig, ACameraLackingItsGeometrySaysOnceWhyItMakesNoFrames)
{
    SimSession sim(R"({"cameras": [{"key": "K", "fps": 0, "missing": ["Width", "PixelFormat"]},
                                    {"key": "Fixed", "fps": 0, "frameBytes": 16, "missing": ["Width"]}]})");
    ASSERT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    Dahua::Infra::TVector<ICameraPtr> cameras;
    ASSERT_TRUE(CSystem::getInstance().discovery(cameras, typeAll));
    std::atomic<int> frames {0};
    IStreamSource::Proc count(&frames,
                              [](void *n, const CFrame &) { ++*static_cast<std::atomic<int> *>(n); });
    std::string printed;
    for (const ICameraPtr &camera : cameras) {
        IStreamSourcePtr source = CSystem::getInstance().createStreamSource(camera, 0);
        ASSERT_TRUE(source->attachGrabbing(count));
        for (int run = 0; run < 2; ++run) {
            testing::internal::CaptureStderr();
            ASSERT_TRUE(source->startGrabbing(0, grabStrategySequential));
            printed += testing::internal::GetCapturedStderr();
            ASSERT_TRUE(source->stopGrabbing());
        }
    }
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    EXPECT_NE(printed.find("\"K\" makes no frames: it lacks Width, PixelFormat"), std::string::npos)
        << printed;
    EXPECT_EQ(VxSim::framesProduced("K"), 0u);
}
