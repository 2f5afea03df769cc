// Benchmarks of the plug-in against baselines measured in the same run.
#include "cameradahua.h"
#include "cameradahuav2.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include "benchstats.h"
#include "framearrival.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using namespace Dahua::GenICam;

namespace {

// A host whose callback does nothing.
class EmptyHost : public IPoolCallback {
public:
    virtual ~EmptyHost() = default;
    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override { benchmark::DoNotOptimize(camera); }
};

// A host that touches one byte per row and checks the pointer is the SDK's own.
class RowHost : public IPoolCallback {
public:
    virtual ~RowHost() = default;
    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override
    {
        if (camera->m_pImageData != VxSim::lastFrameImage(key)) {
            std::fprintf(stderr, "zero copy broken: the host got another pointer than the SDK's frame\n");
            std::abort();
        }
        unsigned sum = 0;
        for (int y = 0; y < camera->m_nHeight; ++y)
            sum += camera->m_pImageData[qsizetype(y) * camera->m_nWidth];
        benchmark::DoNotOptimize(sum);
        frames.fetch_add(1, std::memory_order_relaxed);
    }
    QString key;
    std::atomic<long> frames {0};
};

void loadCamera(int width, int height, bool pattern)
{
    const QByteArray config = QStringLiteral(R"({"cameras": [{"key": "Bench:%1x%2", "width": %1, "height": %2,
        "pixelFormat": "Mono8", "fps": 0, "pattern": "%3"}]})")
                                  .arg(width)
                                  .arg(height)
                                  .arg(pattern ? "ramp" : "none")
                                  .toUtf8();
    if (!VxSim::loadConfig(config)) {
        std::fprintf(stderr, "benchmark configuration refused\n");
        std::abort();
    }
    CCameraDahuaV2::DiscoverCameras();
    CCameraDahua::DiscoverCameras();
}

QString keyOf(int width, int height)
{
    return QStringLiteral("Bench:%1x%2").arg(width).arg(height);
}

// 1 and 5: one accepted frame through a driver's handler, versus the empty
// host callback called directly.
void BM_HostCallbackDirect(benchmark::State &state)
{
    tagVX_CAMERA_OPTION option;
    EmptyHost host;
    CCameraDahuaV2 camera(&option, &host);
    IPoolCallback *callback = &host;
    benchmark::DoNotOptimize(callback);
    for (auto _ : state)
        callback->IFrameReady(&camera);
}
BENCHMARK(BM_HostCallbackDirect);

template <class Driver> void handlerCost(benchmark::State &state, int mode)
{
    loadCamera(64, 64, true);
    tagVX_CAMERA_OPTION option;
    option.cameraName = keyOf(64, 64);
    EmptyHost host;
    Driver camera(&option, &host);
    if (camera.IOpenCamera() != 1 || camera.IStartCamera() != 1)
        state.SkipWithError("cannot open the virtual camera");
    camera.m_nTriggerMode = mode;
    std::vector<unsigned char> bytes(64 * 64);
    const CFrame frame(bytes.data(), static_cast<uint32_t>(bytes.size()), 64, 64, 1, "Mono8");
    for (auto _ : state)
        camera.onGetFrame(frame);
    camera.ICloseCamera();
}

void BM_CurrentDriverFrameHandler(benchmark::State &state)
{
    handlerCost<CCameraDahuaV2>(state, 1);
}
BENCHMARK(BM_CurrentDriverFrameHandler);

void BM_EarlierDriverFrameHandler(benchmark::State &state)
{
    // The per-frame warning line goes to standard error, as with Qt's default handler.
    handlerCost<CCameraDahua>(state, 2);
}
BENCHMARK(BM_EarlierDriverFrameHandler);

void BM_EarlierDriverFrameHandlerLogOff(benchmark::State &state)
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    handlerCost<CCameraDahua>(state, 2);
    QLoggingCategory::setFilterRules(QString());
}
BENCHMARK(BM_EarlierDriverFrameHandlerLogOff);

// Interleaved rounds: the baseline and the plug-in take turns (the side that
// goes first alternating), so that a slow spell of the shared machine hits
// both. One round gives one figure per side; the counters are the medians of
// each side, the median of the rounds' ratios plug-in / baseline, its range,
// and the number of rounds.
void interleave(benchmark::State &state, const std::function<double()> &bareRound,
                const std::function<double()> &pluginRound)
{
    std::vector<double> bare, plugin, ratios;
    for (auto _ : state) {
        double b = 0, p = 0;
        if (bare.size() % 2 == 0) {
            b = bareRound();
            p = pluginRound();
        } else {
            p = pluginRound();
            b = bareRound();
        }
        bare.push_back(b);
        plugin.push_back(p);
        ratios.push_back(b > 0 ? p / b : 0.0);
    }
    state.counters["bare"] = benchstats::median(bare);
    state.counters["plugin"] = benchstats::median(plugin);
    state.counters["ratio"] = benchstats::median(ratios);
    state.counters["ratio_low"] = benchstats::lowest(ratios);
    state.counters["ratio_high"] = benchstats::highest(ratios);
    state.counters["rounds"] = double(ratios.size());
}

