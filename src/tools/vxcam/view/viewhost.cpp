#include "viewhost.h"

void ViewHost::IFrameReady(ICameraObject *camera)
{
    const qint64 size = qint64(camera->m_nWidth) * camera->m_nHeight * ((camera->m_nBitsPerPixel + 7) / 8);
    if (camera->m_pImageData != nullptr && size > 0)
        m_latest.publish(camera->m_pImageData, size, camera->m_nFrameNum);
    ++m_frames;
}
