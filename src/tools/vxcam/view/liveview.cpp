#include "liveview.h"

#include "histogram.h"
#include "imagecanvas.h"
#include "printabletext.h"
#include "viewcamera.h"

#include "MVSDK/StreamStatistics.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

// What a key that needs the camera says while it is lost.
const QString kLostMessage = QStringLiteral("The camera is lost; this works again once it is back");

} // namespace

LiveView::LiveView(ViewCamera *camera, const QString &screenshotFile)
    : m_camera(camera)
    , m_screenshotFile(screenshotFile)
    , m_canvas(new ImageCanvas)
    , m_scroll(new QScrollArea)
    , m_histogram(new HistogramWidget)
    , m_status(new QLabel)
{
    setWindowTitle(QStringLiteral("vxcam view - %1").arg(printableText(camera->key())));
    QToolBar *tools = addToolBar(QStringLiteral("Camera"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_runAction
        = makeAction(QStringLiteral("Stop"), {Qt::Key_Space}, QStringLiteral("Stop or start acquisition"));
    connect(m_runAction, &QAction::triggered, this, &LiveView::toggleRunning);
    QAction *snap
        = makeAction(QStringLiteral("Snapshot"), {Qt::Key_S},
                     QStringLiteral("One software-triggered frame (switches to software triggering)"));
    connect(snap, &QAction::triggered, this, &LiveView::snapshot);
    m_exposureUp = makeAction(QStringLiteral("Exposure +"), {Qt::Key_Plus, Qt::Key_Equal},
                              QStringLiteral("Exposure time one step up"));
    connect(m_exposureUp, &QAction::triggered, this, [this] { changeExposure(true); });
    m_exposureDown = makeAction(QStringLiteral("Exposure -"), {Qt::Key_Minus},
                                QStringLiteral("Exposure time one step down"));
    connect(m_exposureDown, &QAction::triggered, this, [this] { changeExposure(false); });
    m_dumpAction
        = makeAction(QStringLiteral("Dumps"), {Qt::Key_D}, QStringLiteral("Dump every frame as a bitmap"));
    m_dumpAction->setCheckable(true);
    m_dumpAction->setChecked(camera->dumps());
    connect(m_dumpAction, &QAction::triggered, this, &LiveView::toggleDumps);
    m_fitAction
        = makeAction(QStringLiteral("Fit"), {Qt::Key_F}, QStringLiteral("Scale to fit, or show at 1:1"));
    m_fitAction->setCheckable(true);
    m_fitAction->setChecked(true);
    connect(m_fitAction, &QAction::triggered, this, &LiveView::toggleFit);
    QAction *quit = makeAction(QStringLiteral("Quit"), {Qt::Key_Q, Qt::Key_Escape},
                               QStringLiteral("Stop, close the camera and quit"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    for (QAction *action : actions())
        tools->addAction(action);

    m_scroll->setWidget(m_canvas);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);
    // Three lines or more: a line wider than the room beside the histogram
    // wraps at its spaces, so no word of the state is cut; a long key alone
    // is cut at the window's edge, not widening it.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_histogram);
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(bottom);
    setCentralWidget(central);
    statusBar();

    const FrameLayout &frames = camera->layout();
    const QSize available = screen() != nullptr ? screen()->availableSize() : QSize(1024, 768);
    const QSize image = QSize(frames.width, frames.height).boundedTo(available * 3 / 4);
    resize(std::max(image.width() + 16, 800), image.height() + 160);

    const double rate = screen() != nullptr ? screen()->refreshRate() : 60.0;
    m_timer.setInterval(int(1000.0 / std::clamp(rate, 10.0, 240.0)));
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LiveView::refresh);
    m_timer.start();
    m_rateClock.start();
    updateStatus();
}

QAction *LiveView::makeAction(const QString &text, const QList<QKeySequence> &keys, const QString &tip)
{
    auto *action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setToolTip(QStringLiteral("%1 (%2)").arg(tip, keys.first().toString(QKeySequence::NativeText)));
    action->setShortcutContext(Qt::WindowShortcut);
    QWidget::addAction(action);
    return action;
}

int LiveView::exposureStep(int value, bool up)
{
    const double scaled = up ? value * 1.25 : value / 1.25;
    const double bounded = std::clamp(std::round(scaled), 1.0, 2147483647.0);
    int next = int(bounded);
    if (next == value)
        next = up ? (value < 2147483647 ? value + 1 : value) : std::max(1, value - 1);
    return next;
}

void LiveView::refresh()
{
    m_camera->watchConnection();
    m_runAction->setText(m_camera->running() ? QStringLiteral("Stop") : QStringLiteral("Start"));
    const ViewFrame *frame = m_camera->host().latest().takeNewest();
    if (frame != nullptr) {
        m_shownFrame = frame->bytes;
        m_shownNumber = frame->number;
        const QImage image = frameToImage(frame->bytes, m_camera->layout());
        m_canvas->setImage(image);
        m_histogram->setImage(image);
    }
    if (m_rateClock.elapsed() >= 500) {
        const quint64 frames = m_camera->host().frames();
        m_fps = (frames - m_rateFrames) * 1000.0 / m_rateClock.restart();
        m_rateFrames = frames;
    }
    updateStatus();
}

void LiveView::toggleRunning()
{
    if (m_camera->lost()) {
        statusBar()->showMessage(kLostMessage, 5000);
        return;
    }
    if (m_camera->running()) {
        m_camera->stop();
        statusBar()->showMessage(QStringLiteral("Stopped"), 3000);
    } else if (m_camera->start()) {
        statusBar()->showMessage(QStringLiteral("Started"), 3000);
    } else {
        statusBar()->showMessage(QStringLiteral("The camera refused to start"), 5000);
    }
    m_runAction->setText(m_camera->running() ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

void LiveView::snapshot()
{
    if (m_camera->lost()) {
        statusBar()->showMessage(kLostMessage, 5000);
        return;
    }
    statusBar()->showMessage(m_camera->snap() ? QStringLiteral("Snapshot fired")
                                              : QStringLiteral("Snapshot refused (is acquisition running?)"),
                             3000);
}

void LiveView::changeExposure(bool up)
{
    if (!m_camera->exposureKnown()) {
        statusBar()->showMessage(QStringLiteral("The exposure time is unknown; start with --exposure"), 5000);
        return;
    }
    const int value = exposureStep(m_camera->exposure(), up);
    if (!m_camera->setExposure(value))
        statusBar()->showMessage(QStringLiteral("Exposure time %1 refused").arg(value), 5000);
}

void LiveView::toggleDumps()
{
    m_camera->setDumps(m_dumpAction->isChecked());
}

void LiveView::toggleFit()
{
    const bool fit = m_fitAction->isChecked();
    m_scroll->setWidgetResizable(fit);
    m_canvas->setFit(fit);
}

QString LiveView::pixelText() const
{
    const std::optional<QPoint> pixel = m_canvas->pointedPixel();
    if (!pixel)
        return QString();
    const QString place = QStringLiteral("pixel (%1, %2): ").arg(pixel->x()).arg(pixel->y());
    const FrameLayout &layout = m_camera->layout();
    if (layout.bitsPerPixel == 16) {
        const qsizetype offset = 2 * (qsizetype(pixel->y()) * layout.width + pixel->x());
        if (offset + 2 > m_shownFrame.size())
            return QString();
        return place + QString::number(qFromLittleEndian<quint16>(m_shownFrame.constData() + offset));
    }
    const QRgb rgb = m_canvas->image().pixel(*pixel);
    if (m_canvas->image().isGrayscale())
        return place + QString::number(qGray(rgb));
    return place + QStringLiteral("R %1 G %2 B %3").arg(qRed(rgb)).arg(qGreen(rgb)).arg(qBlue(rgb));
}

QString LiveView::statusText() const
{
    return m_status->text();
}

void LiveView::updateStatus()
{
    const FrameLayout &layout = m_camera->layout();
    const Dahua::GenICam::CStreamStatistics statistics
        = Dahua::GenICam::cameraStatistics(m_camera->key().toUtf8().constData());
    QString format = g_imageFormatNames.value(layout.imageFormat, QStringLiteral("?"));
    if (!layout.pixelFormat.isEmpty())
        format = QStringLiteral("%1 (%2)").arg(QString::fromLatin1(layout.pixelFormat), format);
    const QString exposure
        = m_camera->exposureKnown() ? QString::number(m_camera->exposure()) : QStringLiteral("unknown");
    // The key goes in last: a "%" in it must not take part in the filling-in.
    const QString state = m_camera->reconnecting() ? QStringLiteral("LOST, reconnecting")
        : m_camera->lost()                         ? QStringLiteral("LOST, not reconnecting")
        : m_camera->limitReached()                 ? QStringLiteral("stopped at the frame limit")
        : m_camera->running()                      ? QStringLiteral("running")
                                                   : QStringLiteral("stopped");
    const QString first
        = QStringLiteral("  %1x%2  %3  %4").arg(layout.width).arg(layout.height).arg(format, state);
    QString second = QStringLiteral("frames %1  %2 fps  lost %3  incomplete %4")
                         .arg(m_camera->host().frames())
                         .arg(m_fps, 0, 'f', 1)
                         .arg(statistics.lostFrames)
                         .arg(statistics.incompleteFrames);
    if (m_camera->hadOutage()) {
        double missed = 0;
        const bool estimated = m_camera->missedEstimate(&missed);
        second += QStringLiteral("  offline %1 s  missed %2")
                      .arg(m_camera->offlineSeconds(), 0, 'f', 1)
                      .arg(estimated ? QStringLiteral("~%1 (estimate)").arg(qint64(std::llround(missed)))
                                     : QStringLiteral("unknown"));
    }
    const QString third
        = QStringLiteral("exposure %1  dumps %2  ")
              .arg(exposure, m_camera->dumps() ? QStringLiteral("on") : QStringLiteral("off"));
    m_status->setText(printableText(m_camera->key()) + first + QLatin1Char('\n') + second + QLatin1Char('\n')
                      + third + pixelText());
}

void LiveView::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        m_timer.stop();
        if (!m_screenshotFile.isEmpty() && !grab().save(m_screenshotFile, "PNG"))
            m_screenshotFailed = true;
        m_camera->finish();
        m_runAction->setText(QStringLiteral("Start"));
    }
    event->accept();
}