// 2 and 3: frames per second of free-running cameras ("fps": 0) through the
// plug-in, versus bare handlers on other stream sources of the same cameras.
// Both sides check, per frame, that they got the SDK frame's own bytes; the
// rounds interleave.
constexpr int kThroughputRounds = 15;
constexpr int kFourCameraRounds = 21;

// The bare handler: attached to a stream source of its own.
struct BareHandler {
    std::atomic<long> frames {0};
    int width = 0;
    int height = 0;
    QString key;

    static void onFrame(void *self, const CFrame &frame)
    {
        auto *bare = static_cast<BareHandler *>(self);
        const auto *bytes = static_cast<const unsigned char *>(frame.getImage());
        if (bytes != VxSim::lastFrameImage(bare->key))
            std::abort();
        unsigned sum = 0;
        for (int y = 0; y < bare->height; ++y)
            sum += bytes[qsizetype(y) * bare->width];
        benchmark::DoNotOptimize(sum);
        bare->frames.fetch_add(1, std::memory_order_relaxed);
    }
};

// One camera as both sides see it: a bare handler on a stream source of its
// own, and a plug-in object with its host.
struct ThroughputCamera {
    BareHandler bare;
    IStreamSourcePtr stream;
    tagVX_CAMERA_OPTION option;
    RowHost host;
    std::unique_ptr<CCameraDahuaV2> plugin;

    bool open(const ICameraPtr &camera, int width, int height)
    {
        bare.key = QString::fromUtf8(camera->getKey());
        bare.width = width;
        bare.height = height;
        stream = CSystem::getInstance().createStreamSource(camera, 0);
        if (!stream || !stream->attachGrabbing(IStreamSource::Proc(&bare, &BareHandler::onFrame)))
            return false;
        option.cameraName = bare.key;
        host.key = bare.key;
        plugin = std::make_unique<CCameraDahuaV2>(&option, &host);
        plugin->m_nTriggerMode = 2;
        return plugin->IOpenCamera() == 1;
    }
    void close()
    {
        if (plugin)
            plugin->ICloseCamera();
        if (stream)
            stream->detachGrabbing(IStreamSource::Proc(&bare, &BareHandler::onFrame));
    }
};

// Frames per second over all cameras while they stream for 250 ms; the
// cameras are all started before counting begins.
template <class Count> double aggregateFps(Count &&count)
{
    const long before = count();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const long counted = count() - before;
    return counted / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void throughput(benchmark::State &state, int cameraCount)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    QString list;
    for (int i = 1; i <= cameraCount; ++i)
        list += QStringLiteral(
                    R"(%1{"key": "Bench:%2x%3#%4", "width": %2, "height": %3, "pixelFormat": "Mono8",
            "fps": 0, "pattern": "none"})")
                    .arg(i == 1 ? "" : ",")
                    .arg(width)
                    .arg(height)
                    .arg(i);
    if (!VxSim::loadConfig(QStringLiteral(R"({"cameras": [%1]})").arg(list).toUtf8()))
        std::abort();
    CCameraDahuaV2::DiscoverCameras();
    Dahua::Infra::TVector<ICameraPtr> found;
    CSystem::getInstance().discovery(found, typeAll);
    std::vector<std::unique_ptr<ThroughputCamera>> cameras;
    for (const ICameraPtr &camera : found) {
        cameras.push_back(std::make_unique<ThroughputCamera>());
        if (!cameras.back()->open(camera, width, height)) {
            state.SkipWithError("cannot open the virtual cameras");
            return;
        }
    }

    const std::function<double()> bareRound = [&] {
        for (auto &camera : cameras)
            camera->stream->startGrabbing(0, grabStrategySequential);
        const double fps = aggregateFps([&] {
            long sum = 0;
            for (auto &camera : cameras)
                sum += camera->bare.frames.load();
            return sum;
        });
        for (auto &camera : cameras)
            camera->stream->stopGrabbing();
        return fps;
    };
    const std::function<double()> pluginRound = [&] {
        for (auto &camera : cameras) {
            if (camera->plugin->IStartCamera() != 1)
                std::abort();
        }
        const double fps = aggregateFps([&] {
            long sum = 0;
            for (auto &camera : cameras)
                sum += camera->host.frames.load();
            return sum;
        });
        for (auto &camera : cameras)
            camera->plugin->IStopCamera();
        return fps;
    };
    interleave(state, bareRound, pluginRound);
    for (auto &camera : cameras)
        camera->close();
}

