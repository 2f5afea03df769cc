// Software snapshot latency on a GigE Vision camera, through the plug-in
// against bare Aravis (aravis_latency.cpp).
#ifndef VXCAM_BENCH_ARAVIS_LATENCY_H
#define VXCAM_BENCH_ARAVIS_LATENCY_H

struct LatencySettings {
    const char *address = "127.0.0.1"; // the camera, for bare Aravis
    const char *key = "";              // the same camera's key, for the plug-in
    int width = 640;
    int height = 480;
    int rounds = 6;
    int snapshotsPerRound = 200;
};

// Runs the interleaved rounds and prints a Markdown subsection on standard
// output; false when a round got no frame on either side.
bool runSnapLatency(const LatencySettings &settings);

#endif // VXCAM_BENCH_ARAVIS_LATENCY_H
