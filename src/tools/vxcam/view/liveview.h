// LiveView: the window of `vxcam view`. A timer at the screen's pace takes
// the newest frame from the camera's hand-over, converts it and shows it,
// with a status line and a histogram; keys and toolbar buttons stop and
// start, take snapshots, change the exposure time, switch dumps and the
// scaling. Closing the window stops, closes and deletes the camera.
#ifndef VXCAM_LIVEVIEW_H
#define VXCAM_LIVEVIEW_H

#include "frameimage.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QTimer>

class ViewCamera;
class ImageCanvas;
class HistogramWidget;
class QAction;
class QLabel;
class QScrollArea;

class LiveView : public QMainWindow {
public:
    // The camera must be open; the window does not own it. With a screenshot
    // file, the window is saved there as a PNG when it closes.
    LiveView(ViewCamera *camera, const QString &screenshotFile);

    // The next exposure time one step up or down from value (a factor of
    // 1.25, at least 1 and at least a change of 1).
    static int exposureStep(int value, bool up);

    const ImageCanvas *canvas() const { return m_canvas; }
    // The bytes of the frame shown last (empty before the first one).
    const QByteArray &shownFrame() const { return m_shownFrame; }
    quint32 shownFrameNumber() const { return m_shownNumber; }
    bool screenshotFailed() const { return m_screenshotFailed; }
    QString statusText() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *makeAction(const QString &text, const QList<QKeySequence> &keys, const QString &tip);
    void refresh();
    void toggleRunning();
    void snapshot();
    void changeExposure(bool up);
    void toggleDumps();
    void toggleFit();
    QString pixelText() const;
    void updateStatus();

    ViewCamera *m_camera;
    const QString m_screenshotFile;
    ImageCanvas *m_canvas;
    QScrollArea *m_scroll;
    HistogramWidget *m_histogram;
    QLabel *m_status;
    QAction *m_runAction = nullptr;
    QAction *m_dumpAction = nullptr;
    QAction *m_fitAction = nullptr;
    QAction *m_exposureUp = nullptr;
    QAction *m_exposureDown = nullptr;
    QTimer m_timer;
    QElapsedTimer m_rateClock;
    quint64 m_rateFrames = 0;
    double m_fps = 0;
    QByteArray m_shownFrame;
    quint32 m_shownNumber = 0;
    bool m_closed = false;
    bool m_screenshotFailed = false;
};

#endif // VXCAM_LIVEVIEW_H
