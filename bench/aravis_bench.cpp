// aravis_bench: frames per second through the plug-in's current driver on
// the Aravis back end, against a bare Aravis stream callback, on the same
// GigE Vision fake camera with the same geometry and pool size.
//
// Rounds interleave the two (bare, plug-in, bare, plug-in, ...) so that a
// change of machine load hits both; each round gives the ratio plug-in/bare,
// and the report is the median ratio with its spread over the rounds.
// Run inside a private network namespace with the fake at 127.0.0.1 (see
// scripts/bench_aravis.sh); prints a Markdown section on standard output.
//
// Then the software snapshot latency, in interleaved rounds as well
// (aravis_latency.cpp).
//
//   aravis_bench [ROUNDS] [SECONDS] [WIDTH] [HEIGHT] [LATENCY_ROUNDS] [SNAPSHOTS_PER_ROUND]
#include <arv.h>

#include "aravis_latency.h"
#include "benchstats.h"
#include "machineload.h"

#include "cameradahuav2.h"

#include "MVSDK/GenICam.h"
#include "MVSDK/StreamStatistics.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBuffers = 8; // the back end's pool size
constexpr double kRequestedFps = 2000.0;

struct Geometry {
    int width;
    int height;
};

// Sets geometry and rate on the fake through Aravis; true on success.
bool configure(ArvCamera *camera, const Geometry &geometry)
{
    GError *error = nullptr;
    arv_camera_set_integer(camera, "Width", geometry.width, &error);
    if (error == nullptr)
        arv_camera_set_integer(camera, "Height", geometry.height, &error);
    if (error == nullptr)
        arv_camera_set_float(camera, "AcquisitionFrameRate", kRequestedFps, &error);
    const bool ok = error == nullptr;
    g_clear_error(&error);
    return ok;
}

struct BareCounter {
    std::atomic<uint64_t> frames {0};
    std::atomic<uint64_t> touched {0};
    ArvStream *stream = nullptr;
};

// The baseline: what a bare Aravis consumer gets, draining the output queue
// on each callback and touching the first byte of each complete frame.
void bareCallback(void *userData, ArvStreamCallbackType type, ArvBuffer *)
{
    if (type != ARV_STREAM_CALLBACK_TYPE_BUFFER_DONE)
        return;
    auto *counter = static_cast<BareCounter *>(userData);
    while (ArvBuffer *buffer = arv_stream_try_pop_buffer(counter->stream)) {
        if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS) {
            size_t size = 0;
            const auto *data = static_cast<const unsigned char *>(arv_buffer_get_image_data(buffer, &size));
            if (size > 0) {
                counter->touched.fetch_add(data[0], std::memory_order_relaxed);
                counter->frames.fetch_add(1, std::memory_order_relaxed);
            }
        }
        arv_stream_push_buffer(counter->stream, buffer);
    }
}

