// The two sides of the Aravis benchmarks: a bare Aravis stream (the
// baseline: a callback that drains the output queue, touches the first byte
// of each complete frame and pushes the buffer back) and the host of a
// plug-in run (counts frames, touches the first byte). Both count complete
// frames only.
#ifndef VXCAM_BENCH_ARAVISBARE_H
#define VXCAM_BENCH_ARAVISBARE_H

#include <arv.h>

#include "vxcameraobject.h"

#include <atomic>
#include <cstdint>

// Buffers of a bare stream: the back end's pool size.
constexpr int kBareBuffers = 8;

// Sets geometry and frame rate of the camera at `address` through Aravis.
bool configureCamera(const char *address, int width, int height, double fps);

class BareStream {
public:
    // Opens the camera at `address` and makes its stream with kBareBuffers
    // buffers and an 8 MiB socket buffer, as the back end does.
    explicit BareStream(const char *address);
    ~BareStream();
    BareStream(const BareStream &) = delete;
    BareStream &operator=(const BareStream &) = delete;

    bool ok() const { return m_stream != nullptr; }
    bool start();
    void stop();
    uint64_t frames() const { return m_frames.load(std::memory_order_relaxed); }

private:
    static void onEvent(void *userData, ArvStreamCallbackType type, ArvBuffer *);

    ArvCamera *m_camera = nullptr;
    ArvStream *m_stream = nullptr;
    std::atomic<uint64_t> m_frames {0};
    std::atomic<uint64_t> m_touched {0};
};

class CountingHost : public IPoolCallback {
public:
    virtual ~CountingHost() = default;
    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override;
    uint64_t frames() const { return m_frames.load(std::memory_order_relaxed); }

private:
    std::atomic<uint64_t> m_frames {0};
    std::atomic<uint64_t> m_touched {0};
};

#endif // VXCAM_BENCH_ARAVISBARE_H
