// vxcam_soak: many frames and many cycles through plug-in objects, watching
// the process's resident memory, threads and open file descriptors.
//
// Two phases, each on four virtual cameras driven by four objects of the
// current driver:
//  1. streaming: the four cameras run freely as fast as they can (small
//     frames) until FRAMES frames in total have reached the hosts;
//  2. cycles: four host threads, one per camera, repeat create, open,
//     start, snapshot (waiting for its frame), stop, close and delete until
//     CYCLES cycles in total are done.
// Each phase warms up first, then samples the process at its start, a few
// times between and at its end, in the same state each time (streaming: the
// four cameras grabbing; cycles: between two batches, no object alive). The
// hosts check every frame (their own object, frame numbers one more than the
// last, the pattern's bytes); failures and warnings are counted.
//
// Bounded in time and count: a phase that reaches MAX_SECONDS (each) stops
// early and says so. Prints a Markdown section on standard output, progress
// on standard error. Exit status 0 when every check held and growth stayed
// within noise, 1 otherwise.
//
//   vxcam_soak [FRAMES] [CYCLES] [MAX_SECONDS]     defaults 10000000 10000 600
#include "cameradahuav2.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include "framearrival.h"
#include "machineload.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCameras = 4;
constexpr int kSamplesBetween = 6;

// Resident memory, threads and open file descriptors of this process.
struct Sample {
    QString label;
    double seconds = 0;
    uint64_t done = 0; // frames or cycles so far
    long rssKiB = 0;
    long threads = 0;
    long fds = 0;
};

Sample sampleProcess(const QString &label, double seconds, uint64_t done)
{
    Sample sample;
    sample.label = label;
    sample.seconds = seconds;
    sample.done = done;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && fields[0] == "VmRSS:")
                sample.rssKiB = fields[1].toLong();
            else if (fields.size() >= 2 && fields[0] == "Threads:")
                sample.threads = fields[1].toLong();
        }
    }
    sample.fds = long(QDir(QStringLiteral("/proc/self/fd"))
                          .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                          .size());
    return sample;
}

std::atomic<long> g_warnings {0};

void countWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (g_warnings.fetch_add(1) < 5)
        std::fprintf(stderr, "vxcam_soak: plug-in said: %s\n", qPrintable(message));
}

// The host of one object: checks every frame and wakes a waiting snapshot.
class SoakHost : public IPoolCallback {
public:
    virtual ~SoakHost() = default;
    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override
    {
        const quint32 number = std::atomic_ref<quint32>(camera->m_nFrameNum).load();
        const unsigned char *bytes = std::atomic_ref<const unsigned char *>(camera->m_pImageData).load();
        const qsizetype size = qsizetype(camera->m_nWidth) * camera->m_nHeight;
        // The virtual stream numbers its frames from 1, as the object does
        // from its open, and frame s starts at pattern byte s mod 256.
        const bool sound = camera == own.load() && number == lastNumber + 1 && bytes != nullptr
            && camera->m_nHeight == height && bytes[0] == VxSim::patternByte(0, number)
            && bytes[size - 1] == VxSim::patternByte(uint64_t(size - 1), number);
        lastNumber = number;
        if (!sound)
            faults.fetch_add(1, std::memory_order_relaxed);
        arrival.record();
    }
    // A new object: frame numbers start again.
    void adopt(ICameraObject *camera)
    {
        own.store(camera);
        lastNumber = 0;
    }

    int height = 0;
    std::atomic<ICameraObject *> own {nullptr};
    quint32 lastNumber = 0; // grabbing thread only (one run at a time)
    std::atomic<uint64_t> faults {0};
    FrameArrival arrival;
};

