// Backend: where the cameras of the process come from.
//
// One back end per process, chosen at first use from VXCAM_SDK_BACKEND:
// "virtual" (also when unset or empty) is the virtual camera system; "aravis"
// drives real GigE Vision and USB3 Vision cameras through Aravis where the
// library was built with it. Any other value, or "aravis" in a build without
// Aravis, gives a back end without cameras and one line on standard error.
// Thread-safe.
#ifndef MVSDK_COMMON_BACKEND_H
#define MVSDK_COMMON_BACKEND_H

#include "MVSDK/Defs.h"
#include "MVSDK/GenICam/Camera.h"

#include <vector>

namespace Mvsdk {
namespace detail {

class Backend {
public:
    virtual ~Backend() = default;
    // Every camera present, in the back end's order; false when discovery
    // itself fails.
    virtual bool discover(std::vector<Dahua::GenICam::ICameraPtr> &cameras,
                          Dahua::GenICam::EInterfaceType interfaceType)
        = 0;
};

Backend &activeBackend();

// The back ends (each in its own folder).
Backend *makeVirtualBackend();
#ifdef VXCAM_HAVE_ARAVIS
Backend *makeAravisBackend();
#endif

} // namespace detail
} // namespace Mvsdk

#endif // MVSDK_COMMON_BACKEND_H
