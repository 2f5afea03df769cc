// The plug-in's current driver on the Aravis back end against Aravis's GigE
// Vision fake camera over loopback while the network misbehaves on purpose
// (nftables inside the test's private network namespace, see netns.sh):
// stream packet loss, a stream outage, loss on one of three cameras, lossy
// control, and a camera that is switched off and on again. Counts are
// asserted, never durations.
#include "cameradahuav2.h"
#include "gigefakecamera.h"
#include "logcapture.h"
#include "netimpairment.h"
#include "testhost.h"
#include "waitfor.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/StreamStatistics.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QThread>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using namespace Dahua::GenICam;

namespace {

const bool g_backend = useAravisBackend();

// A fake camera at 127.0.0.N and a driver object on it.
struct Station {
    explicit Station(int n = 1)
        : fake(QStringLiteral("127.0.0.%1").arg(n), QStringLiteral("GV0%1").arg(n))
        , key(fake.key().toUtf8())
    {
        EXPECT_TRUE(g_backend);
        option.cameraName = fake.key();
        camera = std::make_unique<CCameraDahuaV2>(&option, &host);
    }
    bool startFake()
    {
        QString error;
        const bool started = fake.start(&error);
        EXPECT_TRUE(started) << error.toStdString();
        return started;
    }
    // Free run (mode 2) of the fake.
    bool start()
    {
        setTriggerMode(camera.get(), 2);
        return camera->IStartCamera() == 1;
    }
    bool streaming() { return camera->IOpenCamera() == 1 && start(); }
    CStreamStatistics counts() const { return cameraStatistics(key.constData()); }
    // Frames the camera sent, whatever became of them.
    uint64_t seen() const
    {
        const CStreamStatistics s = counts();
        return s.deliveredFrames + s.incompleteFrames + s.lostFrames;
    }

