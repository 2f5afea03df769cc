// vxcam's --png preview, in builds with Qt Gui.
#include "qtprinters.h"
#include "vxcamrun.h"

#include <QImage>

#include <gtest/gtest.h>

TEST_F(Vxcam, PngWritesTheLastFrameAsAPicture)
{
    const QString png = dir.filePath("last.png");
    const ToolRun run = vxcam({"grab", "--camera", "Tool:MONO", "--frames", "3", "--png", png, "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QImage(png).size(), QSize(64, 48));

    const ToolRun unwritable = vxcam({"grab", "--camera", "Tool:MONO", "--frames", "1", "--png",
                                      dir.filePath("no/such/dir/x.png"), "--quiet"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains("vxcam: cannot write the PNG preview"))
        << unwritable.err.toStdString();
}
