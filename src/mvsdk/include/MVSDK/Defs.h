// Export macro and basic enumerations of the camera SDK.
#ifndef MVSDK_DEFS_H
#define MVSDK_DEFS_H

#include <cstdint>

#if defined(_WIN32)
#if defined(MVSDK_BUILDING)
#define MVSDK_API __declspec(dllexport)
#else
#define MVSDK_API __declspec(dllimport)
#endif
#else
#define MVSDK_API __attribute__((visibility("default")))
#endif

namespace Dahua {
namespace GenICam {

// Kind of interface that discovery searches.
enum EInterfaceType {
    typeGige = 0,
    typeUsb3 = 1,
    typeCL = 2,
    typeAll = 3,
};

// Access that connect() asks for.
enum ECameraAccessPermission {
    accessPermissionOpen = 0,
    accessPermissionExclusive = 1,
    accessPermissionControl = 2,
};

// Kind of camera, as ICamera::getType() reports it.
enum ECameraType {
    typeGigeCamera = 0,
    typeU3vCamera = 1,
    typeCLCamera = 2,
    typeUndefinedCamera = 255,
};

// Order in which grabbed frames are handed out.
enum EGrabStrategy {
    grabStrategySequential = 0,
    grabStrategyLatestImage = 1,
};

} // namespace GenICam
} // namespace Dahua

#endif // MVSDK_DEFS_H
