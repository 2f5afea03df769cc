// Pixel-format rules shared by both drivers: the bit depth and image format
// code of the pixel-format symbols the drivers know, and the image format
// code of a bit depth.
#ifndef VXCAMDAHUA_PIXELFORMAT_H
#define VXCAMDAHUA_PIXELFORMAT_H

#include <QByteArray>

// Bits per pixel of a listed symbol: 8 for "Mono8" and the 8-bit Bayer
// formats of the four orders (RG, GB, GR, BG); 16 for "Mono10", "Mono12",
// "Mono14", "Mono16", the 10-, 12- and 16-bit Bayer formats of the four
// orders, and "YUV422Packed"; 24 for "RGB8Packed" and "BGR8Packed".
// 0 for every other symbol, the empty one and the packed formats with
// fractional bytes per pixel included.
int listedPixelFormatBits(const QByteArray &symbol);

// Image format code of a bit depth: 1 (GRAY8) up to 8 bits, 4 (GRAY16) up to
// 16, 2 (RGB24) up to 24, 3 (RGB32) above.
int imageFormatForBits(int bitsPerPixel);

// Image format code of frames of `symbol` at `bitsPerPixel`: a listed
// symbol's own code (1 GRAY8 for the 8-bit ones, 4 GRAY16 for the 16-bit
// ones, 2 RGB24 for "RGB8Packed", 11 BGR24 for "BGR8Packed"), else the code
// of the bit depth.
int imageFormatFor(const QByteArray &symbol, int bitsPerPixel);

// Frame size in bytes of width x height pixels of bytesPerPixel each, or
// false when the product is negative or does not fit in 32 bits.
bool frameByteCount(qint64 width, qint64 height, qint64 bytesPerPixel, quint32 *bytes);

// The bytes a host reads from a frame of the announced geometry:
// width x height x bitsPerPixel / 8, computed in 64 bits; 0 when a factor is
// negative, the largest value when the product does not fit.
quint64 announcedFrameBytes(qint64 width, qint64 height, qint64 bitsPerPixel);

#endif // VXCAMDAHUA_PIXELFORMAT_H
