// TestHost: an IPoolCallback that records what each IFrameReady saw, checks
// the frame's bytes against the virtual camera's pattern while the call
// runs, and can act from inside the call.
#ifndef VXCAM_TESTS_TESTHOST_H
#define VXCAM_TESTS_TESTHOST_H

#include "vxcameraobject.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

class TestHost : public IPoolCallback {
public:
    struct Delivery {
        quint32 frameNum;
        const unsigned char *data;
        qint32 width;
        qint32 height;
        qint32 bitsPerPixel;
        qint32 imageFormat;
        quint8 saveFlag;
    };

    virtual ~TestHost() = default;
    void IStateChanged(ICameraObject *, int) override { }
    void IFrameReady(ICameraObject *camera) override;

    // Bytes per frame to check against the pattern (0: none). The sequence
    // of the pattern is taken from the first byte.
    std::atomic<quint32> checkBytes {0};
    // Set by a test once a stop or close has returned; calls after it count.
    std::atomic<bool> closed {false};
    std::atomic<int> calls {0};
    std::atomic<int> callsAfterClose {0};
    std::atomic<int> patternMismatches {0};
    // Runs inside IFrameReady, on the grabbing thread.
    std::function<void(ICameraObject *)> inside;

    std::vector<Delivery> deliveries() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Delivery> m_deliveries;
};

// The host's writes of the two members it owns. A running grabbing thread may
// read them, so a host writes them atomically.
inline void setTriggerMode(ICameraObject *camera, int mode)
{
    std::atomic_ref<qint32>(camera->m_nTriggerMode).store(mode);
}

inline void setFrameLimit(ICameraObject *camera, quint32 limit)
{
    std::atomic_ref<quint32>(camera->m_nFrameLimit).store(limit);
}

#endif // VXCAM_TESTS_TESTHOST_H