    GigEFakeCamera fake;
    const QByteArray key;
    tagVX_CAMERA_OPTION option;
    TestHost host;
    std::unique_ptr<CCameraDahuaV2> camera;
};

bool impaired(const QStringList &helperAndArguments)
{
    QString error;
    const bool ok = impair(helperAndArguments, &error);
    EXPECT_TRUE(ok) << error.toStdString();
    return ok;
}

// Sets the fake's frame size (and frame rate, when given) before a driver opens it.
bool setGeometry(int width, int height, double fps = 0)
{
    Dahua::Infra::TVector<ICameraPtr> cameras;
    if (!CSystem::getInstance().discovery(cameras, typeAll) || cameras.empty()
        || !cameras[0]->connect(accessPermissionControl))
        return false;
    const bool ok = CIntNode(cameras[0], "Width").setValue(width)
        && CIntNode(cameras[0], "Height").setValue(height)
        && (fps <= 0 || CDoubleNode(cameras[0], "AcquisitionFrameRate").setValue(fps));
    cameras[0]->disconnect();
    return ok;
}

// A network fault made on a thread of its own while the test goes on;
// joined when it ends, also when an assertion leaves the test early.
struct BackgroundImpairment {
    explicit BackgroundImpairment(QStringList helperAndArguments)
        : thread([arguments = std::move(helperAndArguments)] { impaired(arguments); })
    {
    }
    ~BackgroundImpairment() { thread.join(); }
    std::thread thread;
};

// Complete frames a second of a streaming station, over about one second.
double measuredRate(Station &s)
{
    const uint64_t before = s.seen();
    const auto start = std::chrono::steady_clock::now();
    QThread::msleep(1000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return double(s.seen() - before) / seconds;
}

} // namespace

TEST(AravisNetworkFaults, TenPercentStreamLossIsCountedFrameAfterFrameAndNeverStallsTheStream)
{
    ImpairmentScope scope;
    Station s;
    ASSERT_TRUE(s.startFake());
    ASSERT_EQ(s.camera->IOpenCamera(), 1);
    ASSERT_TRUE(impaired({"stream_loss", "0.1"}));
    ASSERT_TRUE(s.start());
    // About 190 packets a 512 x 512 frame: none comes whole, from the first
    // on. Each is counted, far beyond what the pool's eight buffers could hold.
    for (uint64_t incomplete : {25u, 50u, 100u}) {
        ASSERT_TRUE(waitFor([&] { return s.counts().incompleteFrames >= incomplete; })) << incomplete;
    }
    EXPECT_EQ(s.counts().deliveredFrames, uint64_t(s.host.calls.load()));
    // The pool is whole: complete frames follow once the loss ends.
    ASSERT_TRUE(impaired({"clear"}));
    const int before = s.host.calls.load();
    EXPECT_TRUE(waitFor([&] { return s.host.calls.load() >= before + 20; }));
}

TEST(AravisNetworkFaults, OnePercentStreamLossKeepsCompletingFramesToTheEnd)
{
    ImpairmentScope scope;
    Station s;
    ASSERT_TRUE(s.startFake());
    // About 50 packets a 256 x 256 frame: some 60 % of the frames come whole.
    ASSERT_TRUE(setGeometry(256, 256));
    ASSERT_EQ(s.camera->IOpenCamera(), 1);
    ASSERT_TRUE(impaired({"stream_loss", "0.01"}));
    ASSERT_TRUE(s.start());
    for (int window = 0; window < 4; ++window) {
        const uint64_t seenBefore = s.seen();
        const uint64_t deliveredBefore = s.counts().deliveredFrames;
        ASSERT_TRUE(waitFor([&] { return s.seen() >= seenBefore + 40; })) << "window " << window;
        EXPECT_GE(s.counts().deliveredFrames - deliveredBefore, 10u) << "window " << window;
    }
    EXPECT_GT(s.counts().incompleteFrames, 0u) << "the loss hit the stream";
    s.camera->IStopCamera();
    EXPECT_EQ(s.counts().deliveredFrames, uint64_t(s.host.calls.load()));
}

TEST(AravisNetworkFaults, AOneSecondStreamOutageResumesByItselfAndCountsItsFramesLost)
{
    ImpairmentScope scope;
    Station s;
    ASSERT_TRUE(s.startFake());
    ASSERT_TRUE(s.streaming());
    ASSERT_TRUE(waitFor([&] { return s.host.calls.load() >= 5; }));
    ASSERT_TRUE(impaired({"stream_outage", "1"})); // returns when it is over
    const int after = s.host.calls.load();
    ASSERT_TRUE(waitFor([&] { return s.host.calls.load() >= after + 10; })) << "no frame after the outage";
    const CStreamStatistics counts = s.counts();
    // 25 frames a second: what the outage swallowed shows as lost (or, at its edges, incomplete).
    EXPECT_GE(counts.lostFrames + counts.incompleteFrames, 10u);
    EXPECT_GE(counts.lostFrames, 5u);
    s.camera->IStopCamera();
    const std::vector<TestHost::Delivery> deliveries = s.host.deliveries();
    for (std::size_t i = 0; i < deliveries.size(); ++i)
        ASSERT_EQ(deliveries[i].frameNum, i + 1) << "the frames delivered are numbered without a gap";
}

TEST(AravisNetworkFaults, AFreeRunThatEndsInSilenceEstimatesTheFramesItMissedApartFromTheCountedOnes)
{
    ImpairmentScope scope;
    Station s;
    ASSERT_TRUE(s.startFake());
    // A rate the receiving side keeps up with on a loaded machine: no backlog
    // in the socket buffer goes on arriving after the silence has begun.
    ASSERT_TRUE(setGeometry(64, 48, 50));
    ASSERT_TRUE(s.streaming());
    const double rate = measuredRate(s);
    ASSERT_GT(rate, 10);
    // Every stream packet dropped for four seconds; the run stops after three.
    {
        BackgroundImpairment outage({"stream_outage", "4"});
        QThread::msleep(3000);
        s.camera->IStopCamera(); // no frame came after the silence to count it
    }
    const CStreamStatistics counts = s.counts();
    EXPECT_EQ(counts.lostFrames, 0u);
    EXPECT_GE(counts.estimatedLostFrames, uint64_t(rate))
        << "three seconds at " << rate << " frames a second";
    EXPECT_LE(counts.estimatedLostFrames, uint64_t(10 * rate));
    // Triggered, a silence is no loss. (The fake gives up its controller
    // after a long stream outage: the camera is opened afresh.)
    s.camera->ICloseCamera();
    ASSERT_EQ(s.camera->IOpenCamera(), 1);
    setTriggerMode(s.camera.get(), 1);
    ASSERT_EQ(s.camera->IStartCamera(), 1);
    for (int i = 0; i < 3; ++i) {
        const int before = s.host.calls.load();
        ASSERT_EQ(s.camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE), 1);
        ASSERT_TRUE(waitFor([&] { return s.host.calls.load() > before; }));
    }
    QThread::msleep(1000);
    s.camera->IStopCamera();
    EXPECT_EQ(s.counts().estimatedLostFrames, counts.estimatedLostFrames);
}

