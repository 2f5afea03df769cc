// VirtualSystem: the process's set of virtual cameras.
//
// Built at first use from VXCAM_SIM_CONFIG (or the built-in cameras), with the
// trace file of VXCAM_SIM_TRACE. A new configuration replaces the set; camera
// objects still held elsewhere keep working but are no longer discovered.
#ifndef MVSDK_VIRTUAL_VIRTUALSYSTEM_H
#define MVSDK_VIRTUAL_VIRTUALSYSTEM_H

#include "configreader.h"
#include "virtualcamera.h"

#include <memory>
#include <mutex>
#include <vector>

namespace VxSim {
namespace detail {

class VirtualSystem {
public:
    static VirtualSystem &instance();

    void load(const SystemConfig &config);
    // False when discovery is scripted to fail.
    bool discover(std::vector<std::shared_ptr<VirtualCamera>> *cameras) const;
    std::shared_ptr<VirtualCamera> find(const QString &key) const;

private:
    VirtualSystem();

    mutable std::mutex m_mutex;
    bool m_discoveryOk = true;
    std::vector<std::shared_ptr<VirtualCamera>> m_cameras;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_VIRTUALSYSTEM_H
