// The GigE views of an Aravis camera: the camera's address, mask and gateway
// as the camera reports them, and the host interface it is reached through.
// Null for cameras that are not GigE Vision devices.
#ifndef MVSDK_ARAVIS_ARAVISGIGE_H
#define MVSDK_ARAVIS_ARAVISGIGE_H

#include "MVSDK/GenICam/GigE.h"

#include <memory>

namespace Mvsdk {
namespace aravis {

class AravisCamera;

Dahua::GenICam::IGigECameraPtr makeGigECamera(const std::shared_ptr<AravisCamera> &camera);
Dahua::GenICam::IGigEInterfacePtr makeGigEInterface(const std::shared_ptr<AravisCamera> &camera);

} // namespace aravis
} // namespace Mvsdk

#endif // MVSDK_ARAVIS_ARAVISGIGE_H
