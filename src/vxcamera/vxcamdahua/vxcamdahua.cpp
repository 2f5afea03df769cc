// The plug-in's entry points.
#include "vxcamdahua.h"

#include "cameradahuav2.h"

#include <QDebug>

#include <new>

ICameraObject *Camera_Create(tagVX_CAMERA_OPTION *option, IPoolCallback *callback)
{
    qDebug() << "create dahua camera...";
    // The camera object reads the option record from its constructor on.
    if (option == nullptr) {
        qWarning() << "Camera_Create needs an option record";
        return nullptr;
    }
    try {
        return new CCameraDahuaV2(option, callback);
    } catch (const std::bad_alloc &) {
        qWarning() << "Camera_Create: out of memory";
        return nullptr;
    }
}

void Camera_Delete(ICameraObject *camera)
{
    delete camera;
}