double bareFps(const Geometry &geometry, double seconds)
{
    GError *error = nullptr;
    ArvCamera *camera = arv_camera_new("127.0.0.1", &error);
    g_clear_error(&error);
    if (camera == nullptr || !configure(camera, geometry))
        return 0.0;
    BareCounter counter;
    counter.stream = arv_camera_create_stream(camera, bareCallback, &counter, &error);
    g_clear_error(&error);
    if (counter.stream == nullptr) {
        g_object_unref(camera);
        return 0.0;
    }
    if (ARV_IS_GV_STREAM(counter.stream))
        g_object_set(counter.stream, "socket-buffer", ARV_GV_STREAM_SOCKET_BUFFER_FIXED, "socket-buffer-size",
                     8 * 1024 * 1024, nullptr);
    const guint payload = arv_camera_get_payload(camera, nullptr);
    for (int i = 0; i < kBuffers; ++i)
        arv_stream_push_buffer(counter.stream, arv_buffer_new_allocate(payload));
    arv_camera_start_acquisition(camera, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // warm-up
    const uint64_t first = counter.frames.load();
    const Clock::time_point begin = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const uint64_t last = counter.frames.load();
    const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    arv_camera_stop_acquisition(camera, nullptr);
    g_object_unref(counter.stream);
    g_object_unref(camera);
    return double(last - first) / elapsed;
}

// The host side of the plug-in run: counts frames and touches the first byte.
class CountingHost : public IPoolCallback {
public:
    virtual ~CountingHost() = default;
    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override
    {
        const unsigned char *data = std::atomic_ref<const unsigned char *>(camera->m_pImageData).load();
        if (data != nullptr) {
            touched.fetch_add(data[0], std::memory_order_relaxed);
            frames.fetch_add(1, std::memory_order_relaxed);
        }
    }
    std::atomic<uint64_t> frames {0};
    std::atomic<uint64_t> touched {0};
};

double pluginFps(const Geometry &geometry, double seconds)
{
    {
        // Geometry and rate through Aravis itself, as for the baseline.
        GError *error = nullptr;
        ArvCamera *camera = arv_camera_new("127.0.0.1", &error);
        g_clear_error(&error);
        if (camera == nullptr)
            return 0.0;
        const bool ok = configure(camera, geometry);
        g_object_unref(camera);
        if (!ok)
            return 0.0;
    }
    tagVX_CAMERA_OPTION option;
    option.cameraName = QStringLiteral("Aravis-Fake-GV01");
    CountingHost host;
    CCameraDahuaV2 driver(&option, &host);
    if (driver.IOpenCamera() != 1)
        return 0.0;
    std::atomic_ref<qint32>(driver.m_nTriggerMode).store(2);
    if (driver.IStartCamera() != 1)
        return 0.0;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const uint64_t first = host.frames.load();
    const Clock::time_point begin = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const uint64_t last = host.frames.load();
    const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    driver.IStopCamera();
    driver.ICloseCamera();
    return double(last - first) / elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("VXCAM_SDK_BACKEND", "aravis");
    qputenv("VXCAM_ARAVIS_DEVICES", "127.0.0.1");
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const double seconds = argc > 2 ? std::max(0.5, std::atof(argv[2])) : 3.0;
    const Geometry geometry {argc > 3 ? std::atoi(argv[3]) : 640, argc > 4 ? std::atoi(argv[4]) : 480};

    std::vector<double> bare, plugin, ratios;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which side goes first, so neither always runs warm.
        double b = 0, p = 0;
        if (round % 2 == 0) {
            b = bareFps(geometry, seconds);
            p = pluginFps(geometry, seconds);
        } else {
            p = pluginFps(geometry, seconds);
            b = bareFps(geometry, seconds);
        }
        if (b <= 0.0 || p <= 0.0) {
            std::fprintf(stderr, "aravis_bench: round %d failed (bare %.1f fps, plug-in %.1f fps)\n",
                         round + 1, b, p);
            return 1;
        }
        bare.push_back(b);
        plugin.push_back(p);
        ratios.push_back(p / b);
    }
    const Dahua::GenICam::CStreamStatistics dropped = Dahua::GenICam::streamStatistics();
    std::printf("## Aravis back end: GigE Vision fake camera over loopback\n\n");
    std::printf(
        "Frames per second through the current driver on the Aravis back end (`VXCAM_SDK_BACKEND=aravis`),\n"
        "against a bare Aravis stream callback that drains the output queue, on the same\n"
        "`arv-fake-gv-camera-0.8` at 127.0.0.1 inside a private network namespace: %d x %d Mono8,\n"
        "requested %.0f fps, %d buffers each, %d interleaved rounds of %.1f s (the side that goes first\n"
        "alternates). Written by `scripts/bench_aravis.sh`. Goal: ratio 0.98 or better.\n\n",
        geometry.width, geometry.height, kRequestedFps, kBuffers, rounds, seconds);
    std::printf("| Round | Bare Aravis (fps) | Through the plug-in (fps) | Ratio |\n|---|---|---|---|\n");
    for (int i = 0; i < rounds; ++i)
        std::printf("| %d | %.1f | %.1f | %.3f |\n", i + 1, bare[i], plugin[i], ratios[i]);
    std::printf("\n**Median ratio %.3f** (spread %.3f to %.3f); median fps bare %.1f, plug-in %.1f. "
                "Frames the plug-in's back end counted incomplete or lost: %llu.\n",
                benchstats::median(ratios), benchstats::lowest(ratios), benchstats::highest(ratios),
                benchstats::median(bare), benchstats::median(plugin),
                static_cast<unsigned long long>(dropped.incompleteFrames + dropped.lostFrames));
    const double ratio = benchstats::median(ratios);
    if (ratio >= 0.98)
        std::printf("**Goal met.**");
    else
        std::printf("**Goal not met**: %.1f %% short.", (0.98 - ratio) / 0.98 * 100.0);
    std::printf(" Load average after the rounds: %s.\n", loadAverage().c_str());

    LatencySettings latency;
    latency.key = "Aravis-Fake-GV01";
    latency.rounds = argc > 5 ? std::max(2, std::atoi(argv[5])) : latency.rounds;
    latency.snapshotsPerRound = argc > 6 ? std::max(1, std::atoi(argv[6])) : latency.snapshotsPerRound;
    std::printf("\n");
    std::fflush(stdout);
    return runSnapLatency(latency) ? 0 : 1;
}
