// vxcam without Qt Gui (the Windows cross build): --png is refused before
// anything is grabbed, as a usage error.
#include "qtprinters.h"
#include "vxcamrun.h"

#include <QDir>

#include <gtest/gtest.h>

TEST_F(Vxcam, PngIsRefusedWithoutQtGui)
{
    const QString png = dir.filePath("last.png");
    const ToolRun run = vxcam({"grab", "--camera", "Tool:MONO", "--frames", "3", "--save",
                               dir.filePath("dump_"), "--png", png, "--quiet"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.startsWith("vxcam: --png needs Qt Gui, which this build of vxcam lacks\n"))
        << run.err.toStdString();
    EXPECT_EQ(run.out, "");
    // Refused before the camera was opened: no dump, no picture.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList {"cams.json"});
}
