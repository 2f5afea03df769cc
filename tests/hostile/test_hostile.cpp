// Hostile input: camera keys that try to steer dumps elsewhere, extreme
// property values, oversized frames, missing records.
#include "cameradahua.h"
#include "cameradahuav2.h"
#include "filesbelow.h"
#include "framedump.h"
#include "logcapture.h"
#include "simsession.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>

namespace {

QStringList hostileKeys()
{
    return {QStringLiteral("../escape"),
            QStringLiteral("..\\..\\escape"),
            QStringLiteral("/etc/passwd"),
            QStringLiteral("a/b/../../c"),
            QStringLiteral("con\x01trol\nline\ttab"),
            QStringLiteral("quote\"star*ask?<lt>gt|pipe"),
            QString(4000, QLatin1Char('k')),
            QString::fromUtf8("камера:é:中文"),
            QStringLiteral("..")};
}

QByteArray configFor(const QStringList &keys)
{
    QJsonArray cameras;
    for (const QString &key : keys)
        cameras.append(QJsonObject {{"key", key}, {"width", 4}, {"height", 4}, {"fps", 0}});
    return QJsonDocument(QJsonObject {{"cameras", cameras}}).toJson();
}

} // namespace

TEST(HostileNames, DumpNamesNeverLeaveThePrefixFolder)
{
    for (const QString &key : hostileKeys()) {
        const QString name = dumpCameraName(key);
        for (const QChar c : name) {
            EXPECT_FALSE(c == '/' || c == '\\' || c == ':' || c.unicode() < 0x20 || c.unicode() > 0xFF)
                << key.toStdString();
        }
    }
    tagVX_CAMERA_OPTION option;
    option.cameraName = QStringLiteral("../../x");
    option.savePrefix = QStringLiteral("/data/img/");
    option.saveSuffix = QStringLiteral(".bmp");
    const QDateTime at(QDate(2024, 5, 1), QTime(13, 45, 7, 123));
    EXPECT_EQ(dumpFileName(17, option, at), QStringLiteral("/data/img/....x_2024_05_01_13_45_07_123_17.bmp"));
    option.cameraName = QStringLiteral("cam:01");
    option.savePrefix = QStringLiteral("d:/img/");
    EXPECT_EQ(dumpFileName(17, option, at), QStringLiteral("d:/img/cam01_2024_05_01_13_45_07_123_17.bmp"));
}

