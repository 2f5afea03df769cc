// The host tool end to end: the built vxcam against virtual cameras of the
// test's own configuration. Its PNG previews and the live view are tested in
// test_vxcam_png.cpp and test_vxcam_view.cpp.
#include "qtprinters.h"
#include "vxcamrun.h"
#include "waitfor.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST_F(Vxcam, ListPrintsTheKeysOneALine)
{
    const ToolRun run = vxcam({"list"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Tool:MONO\nTool:RGB\nTool:DEAD\nTool:STUCK\n");
    EXPECT_FALSE(run.err.contains("no camera found")) << run.err.toStdString();

    QFile empty(dir.filePath("empty.json"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write(R"({"cameras": []})");
    empty.close();
    const ToolRun none = vxcam({"list"}, "empty.json");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_TRUE(none.err.contains("vxcam: no camera found\n")) << none.err.toStdString();

    // Could not look: not the same as found none.
    writeConfig("broken.json", R"({"cameras": [)");
    writeConfig("blind.json", R"({"discovery": "fail", "cameras": [{"key": "K"}]})");
    for (const char *config : {"broken.json", "blind.json"}) {
        const ToolRun failed = vxcam({"list"}, config);
        EXPECT_EQ(failed.status, 1) << config;
        EXPECT_TRUE(
            failed.err.contains("vxcam: the camera SDK could not look for cameras (discovery failed)\n"))
            << failed.err.toStdString();
        EXPECT_FALSE(failed.err.contains("no camera found")) << failed.err.toStdString();
        // A camera asked for by key: not found, and why.
        const ToolRun named = vxcam({"grab", "--camera", "K", "--frames", "1"}, config);
        EXPECT_EQ(named.status, 1) << config;
        EXPECT_TRUE(named.err.contains("vxcam: camera \"K\" not found: the camera SDK could not look for "
                                       "cameras (discovery failed)\n"))
            << named.err.toStdString();
    }
}

TEST_F(Vxcam, GrabPrintsOneSummaryLineAndWritesDumps)
{
    const QString prefix = dir.filePath("dump_");
    const ToolRun run = vxcam({"grab", "--camera", "Tool:MONO", "--frames", "5", "--seconds", "60", "--save",
                               prefix, "--exposure", "5000"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QRegularExpression summary(
        R"(^Tool:MONO frames=(\d+) size=64x48 bpp=8 format=GRAY8 seconds=[\d.]+ )"
        R"(fps=[\d.]+ MB/s=[\d.]+ broken=0 lost=0\n$)");
    const QRegularExpressionMatch match = summary.match(run.out);
    ASSERT_TRUE(match.hasMatch()) << run.out.toStdString();
    const int frames = match.captured(1).toInt();
    EXPECT_GE(frames, 5);
    // Every delivered frame was dumped: 1078 bytes of headers and the pixels.
    const QFileInfoList dumps = QDir(dir.path()).entryInfoList({"dump_ToolMONO_*.bmp"});
    EXPECT_GE(dumps.size(), 5);
    for (const QFileInfo &dump : dumps)
        EXPECT_EQ(dump.size(), 1078 + 64 * 48);
    EXPECT_TRUE(run.err.contains("\"Set exposure time value:5000 successfully.\"")) << run.err.toStdString();
}

TEST_F(Vxcam, SnapshotsAndTheEarlierDriver)
{
    const ToolRun snaps = vxcam({"grab", "--camera", "Tool:RGB", "--mode", "1", "--snap", "3", "--quiet"});
    ASSERT_EQ(snaps.status, 0) << snaps.err.toStdString();
    EXPECT_TRUE(snaps.out.startsWith("Tool:RGB frames=3 size=32x16 bpp=24 format=RGB24 "))
        << snaps.out.toStdString();

    const ToolRun earlier = vxcam({"grab", "--camera", "Tool:MONO", "--driver", "earlier", "--mode", "3",
                                   "--limit", "4", "--board", "2"});
    ASSERT_EQ(earlier.status, 0) << earlier.err.toStdString();
    EXPECT_TRUE(earlier.out.startsWith("Tool:MONO frames=4 ")) << earlier.out.toStdString();
    EXPECT_TRUE(earlier.err.contains("m_pCamOpt->boardNum is :  2")) << earlier.err.toStdString();
}

TEST_F(Vxcam, FailuresExitWithOneAndSayWhat)
{
    const ToolRun missing = vxcam({"grab", "--camera", "Tool:NONE"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("camera \"Tool:NONE\" not found; cameras present: Tool:MONO, Tool:RGB"))
        << missing.err.toStdString();

    const ToolRun dead = vxcam({"grab", "--camera", "Tool:DEAD"});
    EXPECT_EQ(dead.status, 1);
    EXPECT_TRUE(dead.err.contains("vxcam: cannot open camera \"Tool:DEAD\"")) << dead.err.toStdString();

    const ToolRun stuck = vxcam({"grab", "--camera", "Tool:STUCK"});
    EXPECT_EQ(stuck.status, 1);
    EXPECT_TRUE(stuck.err.contains("vxcam: cannot start camera \"Tool:STUCK\"")) << stuck.err.toStdString();

    // Line 1 never pulses on this camera: too few frames before the time runs out.
    const ToolRun slow
        = vxcam({"grab", "--camera", "Tool:MONO", "--mode", "1", "--frames", "3", "--seconds", "1"});
    EXPECT_EQ(slow.status, 1);
    EXPECT_TRUE(slow.err.contains("vxcam: camera \"Tool:MONO\": only 0 of 3 frames arrived within 1 seconds"))
        << slow.err.toStdString();

    const ToolRun plugin = vxcam({"list", "--plugin", dir.filePath("absent.so")});
    EXPECT_EQ(plugin.status, 1);
    EXPECT_TRUE(plugin.err.contains("cannot load plug-in")) << plugin.err.toStdString();
    EXPECT_TRUE(plugin.err.contains("(tried " + QDir(dir.path()).absoluteFilePath("absent.so") + ")"))
        << plugin.err.toStdString();
}

TEST_F(Vxcam, RefusedSnapshotsAndExposureExitWithOne)
{
    QFile config(dir.filePath("refusing.json"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(
        R"({"cameras": [{"key": "Tool:NOSNAP", "width": 4, "height": 4, "refuse": ["TriggerSoftware"]},
                                 {"key": "Tool:NOEXP", "width": 4, "height": 4, "refuse": ["ExposureTime"]}]})");
    config.close();

    const ToolRun snaps = vxcam(
        {"grab", "--camera", "Tool:NOSNAP", "--mode", "1", "--snap", "2", "--seconds", "1"}, "refusing.json");
    EXPECT_EQ(snaps.status, 1);
    EXPECT_TRUE(snaps.err.contains("vxcam: camera \"Tool:NOSNAP\": 2 of 2 snapshots were refused"))
        << snaps.err.toStdString();
    EXPECT_TRUE(snaps.out.startsWith("Tool:NOSNAP frames=0 ")) << snaps.out.toStdString();

    for (const QString driver : {"current", "earlier"}) {
        const ToolRun exposure = vxcam(
            {"grab", "--camera", "Tool:NOEXP", "--driver", driver, "--exposure", "5000"}, "refusing.json");
        EXPECT_EQ(exposure.status, 1) << driver.toStdString();
        EXPECT_TRUE(
            exposure.err.contains("vxcam: cannot set the exposure time 5000 on camera \"Tool:NOEXP\""))
            << exposure.err.toStdString();
        EXPECT_FALSE(exposure.out.contains("frames=")) << exposure.out.toStdString();
    }
}

TEST_F(Vxcam, AnyBoardNumberReachesTheDriver)
{
    // The earlier driver refuses to open with a negative board number.
    const ToolRun negative = vxcam(
        {"grab", "--camera", "Tool:MONO", "--driver", "earlier", "--board", "-2147483648", "--quiet"});
    EXPECT_EQ(negative.status, 1);
    EXPECT_TRUE(negative.err.contains("vxcam: cannot open camera \"Tool:MONO\""))
        << negative.err.toStdString();

    const ToolRun largest = vxcam({"grab", "--camera", "Tool:MONO", "--driver", "earlier", "--board",
                                   "2147483647", "--mode", "3", "--limit", "1", "--quiet"});
    EXPECT_EQ(largest.status, 0) << largest.err.toStdString();
    EXPECT_TRUE(largest.err.contains("m_pCamOpt->boardNum is :  2147483647")) << largest.err.toStdString();
    EXPECT_EQ(vxcam({"grab", "--camera", "Tool:MONO", "--board", "2147483648"}).status, 2);
}

TEST_F(Vxcam, KeysWithControlCharactersArePrintedEscaped)
{
    QFile config(dir.filePath("controls.json"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"({"cameras": [{"key": "Tool:\u001b[2JRED\nTWO\tTAB\u0085\u202eLTR\u2066", "width": 4,
                                  "height": 4, "fps": 200}]})");
    config.close();
    const QString escaped = QStringLiteral("Tool:\\x1b[2JRED\\nTWO\\tTAB\\x85\\u202eLTR\\u2066");

    const ToolRun list = vxcam({"list"}, "controls.json");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, escaped + "\n");

    const ToolRun grab = vxcam({"grab", "--camera",
                                QStringLiteral("Tool:\x1b[2JRED\nTWO\tTAB") + QChar(0x85) + QChar(0x202E)
                                    + QStringLiteral("LTR") + QChar(0x2066),
                                "--frames", "1", "--quiet"},
                               "controls.json");
    EXPECT_EQ(grab.status, 0) << grab.err.toStdString();
    EXPECT_TRUE(grab.out.startsWith(escaped + " frames=")) << grab.out.toStdString();

    const ToolRun missing = vxcam({"grab", "--camera", "Tool:\a"}, "controls.json");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("camera \"Tool:\\x07\" not found; cameras present: " + escaped + "\n"))
        << missing.err.toStdString();
}

TEST_F(Vxcam, UsageErrorsExitWithTwo)
{
    for (const QStringList &arguments :
         {QStringList {},
          QStringList {"shoot"},
          QStringList {"grab"},
          QStringList {"view"},
          QStringList {"grab", "--camera", "K", "--mode", "4"},
          QStringList {"grab", "--camera", "K", "--seconds", "soon"},
          QStringList {"grab", "--camera", "K", "--driver", "oldest"},
          QStringList {"grab", "--camera", "K", "--camera", "K"},
          QStringList {"grab", "--camera", "K", "--all"},
          QStringList {"grab", "--camera", "K", "--exposure", "2.5"},
          QStringList {"grab", "--camera", "K", "--driver", "earlier", "--plugin", "other.so"},
          QStringList {"grab", "--camera", "K", "--screenshot", "x.png"},
          QStringList {"grab", "--camera", "K", "--no-reconnect"},
          QStringList {"view", "--camera", "K", "--reconnect"},
          QStringList {"view", "--camera", "K", "--png", "x.png"},
          QStringList {"view", "--camera", "K", "--frames", "3"},
          QStringList {"view", "--all"},
          QStringList {"view", "--camera", "K", "--camera", "L"},
          QStringList {"view", "--camera", "K", "--seconds", "soon"},
          QStringList {"view", "--camera", "K", "--driver", "earlier", "--plugin", "other.so"},
          QStringList {"list", "--no-such-option"}}) {
        const ToolRun run = vxcam(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
        // The error and a hint, not the whole help.
        const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << run.err.toStdString();
        EXPECT_TRUE(lines[0].startsWith("vxcam: ")) << run.err.toStdString();
        EXPECT_EQ(lines[1], "Try \"vxcam --help\" for the commands and their options.");
    }
    EXPECT_TRUE(vxcam({"grab", "--camera", "K", "--exposure", "2.5"})
                    .err.contains("--exposure takes a whole number from -2147483648 to 2147483647"));
    EXPECT_EQ(vxcam({"--help"}).status, 0);
    const ToolRun version = vxcam({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("vxcam 0.")) << version.out.toStdString();
}

namespace {

// Cameras at full rate: a run that stops late shows more frames and dumps.
const char *const kFastCameras = R"({"cameras": [
    {"key": "Fast:A", "width": 64, "height": 48, "fps": 0},
    {"key": "Fast:B", "width": 32, "height": 16, "pixelFormat": "RGB8Packed", "fps": 0},
    {"key": "Fast:DEAD", "fail": ["connect"]}]})";

QString traceOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int filesMatching(const QTemporaryDir &dir, const QString &pattern)
{
    return int(QDir(dir.path()).entryList({pattern}, QDir::Files).size());
}

} // namespace

TEST_F(Vxcam, SeveralCamerasStopAtExactlyTheirFramesEachWithItsOwnSummaryAndDumps)
{
    writeConfig("fast.json", kFastCameras);
    const ToolRun run = vxcam({"grab", "--camera", "Fast:B", "--camera", "Fast:A", "--frames", "10", "--save",
                               dir.filePath("dump_")},
                              "fast.json");
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("Fast:B frames=10 size=32x16 bpp=24 format=RGB24 "))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("Fast:A frames=10 size=64x48 bpp=8 format=GRAY8 "))
        << lines[1].toStdString();
    EXPECT_EQ(filesMatching(dir, "dump_FastA_*.bmp"), 10);
    EXPECT_EQ(filesMatching(dir, "dump_FastB_*.bmp"), 10);

    // The current driver does not enforce the limit of mode 3; the tool does.
    const ToolRun limited = vxcam({"grab", "--camera", "Fast:A", "--mode", "3", "--limit", "4", "--save",
                                   dir.filePath("limit_"), "--quiet"},
                                  "fast.json");
    ASSERT_EQ(limited.status, 0) << limited.err.toStdString();
    EXPECT_TRUE(limited.out.startsWith("Fast:A frames=4 ")) << limited.out.toStdString();
    EXPECT_EQ(filesMatching(dir, "limit_FastA_*.bmp"), 4);

    // Every camera listed; the one that fails is named once, the others run to the end.
    const ToolRun all = vxcam({"grab", "--all", "--frames", "3", "--quiet"}, "fast.json");
    EXPECT_EQ(all.status, 1);
    EXPECT_EQ(all.out.count(QRegularExpression("^Fast:[AB] frames=3 ", QRegularExpression::MultilineOption)),
              2)
        << all.out.toStdString();
    EXPECT_FALSE(all.out.contains("Fast:DEAD")) << all.out.toStdString();
    EXPECT_EQ(all.err.count("vxcam: "), 1) << all.err.toStdString();
    EXPECT_TRUE(all.err.contains("vxcam: cannot open camera \"Fast:DEAD\"\n")) << all.err.toStdString();
}

TEST_F(Vxcam, SnapshotsWaitForTheirFramesAndOneThatNeverCameIsAFailure)
{
    // Each trigger only after the frame of the one before.
    const QString trace = dir.filePath("trace.txt");
    QProcess process;
    start(process, {"grab", "--camera", "Tool:RGB", "--mode", "1", "--snap", "3", "--quiet"}, "cams.json",
          trace);
    const ToolRun snaps = finishTool(process);
    ASSERT_EQ(snaps.status, 0) << snaps.err.toStdString();
    EXPECT_TRUE(snaps.out.startsWith("Tool:RGB frames=3 ")) << snaps.out.toStdString();
    QFile traced(trace);
    ASSERT_TRUE(traced.open(QIODevice::ReadOnly));
    QStringList order;
    for (const QByteArray &line : traced.readAll().split('\n')) {
        if (line.startsWith("execute Tool:RGB TriggerSoftware"))
            order << "trigger";
        else if (line.startsWith("frame Tool:RGB "))
            order << "frame";
    }
    EXPECT_EQ(order, QStringList({"trigger", "frame", "trigger", "frame", "trigger", "frame"}));

    // The driver refuses frames larger than announced: the triggers fire, no frame comes.
    writeConfig("oversize.json",
                R"({"cameras": [{"key": "Snap:BIG", "width": 8, "height": 8, "frameBytes": 65}]})");
    const ToolRun lost = vxcam(
        {"grab", "--camera", "Snap:BIG", "--mode", "1", "--snap", "2", "--snap-timeout", "0.2", "--quiet"},
        "oversize.json");
    EXPECT_EQ(lost.status, 1);
    EXPECT_TRUE(lost.out.startsWith("Snap:BIG frames=0 ")) << lost.out.toStdString();
    EXPECT_TRUE(lost.err.contains(
        "vxcam: camera \"Snap:BIG\": the frames of 2 of 2 snapshots never came (waited up to 0.2 s each)\n"))
        << lost.err.toStdString();
}

TEST_F(Vxcam, AnInterruptStopsAndClosesEveryCameraPrintsTheSummariesAndExitsWith130)
{
    if (QSysInfo::kernelType() == QLatin1String("winnt"))
        GTEST_SKIP() << "QProcess::terminate() sends no console control event";
    const QString trace = dir.filePath("trace.txt");
    QProcess process;
    start(process, {"grab", "--camera", "Tool:MONO", "--camera", "Tool:RGB", "--seconds", "600", "--quiet"},
          "cams.json", trace);
    const auto traced = [&trace] {
        QFile file(trace);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    ASSERT_TRUE(waitFor(
        [&] {
            const QString text = traced();
            return text.contains("startGrabbing Tool:MONO") && text.contains("startGrabbing Tool:RGB");
        },
        std::chrono::seconds(60)));
    process.terminate(); // SIGTERM
    const ToolRun run = finishTool(process);
    EXPECT_EQ(run.status, 130) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("Tool:MONO frames=")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("Tool:RGB frames=")) << lines[1].toStdString();
    const QString text = traced();
    for (const QString key : {"Tool:MONO", "Tool:RGB"}) {
        EXPECT_TRUE(text.contains("stopGrabbing " + key + " -> ok")) << key.toStdString();
        EXPECT_TRUE(text.contains("disconnect " + key + " -> ok")) << key.toStdString();
    }
}

TEST_F(Vxcam, SaveFoldersThatCannotBeWrittenSayWhy)
{
    // Refused before any camera starts.
    const ToolRun missing = vxcam({"grab", "--camera", "Tool:MONO", "--save", dir.filePath("absent/dump_")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_TRUE(missing.err.contains("vxcam: cannot save into \""
                                     + QDir::toNativeSeparators(dir.filePath("absent"))
                                     + "\": the folder does not exist\n"))
        << missing.err.toStdString();
    writeConfig("plain", "not a folder");
    const ToolRun file = vxcam({"grab", "--camera", "Tool:MONO", "--save", dir.filePath("plain/dump_")});
    EXPECT_EQ(file.status, 1);
    EXPECT_TRUE(file.err.contains("\": it is not a folder\n")) << file.err.toStdString();
}

TEST_F(Vxcam, DumpsThatAreNotWrittenOrWouldClashFailTheRun)
{
    // Every dump fails: a name too long for the file system.
    const QString prefix = dir.filePath(QString(240, QLatin1Char('x')));
    const ToolRun longName
        = vxcam({"grab", "--camera", "Tool:MONO", "--frames", "5", "--save", prefix, "--quiet"});
    EXPECT_EQ(longName.status, 1);
    EXPECT_TRUE(longName.err.contains(
        "vxcam: camera \"Tool:MONO\": 5 of 5 dumps not written: cannot create the file"))
        << longName.err.toStdString();

    // Keys that give the same dump or PNG names: refused before any camera starts.
    writeConfig("dup.json", R"({"cameras": [{"key": "Dup:CAM1", "fps": 200}, {"key": "DupCAM1", "fps": 200},
                                            {"key": "A:B", "fps": 200}, {"key": "A_B", "fps": 200}]})");
    const ToolRun dumps = vxcam({"grab", "--all", "--frames", "2", "--save", dir.filePath("d_")}, "dup.json");
    EXPECT_EQ(dumps.status, 1);
    EXPECT_TRUE(
        dumps.err.contains("vxcam: cameras \"Dup:CAM1\" and \"DupCAM1\" would write their dumps under "
                           "the same names"))
        << dumps.err.toStdString();
    EXPECT_EQ(dumps.out, "") << "no camera started";
    EXPECT_EQ(QDir(dir.path()).entryList({"d_*"}), QStringList());
    // Names that differ only in case are one file on many file systems.
    writeConfig("case.json",
                R"({"cameras": [{"key": "Case:cam1", "fps": 200}, {"key": "Case:CAM1", "fps": 200}]})");
    const ToolRun cases
        = vxcam({"grab", "--all", "--frames", "2", "--png", dir.filePath("p.png")}, "case.json");
    EXPECT_EQ(cases.status, 1);
    EXPECT_TRUE(cases.err.contains(
        "vxcam: cameras \"Case:cam1\" and \"Case:CAM1\" would write their PNG previews under the same names"))
        << cases.err.toStdString();
}

TEST_F(Vxcam, ARunWithoutFramesAndSnapshotsPastTheLimitAreSaid)
{
    // The earlier driver leaves an A5131 in software triggering at the open:
    // free running gives nothing, and the run says so.
    writeConfig("a5131.json", R"({"cameras": [{"key": "Line:1", "model": "MV-A5131M", "fps": 200}]})");
    const ToolRun none = vxcam(
        {"grab", "--camera", "Line:1", "--driver", "earlier", "--seconds", "1", "--quiet"}, "a5131.json");
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.out.startsWith("Line:1 frames=0 ")) << none.out.toStdString();
    EXPECT_TRUE(none.err.contains("vxcam: camera \"Line:1\": no frame arrived within 1 seconds (mode 2); the "
                                  "earlier driver leaves models"))
        << none.err.toStdString();
    const ToolRun snaps = vxcam(
        {"grab", "--camera", "Line:1", "--driver", "earlier", "--mode", "1", "--snap", "2", "--quiet"},
        "a5131.json");
    EXPECT_EQ(snaps.status, 0) << snaps.err.toStdString();
    EXPECT_TRUE(snaps.out.startsWith("Line:1 frames=2 ")) << snaps.out.toStdString();

    const ToolRun limited
        = vxcam({"grab", "--camera", "Tool:RGB", "--mode", "3", "--limit", "2", "--snap", "3", "--quiet"});
    EXPECT_EQ(limited.status, 1);
    EXPECT_TRUE(limited.out.startsWith("Tool:RGB frames=2 ")) << limited.out.toStdString();
    EXPECT_TRUE(limited.err.contains(QRegularExpression(
        R"(vxcam: camera "Tool:RGB": [123] of 3 snapshots were not fired: the frame limit 2 was reached\n)")))
        << limited.err.toStdString();
}

