// Replay cameras: recordings of frame dumps and image files played through
// the virtual camera system, in order, exactly, looping, stepped by triggers.
#include "replayfiles.h"
#include "simsession.h"
#include "waitfor.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/Sim/VirtualCameras.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace Dahua::GenICam;

namespace {

// Copies of every frame a stream source delivered.
struct Frames {
    std::mutex mutex;
    std::vector<QByteArray> images;
    std::vector<uint64_t> numbers;
    std::atomic<int> calls {0};

    void onFrame(const CFrame &frame)
    {
        std::lock_guard<std::mutex> lock(mutex);
        images.emplace_back(static_cast<const char *>(frame.getImage()), int(frame.getImageSize()));
        numbers.push_back(frame.getBlockId());
        ++calls;
    }
    IStreamSource::Proc proc() { return IStreamSource::Proc::bind<&Frames::onFrame>(this); }
};

// One replay camera of the session, connected, with a stream source.
struct Camera {
    ICameraPtr camera;
    IStreamSourcePtr source;
    IAcquisitionControlPtr acquisition;
    Frames frames;

    bool open(const QString &key)
    {
        Dahua::Infra::TVector<ICameraPtr> cameras;
        CSystem::getInstance().discovery(cameras, typeAll);
        for (const ICameraPtr &c : cameras) {
            if (QString::fromUtf8(c->getKey()) == key)
                camera = c;
        }
        if (camera == nullptr || !camera->connect(accessPermissionControl))
            return false;
        source = CSystem::getInstance().createStreamSource(camera, 0);
        acquisition = CSystem::getInstance().createAcquisitionControl(camera);
        return source != nullptr && acquisition != nullptr && source->attachGrabbing(frames.proc());
    }
    QString feature(const char *name) const
    {
        QString value;
        VxSim::featureValue(QString::fromUtf8(camera->getKey()), QLatin1String(name), &value);
        return value;
    }
    bool grab(int count)
    {
        return source->startGrabbing(0, grabStrategySequential)
            && waitFor([&] { return frames.calls.load() >= count; }) && source->stopGrabbing();
    }
};

QByteArray config(const QJsonArray &cameras)
{
    return QJsonDocument(QJsonObject {{QStringLiteral("cameras"), cameras}}).toJson();
}

QByteArray pixels(int count, int seed)
{
    QByteArray bytes(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        bytes[i] = char((i * 7 + seed * 31) & 0xFF);
    return bytes;
}

QImage grey8(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    const QByteArray bytes = pixels(width * height, seed);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), bytes.constData() + y * width, width);
    return image;
}

// The rows of an image without padding.
QByteArray rows(const QImage &image)
{
    const int rowBytes = image.width() * image.depth() / 8;
    QByteArray bytes;
    for (int y = 0; y < image.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(image.constScanLine(y)), rowBytes);
    return bytes;
}

} // namespace