TEST(HostileNames, BothDriversDumpHostileCamerasOnlyIntoThePrefixFolder)
{
    const QStringList keys = hostileKeys();
    SimSession sim(configFor(keys));
    ASSERT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    QDir(sim.dir()).mkpath(QStringLiteral("deep/dumps"));
    const QString prefixDir = sim.path(QStringLiteral("deep/dumps"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    for (int driver = 0; driver < 2; ++driver) {
        for (const QString &key : keys) {
            tagVX_CAMERA_OPTION option;
            option.cameraName = key;
            option.savePrefix = prefixDir + QLatin1Char('/');
            option.saveSuffix = QStringLiteral(".bmp");
            option.saveFlag = 1;
            TestHost host;
            std::unique_ptr<ICameraObject> camera;
            if (driver == 0)
                camera = std::make_unique<CCameraDahuaV2>(&option, &host);
            else
                camera = std::make_unique<CCameraDahua>(&option, &host);
            ASSERT_EQ(camera->IOpenCamera(), 1) << key.toStdString();
            setTriggerMode(camera.get(), 2);
            ASSERT_EQ(camera->IStartCamera(), 1);
            ASSERT_TRUE(waitFor([&] { return host.calls.load() >= 2; })) << key.toStdString();
            camera->ICloseCamera();
        }
    }
    const QStringList files = filesBelow(sim.dir());
    for (const QString &file : files) {
        if (file == QLatin1String("trace.txt"))
            continue;
        EXPECT_TRUE(file.startsWith(QLatin1String("deep/dumps/")) && file.count('/') == 2)
            << file.toStdString();
    }
    EXPECT_GT(files.size(), 1);
}

TEST(HostileNames, ALongCameraKeyIsCutSoTheDumpNameFitsAndIsWritten)
{
    QTemporaryDir root;
    tagVX_CAMERA_OPTION option;
    // 300 characters, 450 UTF-8 bytes.
    option.cameraName = QString(150, QLatin1Char('k')) + QString(150, QChar(0xE9));
    option.savePrefix = root.path() + QStringLiteral("/run_");
    option.saveSuffix = QStringLiteral(".bmp");
    const QDateTime at(QDate(2024, 5, 1), QTime(13, 45, 7, 123));
    const QString name = dumpFileName(4294967295u, option, at);
    EXPECT_TRUE(name.startsWith(option.savePrefix + QString(150, QLatin1Char('k')) + QChar(0xE9)))
        << name.toStdString();
    EXPECT_TRUE(name.endsWith(QChar(0xE9) + QStringLiteral("_2024_05_01_13_45_07_123_4294967295.bmp")))
        << name.toStdString();
    const qsizetype bytes = QFileInfo(name).fileName().toUtf8().size();
    EXPECT_LE(bytes, 255);
    EXPECT_GE(bytes, 254) << "cut no more than needed";

    VxBitmapInfo info;
    initGreyBitmapInfo(info);
    const unsigned char pixels[4] = {1, 2, 3, 4};
    EXPECT_EQ(writeFrameDump(name, info, 2, 2, 8, pixels, sizeof(pixels)), QString());
    EXPECT_EQ(QFileInfo(name).size(), 1078 + 4);

    // A dump never replaces a file: the second one under that name is not written.
    const unsigned char other[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_TRUE(writeFrameDump(name, info, 2, 4, 8, other, sizeof(other)).contains("exists already"));
    QFile first(name);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll().mid(1078), QByteArray("\x01\x02\x03\x04", 4));
}

TEST(HostileValues, ExtremePropertyValuesAreHandledAndLogged)
{
    SimSession sim(R"({"cameras": [{"key": "K"}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    CCameraDahuaV2 current(&option, nullptr);
    ASSERT_EQ(current.IOpenCamera(), 1);
    LogCapture log;
    tagVX_CAMERA_PROPERTY property;
    property.propId = 1;
    property.propValue = INT_MIN;
    current.ISetProperty(&property);
    property.propValue = INT_MAX;
    current.ISetProperty(&property);
    EXPECT_EQ(log.messages(),
              QStringList({"\"Set exposure time:-2147483648 failed.\"  -  CCameraDahuaV2::ISetProperty",
                           "\"Set exposure time value:2147483647 successfully.\"  -  "
                           "CCameraDahuaV2::ISetProperty"}));
    EXPECT_EQ(sim.traceLines("set K ExposureTime"), QStringList({"set K ExposureTime 2147483647 -> ok"}));
    property.propId = INT_MIN;
    current.ISetProperty(&property);
    EXPECT_EQ(log.count(), 2);
}

TEST(HostileFrames, FramesGigabytesLargerThanExpectedAreRefusedUntouched)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 16, "height": 16, "fps": 0, "pattern": "none",
                                    "frameBytes": 3000000000}]})");
    for (int driver = 0; driver < 2; ++driver) {
        tagVX_CAMERA_OPTION option;
        option.cameraName = "K";
        option.saveFlag = 1;
        option.savePrefix = sim.dir() + "/";
        TestHost host;
        std::unique_ptr<ICameraObject> camera;
        if (driver == 0)
            camera = std::make_unique<CCameraDahuaV2>(&option, &host);
        else
            camera = std::make_unique<CCameraDahua>(&option, &host);
        ASSERT_EQ(camera->IOpenCamera(), 1);
        LogCapture log;
        setTriggerMode(camera.get(), 2);
        ASSERT_EQ(camera->IStartCamera(), 1);
        // The first 3 GB frame buffer may take a while to be had (ThreadSanitizer
        // touches every page of it); the wait is generous, not a measurement.
        ASSERT_TRUE(waitFor([&] { return log.messages().filter("3000000000").size() >= 2; },
                            std::chrono::minutes(2)));
        camera->ICloseCamera();
        EXPECT_EQ(host.calls.load(), 0);
        EXPECT_EQ(option.saveFlag, 1) << "nothing dumped";
    }
    EXPECT_TRUE(QDir(sim.dir()).entryList({"*_*"}).isEmpty());
}

TEST(HostileRecords, NullCallbackStillCountsFramesWithoutCrashing)
{
    SimSession sim(R"({"cameras": [{"key": "K", "width": 4, "height": 4, "fps": 0}]})");
    tagVX_CAMERA_OPTION option;
    option.cameraName = "K";
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    CCameraDahuaV2 current(&option, nullptr);
    ASSERT_EQ(current.IOpenCamera(), 1);
    setTriggerMode(&current, 2);
    ASSERT_EQ(current.IStartCamera(), 1);
    EXPECT_TRUE(waitFor([&] { return std::atomic_ref<quint32>(current.m_nFrameNum).load() >= 5; }));
    current.ICloseCamera();

    CCameraDahua earlier(&option, nullptr);
    ASSERT_EQ(earlier.IOpenCamera(), 1);
    setTriggerMode(&earlier, 2);
    ASSERT_EQ(earlier.IStartCamera(), 1);
    EXPECT_TRUE(waitFor([&] { return std::atomic_ref<quint32>(earlier.m_nFrameNum).load() >= 5; }));
    earlier.ICloseCamera();
}