void BM_ThroughputInterleaved(benchmark::State &state)
{
    throughput(state, 1);
}
BENCHMARK(BM_ThroughputInterleaved)
    ->Args({2448, 2048})
    ->Args({640, 480})
    ->Iterations(kThroughputRounds)
    ->UseRealTime();

// Four cameras streaming at once, through four plug-in objects against four
// bare handlers; the figure is the sum of the four frame rates.
void BM_ThroughputFourCameras(benchmark::State &state)
{
    throughput(state, 4);
}
BENCHMARK(BM_ThroughputFourCameras)->Args({2448, 2048})->Iterations(kFourCameraRounds)->UseRealTime();

// 7: software snapshot latency on a virtual camera, from the call that fires
// the trigger to the entry of the frame's callback (the frame often arrives
// before the call returns). The plug-in side calls ISnapCamera, the baseline
// executes TriggerSoftware through the SDK with a bare handler on a stream
// source of its own. The next trigger is fired only after the previous frame
// arrived. Rounds of kSnapshotsPerRound snapshots interleave.
constexpr int kLatencyRounds = 8;
constexpr int kSnapshotsPerRound = 200;
constexpr std::chrono::milliseconds kSnapshotTimeout(1000);

using Clock = std::chrono::steady_clock;

void onBareArrival(void *arrival, const CFrame &)
{
    static_cast<FrameArrival *>(arrival)->record();
}

bool writeSymbol(CEnumNode node, const char *symbol)
{
    return node.setValueBySymbol(Dahua::Infra::CString(symbol));
}

void BM_SnapLatencyInterleaved(benchmark::State &state)
{
    // Line1 without pulses: no frame comes but the snapshots'.
    if (!VxSim::loadConfig(R"({"cameras": [{"key": "Bench:Snap", "width": 640, "height": 480,
            "pixelFormat": "Mono8", "line1Hz": 0, "pattern": "none"}]})"))
        std::abort();
    CCameraDahuaV2::DiscoverCameras();
    tagVX_CAMERA_OPTION option;
    option.cameraName = QStringLiteral("Bench:Snap");
    ArrivalHost host;
    CCameraDahuaV2 camera(&option, &host);
    camera.m_nTriggerMode = 1;
    Dahua::Infra::TVector<ICameraPtr> found;
    CSystem::getInstance().discovery(found, typeAll);
    if (camera.IOpenCamera() != 1 || found.size() != 1) {
        state.SkipWithError("cannot open the virtual camera");
        return;
    }
    FrameArrival bareArrival;
    IStreamSourcePtr stream = CSystem::getInstance().createStreamSource(found.front(), 0);
    IAcquisitionControlPtr control = CSystem::getInstance().createAcquisitionControl(found.front());
    stream->attachGrabbing(IStreamSource::Proc(&bareArrival, &onBareArrival));

    std::vector<double> bareAll, pluginAll;
    long missed = 0;
    // One snapshot untimed first: the plug-in's first one after a start
    // switches the camera to software triggering.
    const auto collect = [&](std::vector<double> &all, auto &&takeOne) {
        takeOne();
        std::vector<double> round;
        for (int i = 0; i < kSnapshotsPerRound; ++i) {
            const double micros = takeOne();
            if (micros < 0)
                ++missed;
            else
                round.push_back(micros);
        }
        all.insert(all.end(), round.begin(), round.end());
        return benchstats::median(round);
    };
    const std::function<double()> bareRound = [&] {
        if (!writeSymbol(control->triggerSelector(), "FrameStart")
            || !writeSymbol(control->triggerMode(), "On")
            || !writeSymbol(control->triggerSource(), "Software")
            || !stream->startGrabbing(0, grabStrategySequential))
            std::abort();
        const double p50 = collect(bareAll, [&] {
            return bareArrival.latency([&] { return control->triggerSoftware().execute(); },
                                       kSnapshotTimeout);
        });
        stream->stopGrabbing();
        return p50;
    };
    const std::function<double()> pluginRound = [&] {
        if (camera.IStartCamera() != 1)
            std::abort();
        const double p50 = collect(pluginAll, [&] {
            return host.arrival.latency([&] { return camera.ISnapCamera(emVxTriggerDirection(0)) == 1; },
                                        kSnapshotTimeout);
        });
        camera.IStopCamera();
        return p50;
    };
    interleave(state, bareRound, pluginRound);
    camera.ICloseCamera();
    stream->detachGrabbing(IStreamSource::Proc(&bareArrival, &onBareArrival));
    state.counters["bare_p50_us"] = benchstats::percentile(bareAll, 0.5);
    state.counters["bare_p99_us"] = benchstats::percentile(bareAll, 0.99);
    state.counters["bare_max_us"] = benchstats::highest(bareAll);
    state.counters["plugin_p50_us"] = benchstats::percentile(pluginAll, 0.5);
    state.counters["plugin_p99_us"] = benchstats::percentile(pluginAll, 0.99);
    state.counters["plugin_max_us"] = benchstats::highest(pluginAll);
    state.counters["snapshots"] = double(pluginAll.size());
    state.counters["missed"] = double(missed);
}
BENCHMARK(BM_SnapLatencyInterleaved)->Iterations(kLatencyRounds)->UseRealTime();