// Four cameras of small frames, each of its own height so that a frame of
// another camera shows; free running as fast as possible for the streaming
// phase, on Line1 without pulses (snapshots only) for the cycles.
bool loadCameras()
{
    QString list;
    for (int i = 0; i < kCameras; ++i)
        list += QStringLiteral(R"(%1{"key": "Soak:CAM%2", "width": 64, "height": %3, "fps": 0, "line1Hz": 0,
            "pattern": "ramp"})")
                    .arg(i == 0 ? "" : ",")
                    .arg(i + 1)
                    .arg(48 + i);
    QString error;
    if (!VxSim::loadConfig(QStringLiteral(R"({"cameras": [%1]})").arg(list).toUtf8(), &error)) {
        std::fprintf(stderr, "vxcam_soak: configuration refused: %s\n", qPrintable(error));
        return false;
    }
    return CCameraDahuaV2::DiscoverCameras() == kCameras;
}

// The host's side of the four cameras: an option record and a host each.
struct HostSide {
    std::vector<std::unique_ptr<tagVX_CAMERA_OPTION>> options;
    std::vector<std::unique_ptr<SoakHost>> hosts;

    HostSide()
    {
        for (int i = 0; i < kCameras; ++i) {
            options.push_back(std::make_unique<tagVX_CAMERA_OPTION>());
            options.back()->cameraName = QStringLiteral("Soak:CAM%1").arg(i + 1);
            hosts.push_back(std::make_unique<SoakHost>());
            hosts.back()->height = 48 + i;
        }
    }
};

struct Phase {
    Phase(const QString &phaseName, const QString &phaseUnit, uint64_t phaseTarget)
        : name(phaseName)
        , unit(phaseUnit)
        , target(phaseTarget)
    {
    }
    QString name;
    QString unit;
    uint64_t target;
    std::vector<Sample> samples;
    uint64_t done = 0;
    uint64_t failures = 0;
    double seconds = 0;
    bool timedOut = false;
};

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// 1: four objects streaming freely until `target` frames have arrived.
Phase streamingPhase(uint64_t target, double maxSeconds)
{
    Phase phase(QStringLiteral("Streaming"), QStringLiteral("frames"), target);
    HostSide side;
    std::vector<std::unique_ptr<CCameraDahuaV2>> cameras;
    for (int i = 0; i < kCameras; ++i) {
        cameras.push_back(std::make_unique<CCameraDahuaV2>(side.options[i].get(), side.hosts[i].get()));
        side.hosts[i]->adopt(cameras.back().get());
        cameras.back()->m_nTriggerMode = 2;
        if (cameras.back()->IOpenCamera() != 1 || cameras.back()->IStartCamera() != 1)
            ++phase.failures;
    }
    const auto &hosts = side.hosts;
    const auto total = [&] {
        uint64_t sum = 0;
        for (auto &host : hosts)
            sum += host->arrival.frames();
        return sum;
    };
    // Warm-up: every allocation a running stream makes once is made.
    const Clock::time_point warmStart = Clock::now();
    while (total() < 200000 && since(warmStart) < 10.0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    const uint64_t base = total();
    const Clock::time_point start = Clock::now();
    phase.samples.push_back(sampleProcess(QStringLiteral("start"), 0, 0));
    int between = 0;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const uint64_t done = total() - base;
        const double seconds = since(start);
        if (done >= target || seconds >= maxSeconds) {
            phase.timedOut = done < target;
            phase.samples.push_back(sampleProcess(QStringLiteral("end"), seconds, done));
            phase.done = done;
            phase.seconds = seconds;
            break;
        }
        if (done >= target * uint64_t(between + 1) / (kSamplesBetween + 1)) {
            ++between;
            phase.samples.push_back(sampleProcess(QStringLiteral("between"), seconds, done));
            std::fprintf(stderr, "vxcam_soak: %llu frames\n", static_cast<unsigned long long>(done));
        }
    }
    for (auto &camera : cameras) {
        camera->IStopCamera();
        camera->ICloseCamera();
    }
    cameras.clear();
    for (auto &host : hosts)
        phase.failures += host->faults.load();
    return phase;
}

