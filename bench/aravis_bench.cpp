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
#include "aravisbare.h"
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

constexpr int kBuffers = kBareBuffers;
constexpr double kRequestedFps = 2000.0;

struct Geometry {
    int width;
    int height;
};

double bareFps(const Geometry &geometry, double seconds)
{
    if (!configureCamera("127.0.0.1", geometry.width, geometry.height, kRequestedFps))
        return 0.0;
    BareStream bare("127.0.0.1");
    if (!bare.ok() || !bare.start())
        return 0.0;
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // warm-up
    const uint64_t first = bare.frames();
    const Clock::time_point begin = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const uint64_t last = bare.frames();
    const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    bare.stop();
    return double(last - first) / elapsed;
}

double pluginFps(const Geometry &geometry, double seconds)
{
    // Geometry and rate through Aravis itself, as for the baseline.
    if (!configureCamera("127.0.0.1", geometry.width, geometry.height, kRequestedFps))
        return 0.0;
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
    const uint64_t first = host.frames();
    const Clock::time_point begin = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const uint64_t last = host.frames();
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