TEST_F(Vxcam, ReconnectCarriesARunAcrossAnOutageAndWithoutItTheLossEndsTheRun)
{
    // Triggered through Line1 (so the reopened camera must be set up again:
    // its power-on mode is free run), off for 1.5 s after 20 frames.
    writeConfig("outage.json", R"({"cameras": [
        {"key": "Out:1", "width": 16, "height": 4, "fps": 100, "line1Hz": 100,
         "outage": {"afterFrames": 20, "seconds": 1.5}},
        {"key": "Out:GONE", "width": 16, "height": 4, "fps": 100,
         "outage": {"afterFrames": 20, "seconds": 3600}}]})");
    const QString trace = dir.filePath("trace.txt");
    QProcess process;
    start(process,
          {"grab", "--camera", "Out:1", "--mode", "1", "--exposure", "5000", "--frames", "60", "--seconds",
           "60", "--save", dir.filePath("dump_"), "--reconnect", "--quiet"},
          "outage.json", trace);
    const ToolRun run = finishTool(process);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    // The outage shows: at least its 1.5 s without a connection; triggered,
    // so no estimate of the frames it cost; the run's real time besides.
    const QRegularExpressionMatch outage
        = QRegularExpression(
              R"(^Out:1 frames=60 size=16x4 .* broken=0 lost=0 reconnects=1 offline=(\d+\.\d\d) )"
              R"(missed=unknown elapsed=[\d.]+\n$)")
              .match(run.out);
    ASSERT_TRUE(outage.hasMatch()) << run.out.toStdString();
    EXPECT_GE(outage.captured(1).toDouble(), 1.5);
    EXPECT_EQ(filesMatching(dir, "dump_Out1_*.bmp"), 60);
    QFile traced(trace);
    ASSERT_TRUE(traced.open(QIODevice::ReadOnly));
    const QByteArray calls = traced.readAll();
    EXPECT_EQ(calls.count("set Out:1 TriggerMode On -> ok"), 2);
    EXPECT_EQ(calls.count("set Out:1 ExposureTime 5000 -> ok"), 2);

    // Without --reconnect the loss ends the run as before.
    const ToolRun once
        = vxcam({"grab", "--camera", "Out:1", "--frames", "60", "--seconds", "60"}, "outage.json");
    EXPECT_EQ(once.status, 1);
    EXPECT_TRUE(once.out.startsWith("Out:1 frames=20 ")) << once.out.toStdString();
    EXPECT_FALSE(once.out.contains("reconnects")) << once.out.toStdString();
    // Free running: the frames missed are estimated, and marked so.
    EXPECT_TRUE(QRegularExpression(R"( lost=0 offline=\d+\.\d\d missed=~\d+( elapsed=[\d.]+)?\n$)")
                    .match(once.out)
                    .hasMatch())
        << once.out.toStdString();
    EXPECT_EQ(once.err.count("vxcam: "), 1) << once.err.toStdString();
    EXPECT_TRUE(once.err.contains("vxcam: camera \"Out:1\" lost its connection after 20 frames\n"))
        << once.err.toStdString();

    // A camera that does not come back within --seconds fails the same way.
    const ToolRun gone = vxcam(
        {"grab", "--camera", "Out:GONE", "--frames", "60", "--seconds", "3", "--reconnect"}, "outage.json");
    EXPECT_EQ(gone.status, 1);
    EXPECT_TRUE(gone.out.startsWith("Out:GONE frames=20 ")) << gone.out.toStdString();
    EXPECT_TRUE(QRegularExpression(R"( reconnects=0 offline=\d+\.\d\d missed=~\d+ elapsed=[\d.]+\n$)")
                    .match(gone.out)
                    .hasMatch())
        << gone.out.toStdString();

    // An interrupt while the camera is away says so.
    if (QSysInfo::kernelType() == QLatin1String("winnt"))
        GTEST_SKIP() << "QProcess::terminate() sends no console control event";
    QProcess away;
    start(away, {"grab", "--camera", "Out:GONE", "--seconds", "600", "--reconnect", "--quiet"}, "outage.json",
          dir.filePath("away.txt"));
    ASSERT_TRUE(
        waitFor([&] { return traceOf(dir.filePath("away.txt")).contains("connect Out:GONE 2 -> fail"); },
                std::chrono::seconds(60)));
    away.terminate();
    const ToolRun stopped = finishTool(away);
    EXPECT_EQ(stopped.status, 130) << stopped.err.toStdString();
    EXPECT_TRUE(stopped.out.contains(" reconnects=0 offline=")) << stopped.out.toStdString();
    EXPECT_TRUE(stopped.err.contains(
        QRegularExpression(R"(vxcam: camera "Out:GONE" was lost \(without a connection for [\d.]+ s\) when )"
                           R"(the run was interrupted\n)")))
        << stopped.err.toStdString();
    EXPECT_TRUE(gone.err.contains("vxcam: camera \"Out:GONE\" lost its connection after 20 frames and did "
                                  "not answer again within the run's 3 seconds\n"))
        << gone.err.toStdString();
}

