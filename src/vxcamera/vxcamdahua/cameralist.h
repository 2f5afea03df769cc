// CCameraList: a driver's process-wide list of the cameras that discovery
// found. Each driver class keeps its own; the two are never mixed.
//
// The list is filled only while it is empty, so once discovery has found a
// camera it stays as it is for the life of the process. One mutex guards the
// list and discovery into it: opens and camera lists may come from several
// host threads.
#ifndef VXCAMDAHUA_CAMERALIST_H
#define VXCAMDAHUA_CAMERALIST_H

#include "MVSDK/GenICam/Camera.h"

#include <QList>
#include <QStringList>

#include <mutex>

class CCameraList {
public:
    // Clears the list and discovers again; the number of cameras found
    // (0 when discovery fails).
    int discover();
    // Discovers when the list is empty; the number of cameras in it.
    int discoverIfEmpty();
    // The first camera whose key (UTF-8) equals `key` exactly; empty if none.
    Dahua::GenICam::ICameraPtr find(const QString &key) const;
    // Every key in list order, discovering first when the list is empty.
    QStringList keys();

private:
    int discoverLocked();

    mutable std::mutex m_mutex;
    QList<Dahua::GenICam::ICameraPtr> m_cameras;
};

#endif // VXCAMDAHUA_CAMERALIST_H
