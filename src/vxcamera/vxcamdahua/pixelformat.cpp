#include "pixelformat.h"

#include <cstdint>

namespace {

struct ListedFormat {
    const char *symbol;
    int bitsPerPixel;
    int imageFormat;
};

// Symbols whose bytes per pixel are whole and fixed. Mono and Bayer formats
// of more than 8 bits come in 16-bit words (GRAY16); packed formats with
// fractional bytes per pixel ("Mono12Packed", ...) are not listed.
constexpr ListedFormat kListed[] = {
    {"Mono8", 8, 1},      {"BayerRG8", 8, 1},      {"BayerGB8", 8, 1},    {"BayerGR8", 8, 1},
    {"BayerBG8", 8, 1},   {"Mono10", 16, 4},       {"Mono12", 16, 4},     {"Mono14", 16, 4},
    {"Mono16", 16, 4},    {"BayerRG10", 16, 4},    {"BayerGB10", 16, 4},  {"BayerGR10", 16, 4},
    {"BayerBG10", 16, 4}, {"BayerRG12", 16, 4},    {"BayerGB12", 16, 4},  {"BayerGR12", 16, 4},
    {"BayerBG12", 16, 4}, {"BayerRG16", 16, 4},    {"BayerGB16", 16, 4},  {"BayerGR16", 16, 4},
    {"BayerBG16", 16, 4}, {"YUV422Packed", 16, 4}, {"RGB8Packed", 24, 2}, {"BGR8Packed", 24, 11},
};

const ListedFormat *findListed(const QByteArray &symbol)
{
    for (const ListedFormat &format : kListed) {
        if (symbol == format.symbol)
            return &format;
    }
    return nullptr;
}

} // namespace

int listedPixelFormatBits(const QByteArray &symbol)
{
    const ListedFormat *format = findListed(symbol);
    return format != nullptr ? format->bitsPerPixel : 0;
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

int imageFormatFor(const QByteArray &symbol, int bitsPerPixel)
{
    const ListedFormat *format = findListed(symbol);
    return format != nullptr ? format->imageFormat : imageFormatForBits(bitsPerPixel);
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

quint64 announcedFrameBytes(qint64 width, qint64 height, qint64 bitsPerPixel)
{
    if (width < 0 || height < 0 || bitsPerPixel < 0)
        return 0;
    if (width > UINT32_MAX || height > UINT32_MAX)
        return UINT64_MAX;
    const quint64 pixels = static_cast<quint64>(width) * static_cast<quint64>(height);
    const quint64 bits = static_cast<quint64>(bitsPerPixel);
    if (bits != 0 && pixels > UINT64_MAX / bits)
        return UINT64_MAX;
    return pixels * bits / 8;
}
