#include "cameraconnections.h"

#include "MVSDK/GenICam/System.h"

namespace {

// How often a camera the discovery missed is looked for again.
constexpr std::chrono::seconds kLookAgainEvery {1};

} // namespace

CameraConnections::CameraConnections(const QStringList &keys)
    : m_keys(keys)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    discoverLocked();
}

void CameraConnections::discoverLocked() const
{
    m_lastDiscovery = std::chrono::steady_clock::now();
    Dahua::Infra::TVector<Dahua::GenICam::ICameraPtr> cameras;
    if (!Dahua::GenICam::CSystem::getInstance().discovery(cameras))
        return;
    for (const Dahua::GenICam::ICameraPtr &camera : cameras) {
        const QString key = QString::fromUtf8(camera->getKey());
        if (m_keys.contains(key) && !m_cameras.contains(key))
            m_cameras.insert(key, camera);
    }
}

bool CameraConnections::connected(const QString &key) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_cameras.contains(key) && m_keys.contains(key)
        && std::chrono::steady_clock::now() - m_lastDiscovery >= kLookAgainEvery)
        discoverLocked();
    const Dahua::GenICam::ICameraPtr camera = m_cameras.value(key);
    return camera == nullptr || camera->isConnected();
}
