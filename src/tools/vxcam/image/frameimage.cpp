#include "frameimage.h"

#include "demosaic.h"

#include <QtEndian>

#include <algorithm>

namespace {

QImage scaledWords(const uchar *in, int width, int height)
{
    const qsizetype pixels = qsizetype(width) * height;
    quint16 top = 0;
    for (qsizetype i = 0; i < pixels; ++i)
        top = std::max(top, qFromLittleEndian<quint16>(in + 2 * i));
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const quint32 v = qFromLittleEndian<quint16>(in + 2 * (qsizetype(y) * width + x));
            line[x] = top == 0 ? 0 : static_cast<uchar>(v * 255u / top);
        }
    }
    return image;
}

// Packed colour of `step` bytes a pixel, red at byte `red` and blue at byte
// 2 - red, green in between.
QImage packedColour(const uchar *in, int width, int height, int step, int red)
{
    QImage image(width, height, QImage::Format_RGB32);
    const int blue = 2 - red;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const uchar *p = in + qsizetype(y) * width * step;
        for (int x = 0; x < width; ++x, p += step)
            line[x] = qRgb(p[red], p[1], p[blue]);
    }
    return image;
}

} // namespace

QImage frameToImage(const QByteArray &bytes, const FrameLayout &layout)
{
    const int width = layout.width;
    const int height = layout.height;
    if (width <= 0 || height <= 0 || width > 65536 || height > 65536)
        return QImage();
    const int bytesPerPixel = layout.bitsPerPixel / 8;
    if (layout.bitsPerPixel % 8 != 0 || bytesPerPixel < 1 || bytesPerPixel > 4)
        return QImage();
    const qsizetype size = qsizetype(width) * height * bytesPerPixel;
    QByteArray data = bytes.left(size);
    data.append(QByteArray(size - data.size(), '\0'));
    const auto *in = reinterpret_cast<const uchar *>(data.constData());

    switch (bytesPerPixel) {
    case 1: {
        const BayerOrder order = bayerOrderOf(layout.pixelFormat);
        if (order != BayerOrder::None)
            return demosaic(in, width, height, order);
        return QImage(in, width, height, width, QImage::Format_Grayscale8).copy();
    }
    case 2:
        return scaledWords(in, width, height);
    case 3:
        return packedColour(in, width, height, 3,
                            layout.imageFormat == 11 || layout.pixelFormat == "BGR8Packed" ? 2 : 0);
    default:
        return packedColour(in, width, height, 4,
                            layout.imageFormat == 12 || layout.pixelFormat == "BGRA8Packed" ? 2 : 0);
    }
}
