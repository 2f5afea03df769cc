// Whether the camera SDK that the plug-in shares with this process could look
// for cameras at all. IGetCameraList gives an empty list both when the system
// found none and when it could not look (an unreadable configuration, a back
// end this build does not have, a failed discovery); the SDK's discovery
// result tells the two apart.
#ifndef VXCAM_SDKDISCOVERY_H
#define VXCAM_SDKDISCOVERY_H

// Runs one discovery; true when it failed.
bool sdkDiscoveryFailed();

#endif // VXCAM_SDKDISCOVERY_H
