#include "virtualsystem.h"

#include "calltrace.h"

namespace VxSim {
namespace detail {

VirtualSystem &VirtualSystem::instance()
{
    static VirtualSystem system;
    return system;
}

VirtualSystem::VirtualSystem()
{
    Mvsdk::detail::CallTrace::setFromEnvironment();
    const QString path = qEnvironmentVariable("VXCAM_SIM_CONFIG");
    SystemConfig config;
    if (path.isEmpty()) {
        config = builtInConfig();
    } else {
        QString error;
        if (!readConfigFile(path, &config, &error)) {
            reportConfigError(path, error);
            config = unreadableConfig();
        }
    }
    load(config);
}

void VirtualSystem::load(const SystemConfig &config)
{
    std::vector<std::shared_ptr<VirtualCamera>> cameras;
    for (const CameraConfig &camera : config.cameras)
        cameras.push_back(std::make_shared<VirtualCamera>(camera));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_discoveryOk = config.discoveryOk;
    m_cameras = std::move(cameras);
}

bool VirtualSystem::discover(std::vector<std::shared_ptr<VirtualCamera>> *cameras) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_discoveryOk)
        return false;
    // A camera without power does not answer discovery.
    cameras->clear();
    for (const std::shared_ptr<VirtualCamera> &camera : m_cameras) {
        if (!camera->poweredOff())
            cameras->push_back(camera);
    }
    return true;
}

std::shared_ptr<VirtualCamera> VirtualSystem::find(const QString &key) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::shared_ptr<VirtualCamera> &camera : m_cameras) {
        if (camera->key() == key)
            return camera;
    }
    return nullptr;
}

} // namespace detail
} // namespace VxSim
