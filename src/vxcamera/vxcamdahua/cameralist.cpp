#include "cameralist.h"

#include "MVSDK/GenICam/System.h"

using namespace Dahua::GenICam;

int CCameraList::discover()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return discoverLocked();
}

int CCameraList::discoverIfEmpty()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_cameras.isEmpty())
        discoverLocked();
    return m_cameras.size();
}

ICameraPtr CCameraList::find(const QString &key) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const ICameraPtr &camera : m_cameras) {
        if (QString::fromUtf8(camera->getKey()) == key)
            return camera;
    }
    return nullptr;
}

QStringList CCameraList::keys()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_cameras.isEmpty())
        discoverLocked();
    QStringList keys;
    for (const ICameraPtr &camera : std::as_const(m_cameras))
        keys.append(QString::fromUtf8(camera->getKey()));
    return keys;
}

int CCameraList::discoverLocked()
{
    m_cameras.clear();
    Dahua::Infra::TVector<ICameraPtr> cameras;
    if (!CSystem::getInstance().discovery(cameras, typeAll))
        return 0;
    for (const ICameraPtr &camera : cameras)
        m_cameras.append(camera);
    return m_cameras.size();
}
