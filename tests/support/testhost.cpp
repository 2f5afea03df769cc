#include "testhost.h"

void TestHost::IFrameReady(ICameraObject *camera)
{
    if (closed.load())
        ++callsAfterClose;
    const quint32 n = checkBytes.load();
    if (n > 0 && camera->m_pImageData != nullptr) {
        const unsigned char *bytes = camera->m_pImageData;
        const unsigned first = bytes[0];
        for (quint32 i = 1; i < n; ++i) {
            if (bytes[i] != static_cast<unsigned char>((first + i) & 0xFF)) {
                ++patternMismatches;
                break;
            }
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deliveries.push_back(Delivery {camera->m_nFrameNum, camera->m_pImageData, camera->m_nWidth,
                                         camera->m_nHeight, camera->m_nBitsPerPixel, camera->m_nImageFormat,
                                         camera->m_pCamOpt->saveFlag});
    }
    ++calls;
    if (inside)
        inside(camera);
}

std::vector<TestHost::Delivery> TestHost::deliveries() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_deliveries;
}
