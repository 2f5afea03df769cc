// How the bytes of a delivered frame are laid out.
#ifndef VXCAM_FRAMELAYOUT_H
#define VXCAM_FRAMELAYOUT_H

#include <QByteArray>
#include <QtGlobal>

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

// The largest frame the tool copies to show it (the live view, --png): 1 GiB.
// A larger frame is counted and dumped all the same, but not shown: Qt 5
// holds at most 2 GiB in one byte array, and the picture made from it would
// pass Qt's 2 GiB image limit.
constexpr qint64 kLargestShownFrameBytes = qint64(1) << 30;

#endif // VXCAM_FRAMELAYOUT_H