TEST_F(Vxcam, FramesZeroStreamsForTheSecondsAlone)
{
    writeConfig("fast.json", kFastCameras);
    const ToolRun run
        = vxcam({"grab", "--camera", "Fast:A", "--frames", "0", "--seconds", "1", "--quiet"}, "fast.json");
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    // Past the default target of 100 frames: the seconds alone ended it.
    const QRegularExpressionMatch match = QRegularExpression(R"(^Fast:A frames=(\d+) )").match(run.out);
    ASSERT_TRUE(match.hasMatch()) << run.out.toStdString();
    EXPECT_GT(match.captured(1).toInt(), 100);
    // In mode 3 the limit still ends it.
    const ToolRun limited
        = vxcam({"grab", "--camera", "Fast:A", "--frames", "0", "--mode", "3", "--limit", "4", "--quiet"},
                "fast.json");
    EXPECT_EQ(limited.status, 0) << limited.err.toStdString();
    EXPECT_TRUE(limited.out.startsWith("Fast:A frames=4 ")) << limited.out.toStdString();
    // No frame in the time is still a failure.
    const ToolRun none
        = vxcam({"grab", "--camera", "Tool:MONO", "--mode", "1", "--frames", "0", "--seconds", "1"});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.contains("vxcam: camera \"Tool:MONO\": no frame arrived within 1 seconds (mode 1)"))
        << none.err.toStdString();
}

