// ImageCanvas: paints the shown image, scaled to fit with its aspect kept,
// or at 1:1 (then it is as large as the image, inside a scroll area), and
// tells which image pixel the mouse pointer is over.
#ifndef VXCAM_IMAGECANVAS_H
#define VXCAM_IMAGECANVAS_H

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <optional>

class ImageCanvas : public QWidget {
public:
    explicit ImageCanvas(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }
    void setFit(bool fit);
    bool fit() const { return m_fit; }
    // The image pixel under the mouse pointer, if it is over the image.
    std::optional<QPoint> pointedPixel() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QRect imageRect() const;

    QImage m_image;
    bool m_fit = true;
    std::optional<QPoint> m_mouse;
};

#endif // VXCAM_IMAGECANVAS_H