TEST(AravisNetworkFaults, ACameraReopensWithoutWaitingForTheReleaseOfAnotherCamera)
{
    qputenv("VXCAM_ARAVIS_DEVICES", "127.0.0.1,127.0.0.2");
    Station first(1);
    Station second(2);
    // Each closes its camera from inside its callback: the stream's release
    // joins that callback's thread. The second's callback then stays until
    // the test lets it go, and with it the release of its stream.
    std::atomic<bool> letSecondGo {false};
    std::atomic<int> closedInside {0};
    const auto closeInside = [&](ICameraObject *camera, int turn) {
        if (closedInside.load() != turn || !camera->m_bOpened)
            return;
        camera->ICloseCamera();
        ++closedInside;
        if (turn == 1)
            waitFor([&] { return letSecondGo.load(); }, std::chrono::seconds(60));
    };
    // The second first, so that its release is under way before the first's.
    first.host.inside = [&](ICameraObject *camera) { closeInside(camera, 2); };
    second.host.inside = [&](ICameraObject *camera) { closeInside(camera, 1); };
    ASSERT_TRUE(first.startFake());
    ASSERT_TRUE(second.startFake());
    ASSERT_TRUE(first.streaming());
    ASSERT_TRUE(second.streaming());
    closedInside = 1;
    ASSERT_TRUE(waitFor([&] { return closedInside.load() == 3; }));
    std::atomic<int> reopened {-1};
    std::thread host([&] { reopened = first.camera->IOpenCamera(); });
    // The first camera opens again while the second's release still waits.
    EXPECT_TRUE(waitFor([&] { return reopened.load() != -1; }, std::chrono::seconds(30)));
    letSecondGo = true;
    host.join();
    EXPECT_EQ(reopened.load(), 1);
    EXPECT_EQ(second.camera->IOpenCamera(), 1) << "and the second once its release is done";
}

TEST(AravisNetworkFaults, LossOnOneOfThreeCamerasLeavesTheOtherTwoStreaming)
{
    qputenv("VXCAM_ARAVIS_DEVICES", "127.0.0.1,127.0.0.2,127.0.0.3");
    ImpairmentScope scope;
    std::vector<std::unique_ptr<Station>> stations;
    // Three 512 x 512 streams at 10 fps: 10 % loss still breaks every frame,
    // and the receiving side (Wine's, in the Windows build) keeps up with the rest.
    for (int n = 1; n <= 3; ++n) {
        stations.push_back(std::make_unique<Station>(n));
        ASSERT_TRUE(stations.back()->startFake());
        QString error;
        ASSERT_TRUE(stations.back()->fake.setFrameRate(10, &error)) << error.toStdString();
    }
    for (auto &s : stations)
        ASSERT_TRUE(s->streaming()) << s->key.constData();
    ASSERT_TRUE(impaired({"stream_loss", "0.1", "127.0.0.2"}));
    Station &lossy = *stations[1];
    const uint64_t lossyBefore = lossy.counts().incompleteFrames;
    std::vector<uint64_t> before;
    std::vector<uint64_t> incompleteBefore;
    for (auto &s : stations) {
        before.push_back(s->counts().deliveredFrames);
        incompleteBefore.push_back(s->counts().incompleteFrames);
    }
    ASSERT_TRUE(waitFor([&] { return lossy.counts().incompleteFrames >= lossyBefore + 50; }));
    const uint64_t lossyBroken = lossy.counts().incompleteFrames - lossyBefore;
    // All three send at the same rate: in the time the lossy one counted 50
    // broken frames, each of the others delivered about as many whole ones.
    // A loaded machine may drop a packet of theirs now and then (the socket's
    // buffer overflows); loss that leaked to them would break about as many
    // of their frames as of the lossy one's.
    for (int i : {0, 2}) {
        EXPECT_TRUE(waitFor([&] { return stations[i]->counts().deliveredFrames >= before[i] + 40; }))
            << stations[i]->key.constData();
        EXPECT_LE((stations[i]->counts().incompleteFrames - incompleteBefore[i]) * 10, lossyBroken)
            << stations[i]->key.constData() << ": far fewer broken frames than the lossy camera's "
            << lossyBroken;
    }
    EXPECT_LE(lossy.counts().deliveredFrames, before[1] + 1)
        << "hardly a 512 x 512 frame comes whole at 10 %";
}

