// GrabHost: the tool's IPoolCallback. It counts frames and checks inside
// IFrameReady, on the SDK's grabbing thread, what a host relies on: the frame
// number grows by one per frame and the image pointer is set. It copies a
// frame only when asked to keep the last one (for the PNG preview).
#ifndef VXCAM_GRABHOST_H
#define VXCAM_GRABHOST_H

#include "vxcameraobject.h"

#include <QByteArray>

#include <atomic>
#include <mutex>

class GrabHost : public IPoolCallback {
public:
    explicit GrabHost(bool keepLastFrame)
        : m_keepLastFrame(keepLastFrame)
    {
    }
    virtual ~GrabHost() = default;

    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override;

    int frames() const { return m_frames.load(); }
    int brokenPromises() const { return m_broken.load(); }
    quint64 bytes() const { return m_bytes.load(); }
    // The last delivered frame's bytes; empty unless kept.
    QByteArray lastFrame() const;

private:
    const bool m_keepLastFrame;
    std::atomic<int> m_frames {0};
    std::atomic<int> m_broken {0};
    std::atomic<quint64> m_bytes {0};
    quint32 m_lastNumber = 0; // grabbing thread only
    mutable std::mutex m_mutex;
    QByteArray m_lastFrame;
};

#endif // VXCAM_GRABHOST_H
