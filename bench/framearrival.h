// FrameArrival: where a frame callback records that a frame arrived, and
// where the thread that fired a trigger waits for it; ArrivalHost, a host
// that records every frame there.
#ifndef VXCAM_BENCH_FRAMEARRIVAL_H
#define VXCAM_BENCH_FRAMEARRIVAL_H

#include "vxcameraobject.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class FrameArrival {
public:
    using Clock = std::chrono::steady_clock;

    // Called first thing in the frame callback: the time, then the count.
    void record()
    {
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_time = now;
        ++m_frames;
        m_arrived.notify_all();
    }

    uint64_t frames()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }

    // Waits until more than `count` frames have arrived, at most `timeout`.
    bool waitForMoreThan(uint64_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] { return m_frames > count; });
    }

    // Fires a trigger (fire() returns whether it was fired) and waits for the
    // next frame: microseconds from the call of fire() to the callback's
    // entry, or a negative value when it was refused or no frame came.
    template <class Fire> double latency(Fire &&fire, std::chrono::milliseconds timeout)
    {
        const uint64_t before = frames();
        const Clock::time_point start = Clock::now();
        if (!fire())
            return -1.0;
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_arrived.wait_for(lock, timeout, [&] { return m_frames > before; }))
            return -1.0;
        return std::chrono::duration<double, std::micro>(m_time - start).count();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    Clock::time_point m_time;
    uint64_t m_frames = 0;
};

class ArrivalHost : public IPoolCallback {
public:
    virtual ~ArrivalHost() = default;
    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *) override { arrival.record(); }
    FrameArrival arrival;
};

#endif // VXCAM_BENCH_FRAMEARRIVAL_H
