// CameraConnections: whether the camera SDK still has a camera connected.
//
// A camera whose connection is lost stops delivering and fails every later
// operation, but a host that only waits for frames learns that from nothing
// the plug-in returns. The SDK knows: ICamera::isConnected() turns false when
// the back end marks the camera lost (on GigE Vision through Aravis once the
// control connection is reported lost, or a register access timed out). The
// tool asks it about the cameras it runs, through handles of its own from one
// discovery of its own.
#ifndef VXCAM_CAMERACONNECTIONS_H
#define VXCAM_CAMERACONNECTIONS_H

#include "MVSDK/GenICam/Camera.h"

#include <QMap>
#include <QString>
#include <QStringList>

class CameraConnections {
public:
    // Runs one SDK discovery and keeps the cameras with these keys.
    explicit CameraConnections(const QStringList &keys);

    // False when the SDK reports the camera with this key as not connected.
    // Meaningful while a camera object holds it open; true for a key the
    // discovery did not find. Any thread.
    bool connected(const QString &key) const;

private:
    QMap<QString, Dahua::GenICam::ICameraPtr> m_cameras;
};

#endif // VXCAM_CAMERACONNECTIONS_H
