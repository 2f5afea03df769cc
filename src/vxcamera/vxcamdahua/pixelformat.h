// Pixel-format rules shared by both drivers: the bit depth of the pixel-format
// symbols the drivers know, and the image format code of a bit depth.
#ifndef VXCAMDAHUA_PIXELFORMAT_H
#define VXCAMDAHUA_PIXELFORMAT_H

#include <QByteArray>

// Bits per pixel of a listed symbol: 8 for "Mono8", "BayerRG8", "BayerGB8";
// 16 for "BayerRG10", "BayerGB10", "YUV422Packed"; 24 for "RGB8Packed".
// 0 for every other symbol, the empty one included.
int listedPixelFormatBits(const QByteArray &symbol);

// Image format code of a bit depth: 1 (GRAY8) up to 8 bits, 4 (GRAY16) up to
// 16, 2 (RGB24) up to 24, 3 (RGB32) above.
int imageFormatForBits(int bitsPerPixel);

// Frame size in bytes of width x height pixels of bytesPerPixel each, or
// false when the product is negative or does not fit in 32 bits.
bool frameByteCount(qint64 width, qint64 height, qint64 bytesPerPixel, quint32 *bytes);

#endif // VXCAMDAHUA_PIXELFORMAT_H