TEST(SimReplay, DumpsReplayByteForByteInNaturalOrderAndLoopWithFrameNumbersCounting)
{
    QTemporaryDir files;
    // Frames 9, 10 and 11: in natural order, not in the order of the texts.
    QList<QByteArray> written;
    for (int n : {10, 9, 11}) {
        const QByteArray bytes = pixels(13 * 5 + 3, n); // 3 bytes beyond the rows stay part of the frame
        written.append(bytes);
        ASSERT_TRUE(replaytest::writeDump(
            files.filePath(QStringLiteral("dump_Cam_2026_01_02_03_04_05_006_%1.bmp").arg(n)), 13, 5, 8,
            bytes));
    }
    SimSession sim(config({QJsonObject {{"key", "R"}, {"images", files.path()}, {"fps", 0}},
                           QJsonObject {{"key", "B"},
                                        {"images", files.path()},
                                        {"pixelFormat", "BayerGR8"},
                                        {"atEnd", "stop"},
                                        {"fps", 0}}}));
    ASSERT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    Camera camera;
    ASSERT_TRUE(camera.open(QStringLiteral("R")));
    EXPECT_EQ(camera.feature("Width"), QStringLiteral("13"));
    EXPECT_EQ(camera.feature("Height"), QStringLiteral("5"));
    EXPECT_EQ(camera.feature("PixelFormat"), QStringLiteral("Mono8"));
    ASSERT_TRUE(camera.grab(8));
    const int order[] = {1, 0, 2}; // frames 9, 10, 11
    std::lock_guard<std::mutex> lock(camera.frames.mutex);
    for (std::size_t i = 0; i < camera.frames.images.size(); ++i) {
        EXPECT_EQ(camera.frames.images[i], written.at(order[i % 3])) << "frame " << i;
        EXPECT_EQ(camera.frames.numbers[i], i + 1);
    }

    Camera bayer; // at the end of a recording that does not loop, no frame comes
    ASSERT_TRUE(bayer.open(QStringLiteral("B")));
    EXPECT_EQ(bayer.feature("PixelFormat"), QStringLiteral("BayerGR8"));
    ASSERT_TRUE(bayer.source->startGrabbing(0, grabStrategySequential));
    ASSERT_TRUE(waitFor([&] { return bayer.frames.calls.load() >= 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(bayer.source->stopGrabbing());
    EXPECT_EQ(bayer.frames.calls.load(), 3);
    IImageFormatControlPtr format = CSystem::getInstance().createImageFormatControl(bayer.camera);
    EXPECT_FALSE(format->width().setValue(8)) << "the files give the width";
}

TEST(SimReplay, PicturesStepOneImagePerSoftwareTriggerAndReopenStartsAtTheFirst)
{
    QTemporaryDir files;
    std::vector<QImage> images;
    for (int n = 1; n <= 3; ++n) {
        images.push_back(grey8(6, 4, n));
        ASSERT_TRUE(images.back().save(files.filePath(QStringLiteral("img%1.png").arg(n))));
    }
    SimSession sim(config(
        {QJsonObject {{"key", "P"},
                      {"images", files.filePath(QStringLiteral("img*.png"))},
                      {"features", QJsonObject {{"TriggerMode", "On"}, {"TriggerSource", "Software"}}}}}));
    ASSERT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    for (int opening = 0; opening < 2; ++opening) {
        Camera camera;
        ASSERT_TRUE(camera.open(QStringLiteral("P")));
        ASSERT_TRUE(camera.source->startGrabbing(0, grabStrategySequential));
        for (int shot = 1; shot <= 4; ++shot) {
            ASSERT_TRUE(camera.acquisition->triggerSoftware().execute());
            ASSERT_TRUE(waitFor([&] { return camera.frames.calls.load() >= shot; }));
        }
        ASSERT_TRUE(camera.source->stopGrabbing());
        std::lock_guard<std::mutex> lock(camera.frames.mutex);
        ASSERT_EQ(camera.frames.images.size(), 4u);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(camera.frames.images[i], rows(images[i % 3])) << "opening " << opening << " shot " << i;
        camera.source.reset();
        EXPECT_TRUE(camera.camera->disconnect());
    }
}

TEST(SimReplay, GreyAndColourPicturesAndTiffPagesBecomeTheCamerasBytes)
{
    QTemporaryDir files;
    const QString grey16 = files.filePath(QStringLiteral("g16"));
    const QString colour = files.filePath(QStringLiteral("rgb"));
    const QString pages = files.filePath(QStringLiteral("pages.tif"));
    ASSERT_TRUE(QDir().mkpath(grey16) && QDir().mkpath(colour));
    QImage deep(5, 3, QImage::Format_Grayscale16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            reinterpret_cast<quint16 *>(deep.scanLine(y))[x] = quint16(x * 4099 + y * 257);
    ASSERT_TRUE(replaytest::writeTiffPages(grey16 + QStringLiteral("/a.tif"), {deep}));
    QImage rgb(3, 2, QImage::Format_RGB888);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            rgb.setPixel(x, y, qRgb(x * 80, y * 100, 7));
    ASSERT_TRUE(rgb.save(colour + QStringLiteral("/a.png")));
    ASSERT_TRUE(replaytest::writeTiffPages(pages, {grey8(4, 2, 1), grey8(4, 2, 2), grey8(4, 2, 3)}));
    // Palettes: grey when every colour in them is, whatever the pixels use.
    const QString greyPalette = files.filePath(QStringLiteral("greypalette.tif"));
    const QString colourPalette = files.filePath(QStringLiteral("colourpalette.tif"));
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(90, 90, 90), qRgb(250, 250, 250), qRgb(0, 0, 0)});
    for (int x = 0; x < 3; ++x)
        indexed.setPixel(x, 0, uint(2 - x));
    ASSERT_TRUE(replaytest::writeTiffPages(greyPalette, {indexed}));
    indexed.setColor(3, qRgb(10, 20, 30)); // a colour no pixel uses
    ASSERT_TRUE(replaytest::writeTiffPages(colourPalette, {indexed}));

    SimSession sim(
        config({QJsonObject {{"key", "G"}, {"images", grey16}, {"fps", 0}},
                QJsonObject {{"key", "C"}, {"images", colour}, {"pixelFormat", "BGR8Packed"}, {"fps", 0}},
                QJsonObject {{"key", "T"}, {"images", pages}, {"fps", 0}},
                QJsonObject {{"key", "PG"}, {"images", greyPalette}, {"fps", 0}},
                QJsonObject {{"key", "PC"}, {"images", colourPalette}, {"fps", 0}}}));
    ASSERT_TRUE(sim.loaded()) << sim.loadError().toStdString();
    Camera pg, pc;
    ASSERT_TRUE(pg.open(QStringLiteral("PG")) && pc.open(QStringLiteral("PC")));
    EXPECT_EQ(pg.feature("PixelFormat"), QStringLiteral("Mono8"));
    EXPECT_EQ(pc.feature("PixelFormat"), QStringLiteral("RGB8Packed"));
    ASSERT_TRUE(pg.grab(1) && pc.grab(1));
    EXPECT_EQ(pg.frames.images.front(), QByteArray("\xFA\x5A\x00", 3));
    EXPECT_EQ(pc.frames.images.front(), QByteArray("\xFA\xFA\xFA\x5A\x5A\x5A\x00\x00\x00", 9));
    Camera g, c, t;
    ASSERT_TRUE(g.open(QStringLiteral("G")) && c.open(QStringLiteral("C")));
    EXPECT_EQ(g.feature("PixelFormat"), QStringLiteral("Mono16"));
    ASSERT_TRUE(g.grab(1) && c.grab(1));
    EXPECT_EQ(g.frames.images.front(), rows(deep));
    EXPECT_EQ(c.frames.images.front(), rows(rgb.rgbSwapped()));
    ASSERT_TRUE(t.open(QStringLiteral("T")) && t.grab(4));
    ASSERT_GE(t.frames.images.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(t.frames.images[i], rows(grey8(4, 2, i % 3 + 1))) << "page " << i;
}

TEST(SimReplay, ConfigurationMistakesAreNamed)
{
    const struct {
        const char *json;
        const char *message;
    } cases[] = {
        {R"({"key": "R", "images": "x", "width": 10})", "\"width\" cannot go with \"images\""},
        {R"({"key": "R", "images": "x", "features": {"PixelFormat": "Mono8"}})",
         "\"PixelFormat\" cannot be set"},
        {R"({"key": "R", "images": "x", "pace": "fast"})", "\"pace\" must be \"fps\" or \"recorded\""},
        {R"({"key": "R", "images": "x", "atEnd": "again"})", "\"atEnd\" must be \"loop\" or \"stop\""},
        {R"({"key": "R", "images": "x", "ringFrames": 0})", "\"ringFrames\" must be 1 to 1000"},
        {R"({"key": "R", "images": "x", "ringFrame": 4})", "(did you mean \"ringFrames\"?)"},
        {R"({"key": "R", "images": ""})", "\"images\" must name a folder"},
        {R"({"key": "R", "pace": "recorded"})", "\"pace\" needs \"images\""},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(VxSim::loadConfig(QByteArray(R"({"cameras": [)") + c.json + "]}", &error)) << c.json;
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << error.toStdString();
    }
}
