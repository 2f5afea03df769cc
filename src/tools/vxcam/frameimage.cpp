#include "frameimage.h"

#include <QtEndian>

#include <algorithm>

QImage frameToImage(const QByteArray &bytes, int width, int height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0 || width > 65536 || height > 65536)
        return QImage();
    const qsizetype pixels = qsizetype(width) * height;
    const int bytesPerPixel = bitsPerPixel / 8;
    if (bitsPerPixel % 8 != 0 || bytesPerPixel < 1 || bytesPerPixel > 4)
        return QImage();
    QByteArray data = bytes.left(pixels * bytesPerPixel);
    data.append(QByteArray(pixels * bytesPerPixel - data.size(), '\0'));
    const auto *in = reinterpret_cast<const uchar *>(data.constData());

    switch (bytesPerPixel) {
    case 1:
        return QImage(in, width, height, width, QImage::Format_Grayscale8).copy();
    case 2: {
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
    case 3:
        return QImage(in, width, height, qsizetype(width) * 3, QImage::Format_RGB888).copy();
    default:
        return QImage(in, width, height, qsizetype(width) * 4, QImage::Format_RGBX8888).copy();
    }
}
