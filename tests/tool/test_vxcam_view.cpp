// `vxcam view`, in builds with Qt Widgets.
#include "qtprinters.h"
#include "vxcamrun.h"

#include <QImage>

#include <gtest/gtest.h>

TEST_F(Vxcam, ViewRunsForItsSecondsOrSaysInOneLineWhyNot)
{
    const QString shot = dir.filePath("shot.png");
    const ToolRun run = vxcam({"view", "--camera", "Tool:RGB", "--seconds", "0.5", "--screenshot", shot});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QImage window(shot);
    EXPECT_GT(window.width(), 32) << shot.toStdString();
    EXPECT_GT(window.height(), 16);

    const ToolRun dead = vxcam({"view", "--camera", "Tool:DEAD", "--screenshot", shot});
    EXPECT_EQ(dead.status, 1);
    EXPECT_EQ(dead.err.count("vxcam: "), 1) << dead.err.toStdString();
    EXPECT_TRUE(dead.err.contains("vxcam: cannot open camera \"Tool:DEAD\"\n")) << dead.err.toStdString();

    const ToolRun save = vxcam({"view", "--camera", "Tool:RGB", "--save", dir.filePath("absent/dump_")});
    EXPECT_EQ(save.status, 1);
    EXPECT_EQ(save.err.count("vxcam: "), 1) << save.err.toStdString();
    EXPECT_TRUE(save.err.contains("\": the folder does not exist\n")) << save.err.toStdString();

    const ToolRun plugin = vxcam({"view", "--camera", "Tool:RGB", "--plugin", dir.filePath("absent.so")});
    EXPECT_EQ(plugin.status, 1);
    EXPECT_EQ(plugin.err.count("vxcam: "), 1) << plugin.err.toStdString();
    EXPECT_TRUE(plugin.err.startsWith("vxcam: cannot load plug-in: no such file"))
        << plugin.err.toStdString();
}
