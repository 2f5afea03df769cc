// `vxcam view`, in builds with Qt Widgets.
#include "qtprinters.h"
#include "vxcamrun.h"

#include "waitfor.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSysInfo>

#include <gtest/gtest.h>

TEST_F(Vxcam, ViewRunsForItsSecondsOrSaysInOneLineWhyNot)
{
    const QString shot = dir.filePath("shot.png");
    // Qt's notes on the offscreen platform and a missing runtime folder are
    // nothing a user can act on: the view keeps them off standard error.
    qunsetenv("XDG_RUNTIME_DIR");
    const ToolRun run = vxcam({"view", "--camera", "Tool:RGB", "--seconds", "0.5", "--screenshot", shot});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("propagateSizeHints")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("XDG_RUNTIME_DIR")) << run.err.toStdString();
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

namespace {

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST_F(Vxcam, ViewWithoutAWorkingDisplaySaysSoBeforeTouchingACamera)
{
    // A platform plug-in that does not exist (a typo) and, off Windows, no
    // display at all or one whose server is not there.
    QList<std::pair<QStringList, QString>> cases {
        {{"QT_QPA_PLATFORM=offscreem"}, "vxcam: the live view cannot start the Qt platform \"offscreem\""}};
    if (QSysInfo::kernelType() != QLatin1String("winnt")) {
        cases.append({QStringList(), "vxcam: the live view needs a display: DISPLAY is not set"});
        cases.append({QStringList {"QT_QPA_PLATFORM=xcb", "DISPLAY=:93"},
                      "vxcam: the live view cannot start the Qt platform \"xcb\""});
    }
    for (const auto &[variables, line] : cases) {
        const QString trace = dir.filePath("trace.txt");
        QFile::remove(trace);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        for (const QString &variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        environment.insert("VXCAM_SIM_CONFIG", dir.filePath("cams.json"));
        environment.insert("VXCAM_SIM_TRACE", trace);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QDir(qEnvironmentVariable("VXCAM_PLUGIN_DIR")).filePath("vxcam"),
                      {"view", "--camera", "Tool:RGB", "--seconds", "1"});
        const ToolRun run = finishTool(process);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        EXPECT_EQ(run.err.count("vxcam: "), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(line)) << run.err.toStdString();
        EXPECT_FALSE(readAll(trace).contains("connect")) << "no camera was touched";
    }
}

TEST_F(Vxcam, TheScreenshotFolderIsCheckedBeforeAnyCameraOpens)
{
    const QString trace = dir.filePath("trace.txt");
    const QString absent = QDir::toNativeSeparators(dir.filePath("absent"));
    QProcess view;
    start(view, {"view", "--camera", "Tool:MONO", "--screenshot", dir.filePath("absent/shot.png")},
          "cams.json", trace);
    const ToolRun shot = finishTool(view);
    EXPECT_EQ(shot.status, 1);
    EXPECT_EQ(shot.err,
              "vxcam: cannot write the screenshot into \"" + absent + "\": the folder does not exist\n");
    EXPECT_FALSE(readAll(trace).contains("connect")) << "no camera was touched";
}

TEST_F(Vxcam, ViewWaitsForACameraNotThereYetUnlessToldNotToReconnect)
{
    writeConfig("late.json", R"({"cameras": [{"key": "Late:1", "width": 8, "height": 2, "fps": 100,
                                               "bootSeconds": 2}]})");
    const ToolRun waited = vxcam({"view", "--camera", "Late:1", "--seconds", "4"}, "late.json");
    EXPECT_EQ(waited.status, 0) << waited.err.toStdString();
    EXPECT_EQ(
        waited.err.count("vxcam: waiting for camera \"Late:1\" to answer (looking about once a second)\n"), 1)
        << waited.err.toStdString();
    const ToolRun not_ = vxcam({"view", "--camera", "Late:1", "--no-reconnect"}, "late.json");
    EXPECT_EQ(not_.status, 1);
    EXPECT_TRUE(not_.err.contains("vxcam: camera \"Late:1\" not found; cameras present: none\n"))
        << not_.err.toStdString();
}

TEST_F(Vxcam, ViewKeepsTheLimitOfModeThreeFailsOnMissingDumpsAndClosesOnAnInterrupt)
{
    const ToolRun limited = vxcam({"view", "--camera", "Tool:MONO", "--mode", "3", "--limit", "4", "--save",
                                   dir.filePath("limit_"), "--seconds", "1"});
    EXPECT_EQ(limited.status, 0) << limited.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList({"limit_ToolMONO_*.bmp"}).size(), 4);

    // Every dump fails: a name too long for the file system.
    const ToolRun longName = vxcam({"view", "--camera", "Tool:MONO", "--mode", "3", "--limit", "3", "--save",
                                    dir.filePath(QString(240, QLatin1Char('x'))), "--seconds", "1"});
    EXPECT_EQ(longName.status, 1);
    EXPECT_TRUE(longName.err.contains("vxcam: camera \"Tool:MONO\": 3 of 3 dumps not written: "))
        << longName.err.toStdString();

    if (QSysInfo::kernelType() == QLatin1String("winnt"))
        GTEST_SKIP() << "QProcess::terminate() sends no console control event";
    const QString trace = dir.filePath("trace.txt");
    const QString shot = dir.filePath("shot.png");
    QProcess process;
    start(process, {"view", "--camera", "Tool:RGB", "--screenshot", shot}, "cams.json", trace);
    ASSERT_TRUE(
        waitFor([&] { return readAll(trace).contains("\nframe Tool:RGB"); }, std::chrono::seconds(60)));
    process.terminate(); // SIGTERM
    const ToolRun run = finishTool(process);
    EXPECT_EQ(run.status, 130) << run.err.toStdString();
    const QString text = readAll(trace);
    EXPECT_TRUE(text.contains("stopGrabbing Tool:RGB -> ok")) << text.toStdString();
    EXPECT_TRUE(text.contains("disconnect Tool:RGB -> ok")) << text.toStdString();
    EXPECT_FALSE(QImage(shot).isNull()) << "the screenshot was saved";
}
