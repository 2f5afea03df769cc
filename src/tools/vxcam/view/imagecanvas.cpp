#include "imagecanvas.h"

#include <QMouseEvent>
#include <QPainter>

ImageCanvas::ImageCanvas(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageCanvas::setImage(const QImage &image)
{
    const bool resized = image.size() != m_image.size();
    m_image = image;
    if (resized && !m_fit)
        setFixedSize(m_image.size());
    update();
}

void ImageCanvas::setFit(bool fit)
{
    m_fit = fit;
    if (fit) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(m_image.size());
    }
    update();
}

QRect ImageCanvas::imageRect() const
{
    if (m_image.isNull())
        return QRect();
    if (!m_fit)
        return QRect(QPoint(0, 0), m_image.size());
    const QSize scaled = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2), scaled);
}

std::optional<QPoint> ImageCanvas::pointedPixel() const
{
    const QRect target = imageRect();
    if (!m_mouse || !target.contains(*m_mouse))
        return std::nullopt;
    const QPoint inside = *m_mouse - target.topLeft();
    const int x = int(qint64(inside.x()) * m_image.width() / target.width());
    const int y = int(qint64(inside.y()) * m_image.height() / target.height());
    return QPoint(qBound(0, x, m_image.width() - 1), qBound(0, y, m_image.height() - 1));
}

void ImageCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    if (m_image.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_fit);
    painter.drawImage(imageRect(), m_image);
}

void ImageCanvas::mouseMoveEvent(QMouseEvent *event)
{
    m_mouse = event->pos();
}

void ImageCanvas::leaveEvent(QEvent *)
{
    m_mouse.reset();
}