// One cycle of one camera; false when any step failed or the snapshot's
// frame did not come.
bool cycle(tagVX_CAMERA_OPTION &option, SoakHost &host)
{
    auto camera = std::make_unique<CCameraDahuaV2>(&option, &host);
    host.adopt(camera.get());
    bool ok = camera->IOpenCamera() == 1;
    camera->m_nTriggerMode = 1;
    ok = ok && camera->IStartCamera() == 1;
    const uint64_t before = host.arrival.frames();
    ok = ok && camera->ISnapCamera(emVxTriggerDirection(0)) == 1;
    ok = ok && host.arrival.waitForMoreThan(before, std::chrono::milliseconds(2000));
    camera->IStopCamera();
    camera->ICloseCamera();
    camera.reset();
    return ok && host.arrival.frames() == before + 1;
}

// 2: four host threads cycling their own camera; `target` cycles in total.
Phase cyclePhase(uint64_t target, double maxSeconds)
{
    Phase phase(QStringLiteral("Cycles"), QStringLiteral("cycles"), target);
    HostSide side;
    const auto &options = side.options;
    const auto &hosts = side.hosts;
    std::atomic<uint64_t> failures {0};
    // Runs `perCamera` cycles on each camera at once; returns when all ended.
    const auto batch = [&](uint64_t perCamera) {
        std::vector<std::thread> threads;
        for (int i = 0; i < kCameras; ++i)
            threads.emplace_back([&, i] {
                for (uint64_t n = 0; n < perCamera; ++n) {
                    if (!cycle(*options[i], *hosts[i]))
                        failures.fetch_add(1);
                }
            });
        for (std::thread &thread : threads)
            thread.join();
    };
    batch(50); // warm-up
    const Clock::time_point start = Clock::now();
    phase.samples.push_back(sampleProcess(QStringLiteral("start"), 0, 0));
    const uint64_t batches = kSamplesBetween + 1;
    const uint64_t perCamera = (target + kCameras * batches - 1) / (kCameras * batches);
    for (uint64_t b = 1; b <= batches; ++b) {
        batch(perCamera);
        phase.done += perCamera * kCameras;
        const double seconds = since(start);
        const bool last = b == batches || seconds >= maxSeconds;
        phase.samples.push_back(
            sampleProcess(last ? QStringLiteral("end") : QStringLiteral("between"), seconds, phase.done));
        std::fprintf(stderr, "vxcam_soak: %llu cycles\n", static_cast<unsigned long long>(phase.done));
        if (last) {
            phase.timedOut = phase.done < target;
            phase.seconds = seconds;
            break;
        }
    }
    phase.failures = failures.load();
    for (auto &host : hosts)
        phase.failures += host->faults.load();
    return phase;
}

// Growth from start to end that is not noise: any thread or descriptor, or
// resident memory beyond 1 MiB and 2 % (allocator caches settle in steps).
bool flat(const Phase &phase, QString *why)
{
    const Sample &first = phase.samples.front();
    const Sample &last = phase.samples.back();
    const long rssGrowth = last.rssKiB - first.rssKiB;
    const long rssNoise = std::max(1024L, first.rssKiB / 50);
    QStringList reasons;
    if (last.threads != first.threads)
        reasons << QStringLiteral("threads %1 to %2").arg(first.threads).arg(last.threads);
    if (last.fds != first.fds)
        reasons << QStringLiteral("file descriptors %1 to %2").arg(first.fds).arg(last.fds);
    if (rssGrowth > rssNoise)
        reasons
            << QStringLiteral("resident memory +%1 KiB (noise bound %2 KiB)").arg(rssGrowth).arg(rssNoise);
    *why = reasons.join(QStringLiteral(", "));
    return reasons.isEmpty();
}