TEST_F(Vxcam, ACameraNotThereYetOrRefusingItsOpenIsWaitedForOnlyWhenReconnecting)
{
    writeConfig("late.json", R"({"cameras": [
        {"key": "Late:1", "width": 8, "height": 2, "fps": 100, "bootSeconds": 2},
        {"key": "Late:NEVER", "bootSeconds": 3600}]})");
    const ToolRun plain = vxcam({"grab", "--camera", "Late:1", "--frames", "5"}, "late.json");
    EXPECT_EQ(plain.status, 1);
    EXPECT_TRUE(plain.err.contains("vxcam: camera \"Late:1\" not found; cameras present: none\n"))
        << plain.err.toStdString();

    const QString waiting = "vxcam: waiting for camera \"Late:1\" to answer (looking about once a second)\n";
    const ToolRun grab = vxcam(
        {"grab", "--camera", "Late:1", "--frames", "5", "--seconds", "60", "--reconnect"}, "late.json");
    ASSERT_EQ(grab.status, 0) << grab.err.toStdString();
    EXPECT_EQ(grab.err.count(waiting), 1) << grab.err.toStdString();
    EXPECT_TRUE(grab.out.startsWith("Late:1 frames=5 ")) << grab.out.toStdString();

    // Within the run's seconds only.
    const ToolRun never
        = vxcam({"grab", "--camera", "Late:NEVER", "--seconds", "1.5", "--reconnect"}, "late.json");
    EXPECT_EQ(never.status, 1);
    EXPECT_TRUE(never.err.contains("vxcam: camera \"Late:NEVER\" not found; cameras present: none\n"))
        << never.err.toStdString();

    // A camera that refuses its open is tried again, also within the run's seconds.
    const QString trace = dir.filePath("refused.txt");
    QProcess refused;
    start(refused, {"grab", "--camera", "Tool:DEAD", "--seconds", "3", "--reconnect"}, "cams.json", trace);
    const ToolRun dead = finishTool(refused);
    EXPECT_EQ(dead.status, 1);
    EXPECT_EQ(dead.err.count("vxcam: cannot open camera \"Tool:DEAD\"; trying again about once a second\n"),
              1)
        << dead.err.toStdString();
    EXPECT_TRUE(
        dead.err.contains("vxcam: camera \"Tool:DEAD\": the run's 3 seconds were up before it opened\n"))
        << dead.err.toStdString();
    EXPECT_GE(traceOf(trace).count("connect Tool:DEAD 2 -> fail"), 2) << traceOf(trace).toStdString();
}

