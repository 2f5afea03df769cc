// VirtualStreamSource: the stream source of a virtual camera, and the state
// it shares with its grabbing thread.
//
// The handler list and the stop/detach promises are StreamCore's, shared with
// the other back ends; this file adds pacing, triggers and the thread.
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
// A stream source that existed when its camera's power was cut (a scripted
// outage) is dead for good, as a real one bound to the lost connection: it
// makes no frame and never starts again; a stop still ends its run.
// A replay camera's stream source delivers the images of the recording its
// camera read at the connect, from its own ring (ReplayRing), starting at
// the first image; a stop and start goes on where it was.
#ifndef MVSDK_VIRTUAL_VIRTUALSTREAM_H
#define MVSDK_VIRTUAL_VIRTUALSTREAM_H

#include "MVSDK/GenICam/StreamSource.h"

#include "replayring.h"
#include "streamcore.h"

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
// StreamCore's `mutex`.
struct StreamState : Mvsdk::detail::StreamCore {
    StreamState(std::shared_ptr<VirtualCamera> owner, std::shared_ptr<const Recording> recording);

    // A software trigger for this stream.
    void trigger();
    // Makes the grabbing thread read the camera's settings again.
    void wake();
    // The camera's power went: no frame from now on.
    void cutPower();

    const std::shared_ptr<VirtualCamera> camera;
    bool alive = true;          // the stream source object exists
    bool threadRunning = false; // a grabbing thread exists (or is being made) and has not left its loop
    bool woken = false;
    bool dead = false; // the camera's power went while this stream source existed
    uint64_t run = 0;  // counts the starts that began a run
    uint64_t sequence = 0;
    uint64_t pendingTriggers = 0;
    uint64_t maxImages = 0; // 0: no limit
    uint64_t grabbedSinceStart = 0;
    // A replay camera's images. Destroyed (its thread joined) before the
    // mutex and condition it wakes, which StreamCore holds.
    std::unique_ptr<ReplayRing> replay;
};

class VirtualStreamSource final : public Dahua::GenICam::IStreamSource {
public:
    // `recording`: what a replay camera's stream source plays; null for a pattern.
    VirtualStreamSource(std::shared_ptr<VirtualCamera> camera, std::shared_ptr<const Recording> recording);
    ~VirtualStreamSource() override;

    bool attachGrabbing(Proc proc) override;
    bool detachGrabbing(Proc proc) override;
    bool startGrabbing(uint64_t maxImagesGrabbed, Dahua::GenICam::EGrabStrategy strategy) override;
    bool stopGrabbing() override;
    bool isGrabbing() const override;
    Dahua::GenICam::CStreamStatistics getStatistics() const override;

    const std::shared_ptr<StreamState> &state() const { return m_state; }

private:
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
