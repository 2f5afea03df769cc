// vxcam's --png preview, in builds with Qt Gui.
#include "qtprinters.h"
#include "vxcamrun.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

TEST_F(Vxcam, PngWritesTheLastFrameOfEachCameraAsAPicture)
{
    const QString png = dir.filePath("last.png");
    const ToolRun one = vxcam({"grab", "--camera", "Tool:MONO", "--frames", "3", "--png", png, "--quiet"});
    ASSERT_EQ(one.status, 0) << one.err.toStdString();
    EXPECT_EQ(QImage(png).size(), QSize(64, 48));

    // With several cameras, one file each, named after its camera.
    const ToolRun two = vxcam({"grab", "--camera", "Tool:MONO", "--camera", "Tool:RGB", "--frames", "2",
                               "--png", dir.filePath("both.png"), "--quiet"});
    ASSERT_EQ(two.status, 0) << two.err.toStdString();
    EXPECT_EQ(QImage(dir.filePath("both_Tool_MONO.png")).size(), QSize(64, 48));
    EXPECT_EQ(QImage(dir.filePath("both_Tool_RGB.png")).size(), QSize(32, 16));
}

TEST_F(Vxcam, PngOfEachCameraKeepsItsChannelOrder)
{
    // Byte i of frame s is (i + s) mod 256: blue below red by two in BGR
    // order, red below blue by two in RGB order, whichever frame came last.
    writeConfig("order.json", R"({"cameras": [
        {"key": "Order:BGR", "width": 8, "height": 4, "pixelFormat": "BGR8Packed", "fps": 200},
        {"key": "Order:RGB", "width": 8, "height": 4, "pixelFormat": "RGB8Packed", "fps": 200}]})");
    const ToolRun run = vxcam({"grab", "--camera", "Order:BGR", "--camera", "Order:RGB", "--frames", "2",
                               "--png", dir.filePath("last.png"), "--quiet"},
                              "order.json");
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage bgr(dir.filePath("last_Order_BGR.png"));
    const QImage rgb(dir.filePath("last_Order_RGB.png"));
    ASSERT_EQ(bgr.size(), QSize(8, 4));
    ASSERT_EQ(rgb.size(), QSize(8, 4));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ((qRed(bgr.pixel(x, y)) - qBlue(bgr.pixel(x, y)) + 256) % 256, 2) << x << "," << y;
            EXPECT_EQ((qBlue(rgb.pixel(x, y)) - qRed(rgb.pixel(x, y)) + 256) % 256, 2) << x << "," << y;
        }
    }
}

TEST_F(Vxcam, PicturesThatCannotBeWrittenSayWhy)
{
    // No frame, no picture.
    const QString none = dir.filePath("none.png");
    const ToolRun idle
        = vxcam({"grab", "--camera", "Tool:MONO", "--mode", "1", "--seconds", "1", "--png", none, "--quiet"});
    EXPECT_EQ(idle.status, 1);
    EXPECT_FALSE(QFile::exists(none));
    EXPECT_TRUE(
        idle.err.contains("vxcam: camera \"Tool:MONO\": no frame arrived, so no PNG was written to " + none))
        << idle.err.toStdString();

    // A folder that is not there: refused before any camera opens.
    const ToolRun nowhere
        = vxcam({"grab", "--camera", "Tool:MONO", "--frames", "1", "--png", dir.filePath("absent/last.png")});
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_EQ(nowhere.out, "");
    EXPECT_EQ(nowhere.err,
              "vxcam: cannot write the PNG preview into \"" + QDir::toNativeSeparators(dir.filePath("absent"))
                  + "\": the folder does not exist\n");

    // A file that cannot be made where the folder can: said after the run, with the reason.
    const QString taken = dir.filePath("taken.png");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.png"));
    const ToolRun unwritable
        = vxcam({"grab", "--camera", "Tool:MONO", "--frames", "1", "--png", taken, "--quiet"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.out.startsWith("Tool:MONO frames=1 ")) << unwritable.out.toStdString();
    EXPECT_TRUE(unwritable.err.contains(
        QRegularExpression(QRegularExpression::escape("vxcam: cannot write the PNG preview " + taken
                                                      + " of camera \"Tool:MONO\": ")
                           + ".+\n")))
        << unwritable.err.toStdString();
}

TEST_F(Vxcam, CamerasWhosePngNamesWouldClashAreRefusedBeforeTheStart)
{
    writeConfig("dup.json", R"({"cameras": [{"key": "A:B", "fps": 200}, {"key": "A_B", "fps": 200}]})");
    const ToolRun pngs = vxcam(
        {"grab", "--camera", "A:B", "--camera", "A_B", "--frames", "2", "--png", dir.filePath("last.png")},
        "dup.json");
    EXPECT_EQ(pngs.status, 1);
    EXPECT_TRUE(pngs.err.contains("vxcam: cameras \"A:B\" and \"A_B\" would write their PNG previews"))
        << pngs.err.toStdString();
    EXPECT_EQ(pngs.out, "") << "no camera started";
    EXPECT_EQ(QDir(dir.path()).entryList({"last*"}), QStringList());
}
