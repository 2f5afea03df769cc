// Software snapshot latency on the GigE Vision fake camera: from the call
// that fires the trigger to the entry of the frame's callback, through the
// plug-in (ISnapCamera to IFrameReady) against bare Aravis (the
// TriggerSoftware command to its own stream callback), in interleaved rounds.
// The fake merges triggers that come within one frame period, so the next
// trigger is fired only after the previous frame arrived.
#include "aravis_latency.h"

#include <arv.h>

#include "cameradahuav2.h"

#include "benchstats.h"
#include "framearrival.h"
#include "machineload.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kBuffers = 8;
constexpr std::chrono::milliseconds kSnapshotTimeout(1000);
// Frames of the free run before the switch to software triggering, and
// frames already in flight, arrive within this time.
constexpr std::chrono::milliseconds kSettle(300);

struct Round {
    std::vector<double> micros;     // trigger call to callback
    std::vector<double> callMicros; // the trigger call itself
    long missed = 0;
};

// The camera at `address` with the geometry set, or null.
ArvCamera *openWithGeometry(const char *address, int width, int height)
{
    GError *error = nullptr;
    ArvCamera *camera = arv_camera_new(address, &error);
    if (camera != nullptr)
        arv_camera_set_integer(camera, "Width", width, &error);
    if (camera != nullptr && error == nullptr)
        arv_camera_set_integer(camera, "Height", height, &error);
    if (camera != nullptr && error != nullptr)
        g_clear_object(&camera);
    g_clear_error(&error);
    return camera;
}

struct BareStream {
    FrameArrival arrival;
    ArvStream *stream = nullptr;
};

void bareCallback(void *userData, ArvStreamCallbackType type, ArvBuffer *)
{
    if (type != ARV_STREAM_CALLBACK_TYPE_BUFFER_DONE)
        return;
    auto *bare = static_cast<BareStream *>(userData);
    bool complete = false;
    while (ArvBuffer *buffer = arv_stream_try_pop_buffer(bare->stream)) {
        complete = complete || arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS;
        arv_stream_push_buffer(bare->stream, buffer);
    }
    if (complete)
        bare->arrival.record();
}

// Measures `count` snapshots; one untimed snapshot and a pause first.
template <class Fire> Round measure(FrameArrival &arrival, int count, Fire &&fire)
{
    Round round;
    arrival.latency(fire, kSnapshotTimeout);
    std::this_thread::sleep_for(kSettle);
    for (int i = 0; i < count; ++i) {
        double callMicros = 0;
        const double micros = arrival.latency(
            [&] {
                const auto start = std::chrono::steady_clock::now();
                const bool fired = fire();
                callMicros
                    = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                          .count();
                return fired;
            },
            kSnapshotTimeout);
        if (micros < 0) {
            ++round.missed;
        } else {
            round.micros.push_back(micros);
            round.callMicros.push_back(callMicros);
        }
    }
    return round;
}

Round bareRound(const char *address, int width, int height, int count)
{
    Round failed;
    failed.missed = count;
    ArvCamera *camera = openWithGeometry(address, width, height);
    if (camera == nullptr)
        return failed;
    BareStream bare;
    GError *error = nullptr;
    arv_camera_set_trigger(camera, "Software", &error);
    if (error == nullptr)
        bare.stream = arv_camera_create_stream(camera, bareCallback, &bare, &error);
    g_clear_error(&error);
    if (bare.stream == nullptr) {
        g_object_unref(camera);
        return failed;
    }
    const guint payload = arv_camera_get_payload(camera, nullptr);
    for (int i = 0; i < kBuffers; ++i)
        arv_stream_push_buffer(bare.stream, arv_buffer_new_allocate(payload));
    arv_camera_start_acquisition(camera, nullptr);
    const Round round = measure(bare.arrival, count, [&] {
        GError *triggerError = nullptr;
        arv_camera_software_trigger(camera, &triggerError);
        const bool ok = triggerError == nullptr;
        g_clear_error(&triggerError);
        return ok;
    });
    arv_camera_stop_acquisition(camera, nullptr);
    g_object_unref(bare.stream);
    g_object_unref(camera);
    return round;
}

Round pluginRound(const char *address, const char *key, int width, int height, int count)
{
    Round failed;
    failed.missed = count;
    // The geometry through Aravis itself, as for the baseline.
    ArvCamera *camera = openWithGeometry(address, width, height);
    if (camera == nullptr)
        return failed;
    g_object_unref(camera);
    tagVX_CAMERA_OPTION option;
    option.cameraName = QString::fromUtf8(key);
    ArrivalHost host;
    CCameraDahuaV2 driver(&option, &host);
    if (driver.IOpenCamera() != 1)
        return failed;
    // Free run (the fake has no Line1); the first snapshot switches the
    // camera to software triggering.
    std::atomic_ref<qint32>(driver.m_nTriggerMode).store(2);
    if (driver.IStartCamera() != 1)
        return failed;
    const Round round
        = measure(host.arrival, count, [&] { return driver.ISnapCamera(emVxTriggerDirection(0)) == 1; });
    driver.IStopCamera();
    driver.ICloseCamera();
    return round;
}

