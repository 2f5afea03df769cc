// CameraHandle: a camera object from the plug-in's factory, or the earlier
// driver built by the tool itself; deleted the way it was made.
#ifndef VXCAM_CAMERAHANDLE_H
#define VXCAM_CAMERAHANDLE_H

#include "pluginloader.h"

class CameraHandle {
public:
    // earlier: builds CCameraDahua directly (the plug-in exports only the
    // current driver's factory); else Camera_Create of the loaded plug-in.
    CameraHandle(const PluginLoader &plugin, bool earlier, tagVX_CAMERA_OPTION *option, IPoolCallback *host);
    ~CameraHandle() { reset(); }
    CameraHandle(const CameraHandle &) = delete;
    CameraHandle &operator=(const CameraHandle &) = delete;

    // Deletes the object now (Camera_Delete, or delete for the earlier
    // driver; its destructor closes the camera).
    void reset();

    ICameraObject *get() const { return m_camera; }
    ICameraObject *operator->() const { return m_camera; }
    explicit operator bool() const { return m_camera != nullptr; }

private:
    VxCameraDeleteFunction m_destroy;
    ICameraObject *m_camera = nullptr;
};

#endif // VXCAM_CAMERAHANDLE_H
