#include "viewhost.h"

void ViewHost::IFrameReady(ICameraObject *camera)
{
    const qint64 size = qint64(camera->m_nWidth) * camera->m_nHeight * ((camera->m_nBitsPerPixel + 7) / 8);
    if (camera->m_pImageData != nullptr && size > 0)
        m_latest.publish(camera->m_pImageData, size, camera->m_nFrameNum);
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
