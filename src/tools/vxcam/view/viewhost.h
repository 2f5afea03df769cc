// ViewHost: the live view's IPoolCallback. Inside IFrameReady, on the SDK's
// grabbing thread, it copies the frame into the LatestFrame hand-over and
// counts it; it never waits for the window. With a frame limit it stops the
// camera from inside the callback at the limit's frame after a start, as
// `vxcam grab` does in mode 3 (the current driver gives m_nFrameLimit only to
// the snapshot check).
#ifndef VXCAM_VIEWHOST_H
#define VXCAM_VIEWHOST_H

#include "latestframe.h"

#include "vxcameraobject.h"

#include <QList>

#include <atomic>
#include <mutex>

class ViewHost : public IPoolCallback {
public:
    virtual ~ViewHost() = default;

    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override;

    LatestFrame &latest() { return m_latest; }
    quint64 frames() const { return m_frames.load(); }

    // The option record whose saveFlag tells which frames the plug-in dumped;
    // set before the start.
    void setOption(tagVX_CAMERA_OPTION *option) { m_option = option; }
    // The numbers of the frames delivered while saveFlag was set.
    QList<quint32> dumpedFrames() const;

    // 0 for none. Set while the camera is stopped.
    void setFrameLimit(quint32 limit) { m_limit = limit; }
    // Before every start: the limit counts from there.
    void restart();
    // Whether the callback stopped the camera at the limit since the last start.
    bool limitReached() const { return m_limitReached.load(); }

private:
    LatestFrame m_latest;
    std::atomic<quint64> m_frames {0};
    tagVX_CAMERA_OPTION *m_option = nullptr;
    mutable std::mutex m_dumpedMutex;
    QList<quint32> m_dumped;
    quint32 m_limit = 0;
    std::atomic<quint64> m_sinceStart {0}; // grabbing thread, and restart()
    std::atomic<bool> m_limitReached {false};
};

#endif // VXCAM_VIEWHOST_H
