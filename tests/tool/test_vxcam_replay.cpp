// Replay cameras through the plug-in and the host tool: a recording made with
// --save replays byte for byte, and bad recordings are named, never a crash.
#include "replayfiles.h"
#include "vxcamrun.h"

#include <QDir>
#include <QFile>
#include <QImage>

using replaytest::dumpsByFrame;

TEST_F(Vxcam, ARecordingReplaysThroughThePluginByteForByteInOrderWithItsFrameNumbers)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("rec/mono") && QDir(dir.path()).mkpath("rec/rgb")
                && QDir(dir.path()).mkpath("again"));
    for (const char *camera : {"MONO", "RGB"}) {
        const ToolRun record
            = vxcam({"grab", "--camera", QStringLiteral("Tool:%1").arg(camera), "--frames", "12", "--save",
                     dir.filePath(QStringLiteral("rec/%1/d_").arg(camera).toLower()), "--quiet"});
        ASSERT_EQ(record.status, 0) << record.err.toStdString();
    }
    writeConfig("replay.json",
                QStringLiteral(R"({"cameras": [
        {"key": "Replay:MONO", "images": "%1", "fps": 0},
        {"key": "Replay:RGB", "images": "%2", "pixelFormat": "RGB8Packed", "pace": "recorded"}]})")
                    .arg(dir.filePath("rec/mono"), dir.filePath("rec/rgb/d_*.bmp"))
                    .toUtf8());
    const ToolRun replay = vxcam({"grab", "--camera", "Replay:MONO", "--camera", "Replay:RGB", "--frames",
                                  "12", "--save", dir.filePath("again/d_"), "--quiet"},
                                 "replay.json");
    ASSERT_EQ(replay.status, 0) << replay.err.toStdString();
    EXPECT_TRUE(replay.out.contains("Replay:MONO frames=12 size=64x48 bpp=8 format=GRAY8"))
        << replay.out.toStdString();
    EXPECT_TRUE(replay.out.contains("Replay:RGB frames=12 size=32x16 bpp=24 format=RGB24"))
        << replay.out.toStdString();

    for (const char *camera : {"mono", "rgb"}) {
        const std::map<int, QByteArray> recorded
            = dumpsByFrame(dir.filePath(QStringLiteral("rec/%1").arg(camera)));
        const std::map<int, QByteArray> replayed = dumpsByFrame(
            dir.filePath("again"), QStringLiteral("d_Replay%1_*").arg(QString::fromLatin1(camera).toUpper()));
        ASSERT_EQ(recorded.size(), 12u) << camera;
        ASSERT_EQ(replayed.size(), 12u) << camera;
        for (const auto &[frame, bytes] : recorded) {
            ASSERT_TRUE(replayed.count(frame)) << camera << " frame " << frame;
            EXPECT_TRUE(replayed.at(frame) == bytes) << camera << " frame " << frame;
        }
    }
}

