// GigE views of a camera: the camera's own address, and the host interface
// it is attached to. Cameras of other kinds have no GigE views.
#ifndef MVSDK_GENICAM_GIGE_H
#define MVSDK_GENICAM_GIGE_H

#include "MVSDK/GenICam/Camera.h"
#include "MVSDK/Infra/String.h"

namespace Dahua {
namespace GenICam {

class IGigECamera;
class IGigEInterface;
typedef Memory::TSharedPtr<IGigECamera> IGigECameraPtr;
typedef Memory::TSharedPtr<IGigEInterface> IGigEInterfacePtr;

class MVSDK_API IGigECamera {
public:
    // Empty when the camera has no GigE view.
    static IGigECameraPtr getInstance(const ICameraPtr &camera);
    virtual ~IGigECamera();

    virtual Infra::CString getIpAddress() const = 0;
    virtual Infra::CString getSubnetMask() const = 0;
    virtual Infra::CString getGateway() const = 0;
    // Assigns address, mask and gateway to the camera.
    virtual bool forceIpAddress(const char *ipAddress, const char *subnetMask, const char *gateway) = 0;
};

class MVSDK_API IGigEInterface {
public:
    // Empty when the camera is not attached through a GigE interface.
    static IGigEInterfacePtr getInstance(const ICameraPtr &camera);
    virtual ~IGigEInterface();

    virtual Infra::CString getIpAddress() const = 0;
    virtual Infra::CString getSubnetMask() const = 0;
    virtual Infra::CString getGateway() const = 0;
};

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_GIGE_H
