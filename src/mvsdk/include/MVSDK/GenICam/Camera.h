// ICamera: one camera that discovery found.
#ifndef MVSDK_GENICAM_CAMERA_H
#define MVSDK_GENICAM_CAMERA_H

#include "MVSDK/Defs.h"
#include "MVSDK/Memory/SharedPtr.h"

namespace Dahua {
namespace GenICam {

// A camera as the SDK sees it. The SDK keeps each camera alive for as long as
// anyone holds a handle to it; handles from different discoveries of the same
// camera point to the same object. Thread-safe.
class MVSDK_API ICamera {
public:
    virtual ~ICamera();

    // The identifying text of the camera (UTF-8), stable for the process.
    virtual const char *getKey() const = 0;
    // The kind of camera (ECameraType value).
    virtual int getType() const = 0;
    // Opens the control connection. Connecting a connected camera succeeds.
    virtual bool connect(ECameraAccessPermission accessPermission = accessPermissionControl) = 0;
    // Closes the control connection.
    virtual bool disconnect() = 0;
    // True from the first successful connect until disconnect.
    virtual bool isConnected() const = 0;
};

typedef Memory::TSharedPtr<ICamera> ICameraPtr;

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_GENICAM_CAMERA_H
