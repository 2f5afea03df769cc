#include "camerahandle.h"

#include "cameradahua.h"

CameraHandle::CameraHandle(const PluginLoader &plugin, bool earlier, tagVX_CAMERA_OPTION *option,
                           IPoolCallback *host)
    : m_destroy(earlier ? nullptr : plugin.destroy)
{
    m_camera = earlier ? new CCameraDahua(option, host) : plugin.create(option, host);
}

void CameraHandle::reset()
{
    // Cleared first: nothing reaches the object while it is being deleted.
    ICameraObject *camera = m_camera;
    m_camera = nullptr;
    if (camera == nullptr)
        return;
    if (m_destroy != nullptr)
        m_destroy(camera);
    else
        delete camera;
}
