#include "pixelformat.h"

#include <cstdint>

int listedPixelFormatBits(const QByteArray &symbol)
{
    if (symbol == "Mono8" || symbol == "BayerRG8" || symbol == "BayerGB8")
        return 8;
    if (symbol == "BayerRG10" || symbol == "BayerGB10")
        return 16;
    if (symbol == "RGB8Packed")
        return 24;
    if (symbol == "YUV422Packed")
        return 16;
    return 0;
}

int imageFormatForBits(int bitsPerPixel)
{
    if (bitsPerPixel <= 8)
        return 1;
    if (bitsPerPixel <= 16)
        return 4;
    if (bitsPerPixel <= 24)
        return 2;
    return 3;
}

bool frameByteCount(qint64 width, qint64 height, qint64 bytesPerPixel, quint32 *bytes)
{
    if (width < 0 || height < 0 || bytesPerPixel < 0)
        return false;
    // Each factor fits in 32 bits, so the first product fits in 64.
    if (width > UINT32_MAX || height > UINT32_MAX || bytesPerPixel > UINT32_MAX)
        return false;
    const quint64 pixels = static_cast<quint64>(width) * static_cast<quint64>(height);
    if (bytesPerPixel != 0 && pixels > UINT32_MAX / static_cast<quint64>(bytesPerPixel))
        return false;
    *bytes = static_cast<quint32>(pixels * static_cast<quint64>(bytesPerPixel));
    return true;
}
