// aravis_network: the plug-in's current driver on the Aravis back end against
// bare Aravis streams on GigE Vision fake cameras, in interleaved rounds (the
// side that goes first alternates):
//
//   aravis_network loss ROUNDS SECONDS WIDTH HEIGHT FPS
//       one fake at 127.0.0.1 whose stream packets the caller drops at random
//       (scripts/netns.sh's netns_impair_stream_loss): complete frames per
//       second of each side
//   aravis_network four ROUNDS SECONDS WIDTH HEIGHT FPS
//       fakes at 127.0.0.1 to 127.0.0.4 streaming at once: the four cameras'
//       complete frames per second together, and the process's CPU seconds
//       (user and system) per 1,000 of them
//
// Run inside a private network namespace (scripts/bench_aravis.sh); prints a
// Markdown part on standard output.
#include "aravisbare.h"
#include "benchstats.h"
#include "machineload.h"

#include "cameradahuav2.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    int rounds = 7;
    double seconds = 3.0;
    int width = 640;
    int height = 480;
    double fps = 2000.0;
    int cameras = 1;
};

struct Sample {
    double fps = 0;            // complete frames per second, all cameras together
    double cpuPerThousand = 0; // process CPU seconds per 1,000 complete frames
};

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string address(int camera)
{
    return "127.0.0." + std::to_string(camera + 1);
}

// Counts `frames()` over the round after a warm-up, with the CPU time spent.
template <class Frames> Sample measure(double seconds, Frames frames)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const uint64_t first = frames();
    const double cpuBefore = cpuSeconds();
    const Clock::time_point begin = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const uint64_t last = frames();
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    Sample sample;
    sample.fps = double(last - first) / elapsed;
    sample.cpuPerThousand = last > first ? cpu / double(last - first) * 1000.0 : 0.0;
    return sample;
}

Sample bareRound(const Settings &settings)
{
    std::vector<std::unique_ptr<BareStream>> streams;
    for (int i = 0; i < settings.cameras; ++i) {
        streams.push_back(std::make_unique<BareStream>(address(i).c_str()));
        if (!streams.back()->ok() || !streams.back()->start())
            return {};
    }
    const Sample sample = measure(settings.seconds, [&] {
        uint64_t sum = 0;
        for (const auto &stream : streams)
            sum += stream->frames();
        return sum;
    });
    for (const auto &stream : streams)
        stream->stop();
    return sample;
}

Sample pluginRound(const Settings &settings)
{
    struct Camera {
        tagVX_CAMERA_OPTION option;
        CountingHost host;
        std::unique_ptr<CCameraDahuaV2> driver;
    };
    std::vector<std::unique_ptr<Camera>> cameras;
    for (int i = 0; i < settings.cameras; ++i) {
        auto camera = std::make_unique<Camera>();
        camera->option.cameraName = QStringLiteral("Aravis-Fake-GV0%1").arg(i + 1);
        camera->driver = std::make_unique<CCameraDahuaV2>(&camera->option, &camera->host);
        if (camera->driver->IOpenCamera() != 1)
            return {};
        std::atomic_ref<qint32>(camera->driver->m_nTriggerMode).store(2);
        if (camera->driver->IStartCamera() != 1)
            return {};
        cameras.push_back(std::move(camera));
    }
    const Sample sample = measure(settings.seconds, [&] {
        uint64_t sum = 0;
        for (const auto &camera : cameras)
            sum += camera->host.frames();
        return sum;
    });
    for (const auto &camera : cameras) {
        camera->driver->IStopCamera();
        camera->driver->ICloseCamera();
    }
    return sample;
}

struct Series {
    std::vector<double> bare, plugin, ratios;
};

bool runRounds(const Settings &settings, Series *fps, Series *cpu)
{
    for (int round = 0; round < settings.rounds; ++round) {
        Sample b, p;
        if (round % 2 == 0) {
            b = bareRound(settings);
            p = pluginRound(settings);
        } else {
            p = pluginRound(settings);
            b = bareRound(settings);
        }
        if (b.fps <= 0.0 || p.fps <= 0.0) {
            std::fprintf(stderr, "aravis_network: round %d failed (bare %.1f fps, plug-in %.1f fps)\n",
                         round + 1, b.fps, p.fps);
            return false;
        }
        fps->bare.push_back(b.fps);
        fps->plugin.push_back(p.fps);
        fps->ratios.push_back(p.fps / b.fps);
        cpu->bare.push_back(b.cpuPerThousand);
        cpu->plugin.push_back(p.cpuPerThousand);
        cpu->ratios.push_back(p.cpuPerThousand / b.cpuPerThousand);
    }
    return true;
}