TEST_F(Vxcam, ARunEndsAtItsDeadlineAndAtAnInterruptWhileAnOpenIsUnderWay)
{
    // Each connect takes 6 s to answer; the tool says so after 3 s.
    writeConfig(
        "slow.json",
        R"({"cameras": [{"key": "Slow:1", "width": 8, "height": 2, "fps": 100, "connectSeconds": 6}]})");
    for (const QString command : {"grab", "view"}) {
        const QString trace = dir.filePath(command + "-late.txt");
        QProcess late;
        start(late, {command, "--camera", "Slow:1", "--seconds", "1"}, "slow.json", trace);
        const ToolRun timeUp = finishTool(late);
        EXPECT_EQ(timeUp.status, 1) << command.toStdString();
        EXPECT_EQ(timeUp.out, "");
        const QString who = command == "grab" ? "the run's 1 seconds were" : "the view's seconds were";
        EXPECT_TRUE(
            timeUp.err.contains(QStringLiteral("vxcam: camera \"Slow:1\": %1 up while its open was under "
                                               "way; the %2 ends without waiting for it\n")
                                    .arg(who, command == "grab" ? "run" : "view")))
            << timeUp.err.toStdString();
        // The process ended before the connect returned.
        EXPECT_FALSE(traceOf(trace).contains("connect Slow:1 2 -> ok")) << traceOf(trace).toStdString();
    }

    if (QSysInfo::kernelType() == QLatin1String("winnt"))
        GTEST_SKIP() << "QProcess::terminate() sends no console control event";
    for (const QString command : {"grab", "view"}) {
        const QString commandTrace = dir.filePath(command + ".txt");
        QProcess process;
        start(process, {command, "--camera", "Slow:1", "--seconds", "600"}, "slow.json", commandTrace);
        QByteArray err;
        const auto said = [&](const QByteArray &text) {
            return waitFor(
                [&] {
                    process.waitForReadyRead(20);
                    err += process.readAllStandardError();
                    return err.contains(text);
                },
                std::chrono::seconds(60));
        };
        ASSERT_TRUE(said("to answer its open\n")) << err.toStdString();
        process.terminate(); // SIGTERM
        // Answered while the connect still waits, not once it returned.
        ASSERT_TRUE(said("interrupted while its open was under way; it is closed once that returns\n"))
            << err.toStdString();
        EXPECT_FALSE(traceOf(commandTrace).contains("connect Slow:1")) << command.toStdString();
        const ToolRun run = finishTool(process);
        EXPECT_EQ(run.status, 130) << command.toStdString() << (err + run.err.toUtf8()).toStdString();
        const QString closing = traceOf(commandTrace);
        EXPECT_GT(closing.indexOf("disconnect Slow:1 -> ok"), closing.indexOf("connect Slow:1 2 -> ok"))
            << command.toStdString() << closing.toStdString();
    }
}
