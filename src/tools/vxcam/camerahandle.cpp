#include "camerahandle.h"

#include "cameradahua.h"

#include <cstdio>

CameraHandle::CameraHandle(const PluginLoader &plugin, bool earlier, tagVX_CAMERA_OPTION *option,
                           IPoolCallback *host)
    : m_destroy(earlier ? nullptr : plugin.destroy)
{
    m_camera = earlier ? new CCameraDahua(option, host) : plugin.create(option, host);
}

void CameraHandle::reset()
{
    ICameraObject *camera = m_camera;
    m_camera = nullptr;
    if (camera == nullptr)
        return;
    if (m_destroy != nullptr)
        m_destroy(camera);
    else
        delete camera;
}

void reportFailure(const QString &message)
{
    std::fprintf(stderr, "vxcam: %s\n", qPrintable(message));
    std::fflush(stderr);
}
