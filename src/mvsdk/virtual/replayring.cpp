#include "replayring.h"

#include "diagnostics.h"

#include <algorithm>

namespace VxSim {
namespace detail {

ReplayRing::ReplayRing(std::shared_ptr<const Recording> recording, int slotCount, bool loop,
                       QString cameraKey, std::function<void()> onReady)
    : m_recording(std::move(recording))
    , m_loop(loop)
    , m_key(std::move(cameraKey))
    , m_onReady(std::move(onReady))
    , m_slots(static_cast<std::size_t>(std::max(slotCount, 1)))
    , m_gaps(m_slots.size(), 0)
{
    m_thread = std::thread(&ReplayRing::decode, this);
}

ReplayRing::~ReplayRing()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool ReplayRing::hasFrame() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ready > 0;
}

ReplayRing::Frame ReplayRing::front() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Frame {m_slots[m_head].get(), m_gaps[m_head]};
}

void ReplayRing::release()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ready == 0)
            return;
        m_head = (m_head + 1) % m_slots.size();
        --m_ready;
    }
    m_changed.notify_all();
}

bool ReplayRing::ended() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended && m_ready == 0;
}

bool ReplayRing::advance(std::size_t *index) const
{
    if (*index + 1 < m_recording->images.size()) {
        ++*index;
        return true;
    }
    *index = 0;
    return m_loop;
}

int64_t ReplayRing::gapBefore(std::size_t index, std::size_t previous, bool first) const
{
    const std::vector<Recording::Image> &images = m_recording->images;
    if (first)
        return 0;
    int64_t gap = images[index].msecs - images[previous].msecs;
    if (index <= previous) // round again: the recording's mean interval
        gap = images.size() > 1
            ? (images.back().msecs - images.front().msecs) / static_cast<int64_t>(images.size() - 1)
            : 0;
    return std::max<int64_t>(gap, 0);
}

void ReplayRing::decode()
{
    const Recording &recording = *m_recording;
    std::set<int> reportedFiles;
    std::size_t index = 0;
    std::size_t previous = 0;
    bool first = true;
    std::size_t failuresInRow = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || m_ready < m_slots.size(); });
        if (m_quit)
            return;
        const std::size_t slot = (m_head + m_ready) % m_slots.size();
        lock.unlock();
        QString problem;
        if (m_slots[slot] == nullptr)
            m_slots[slot].reset(
                static_cast<uint8_t *>(std::malloc(std::max<uint32_t>(recording.frameBytes, 1))));
        bool ok = false;
        if (m_slots[slot] == nullptr)
            problem = QStringLiteral("no memory for a frame of %1 bytes").arg(recording.frameBytes);
        else
            ok = recording.readImage(index, m_slots[slot].get(), &problem);
        const int file = recording.images[index].file;
        if (!ok && reportedFiles.insert(file).second)
            reportProblem(
                QStringLiteral("camera \"%1\" skips %2: %3").arg(m_key, recording.files.at(file), problem));
        const int64_t gap = ok ? gapBefore(index, previous, first) : 0;
        lock.lock();
        if (ok) {
            m_gaps[slot] = gap;
            ++m_ready;
            previous = index;
            first = false;
            failuresInRow = 0;
        } else {
            ++failuresInRow;
        }
        const bool more = failuresInRow < recording.images.size() && advance(&index);
        if (!more) {
            if (failuresInRow >= recording.images.size())
                reportProblem(
                    QStringLiteral("camera \"%1\" makes no more frames: none of its %2 images could "
                                   "be read")
                        .arg(m_key)
                        .arg(recording.images.size()));
            m_ended = true;
        }
        lock.unlock();
        if (ok || !more)
            m_onReady();
        lock.lock();
        if (!more) {
            m_changed.wait(lock, [this] { return m_quit; });
            return;
        }
    }
}

} // namespace detail
} // namespace VxSim
