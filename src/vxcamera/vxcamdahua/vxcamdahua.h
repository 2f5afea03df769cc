// The plug-in's two exported entry points.
//
// A host loads the library, resolves these two names and drives cameras
// through the returned ICameraObject. The host keeps `option` and `callback`
// alive until it has passed the object to Camera_Delete.
#ifndef VXCAMDAHUA_VXCAMDAHUA_H
#define VXCAMDAHUA_VXCAMDAHUA_H

#include "vxcameraobject.h"

#if defined(_WIN32)
#if defined(VXCAM_BUILDING_PLUGIN)
#define VXCAM_PLUGIN_EXPORT __declspec(dllexport)
#else
#define VXCAM_PLUGIN_EXPORT __declspec(dllimport)
#endif
#else
#define VXCAM_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
// Builds the current Dahua driver. `option` must not be null.
VXCAM_PLUGIN_EXPORT ICameraObject *Camera_Create(tagVX_CAMERA_OPTION *option, IPoolCallback *callback);
// Closes and destroys a camera object; null is ignored.
VXCAM_PLUGIN_EXPORT void Camera_Delete(ICameraObject *camera);
}

// Signatures for hosts that resolve the entry points at run time.
typedef ICameraObject *(*VxCameraCreateFunction)(tagVX_CAMERA_OPTION *, IPoolCallback *);
typedef void (*VxCameraDeleteFunction)(ICameraObject *);

#endif // VXCAMDAHUA_VXCAMDAHUA_H
