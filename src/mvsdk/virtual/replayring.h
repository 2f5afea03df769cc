// ReplayRing: the images of a recording decoded ahead, on a thread of the
// ring's own, into a bounded ring of frame buffers, so that a replay camera
// never holds more than its "ringFrames" images, however many the recording
// has.
//
// The decoding thread starts at the first image and goes round the ring;
// the grabbing thread takes the oldest decoded image (front), delivers it
// and hands its buffer back (release). At the end of the recording the ring
// goes on at the first image (loop) or ends (stop). An image that cannot be
// read is skipped, with one line on standard error naming the file and the
// reason (once per file); when a whole pass yields no image the ring ends
// with one more line.
//
// Thread-safe: one mutex, never held while an image is read or while
// `onReady` (called after each decoded image) runs.
#ifndef MVSDK_VIRTUAL_REPLAYRING_H
#define MVSDK_VIRTUAL_REPLAYRING_H

#include "replayrecording.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace VxSim {
namespace detail {

class ReplayRing {
public:
    struct Frame {
        const uint8_t *bytes = nullptr;
        int64_t gapMsecs = 0; // recorded time since the image before it
    };

    ReplayRing(std::shared_ptr<const Recording> recording, int slotCount, bool loop, QString cameraKey,
               std::function<void()> onReady);
    ~ReplayRing();
    ReplayRing(const ReplayRing &) = delete;
    ReplayRing &operator=(const ReplayRing &) = delete;

    // What the ring plays; its frames have the recording's geometry, whatever
    // the camera's features say after a later connect.
    const Recording &recording() const { return *m_recording; }
    // Whether an image is decoded and waits for delivery.
    bool hasFrame() const;
    // The oldest decoded image; only while hasFrame(). Valid until release().
    Frame front() const;
    void release();
    // No image will come any more (the end without loop, or none readable).
    bool ended() const;

private:
    struct FreeDeleter {
        void operator()(uint8_t *p) const { std::free(p); }
    };
    void decode();
    // The image after `index` in play order; false at the end without loop.
    bool advance(std::size_t *index) const;
    int64_t gapBefore(std::size_t index, std::size_t previous, bool first) const;

    const std::shared_ptr<const Recording> m_recording;
    const bool m_loop;
    const QString m_key;
    const std::function<void()> m_onReady;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<uint8_t, FreeDeleter>> m_slots;
    std::vector<int64_t> m_gaps;
    std::size_t m_head = 0;  // the oldest decoded slot
    std::size_t m_ready = 0; // decoded slots from m_head on
    bool m_ended = false;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_REPLAYRING_H
