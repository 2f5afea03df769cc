// ViewHost: the live view's IPoolCallback. Inside IFrameReady, on the SDK's
// grabbing thread, it copies the frame into the LatestFrame hand-over and
// counts it; it never waits for the window.
#ifndef VXCAM_VIEWHOST_H
#define VXCAM_VIEWHOST_H

#include "latestframe.h"

#include "vxcameraobject.h"

#include <atomic>

class ViewHost : public IPoolCallback {
public:
    virtual ~ViewHost() = default;

    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override;

    LatestFrame &latest() { return m_latest; }
    quint64 frames() const { return m_frames.load(); }

private:
    LatestFrame m_latest;
    std::atomic<quint64> m_frames {0};
};

#endif // VXCAM_VIEWHOST_H
