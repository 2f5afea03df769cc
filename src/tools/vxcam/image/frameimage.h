// Turning a delivered frame into a picture a person can look at: the one
// conversion behind both the PNG preview and the live view.
#ifndef VXCAM_FRAMEIMAGE_H
#define VXCAM_FRAMEIMAGE_H

#include "framelayout.h"

#include <QByteArray>
#include <QImage>

// 8 bits per pixel: grey; the 8-bit Bayer formats demosaiced to colour.
// 16: little-endian words scaled to 8 bits by the largest value present.
// 24: RGB bytes, BGR for image format 11 or "BGR8Packed".
// 32: RGBA bytes, BGRA for image format 12 or "BGRA8Packed"; alpha ignored.
// Other depths, or a bad geometry: a null image. Bytes missing at the end of
// a short frame are shown black.
QImage frameToImage(const QByteArray &bytes, const FrameLayout &layout);

#endif // VXCAM_FRAMEIMAGE_H
