#include "demosaic.h"

#include <algorithm>
#include <array>

namespace {

enum Channel { Red, Green, Blue };

// Channel of each position in the 2x2 cell: index (y % 2) * 2 + x % 2.
std::array<Channel, 4> cellOf(BayerOrder order)
{
    switch (order) {
    case BayerOrder::GB:
        return {Green, Blue, Red, Green};
    case BayerOrder::GR:
        return {Green, Red, Blue, Green};
    case BayerOrder::BG:
        return {Blue, Green, Green, Red};
    default:
        return {Red, Green, Green, Blue};
    }
}

} // namespace

BayerOrder bayerOrderOf(const QByteArray &pixelFormat)
{
    if (pixelFormat == "BayerRG8")
        return BayerOrder::RG;
    if (pixelFormat == "BayerGB8")
        return BayerOrder::GB;
    if (pixelFormat == "BayerGR8")
        return BayerOrder::GR;
    if (pixelFormat == "BayerBG8")
        return BayerOrder::BG;
    return BayerOrder::None;
}

QImage demosaic(const uchar *mosaic, int width, int height, BayerOrder order)
{
    const std::array<Channel, 4> cell = cellOf(order);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int top = std::max(0, y - 1);
        const int bottom = std::min(height - 1, y + 1);
        for (int x = 0; x < width; ++x) {
            const int left = std::max(0, x - 1);
            const int right = std::min(width - 1, x + 1);
            std::array<int, 3> sum {};
            std::array<int, 3> count {};
            for (int ny = top; ny <= bottom; ++ny) {
                const uchar *row = mosaic + qsizetype(ny) * width;
                for (int nx = left; nx <= right; ++nx) {
                    const Channel c = cell[(ny % 2) * 2 + nx % 2];
                    sum[c] += row[nx];
                    ++count[c];
                }
            }
            const Channel own = cell[(y % 2) * 2 + x % 2];
            sum[own] = mosaic[qsizetype(y) * width + x];
            count[own] = 1;
            const auto mean = [&](Channel c) { return count[c] == 0 ? 0 : sum[c] / count[c]; };
            line[x] = qRgb(mean(Red), mean(Green), mean(Blue));
        }
    }
    return image;
}
