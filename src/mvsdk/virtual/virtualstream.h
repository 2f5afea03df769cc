// VirtualStreamSource: the stream source of a virtual camera, and the state
// it shares with its grabbing thread.
//
// While grabbing, a thread of the stream source's own paces frames after the
// camera's trigger settings and calls every attached handler with each frame.
// Guarantees:
//  - stopGrabbing() and detachGrabbing() return only after any handler call
//    in flight has returned; no handler call starts after they return.
//  - Called from inside a handler (on the grabbing thread) they do not wait
//    for the call they are in, so they cannot deadlock.
//  - Releasing the last handle stops grabbing first; from inside a handler
//    the thread is let go instead of joined, and it touches only StreamState,
//    which it keeps alive itself.
#ifndef MVSDK_VIRTUAL_VIRTUALSTREAM_H
#define MVSDK_VIRTUAL_VIRTUALSTREAM_H

#include "MVSDK/GenICam/StreamSource.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace VxSim {
namespace detail {

class VirtualCamera;

// Shared by a stream source, its grabbing thread and its camera. Guarded by
// `mutex`.
struct StreamState {
    explicit StreamState(std::shared_ptr<VirtualCamera> owner)
        : camera(std::move(owner))
    {
    }

    // A software trigger for this stream.
    void trigger();
    // Makes the grabbing thread read the camera's settings again.
    void wake();

    const std::shared_ptr<VirtualCamera> camera;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Dahua::GenICam::CFrameProc> handlers;
    bool alive = true;          // the stream source object exists
    bool grabbing = false;      // frames are wanted
    bool threadRunning = false; // a grabbing thread exists (or is being made) and has not left its loop
    bool woken = false;
    std::thread::id threadId; // of the grabbing thread while it runs its loop
    // Frames whose handler calls have begun / are all done. Stop and detach
    // wait for the deliveries begun before them, not for an idle moment, so a
    // fast stream cannot keep them waiting.
    uint64_t deliveriesStarted = 0;
    uint64_t deliveriesFinished = 0;
    uint64_t run = 0; // counts the starts that began a run
    uint64_t sequence = 0;
    uint64_t pendingTriggers = 0;
    uint64_t maxImages = 0; // 0: no limit
    uint64_t grabbedSinceStart = 0;
};

class VirtualStreamSource final : public Dahua::GenICam::IStreamSource {
public:
    explicit VirtualStreamSource(std::shared_ptr<VirtualCamera> camera);
    ~VirtualStreamSource() override;

    bool attachGrabbing(Proc proc) override;
    bool detachGrabbing(Proc proc) override;
    bool startGrabbing(uint64_t maxImagesGrabbed, Dahua::GenICam::EGrabStrategy strategy) override;
    bool stopGrabbing() override;
    bool isGrabbing() const override;

    const std::shared_ptr<StreamState> &state() const { return m_state; }

private:
    // Waits, with the lock held, until every handler call begun before has
    // returned, unless the caller is the grabbing thread itself.
    void waitForCallbackUnlessInside(std::unique_lock<std::mutex> &lock);
    void joinUnlessInside();

    std::shared_ptr<StreamState> m_state;
    // Guards m_thread. A thread that left its loop is joined by the next start
    // or by the destructor, never by stop: a concurrent start may have kept it.
    std::mutex m_threadMutex;
    std::thread m_thread;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_VIRTUALSTREAM_H
