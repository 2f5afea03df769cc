// How the bytes of a delivered frame are laid out.
#ifndef VXCAM_FRAMELAYOUT_H
#define VXCAM_FRAMELAYOUT_H

#include <QByteArray>

// What the camera object tells (geometry, bits per pixel, image format code)
// and, when known, the camera's pixel-format symbol, which alone tells a
// Bayer order or BGRA from RGBA.
struct FrameLayout {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int imageFormat = 0;
    QByteArray pixelFormat;
};

#endif // VXCAM_FRAMELAYOUT_H