// 4: dump throughput of 5 MB frames on tmpfs (/dev/shm, so that the plug-in's
// own cost shows rather than the disk's), versus a host writing the same file
// (header, information block, pixels) itself with fopen/fwrite/fclose. Both
// write a new file per frame, as the dump names every frame apart; only the
// write is timed, each file is removed after it. Rounds of kDumpFrames frames
// interleave.
constexpr int kDumpRounds = 15;
constexpr int kDumpFrames = 100;

QString dumpFolder()
{
    return QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/vxcam_bench_XXXXXX")
                                                              : QString();
}

void removeFiles(const QString &folder)
{
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files))
        dir.remove(name);
}

void BM_DumpInterleaved(benchmark::State &state)
{
    loadCamera(2448, 2048, false);
    const QString pattern = dumpFolder();
    QTemporaryDir dir = pattern.isEmpty() ? QTemporaryDir() : QTemporaryDir(pattern);
    tagVX_CAMERA_OPTION option;
    option.cameraName = keyOf(2448, 2048);
    option.savePrefix = dir.path() + QStringLiteral("/");
    option.saveSuffix = QStringLiteral(".bmp");
    EmptyHost host;
    CCameraDahuaV2 camera(&option, &host);
    if (camera.IOpenCamera() != 1 || camera.IStartCamera() != 1) {
        state.SkipWithError("cannot open the virtual camera");
        return;
    }
    std::vector<unsigned char> bytes(2448 * 2048, 7);
    const CFrame frame(bytes.data(), static_cast<uint32_t>(bytes.size()), 2448, 2048, 1, "Mono8");
    std::vector<unsigned char> fileHeader(14, 0);
    std::vector<unsigned char> infoBlock(1064, 0);
    const double megabytes = double(kDumpFrames) * double(bytes.size()) / 1e6;

    long plainFiles = 0;
    const std::function<double()> bareRound = [&] {
        Clock::duration spent {};
        for (int i = 0; i < kDumpFrames; ++i) {
            const QByteArray name
                = (dir.path() + QStringLiteral("/plain_%1.bmp").arg(plainFiles++)).toLatin1();
            const Clock::time_point start = Clock::now();
            std::FILE *file = std::fopen(name.constData(), "wb");
            if (file == nullptr)
                std::abort();
            std::fwrite(fileHeader.data(), 1, fileHeader.size(), file);
            std::fwrite(infoBlock.data(), 1, infoBlock.size(), file);
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
            spent += Clock::now() - start;
            std::remove(name.constData());
        }
        return megabytes / std::chrono::duration<double>(spent).count();
    };
    const std::function<double()> pluginRound = [&] {
        Clock::duration spent {};
        for (int i = 0; i < kDumpFrames; ++i) {
            option.saveFlag = 1;
            const Clock::time_point start = Clock::now();
            camera.onGetFrame(frame);
            spent += Clock::now() - start;
            removeFiles(dir.path());
        }
        return megabytes / std::chrono::duration<double>(spent).count();
    };
    interleave(state, bareRound, pluginRound);
    camera.ICloseCamera();
    state.counters["tmpfs"] = pattern.isEmpty() ? 0.0 : 1.0;
}
BENCHMARK(BM_DumpInterleaved)->Iterations(kDumpRounds)->UseRealTime();

// 6: open and close of a discovered camera.
void BM_OpenCloseCycle(benchmark::State &state)
{
    loadCamera(640, 480, false);
    tagVX_CAMERA_OPTION option;
    option.cameraName = keyOf(640, 480);
    EmptyHost host;
    CCameraDahuaV2 camera(&option, &host);
    for (auto _ : state) {
        if (camera.IOpenCamera() != 1)
            state.SkipWithError("open failed");
        camera.ICloseCamera();
    }
}
BENCHMARK(BM_OpenCloseCycle);

} // namespace

BENCHMARK_MAIN();
