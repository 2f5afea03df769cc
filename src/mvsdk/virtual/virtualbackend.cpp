// The virtual camera system as the process's back end.
#include "backend.h"
#include "virtualsystem.h"

namespace Mvsdk {
namespace detail {

namespace {

class VirtualBackend final : public Backend {
public:
    VirtualBackend() { VxSim::detail::VirtualSystem::instance(); }

    bool discover(std::vector<Dahua::GenICam::ICameraPtr> &cameras, Dahua::GenICam::EInterfaceType) override
    {
        std::vector<std::shared_ptr<VxSim::detail::VirtualCamera>> found;
        if (!VxSim::detail::VirtualSystem::instance().discover(&found))
            return false;
        cameras.assign(found.begin(), found.end());
        return true;
    }
};

} // namespace

Backend *makeVirtualBackend()
{
    return new VirtualBackend;
}

} // namespace detail
} // namespace Mvsdk
