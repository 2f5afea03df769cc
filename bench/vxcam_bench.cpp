// Benchmarks of the plug-in against baselines measured in the same run.
#include "cameradahua.h"
#include "cameradahuav2.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

// 2 and 3: frames per second of a free-running camera ("fps": 0) through the
// plug-in, versus a bare handler on another stream source of the same camera.
// Both sides check, per frame, that they got the SDK frame's own bytes. The
// two take turns for several rounds (the side that goes first alternating),
// so that a slow spell of the shared machine hits both; the table reports the
// median of the rounds' ratios and their range.
constexpr int kThroughputRounds = 9;

double streamFor(const std::atomic<long> &frames, long &counted)
{
    const long before = frames.load();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    counted = frames.load() - before;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void BM_ThroughputInterleaved(benchmark::State &state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    loadCamera(width, height, false);

    BareHandler bare;
    bare.width = width;
    bare.height = height;
    bare.key = keyOf(width, height);
    Dahua::Infra::TVector<ICameraPtr> cameras;
    CSystem::getInstance().discovery(cameras, typeAll);
    IStreamSourcePtr stream = CSystem::getInstance().createStreamSource(cameras.front(), 0);
    stream->attachGrabbing(IStreamSource::Proc(&bare, &BareHandler::onFrame));

    tagVX_CAMERA_OPTION option;
    option.cameraName = keyOf(width, height);
    RowHost host;
    host.key = option.cameraName;
    CCameraDahuaV2 camera(&option, &host);
    camera.m_nTriggerMode = 2;
    if (camera.IOpenCamera() != 1) {
        state.SkipWithError("cannot open the virtual camera");
        return;
    }

    const auto bareRound = [&] {
        long counted = 0;
        stream->startGrabbing(0, grabStrategySequential);
        const double seconds = streamFor(bare.frames, counted);
        stream->stopGrabbing();
        return counted / seconds;
    };
    const auto pluginRound = [&] {
        long counted = 0;
        if (camera.IStartCamera() != 1)
            return 0.0;
        const double seconds = streamFor(host.frames, counted);
        camera.IStopCamera();
        return counted / seconds;
    };
    std::vector<double> bareFps, pluginFps, ratios;
    for (auto _ : state) {
        const bool bareFirst = bareFps.size() % 2 == 0;
        double b = 0, p = 0;
        if (bareFirst) {
            b = bareRound();
            p = pluginRound();
        } else {
            p = pluginRound();
            b = bareRound();
        }
        bareFps.push_back(b);
        pluginFps.push_back(p);
        ratios.push_back(b > 0 ? p / b : 0.0);
    }
    camera.ICloseCamera();
    stream->detachGrabbing(IStreamSource::Proc(&bare, &BareHandler::onFrame));
    state.counters["fps_bare"] = median(bareFps);
    state.counters["fps_plugin"] = median(pluginFps);
    state.counters["ratio"] = median(ratios);
    state.counters["ratio_low"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_high"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["rounds"] = double(ratios.size());
}
BENCHMARK(BM_ThroughputInterleaved)
    ->Args({2448, 2048})
    ->Args({640, 480})
    ->Iterations(kThroughputRounds)
    ->UseRealTime();

// 4: dump throughput of 5 MB frames, versus fopen/fwrite/fclose of the same
// bytes. Both write a new file per frame, as the dump names every frame apart:
// overwriting a few files would let the page cache reuse their pages.
void BM_DumpBaselineFwrite(benchmark::State &state)
{
    QTemporaryDir dir;
    std::vector<unsigned char> bytes(2448 * 2048, 7);
    long n = 0;
    for (auto _ : state) {
        const QByteArray name = (dir.path() + QStringLiteral("/plain_%1.bmp").arg(n++)).toLatin1();
        std::FILE *file = std::fopen(name.constData(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_DumpBaselineFwrite)->UseRealTime()->MinTime(1.0);

void BM_DumpThroughDriver(benchmark::State &state)
{
    loadCamera(2448, 2048, false);
    QTemporaryDir dir;
    tagVX_CAMERA_OPTION option;
    option.cameraName = keyOf(2448, 2048);
    option.savePrefix = dir.path() + QStringLiteral("/");
    option.saveSuffix = QStringLiteral(".bmp");
    EmptyHost host;
    CCameraDahuaV2 camera(&option, &host);
    if (camera.IOpenCamera() != 1 || camera.IStartCamera() != 1)
        state.SkipWithError("cannot open the virtual camera");
    std::vector<unsigned char> bytes(2448 * 2048, 7);
    const CFrame frame(bytes.data(), static_cast<uint32_t>(bytes.size()), 2448, 2048, 1, "Mono8");
    for (auto _ : state) {
        option.saveFlag = 1;
        camera.onGetFrame(frame);
    }
    camera.ICloseCamera();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_DumpThroughDriver)->UseRealTime()->MinTime(1.0);

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
