#include "grabhost.h"

#include <algorithm>

void GrabHost::IFrameReady(ICameraObject *camera)
{
    const quint32 number = camera->m_nFrameNum;
    const bool first = m_frames.load() == 0;
    if ((first && number == 0) || (!first && number != m_lastNumber + 1))
        ++m_broken;
    m_lastNumber = number;
    const qint64 size = qint64(camera->m_nWidth) * camera->m_nHeight * ((camera->m_nBitsPerPixel + 7) / 8);
    if (camera->m_pImageData == nullptr) {
        ++m_broken;
    } else if (m_keepLastFrame && size > 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastFrame = QByteArray(reinterpret_cast<const char *>(camera->m_pImageData), int(size));
    }
    m_bytes += quint64(std::max<qint64>(size, 0));
    ++m_frames;
}

QByteArray GrabHost::lastFrame() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastFrame;
}