TEST_F(Vxcam, BadRecordingsAreNamedWithTheReasonAndCorruptPicturesAreSkipped)
{
    QDir root(dir.path());
    for (const char *folder :
         {"empty", "sizes", "cut", "huge", "dir/sub.png", "garbage", "skip", "unreadable", "tiff"})
        ASSERT_TRUE(root.mkpath(folder));
    const QByteArray pixels(16 * 4, '\x55');
    ASSERT_TRUE(
        replaytest::writeDump(dir.filePath("sizes/d_C_2026_01_01_00_00_00_000_1.bmp"), 16, 4, 8, pixels));
    ASSERT_TRUE(
        replaytest::writeDump(dir.filePath("sizes/d_C_2026_01_01_00_00_00_000_2.bmp"), 8, 8, 8, pixels));
    const QString cut = dir.filePath("cut/d_C_2026_01_01_00_00_00_000_1.bmp");
    ASSERT_TRUE(replaytest::writeDump(cut, 16, 4, 8, pixels));
    ASSERT_TRUE(QFile::resize(cut, 1078 + 20));
    const QString huge = dir.filePath("huge/d_C_2026_01_01_00_00_00_000_1.bmp");
    ASSERT_TRUE(replaytest::writeDump(huge, 16, 4, 8, pixels));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(18));
        file.write(QByteArray("\xA0\x86\x01\x00\xA0\x86\x01\x00", 8)); // 100000 x 100000
    }
    QFile garbage(dir.filePath("garbage/a.png"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(300, '\x17')) == 300);
    garbage.close();
    QImage picture(40, 30, QImage::Format_Grayscale8);
    picture.fill(90);
    ASSERT_TRUE(picture.save(dir.filePath("skip/1.png")) && picture.save(dir.filePath("skip/3.png")));
    QImage noisy(40, 30, QImage::Format_Grayscale8); // noise, so that the pixel data is most of the file
    quint32 random = 1;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            noisy.scanLine(y)[x] = uchar((random = random * 1103515245u + 12345u) >> 24);
    const QString truncated = dir.filePath("skip/2.png");
    ASSERT_TRUE(noisy.save(truncated));
    ASSERT_TRUE(QFile::resize(truncated, QFileInfo(truncated).size() / 2));
    // TIFF: a page claiming 100000 x 100000 pixels, and a file cut before its directory.
    const QString hugeTiff = dir.filePath("tiff/huge.tif");
    const QString cutTiff = dir.filePath("tiff/cut.tif");
    ASSERT_TRUE(replaytest::writeTiffPages(hugeTiff, {picture})
                && replaytest::writeTiffPages(cutTiff, {picture}));
    {
        QFile file(hugeTiff);
        const qint64 directory = 8 + 40 * 30; // after the header and the pixels
        for (const qint64 value : {directory + 2 + 8, directory + 2 + 12 + 8}) // width, height
            ASSERT_TRUE((file.isOpen() || file.open(QIODevice::ReadWrite)) && file.seek(value)
                        && file.write(QByteArray("\xA0\x86\x01\x00", 4)) == 4);
    }
    ASSERT_TRUE(QFile::resize(cutTiff, 8 + 40 * 30));
    const bool linked = QFile::link(dir.filePath("absent.png"), dir.filePath("unreadable/a.png"))
        && !QFileInfo(dir.filePath("unreadable/a.png")).isReadable();

    writeConfig("bad.json",
                QStringLiteral(R"({"cameras": [
        {"key": "Bad:EMPTY", "images": "%1/empty"},
        {"key": "Bad:NOMATCH", "images": "%1/empty/*.png"},
        {"key": "Bad:SIZES", "images": "%1/sizes"},
        {"key": "Bad:CUT", "images": "%1/cut"},
        {"key": "Bad:HUGE", "images": "%1/huge"},
        {"key": "Bad:DIR", "images": "%1/dir/*.png"},
        {"key": "Bad:GARBAGE", "images": "%1/garbage"},
        {"key": "Bad:UNREADABLE", "images": "%1/unreadable/*.png"},
        {"key": "Bad:HUGETIFF", "images": "%1/tiff/huge.tif"},
        {"key": "Bad:CUTTIFF", "images": "%1/tiff/cut.tif"},
        {"key": "Skip:PNG", "images": "%1/skip", "fps": 0}]})")
                    .arg(dir.path())
                    .toUtf8());
    const ToolRun run = vxcam({"grab", "--all", "--frames", "6", "--quiet"}, "bad.json");
    EXPECT_EQ(run.status, 1);
    const QString prefix = QStringLiteral("virtual cameras: camera \"%1\" cannot replay: ");
    const struct {
        const char *key;
        QString line;
    } expected[] = {
        {"Bad:EMPTY", QStringLiteral("the folder \"%1/empty\" holds no image files").arg(dir.path())},
        {"Bad:NOMATCH", QStringLiteral("no file matches \"%1/empty/*.png\"").arg(dir.path())},
        {"Bad:SIZES",
         QStringLiteral("%1/sizes/d_C_2026_01_01_00_00_00_000_2.bmp: 8 x 8, 8 bits per pixel")
             .arg(dir.path())},
        {"Bad:CUT", QStringLiteral("%1: cut short: its header says 1142 bytes, the file has 1098").arg(cut)},
        {"Bad:HUGE",
         QStringLiteral("%1: cut short: a 100000 x 100000 image of 8 bits per pixel needs").arg(huge)},
        {"Bad:DIR", QStringLiteral("%1/dir/sub.png: a folder, not a file").arg(dir.path())},
        {"Bad:GARBAGE",
         QStringLiteral("%1/garbage/a.png: not an image file this system reads").arg(dir.path())},
        {"Bad:UNREADABLE", QStringLiteral("%1/unreadable/a.png: cannot be read").arg(dir.path())},
        {"Bad:HUGETIFF", QStringLiteral("%1: claims 100000 x 100000 pixels").arg(hugeTiff)},
        {"Bad:CUTTIFF", QStringLiteral("%1: cannot be decoded as TIFF").arg(cutTiff)},
    };
    for (const auto &e : expected) {
        if (QLatin1String(e.key) == QLatin1String("Bad:UNREADABLE") && !linked)
            continue; // no symbolic links here
        EXPECT_TRUE(run.err.contains(prefix.arg(QLatin1String(e.key)) + e.line)) << e.key << "\n"
                                                                                 << run.err.toStdString();
        EXPECT_TRUE(
            run.err.contains(QStringLiteral("vxcam: cannot open camera \"%1\"").arg(QLatin1String(e.key))))
            << e.key;
    }
    EXPECT_TRUE(run.out.contains("Skip:PNG frames=6 size=40x30 bpp=8")) << run.out.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("virtual cameras: camera \"Skip:PNG\" skips %1: cannot be decoded")
                                .arg(truncated)),
              1)
        << run.err.toStdString();
}
