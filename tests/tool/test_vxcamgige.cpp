// vxcam against Aravis's GigE Vision fake camera over loopback, inside a
// private network namespace (in_netns.sh), opened by address.
#include "gigefakecamera.h"
#include "netimpairment.h"
#include "qtprinters.h"
#include "replayfiles.h"
#include "toolrun.h"
#include "waitfor.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

class VxcamGigE : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(fake.start(&error)) << error.toStdString();
    }

    void start(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VXCAM_SDK_BACKEND", "aravis");
        environment.insert("VXCAM_ARAVIS_DEVICES", "127.0.0.1");
        environment.insert("VXCAM_SIM_TRACE", trace());
        environment.insert("QT_QPA_PLATFORM", "offscreen"); // the live view needs no display
        process.setProcessEnvironment(environment);
        process.start(QDir(qEnvironmentVariable("VXCAM_PLUGIN_DIR")).filePath("vxcam"), arguments);
    }

    ToolRun finish() { return finishTool(process); }

    QString trace() const { return dir.filePath("trace.txt"); }
    int framesTraced() const
    {
        QFile file(trace());
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("\nframe ")) : 0;
    }

    // A run of --frames 75 that outlives an outage of the camera: the
    // outage begins after its first frames; the run must end with all 75,
    // having reconnected as often as `reconnects` (a pattern) says.
    void expectSurvived(const std::function<void()> &outage, const QString &reconnects)
    {
        start({"grab", "--camera", fake.key(), "--mode", "2", "--frames", "75", "--seconds", "120",
               "--reconnect", "--quiet"});
        ASSERT_TRUE(waitFor([this] { return framesTraced() >= 5; }, std::chrono::seconds(60)));
        outage();
        const ToolRun run = finish();
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        const QRegularExpressionMatch match
            = QRegularExpression("^" + QRegularExpression::escape(fake.key())
                                 + R"( frames=75 size=512x512 .* broken=0 lost=\d+ reconnects=()" + reconnects
                                 + R"()( offline=\d+\.\d\d missed=~(\d+))?( elapsed=[\d.]+)?\n$)")
                  .match(run.out);
        ASSERT_TRUE(match.hasMatch()) << run.out.toStdString() << run.err.toStdString();
        // A camera found lost was away: the summary says for how long, and
        // estimates the frames it missed (free run).
        if (match.captured(1) != "0") {
            EXPECT_GT(match.captured(3).toLongLong(), 0) << run.out.toStdString();
        }
    }

    QTemporaryDir dir;
    GigEFakeCamera fake;
    QProcess process;
};

} // namespace

TEST_F(VxcamGigE, ThreePacedSnapshotsInModeOneGiveThreeFrames)
{
    // The fake merges triggers that come within one frame period; each
    // snapshot waits for the frame of the one before.
    QString error;
    ASSERT_TRUE(fake.setFrameSize(128, 128, &error)) << error.toStdString();
    start({"grab", "--camera", fake.key(), "--mode", "1", "--snap", "3", "--quiet"});
    const ToolRun run = finish();
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(fake.key() + " frames=3 size=128x128 bpp=8 format=GRAY8 "))
        << run.out.toStdString();
}

TEST_F(VxcamGigE, ALostCameraEndsItsRunWithOneLineAndStatusOne)
{
    start({"grab", "--camera", fake.key(), "--mode", "2", "--frames", "100000000", "--seconds", "600",
           "--quiet"});
    ASSERT_TRUE(waitFor([this] { return framesTraced() >= 5; }, std::chrono::seconds(60)));
    fake.kill();
    // Far sooner than --seconds: the SDK reports the camera lost.
    const ToolRun run = finish();
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(fake.key() + " frames=")) << run.out.toStdString();
    EXPECT_EQ(run.err.count("vxcam: "), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("vxcam: camera \"" + fake.key() + "\" lost its connection after "))
        << run.err.toStdString();
}

TEST_F(VxcamGigE, ALostCameraMakesTheLiveViewEndWithStatusOne)
{
    // The window stays open showing the loss until its seconds are up.
    start({"view", "--camera", fake.key(), "--mode", "2", "--seconds", "15"});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(waitFor([this] { return framesTraced() >= 5 || process.state() != QProcess::Running; },
                        std::chrono::seconds(60)));
    if (process.state() != QProcess::Running && process.readAllStandardError().contains("no live view"))
        GTEST_SKIP() << "this vxcam has no live view";
    fake.kill();
    const ToolRun run = finish();
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_EQ(run.err.count("vxcam: "), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("vxcam: camera \"" + fake.key() + "\" lost its connection after "))
        << run.err.toStdString();
}

TEST_F(VxcamGigE, ReconnectSurvivesAPowerCycle)
{
    expectSurvived(
        [this] {
            fake.kill();
            std::this_thread::sleep_for(std::chrono::seconds(2)); // off
            QString error;
            ASSERT_TRUE(fake.restart(&error)) << error.toStdString();
        },
        "1"); // the restarted camera streams only to a new connection
}

TEST_F(VxcamGigE, ReconnectSurvivesAThreeSecondFullOutage)
{
    ImpairmentScope cleared;
    expectSurvived(
        [] {
            // Every packet, control and stream, dropped for 3 s.
            QString error;
            ASSERT_TRUE(impair({"outage", "3"}, &error)) << error.toStdString();
        },
        // Aravis reports the camera lost about 2 s into the silence (then it
        // is reopened); should it not have by the end, the stream resumes.
        "[01]");
}

TEST_F(VxcamGigE, ARecordingOfTheFakeReplaysByteForByteThroughAVirtualReplayCamera)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("rec") && QDir(dir.path()).mkpath("again"));
    start({"grab", "--camera", fake.key(), "--mode", "2", "--frames", "10", "--save", dir.filePath("rec/d_"),
           "--quiet"});
    const ToolRun record = finish();
    ASSERT_EQ(record.status, 0) << record.err.toStdString();
    QFile config(dir.filePath("replay.json"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral(R"({"cameras": [{"key": "Replay:GIGE", "images": "%1", "fps": 0}]})")
                     .arg(dir.filePath("rec"))
                     .toUtf8());
    config.close();
    QProcess replay;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VXCAM_SDK_BACKEND", "virtual");
    environment.insert("VXCAM_SIM_CONFIG", config.fileName());
    replay.setProcessEnvironment(environment);
    replay.start(
        QDir(qEnvironmentVariable("VXCAM_PLUGIN_DIR")).filePath("vxcam"),
        {"grab", "--camera", "Replay:GIGE", "--frames", "10", "--save", dir.filePath("again/d_"), "--quiet"});
    const ToolRun run = finishTool(replay);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Replay:GIGE frames=10 size=512x512 bpp=8 format=GRAY8 "))
        << run.out.toStdString();
    const std::map<int, QByteArray> recorded = replaytest::dumpsByFrame(dir.filePath("rec"));
    const std::map<int, QByteArray> replayed = replaytest::dumpsByFrame(dir.filePath("again"));
    ASSERT_EQ(recorded.size(), 10u);
    EXPECT_TRUE(recorded == replayed) << "the same frame numbers with the same bytes";
}