TEST(AravisNetworkFaults, OneObjectClosesAndReopensACameraThatWasSwitchedOffAndOn)
{
    Station s;
    ASSERT_TRUE(s.startFake());
    ASSERT_TRUE(s.streaming());
    ASSERT_TRUE(waitFor([&] { return s.host.calls.load() >= 5; }));
    s.fake.kill();
    // The host notices its frames stopped and closes the camera.
    s.camera->ICloseCamera();
    EXPECT_FALSE(s.camera->m_bOpened);
    {
        LogCapture log;
        EXPECT_EQ(s.camera->IOpenCamera(), 0) << "the camera is away";
        EXPECT_FALSE(log.messages(QtWarningMsg).isEmpty());
    }
    // It comes back at the same address; the same object opens and starts it.
    ASSERT_TRUE(s.startFake());
    ASSERT_TRUE(s.streaming());
    const int before = s.host.calls.load();
    EXPECT_TRUE(waitFor([&] { return s.host.calls.load() >= before + 10; }));
    s.camera->ICloseCamera();
}

TEST(AravisNetworkFaults, UnderControlLossEveryCallReturnsEitherSuccessOrFailureWithALine)
{
    ImpairmentScope scope;
    Station s;
    ASSERT_TRUE(s.startFake());
    QString error;
    ASSERT_TRUE(s.fake.setFrameSize(128, 128, &error)) << error.toStdString(); // single snapshots
    ASSERT_TRUE(impaired({"control_loss", "0.2"}));
    int calls = 0;
    int failures = 0;
    int silentFailures = 0;
    // Runs one call of the host; false when it failed.
    const auto call = [&](const char *name, const std::function<bool(const LogCapture &)> &run) {
        LogCapture log;
        const bool ok = run(log);
        ++calls;
        if (!ok) {
            ++failures;
            if (log.messages(QtWarningMsg).isEmpty()) {
                ++silentFailures;
                ADD_FAILURE() << name << " failed without a line";
            }
        }
        return ok;
    };
    for (int cycle = 0; cycle < 2; ++cycle) {
        if (!call("IOpenCamera", [&](const LogCapture &) { return s.camera->IOpenCamera() == 1; }))
            continue;
        setTriggerMode(s.camera.get(), 1);
        if (call("IStartCamera", [&](const LogCapture &) { return s.camera->IStartCamera() == 1; })) {
            for (int snap = 0; snap < 2; ++snap) {
                const int before = s.host.calls.load();
                if (call("ISnapCamera", [&](const LogCapture &) {
                        return s.camera->ISnapCamera(emVxTriggerDirection(0)) == 1;
                    })) {
                    EXPECT_TRUE(waitFor([&] { return s.host.calls.load() > before; }))
                        << "a snapshot reported done gave no frame";
                }
            }
        }
        call("ISetProperty", [&](const LogCapture &log) {
            tagVX_CAMERA_PROPERTY property {1, 3000 + cycle};
            s.camera->ISetProperty(&property);
            return !log.messages().filter(QStringLiteral("successfully")).isEmpty();
        });
        s.camera->IStopCamera();
        s.camera->ICloseCamera();
    }
    EXPECT_GE(calls, 2);
    EXPECT_EQ(silentFailures, 0) << failures << " of " << calls << " calls failed";
}
