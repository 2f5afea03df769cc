// Turning a delivered frame into a picture a person can look at.
#ifndef VXCAM_FRAMEIMAGE_H
#define VXCAM_FRAMEIMAGE_H

#include <QByteArray>
#include <QImage>

// 8 bits per pixel: grey (Bayer frames are shown as grey, undemosaiced).
// 16: little-endian words scaled to 8 bits by the largest value present.
// 24: RGB bytes. 32: RGBX bytes. Other depths, or no pixels: a null image.
// Bytes missing at the end of a short frame are shown black.
QImage frameToImage(const QByteArray &bytes, int width, int height, int bitsPerPixel);

#endif // VXCAM_FRAMEIMAGE_H
