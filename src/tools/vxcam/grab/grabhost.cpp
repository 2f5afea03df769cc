#include "grabhost.h"

#include "framelayout.h"

#include <algorithm>

void GrabHost::IFrameReady(ICameraObject *camera)
{
    const quint32 number = std::atomic_ref<quint32>(camera->m_nFrameNum).load();
    const bool restarted = m_restart.load() && m_restart.exchange(false);
    const bool first = restarted || m_frames.load() == 0;
    if ((first && number == 0) || (!first && number != m_lastNumber + 1))
        ++m_broken;
    m_lastNumber = number;
    const qint64 size = qint64(camera->m_nWidth) * camera->m_nHeight * ((camera->m_nBitsPerPixel + 7) / 8);
    const unsigned char *image = std::atomic_ref<const unsigned char *>(camera->m_pImageData).load();
    if (image == nullptr) {
        ++m_broken;
    } else if (m_keepLastFrame && size > 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (size <= kLargestShownFrameBytes)
            m_lastFrame = QByteArray(reinterpret_cast<const char *>(image), qsizetype(size));
        else
            m_lastFrame.clear();
    }
    m_bytes += quint64(std::max<qint64>(size, 0));
    m_lastTime.store(Clock::now().time_since_epoch().count());
    const bool dumped = std::atomic_ref<quint8>(m_option->saveFlag).load() != 0;
    const int frames = m_frames.load() + 1;
    if (frames == m_target) {
        // No dump and no frame after this one: the stop is carried out before
        // this call returns.
        std::atomic_ref<quint8>(m_option->saveFlag).store(0);
        camera->IStopCamera();
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (dumped)
            m_dumped.append(number);
        m_frames.store(frames);
    }
    m_arrived.notify_all();
}

QByteArray GrabHost::lastFrame() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastFrame;
}

QList<quint32> GrabHost::dumpedFrames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dumped;
}

bool GrabHost::waitForMoreThan(int frames, Clock::time_point deadline) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_until(lock, deadline, [&] { return m_frames.load() > frames; });
}
