#include "viewhost.h"

#include "framelayout.h"

void ViewHost::IFrameReady(ICameraObject *camera)
{
    const qint64 size = qint64(camera->m_nWidth) * camera->m_nHeight * ((camera->m_nBitsPerPixel + 7) / 8);
    if (camera->m_pImageData != nullptr && size > 0 && size <= kLargestShownFrameBytes)
        m_latest.publish(camera->m_pImageData, size, camera->m_nFrameNum);
    // The driver dumped this frame when it found saveFlag set, just before this call.
    if (m_option != nullptr && std::atomic_ref<quint8>(m_option->saveFlag).load() != 0) {
        std::lock_guard<std::mutex> lock(m_dumpedMutex);
        m_dumped.append(std::atomic_ref<quint32>(camera->m_nFrameNum).load());
    }
    ++m_frames;
    if (m_limit > 0 && ++m_sinceStart == m_limit) {
        // Carried out before this call returns: no frame after this one.
        camera->IStopCamera();
        m_limitReached.store(true);
    }
}

void ViewHost::restart()
{
    m_sinceStart = 0;
    m_limitReached.store(false);
}

QList<quint32> ViewHost::dumpedFrames() const
{
    std::lock_guard<std::mutex> lock(m_dumpedMutex);
    return m_dumped;
}
