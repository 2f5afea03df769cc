#include "pixellayout.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace VxSim {
namespace detail {

namespace {

// The depth and packing a mono or Bayer format names after its prefix: "8",
// "10", "12", "14", "16" (samples in bytes), "10Packed", "12Packed" (GigE
// Vision packing), "10p", "12p", "14p" (bit stream). False for anything else.
bool readDepth(const QString &suffix, PixelLayout *layout)
{
    static const struct {
        const char *suffix;
        PixelLayout::Packing packing;
        int bits;
        int depth;
    } kDepths[] = {
        {"8", PixelLayout::Packing::Bytes, 8, 8},
        {"10", PixelLayout::Packing::Bytes, 16, 10},
        {"12", PixelLayout::Packing::Bytes, 16, 12},
        {"14", PixelLayout::Packing::Bytes, 16, 14},
        {"16", PixelLayout::Packing::Bytes, 16, 16},
        {"10Packed", PixelLayout::Packing::GigEPacked, 12, 10},
        {"12Packed", PixelLayout::Packing::GigEPacked, 12, 12},
        {"10p", PixelLayout::Packing::LsbFirst, 10, 10},
        {"12p", PixelLayout::Packing::LsbFirst, 12, 12},
        {"14p", PixelLayout::Packing::LsbFirst, 14, 14},
    };
    for (const auto &d : kDepths) {
        if (suffix == QLatin1String(d.suffix)) {
            layout->packing = d.packing;
            layout->bitsPerPixel = d.bits;
            layout->depth = d.depth;
            layout->known = true;
            return true;
        }
    }
    return false;
}

bool readRgb(const QString &pixelFormat, PixelLayout *layout)
{
    static const struct {
        const char *name;
        int red, green, blue, alpha;
    } kRgb[] = {
        {"RGB8Packed", 0, 1, 2, -1}, {"RGB8", 0, 1, 2, -1},       {"BGR8Packed", 2, 1, 0, -1},
        {"BGR8", 2, 1, 0, -1},       {"RGBA8Packed", 0, 1, 2, 3}, {"RGBA8", 0, 1, 2, 3},
        {"BGRA8Packed", 2, 1, 0, 3}, {"BGRA8", 2, 1, 0, 3},
    };
    for (const auto &f : kRgb) {
        if (pixelFormat == QLatin1String(f.name)) {
            layout->kind = PixelLayout::Kind::Rgb;
            layout->known = true;
            layout->bitsPerPixel = f.alpha < 0 ? 24 : 32;
            layout->red = f.red;
            layout->green = f.green;
            layout->blue = f.blue;
            layout->alpha = f.alpha;
            return true;
        }
    }
    return false;
}

} // namespace

int PixelLayout::groupPixels() const
{
    if (kind == Kind::Yuv422)
        return 2;
    return 8 / std::gcd(bitsPerPixel, 8);
}

PixelLayout pixelLayout(const QString &pixelFormat)
{
    PixelLayout layout;
    if (pixelFormat.startsWith(QLatin1String("Mono"))) {
        if (readDepth(pixelFormat.mid(4), &layout))
            return layout;
    } else if (pixelFormat.startsWith(QLatin1String("Bayer")) && pixelFormat.size() > 7) {
        // The first two colours of the mosaic's top row; the second row is the other two.
        static const struct {
            const char *order;
            uint8_t mosaic[4];
        } kOrders[]
            = {{"RG", {0, 1, 1, 2}}, {"GR", {1, 0, 2, 1}}, {"GB", {1, 2, 0, 1}}, {"BG", {2, 1, 1, 0}}};
        for (const auto &o : kOrders) {
            if (pixelFormat.mid(5, 2) == QLatin1String(o.order) && readDepth(pixelFormat.mid(7), &layout)) {
                layout.kind = PixelLayout::Kind::Bayer;
                std::copy(std::begin(o.mosaic), std::end(o.mosaic), layout.mosaic);
                return layout;
            }
        }
    } else if (pixelFormat == QLatin1String("YUV422Packed")
               || pixelFormat == QLatin1String("YUV422_8_UYVY")) {
        layout.kind = PixelLayout::Kind::Yuv422;
        layout.known = true;
        layout.bitsPerPixel = 16;
        return layout;
    } else if (readRgb(pixelFormat, &layout)) {
        return layout;
    }
    return PixelLayout {};
}

uint64_t frameBytesFor(int64_t width, int64_t height, const QString &pixelFormat)
{
    if (width < 0 || height < 0)
        return UINT64_MAX;
    const uint64_t w = static_cast<uint64_t>(width);
    const uint64_t h = static_cast<uint64_t>(height);
    if (w != 0 && h > UINT32_MAX / w)
        return UINT64_MAX;
    // w × h fits in 32 bits, so w × h × 32 fits in 64.
    return (w * h * static_cast<uint64_t>(pixelLayout(pixelFormat).bitsPerPixel) + 7) / 8;
}

} // namespace detail
} // namespace VxSim
