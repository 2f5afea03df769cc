// AravisStreamSource: the stream source of an Aravis camera.
//
// Aravis's stream thread fills a pool of buffers; its callback drains the
// whole output queue at the start and at the end of each frame (Aravis 0.8.26
// can move a buffer there without a callback), hands every complete frame to
// the attached handlers in place (zero copy: the frame points into the Aravis
// buffer), and counts incomplete and lost frames. Every buffer goes back to
// the pool whatever became of its frame, so that no loss ratio can empty it;
// only buffers of an earlier pool (another geometry) are released instead.
// Handler list, stop and detach promises are StreamCore's, as on the virtual
// back end:
//  - stopGrabbing() and detachGrabbing() return only after the handler call
//    in flight has returned, and no handler call starts after them; from
//    inside a handler they do not wait for the call they are in.
//  - stopGrabbing() stops the camera's acquisition but leaves Aravis's
//    thread running (stopping it from its own callback would abort), so
//    frames still in flight are received and dropped, never delivered.
//  - Releasing the last handle tears the Aravis stream down; from inside a
//    handler the teardown is handed to a reaper thread and the callback
//    touches only AravisStreamState, which lives until the teardown is done.
// Threads: host threads call the operations; Aravis's stream thread runs
// the callback and the handlers.
#ifndef MVSDK_ARAVIS_ARAVISSTREAM_H
#define MVSDK_ARAVIS_ARAVISSTREAM_H

#include "MVSDK/GenICam/StreamSource.h"

#include "streamcore.h"

#include <arv.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace Mvsdk {
namespace aravis {

class AravisCamera;

// Shared by a stream source and the Aravis callback. StreamCore's mutex
// guards everything but `stream`, which is set once before the callback can
// see frames and cleared only by the teardown.
struct AravisStreamState : detail::StreamCore {
    explicit AravisStreamState(std::shared_ptr<AravisCamera> owner);

    std::shared_ptr<AravisCamera> camera;
    ArvStream *stream = nullptr;
    std::vector<Dahua::GenICam::CFrameProc> copy; // the callback's handler copy, reused
    size_t bufferBytes = 0;                       // of the pool pushed to the stream
    uintptr_t poolGeneration = 0; // tag of that pool's buffers; earlier pools' buffers are dropped
    std::shared_ptr<const std::string> pixelFormat; // surface symbol of the current run
    bool acquiring = false;                         // the camera was told to start
    uint64_t sequence = 0;
    uint64_t maxImages = 0; // 0: no limit
    uint64_t grabbedSinceStart = 0;
    uint64_t lastFrameId = 0;             // of the last complete frame; 0: none yet in this run
    uint64_t incompleteSinceComplete = 0; // incomplete frames since that one
    // For the estimate of a silence that ends a free run: arrivals of the
    // run's first and last complete frames, and the frame periods between them.
    bool freeRun = false;
    bool runOpen = false; // started, and its end not yet looked at
    std::chrono::steady_clock::time_point firstArrival;
    std::chrono::steady_clock::time_point lastArrival;
    uint64_t periodsSpanned = 0;
    // Aravis's packet counts of the stream as last added to the tally; read
    // and written on Aravis's stream thread only.
    uint64_t resentSeen = 0;
    uint64_t missingSeen = 0;
};

// Destroys Aravis streams away from their own threads, each on a thread of
// its own; the process lets them finish before it ends.
// The future is ready once the stream is destroyed.
std::shared_future<void> reapStream(std::shared_ptr<AravisStreamState> state);
// Unrefs the stream (joining its thread) and drops the state's references.
void tearDownStream(AravisStreamState &state);

class AravisStreamSource final : public Dahua::GenICam::IStreamSource {
public:
    // Null (logged) when Aravis cannot make the stream.
    static std::shared_ptr<AravisStreamSource> create(std::shared_ptr<AravisCamera> camera);
    explicit AravisStreamSource(std::shared_ptr<AravisStreamState> state);
    ~AravisStreamSource() override;

    bool attachGrabbing(Proc proc) override;
    bool detachGrabbing(Proc proc) override;
    bool startGrabbing(uint64_t maxImagesGrabbed, Dahua::GenICam::EGrabStrategy strategy) override;
    bool stopGrabbing() override;
    bool isGrabbing() const override;
    Dahua::GenICam::CStreamStatistics getStatistics() const override;

private:
    bool preparePool(size_t payload);

    std::shared_ptr<AravisStreamState> m_state;
};

} // namespace aravis
} // namespace Mvsdk

#endif // MVSDK_ARAVIS_ARAVISSTREAM_H
