// Whether the camera SDK that the plug-in shares with this process could look
// for cameras at all. IGetCameraList gives an empty list both when the system
// found none and when it could not look (an unreadable configuration, a back
// end this build does not have, a failed discovery); the SDK's discovery
// result tells the two apart.
#ifndef VXCAM_SDKDISCOVERY_H
#define VXCAM_SDKDISCOVERY_H

#include <QString>
#include <QStringList>

// Runs one discovery; true when it failed.
bool sdkDiscoveryFailed();

// The line for an empty camera list: "no camera found", or that the SDK could
// not look.
QString noCameraText(bool discoveryFailed);
// The line for a camera `key` missing from the list `present`: the cameras
// present, or, when there are none because discovery failed, that.
QString missingCameraText(const QString &key, const QStringList &present);

#endif // VXCAM_SDKDISCOVERY_H
