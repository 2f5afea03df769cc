// GrabHost: the tool's IPoolCallback for one camera object. It counts frames
// and checks inside IFrameReady, on the SDK's grabbing thread, what a host
// relies on: the frame number grows by one per frame (and starts again after
// a reopen) and the image pointer is set. It notes when the last frame came,
// stops its camera from inside the callback once the frame target is reached
// (so a run ends at exactly that many frames and dumps), and copies a frame
// only when asked to keep the last one (for the PNG preview).
#ifndef VXCAM_GRABHOST_H
#define VXCAM_GRABHOST_H

#include "vxcameraobject.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class GrabHost : public IPoolCallback {
public:
    using Clock = std::chrono::steady_clock;

    // target: the frame at which the callback stops the camera (and clears
    // the option record's saveFlag); 0 for none.
    GrabHost(bool keepLastFrame, int target, tagVX_CAMERA_OPTION *option)
        : m_keepLastFrame(keepLastFrame)
        , m_target(target)
        , m_option(option)
    {
    }
    virtual ~GrabHost() = default;

    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override;

    // The camera was opened again: its frame numbers start afresh, so the
    // next frame is checked as a first one. Before that open's start.
    void expectRestart() { m_restart.store(true); }

    int frames() const { return m_frames.load(); }
    bool targetReached() const { return m_target > 0 && frames() >= m_target; }
    int brokenPromises() const { return m_broken.load(); }
    quint64 bytes() const { return m_bytes.load(); }
    // When the last frame came; meaningless while frames() is 0.
    Clock::time_point lastFrameTime() const { return Clock::time_point(Clock::duration(m_lastTime.load())); }
    // The last delivered frame's bytes; empty unless kept.
    QByteArray lastFrame() const;
    // The numbers of the frames delivered while saveFlag was set, so dumped
    // by the plug-in (or tried).
    QList<quint32> dumpedFrames() const;

    // Waits until more than `frames` frames have come or until `deadline`;
    // whether they have.
    bool waitForMoreThan(int frames, Clock::time_point deadline) const;

private:
    const bool m_keepLastFrame;
    const int m_target;
    tagVX_CAMERA_OPTION *const m_option;
    std::atomic<int> m_frames {0};
    std::atomic<int> m_broken {0};
    std::atomic<bool> m_restart {false};
    std::atomic<quint64> m_bytes {0};
    std::atomic<Clock::rep> m_lastTime {0};
    quint32 m_lastNumber = 0; // grabbing thread only
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    QByteArray m_lastFrame;
    QList<quint32> m_dumped;
};

#endif // VXCAM_GRABHOST_H