void printRounds(const Series &fps, const Series *cpu)
{
    if (cpu == nullptr) {
        std::printf("| Round | Bare Aravis (complete fps) | Through the plug-in (complete fps) | Ratio |\n"
                    "|---|---|---|---|\n");
    } else {
        std::printf(
            "| Round | Bare Aravis (fps) | Through the plug-in (fps) | Ratio | Bare CPU s / 1,000 frames | "
            "Plug-in CPU s / 1,000 frames | Ratio |\n|---|---|---|---|---|---|---|\n");
    }
    for (std::size_t i = 0; i < fps.ratios.size(); ++i) {
        std::printf("| %zu | %.1f | %.1f | %.3f |", i + 1, fps.bare[i], fps.plugin[i], fps.ratios[i]);
        if (cpu != nullptr)
            std::printf(" %.3f | %.3f | %.3f |", cpu->bare[i], cpu->plugin[i], cpu->ratios[i]);
        std::printf("\n");
    }
}

std::string summary(const char *what, const Series &series)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s: median ratio **%.3f** (spread %.3f to %.3f); medians bare %.3f, plug-in %.3f", what,
                  benchstats::median(series.ratios), benchstats::lowest(series.ratios),
                  benchstats::highest(series.ratios), benchstats::median(series.bare),
                  benchstats::median(series.plugin));
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || (std::strcmp(argv[1], "loss") != 0 && std::strcmp(argv[1], "four") != 0)) {
        std::fprintf(stderr, "usage: aravis_network loss|four [ROUNDS] [SECONDS] [WIDTH] [HEIGHT] [FPS]\n");
        return 2;
    }
    const bool loss = std::strcmp(argv[1], "loss") == 0;
    Settings settings;
    settings.cameras = loss ? 1 : 4;
    if (argc > 2)
        settings.rounds = std::max(1, std::atoi(argv[2]));
    if (argc > 3)
        settings.seconds = std::max(0.5, std::atof(argv[3]));
    if (argc > 4)
        settings.width = std::atoi(argv[4]);
    if (argc > 5)
        settings.height = std::atoi(argv[5]);
    if (argc > 6)
        settings.fps = std::atof(argv[6]);
    qputenv("VXCAM_SDK_BACKEND", "aravis");
    qputenv("VXCAM_ARAVIS_DEVICES", loss ? "127.0.0.1" : "127.0.0.1,127.0.0.2,127.0.0.3,127.0.0.4");
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    for (int i = 0; i < settings.cameras; ++i) {
        if (!configureCamera(address(i).c_str(), settings.width, settings.height, settings.fps)) {
            std::fprintf(stderr, "aravis_network: cannot configure the fake at %s\n", address(i).c_str());
            return 1;
        }
    }
    Series fps, cpu;
    if (!runRounds(settings, &fps, &cpu))
        return 1;
    if (loss) {
        std::printf(
            "### Complete frames under 1 %% stream packet loss\n\n"
            "One fake at 127.0.0.1, %d x %d Mono8, requested %.0f fps; 1 %% of its stream packets dropped at "
            "random (`netns_impair_stream_loss 0.01`, nftables); the fake answers no resend request, so a "
            "frame that lost a packet stays incomplete. Complete frames per second, %d interleaved rounds "
            "of %.1f s. Goal: plug-in 0.95 x bare or better.\n\n",
            settings.width, settings.height, settings.fps, settings.rounds, settings.seconds);
        printRounds(fps, nullptr);
        const double ratio = benchstats::median(fps.ratios);
        std::printf("\n%s. **Goal %s.**\n", summary("Complete frames", fps).c_str(),
                    ratio >= 0.95 ? "met" : "not met");
    } else {
        std::printf(
            "### Four GigE Vision fakes at once\n\n"
            "Fakes at 127.0.0.1 to 127.0.0.4, each %d x %d Mono8, requested %.0f fps, all streaming at once "
            "(four bare Aravis streams, or four driver objects); the fakes share the machine's cores with "
            "the receivers. Frames per second of the four together, and CPU seconds (user and system) of "
            "the receiving process per 1,000 frames; %d interleaved rounds of %.1f s.\n\n",
            settings.width, settings.height, settings.fps, settings.rounds, settings.seconds);
        printRounds(fps, &cpu);
        std::printf("\n%s.\n%s (lower is better).\n", summary("Aggregate fps", fps).c_str(),
                    summary("CPU seconds per 1,000 frames", cpu).c_str());
    }
    std::printf("Load average after the rounds: %s.\n\n", loadAverage().c_str());
    return 0;
}
