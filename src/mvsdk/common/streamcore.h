// StreamCore: the handler list of one stream source and the promises of its
// stop and detach, shared by every back end's stream source.
//
// The back end's delivering thread (one per stream source) brackets each
// frame with beginDelivery() / finishDelivery() and calls deliver() between
// them without the lock. Host threads attach, detach and stop. Promises:
//  - stopDeliveries() and detach() return only after every delivery begun
//    before them has finished; no delivery begins after stopDeliveries()
//    until `grabbing` is raised again, and a detached handler is not called
//    after detach() returns.
//  - Called on the delivering thread (from inside a handler) they do not
//    wait for the delivery they are in, so they cannot deadlock.
// All members are guarded by `mutex`; a back end may keep more state under
// the same mutex and wait on `changed` for it.
#ifndef MVSDK_COMMON_STREAMCORE_H
#define MVSDK_COMMON_STREAMCORE_H

#include "MVSDK/GenICam/StreamSource.h"

#include "streamstatistics.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Mvsdk {
namespace detail {

struct StreamCore {
    // Frames are counted for the camera `cameraKey` (ICamera::getKey()).
    explicit StreamCore(const std::string &cameraKey)
        : tally(cameraKey)
    {
    }

    // False for an empty handler or one attached already; `allowed` false
    // refuses too (a back end's own reason). Traced for the camera `traceKey`.
    bool attach(const QString &traceKey, const Dahua::GenICam::CFrameProc &proc, bool allowed = true);
    // False for a handler that is not attached. Traced likewise.
    bool detach(const QString &traceKey, const Dahua::GenICam::CFrameProc &proc);
    // Lowers `grabbing` and waits for the deliveries begun before.
    void stopDeliveries();

    // With the lock held.
    bool insideDelivery() const { return std::this_thread::get_id() == threadId; }
    void waitForDeliveriesUnlessInside(std::unique_lock<std::mutex> &lock);
    // Copies the handlers for one frame into `copy` (reused, so no allocation
    // per frame) and counts the delivery as begun, and the frame as
    // delivered when a handler is attached.
    void beginDelivery(std::vector<Dahua::GenICam::CFrameProc> &copy);
    void finishDelivery();

    // Without the lock: calls the handlers copied for one frame; a handler
    // detached, or a stop made, by an earlier handler of the frame is honoured.
    void deliver(const std::vector<Dahua::GenICam::CFrameProc> &handlers,
                 const Dahua::GenICam::CFrame &frame);

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Dahua::GenICam::CFrameProc> handlers;
    bool grabbing = false;    // frames are wanted
    std::thread::id threadId; // of the delivering thread while it runs
    // Deliveries begun / finished. Stop and detach wait for the deliveries
    // begun before them, not for an idle moment, so a fast stream cannot keep
    // them waiting.
    uint64_t deliveriesStarted = 0;
    uint64_t deliveriesFinished = 0;
    // Lock-free; the back end counts incomplete and lost frames itself.
    StreamTally tally;
};

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_STREAMCORE_H