void printPhase(const Phase &phase, bool isFlat, const QString &why)
{
    std::printf("| %s: sample | Seconds | %s | RSS (KiB) | Threads | Open fds |\n|---|---|---|---|---|---|\n",
                qPrintable(phase.name), qPrintable(phase.unit.left(1).toUpper() + phase.unit.mid(1)));
    for (const Sample &s : phase.samples)
        std::printf("| %s | %.1f | %llu | %ld | %ld | %ld |\n", qPrintable(s.label), s.seconds,
                    static_cast<unsigned long long>(s.done), s.rssKiB, s.threads, s.fds);
    const Sample &first = phase.samples.front();
    const Sample &last = phase.samples.back();
    std::printf(
        "\n%s: %llu %s in %.1f s (%.0f per second)%s; checks failed: %llu; growth from start to end: RSS "
        "%+ld KiB, threads %+ld, fds %+ld: **%s**.\n\n",
        qPrintable(phase.name), static_cast<unsigned long long>(phase.done), qPrintable(phase.unit),
        phase.seconds, phase.seconds > 0 ? double(phase.done) / phase.seconds : 0.0,
        phase.timedOut ? qPrintable(QStringLiteral(", stopped by the time bound before %1").arg(phase.target))
                       : "",
        static_cast<unsigned long long>(phase.failures), last.rssKiB - first.rssKiB,
        last.threads - first.threads, last.fds - first.fds,
        isFlat ? "within noise" : qPrintable(QStringLiteral("growth beyond noise: ") + why));
}

} // namespace

int main(int argc, char **argv)
{
    const uint64_t frames = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000000ULL;
    const uint64_t cycles = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 10000ULL;
    const double maxSeconds = argc > 3 ? std::atof(argv[3]) : 600.0;
    if (frames == 0 || cycles == 0 || !(maxSeconds > 0)) {
        std::fprintf(stderr, "usage: vxcam_soak [FRAMES] [CYCLES] [MAX_SECONDS]\n");
        return 2;
    }
    qInstallMessageHandler(countWarnings);
    if (!loadCameras())
        return 1;

    const Phase streaming = streamingPhase(frames, maxSeconds);
    const Phase cycling = cyclePhase(cycles, maxSeconds);
    QString streamingWhy, cyclingWhy;
    const bool streamingFlat = flat(streaming, &streamingWhy);
    const bool cyclingFlat = flat(cycling, &cyclingWhy);

    std::printf("## Soak: four virtual cameras, many frames and cycles\n\n");
    std::printf(
        "Written by `scripts/soak.sh` (`vxcam_soak %llu %llu %.0f`). Four virtual cameras (64 x 48 to 64 x "
        "51\n"
        "Mono8, free running as fast as they can) through four objects of the current driver; then four "
        "host\n"
        "threads, one per camera, each repeating create, open, start (Line1 without pulses), snapshot and "
        "wait\n"
        "for its frame, stop, close, delete. Each phase warms up first (200,000 frames; 50 cycles per "
        "camera),\n"
        "then samples resident memory, threads and open file descriptors at its start, between and at its "
        "end,\n"
        "in the same state (streaming: four cameras grabbing; cycles: between batches, no object alive). "
        "Every\n"
        "frame is checked by its host (its own object, frame number one more than the last, pattern bytes).\n"
        "Goal: no growth beyond noise (no thread or descriptor; resident memory within 1 MiB or 2 %%).\n\n",
        static_cast<unsigned long long>(frames), static_cast<unsigned long long>(cycles), maxSeconds);
    printPhase(streaming, streamingFlat, streamingWhy);
    printPhase(cycling, cyclingFlat, cyclingWhy);
    const bool met = streamingFlat && cyclingFlat && streaming.failures == 0 && cycling.failures == 0
        && !streaming.timedOut && !cycling.timedOut && g_warnings.load() == 0;
    std::printf("Warnings the plug-in logged: %ld. Load average at the end: %s. **Goal %s.**\n",
                g_warnings.load(), loadAverage().c_str(), met ? "met" : "not met");
    return met ? 0 : 1;
}
