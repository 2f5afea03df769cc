// CameraHandle: a camera object from the plug-in's factory, or the earlier
// driver built here; deleted the way it was made.
#ifndef VXCAM_CAMERAHANDLE_H
#define VXCAM_CAMERAHANDLE_H

#include "pluginloader.h"

class CameraHandle {
public:
    CameraHandle(const PluginLoader &plugin, bool earlier, tagVX_CAMERA_OPTION *option, IPoolCallback *host);
    ~CameraHandle() { reset(); }
    CameraHandle(const CameraHandle &) = delete;
    CameraHandle &operator=(const CameraHandle &) = delete;

    ICameraObject *operator->() const { return m_camera; }
    ICameraObject *get() const { return m_camera; }
    explicit operator bool() const { return m_camera != nullptr; }
    // Deletes the object now (its destructor closes the camera).
    void reset();

private:
    VxCameraDeleteFunction m_destroy;
    ICameraObject *m_camera = nullptr;
};

// One line on standard error: "vxcam: " and the message.
void reportFailure(const QString &message);

#endif // VXCAM_CAMERAHANDLE_H
