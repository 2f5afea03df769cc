// Histogram: a small picture of how the grey values of the shown image are
// spread over 0 to 255, so that exposure can be set by eye.
#ifndef VXCAM_HISTOGRAM_H
#define VXCAM_HISTOGRAM_H

#include <QImage>
#include <QWidget>

#include <array>

// Counts of the grey value (qGray) of the image's pixels; large images are
// sampled on a regular grid of at most about 65,536 points.
std::array<quint32, 256> greyHistogram(const QImage &image);

class HistogramWidget : public QWidget {
public:
    explicit HistogramWidget(QWidget *parent = nullptr);
    void setImage(const QImage &image);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::array<quint32, 256> m_counts {};
};

#endif // VXCAM_HISTOGRAM_H
