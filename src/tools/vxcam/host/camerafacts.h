// What the host contract does not tell about an opened camera, read from the
// camera SDK that the plug-in shares with this process: the pixel-format
// symbol (the contract's bit depth and format code tell neither a Bayer
// order nor BGRA from RGBA) and the exposure time before the tool sets one.
#ifndef VXCAM_CAMERAFACTS_H
#define VXCAM_CAMERAFACTS_H

#include <QByteArray>
#include <QString>

struct CameraFacts {
    QByteArray pixelFormat; // empty when unknown
    bool exposureKnown = false;
    double exposure = 0;
};

// Reads only; a camera the SDK does not list (say, a plug-in with an SDK of
// its own) gives empty facts.
CameraFacts readCameraFacts(const QString &key);

#endif // VXCAM_CAMERAFACTS_H
