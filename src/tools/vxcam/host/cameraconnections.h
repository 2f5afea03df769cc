// CameraConnections: whether the camera SDK still has a camera connected.
//
// A camera whose connection is lost stops delivering and fails every later
// operation, but a host that only waits for frames learns that from nothing
// the plug-in returns. The SDK knows: ICamera::isConnected() turns false when
// the back end marks the camera lost (on GigE Vision through Aravis once the
// control connection is reported lost, or a register access timed out). The
// tool asks it about the cameras it runs, through handles of its own from a
// discovery of its own. A camera that discovery missed (a lost reply, a
// camera not there yet) is looked for again, about once a second, whenever
// it is asked about; until found it counts as connected.
#ifndef VXCAM_CAMERACONNECTIONS_H
#define VXCAM_CAMERACONNECTIONS_H

#include "MVSDK/GenICam/Camera.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <mutex>

class CameraConnections {
public:
    // Runs an SDK discovery and keeps the cameras with these keys.
    explicit CameraConnections(const QStringList &keys);

    // False when the SDK reports the camera with this key as not connected.
    // Meaningful while a camera object holds it open; true for a key no
    // discovery has found yet. Any thread; runs a discovery when the camera
    // is still missing and the last one was a second or more ago.
    bool connected(const QString &key) const;

private:
    void discoverLocked() const;

    const QStringList m_keys;
    mutable std::mutex m_mutex;
    mutable std::chrono::steady_clock::time_point m_lastDiscovery;
    mutable QMap<QString, Dahua::GenICam::ICameraPtr> m_cameras;
};

#endif // VXCAM_CAMERACONNECTIONS_H
