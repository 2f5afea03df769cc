// PixelLayout: how frames of a pixel format carry their pixels. The bits per
// pixel give the frame size; the sample depth, the packing and the colour
// arrangement tell the patterns where each value goes.
//
// A pixel format this system does not know is taken as one byte per pixel.
#ifndef MVSDK_VIRTUAL_PIXELLAYOUT_H
#define MVSDK_VIRTUAL_PIXELLAYOUT_H

#include <QString>

#include <cstdint>

namespace VxSim {
namespace detail {

struct PixelLayout {
    enum class Kind {
        Grey,   // one sample per pixel
        Bayer,  // one sample per pixel, its colour after the pixel's place in the mosaic
        Rgb,    // 8-bit red, green, blue (and alpha) bytes
        Yuv422, // pairs of pixels as U Y0 V Y1 bytes
    };
    enum class Packing {
        Bytes,      // each sample in 1 or 2 bytes, little-endian
        GigEPacked, // two samples of 10 or 12 bits in three bytes, high bits in bytes 0 and 2
        LsbFirst,   // samples back to back in a bit stream, lowest bit first
    };
    Kind kind = Kind::Grey;
    Packing packing = Packing::Bytes;
    bool known = false; // listed below; else drawn as 8-bit grey
    int bitsPerPixel = 8;
    int depth = 8; // bits of one grey or Bayer sample
    // Bayer: colour (0 red, 1 green, 2 blue) of the pixel at (x, y), index (y & 1) * 2 + (x & 1).
    uint8_t mosaic[4] = {0, 1, 1, 2};
    // Rgb: byte offsets within a pixel; alpha < 0: none.
    int red = 0, green = 1, blue = 2, alpha = -1;

    // Pixels of the shortest run that starts and ends on a byte boundary.
    int groupPixels() const;
    // Largest sample value.
    uint32_t maxSample() const { return (1u << depth) - 1u; }
};

PixelLayout pixelLayout(const QString &pixelFormat);

// Byte count of a frame of this geometry, width × height × bits per pixel / 8
// rounded up, computed in 64 bits; UINT64_MAX when a side is negative or the
// count does not fit in 32 bits anyway.
uint64_t frameBytesFor(int64_t width, int64_t height, const QString &pixelFormat);

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_PIXELLAYOUT_H