void printLatencies(const char *side, const std::vector<double> &micros)
{
    std::printf("| %s | %zu | %.0f | %.0f | %.0f | %.0f |\n", side, micros.size(),
                benchstats::percentile(micros, 0.5), benchstats::percentile(micros, 0.99),
                benchstats::highest(micros), benchstats::lowest(micros));
}

} // namespace

bool runSnapLatency(const LatencySettings &settings)
{
    std::vector<double> bare, plugin, ratios, bareCall, pluginCall;
    long bareMissed = 0, pluginMissed = 0;
    for (int round = 0; round < settings.rounds; ++round) {
        Round b, p;
        if (round % 2 == 0) {
            b = bareRound(settings.address, settings.width, settings.height, settings.snapshotsPerRound);
            p = pluginRound(settings.address, settings.key, settings.width, settings.height,
                            settings.snapshotsPerRound);
        } else {
            p = pluginRound(settings.address, settings.key, settings.width, settings.height,
                            settings.snapshotsPerRound);
            b = bareRound(settings.address, settings.width, settings.height, settings.snapshotsPerRound);
        }
        if (b.micros.empty() || p.micros.empty()) {
            std::fprintf(stderr, "aravis_bench: latency round %d failed (bare %zu, plug-in %zu snapshots)\n",
                         round + 1, b.micros.size(), p.micros.size());
            return false;
        }
        ratios.push_back(benchstats::median(p.micros) / benchstats::median(b.micros));
        bare.insert(bare.end(), b.micros.begin(), b.micros.end());
        plugin.insert(plugin.end(), p.micros.begin(), p.micros.end());
        bareCall.insert(bareCall.end(), b.callMicros.begin(), b.callMicros.end());
        pluginCall.insert(pluginCall.end(), p.callMicros.begin(), p.callMicros.end());
        bareMissed += b.missed;
        pluginMissed += p.missed;
    }
    const double bareP50 = benchstats::percentile(bare, 0.5);
    const double pluginP50 = benchstats::percentile(plugin, 0.5);
    const double added = (pluginP50 - bareP50) / bareP50 * 100.0;
    std::printf("### Software snapshot latency on the GigE Vision fake camera\n\n");
    std::printf(
        "From the call that fires the trigger to the entry of the frame's callback: `ISnapCamera` to\n"
        "`IFrameReady` through the plug-in, against `arv_camera_software_trigger` to a bare Aravis stream\n"
        "callback, on the same fake (%d x %d Mono8, %d buffers), the next trigger fired only after the\n"
        "previous frame arrived (the fake merges triggers within a frame period). %d interleaved rounds\n"
        "of %d snapshots per side, each round after one untimed snapshot (the plug-in's first switches\n"
        "the camera to software triggering) and a %lld ms pause. Microseconds. Goal: the plug-in adds\n"
        "less than 5 %% to bare Aravis's p50.\n\n",
        settings.width, settings.height, kBuffers, settings.rounds, settings.snapshotsPerRound,
        static_cast<long long>(kSettle.count()));
    std::printf("| Side | Snapshots | p50 | p99 | max | min |\n|---|---|---|---|---|---|\n");
    printLatencies("Bare Aravis", bare);
    printLatencies("Through the plug-in", plugin);
    std::printf(
        "\nThe plug-in adds **%+.2f %%** to bare Aravis's p50 (%+.0f us); the rounds' p50 ratios plug-in /\n"
        "bare: median %.4f, spread %.4f to %.4f. Snapshots whose frame never came: bare %ld, plug-in %ld.\n"
        "**Goal %s.**\n",
        added, pluginP50 - bareP50, benchstats::median(ratios), benchstats::lowest(ratios),
        benchstats::highest(ratios), bareMissed, pluginMissed, added < 5.0 ? "met" : "not met");
    std::printf(
        "\nThe fake answers a trigger at its next frame tick (40 ms at its default 25 fps), so the latency\n"
        "is mostly the tick: time the plug-in spends before the trigger leaves is hidden in it, and only\n"
        "its delivery path shows in the difference above. The trigger call alone, for comparison\n"
        "(`ISnapCamera` against `arv_camera_software_trigger`, until it returns; a GVCP command and its\n"
        "acknowledgement):\n\n");
    std::printf("| Side | Calls | p50 | p99 | max | min |\n|---|---|---|---|---|---|\n");
    printLatencies("Bare Aravis", bareCall);
    printLatencies("Through the plug-in", pluginCall);
    std::printf(
        "\nAt p50 the plug-in's trigger call differs from bare Aravis's by %+.0f us. Load average after the\n"
        "rounds: %s.\n",
        benchstats::percentile(pluginCall, 0.5) - benchstats::percentile(bareCall, 0.5),
        loadAverage().c_str());
    return true;
}
