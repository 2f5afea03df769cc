#include "histogram.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

std::array<quint32, 256> greyHistogram(const QImage &image)
{
    std::array<quint32, 256> counts {};
    if (image.isNull())
        return counts;
    // Sampled in place, at most about 65536 pixels: no converted copy (Qt
    // would convert a large image on its thread pool, for every frame shown).
    const qint64 pixels = qint64(image.width()) * image.height();
    const int step = std::max(1, int(std::sqrt(double(pixels) / 65536.0)));
    const QImage::Format format = image.format();
    for (int y = 0; y < image.height(); y += step) {
        if (format == QImage::Format_Grayscale8) {
            const uchar *line = image.constScanLine(y);
            for (int x = 0; x < image.width(); x += step)
                ++counts[line[x]];
        } else if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); x += step)
                ++counts[qGray(line[x])];
        } else {
            for (int x = 0; x < image.width(); x += step)
                ++counts[qGray(image.pixel(x, y))];
        }
    }
    return counts;
}

HistogramWidget::HistogramWidget(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(256 + 2, 48 + 2);
    setToolTip(QStringLiteral("Grey values of the shown image, 0 to 255"));
}

void HistogramWidget::setImage(const QImage &image)
{
    m_counts = greyHistogram(image);
    update();
}

void HistogramWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const quint32 top = *std::max_element(m_counts.begin(), m_counts.end());
    if (top == 0)
        return;
    painter.setPen(QColor(220, 220, 220));
    const int bars = height() - 2;
    for (int v = 0; v < 256; ++v) {
        // Square root: small counts stay visible beside a tall peak.
        const int h = int(std::lround(std::sqrt(double(m_counts[size_t(v)]) / top) * bars));
        if (h > 0)
            painter.drawLine(v + 1, height() - 1, v + 1, height() - 1 - h);
    }
}
