#include "cameraconnections.h"

#include "MVSDK/GenICam/System.h"

CameraConnections::CameraConnections(const QStringList &keys)
{
    Dahua::Infra::TVector<Dahua::GenICam::ICameraPtr> cameras;
    if (!Dahua::GenICam::CSystem::getInstance().discovery(cameras))
        return;
    for (const Dahua::GenICam::ICameraPtr &camera : cameras) {
        const QString key = QString::fromUtf8(camera->getKey());
        if (keys.contains(key) && !m_cameras.contains(key))
            m_cameras.insert(key, camera);
    }
}

bool CameraConnections::connected(const QString &key) const
{
    const Dahua::GenICam::ICameraPtr camera = m_cameras.value(key);
    return camera == nullptr || camera->isConnected();
}
