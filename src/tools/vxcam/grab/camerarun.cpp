#include "camerarun.h"

#include "cameraconnections.h"
#include "camerafacts.h"
#include "camerastatistics.h"
#include "dumpcheck.h"
#include "failurelines.h"
#include "interrupt.h"
#include "pngpreview.h"
#include "printabletext.h"
#include "slowcall.h"
#include "warningwatch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

using Clock = GrabHost::Clock;

// How often a waiting run looks at its time limit, the connection and interrupts.
constexpr std::chrono::milliseconds kLookAgain {20};
// How often a lost camera is tried again.
constexpr std::chrono::seconds kReopenEvery {1};

Clock::time_point after(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

CameraRun::CameraRun(const GrabOptions &options, const PluginLoader &plugin)
    : m_options(options)
    , m_host(!options.png.isEmpty(), options.frames, &m_option)
    , m_camera(plugin, options.earlierDriver, &m_option, &m_host)
{
    m_option.boardNum = options.board;
}

CameraRun::~CameraRun() = default;

QStringList CameraRun::cameraList() const
{
    return m_camera->IGetCameraList();
}

void CameraRun::setKey(const QString &key)
{
    m_key = key;
    m_shownKey = printableText(key);
}

QString CameraRun::cameraText() const
{
    return QStringLiteral("camera \"") + m_shownKey + QLatin1Char('"');
}

void CameraRun::fail(const QString &line)
{
    m_failures->add(line);
    m_failed.store(true);
}

void CameraRun::run(const CameraConnections &connections, FailureLines &failures, const QString &pngFile,
                    Clock::time_point deadline)
{
    m_connections = &connections;
    m_failures = &failures;
    m_deadline = deadline;
    m_runStart = Clock::now();
    if (!interrupted() && open()) {
        if (!ending() && setExposure() && !ending() && start()) {
            fireSnapshots();
            waitForFrames();
        }
        stopAndClose();
        if (!m_started && m_end == End::Time && !m_failed.load())
            fail(cameraText()
                 + QStringLiteral(": the run's %1 seconds were up before it started")
                       .arg(number(m_options.seconds)));
    }
    // A call left under way still uses the object (and m_camera, in a
    // reopen): the process ends without deleting it.
    if (!m_leftUnderWay)
        m_camera.reset();
    m_summary.elapsed = secondsBetween(m_runStart, Clock::now());
    if (m_started) {
        m_summary.lost = undeliveredFrames(m_key) - m_undeliveredBefore;
        // A silence that ended the run without a loss of the connection:
        // the outage estimate covers the silence before a loss instead.
        const quint64 silent = estimatedMissedFrames(m_key) - m_estimatedMissedBefore;
        if (silent > 0 && !m_summary.offline)
            m_summary.missedEstimate = qint64(silent);
        reportRun();
        if (!m_options.savePrefix.isEmpty() && m_end != End::Lost)
            reportDumps();
        if (!pngFile.isEmpty())
            writePng(pngFile);
    }
    m_finished.store(true);
}

std::optional<bool> CameraRun::slowCall(const QString &what, const std::function<bool()> &call, bool bounded)
{
    auto slow = std::make_unique<SlowCall>(call);
    bool said = false;
    for (;;) {
        if (slow->waitUntil(Clock::now() + kLookAgain))
            return slow->result();
        if (!said && slow->seconds() >= SlowCall::kSaySlowAfterSeconds) {
            m_failures->add(QStringLiteral("waiting for ") + cameraText() + QStringLiteral(" to answer its ")
                            + what);
            said = true;
        }
        if (!bounded)
            continue;
        // An interrupt ends the run now, and the camera is closed once the
        // call has returned. At the deadline the call has a moment more; the
        // run then ends without waiting for it.
        const bool timeUp = !interrupted() && Clock::now() >= m_deadline + SlowCall::kDeadlineGrace;
        if (!timeUp && !interrupted())
            continue;
        const QString line = cameraText()
            + (timeUp ? QStringLiteral(": the run's %1 seconds were up while its %2 was under way; the run "
                                       "ends without waiting for it")
                            .arg(number(m_options.seconds), what)
                      : QStringLiteral(
                            ": interrupted while its %1 was under way; it is closed once that returns")
                            .arg(what));
        if (timeUp && !m_started)
            fail(line);
        else
            m_failures->add(line);
        m_end = timeUp ? End::Time : End::Interrupt;
        m_pending = std::move(slow);
        return std::nullopt;
    }
}

bool CameraRun::open()
{
    m_option.cameraName = m_key;
    ICameraObject *camera = m_camera.get();
    // With --reconnect a refused open is tried again, as a lost camera is.
    bool saidRefused = false;
    for (Clock::time_point attempt = Clock::now();; attempt += kReopenEvery) {
        if (!waitForAttempt(attempt)) {
            if (interrupted())
                m_end = End::Interrupt;
            else
                fail(cameraText()
                     + QStringLiteral(": the run's %1 seconds were up before it opened")
                           .arg(number(m_options.seconds)));
            return false;
        }
        const std::optional<bool> opened = slowCall(
            QStringLiteral("open"), [camera] { return camera->IOpenCamera() == 1; }, true);
        if (!opened)
            return true; // ended while the open was under way: see stopAndClose()
        if (*opened)
            break;
        if (!m_options.reconnect) {
            fail(QStringLiteral("cannot open ") + cameraText());
            return false;
        }
        if (!saidRefused)
            m_failures->add(QStringLiteral("cannot open ") + cameraText()
                            + QStringLiteral("; trying again about once a second"));
        saidRefused = true;
    }
    // Only the picture needs the pixel-format symbol.
    if (!m_options.png.isEmpty())
        m_lastFrameLayout.pixelFormat = readCameraFacts(m_key).pixelFormat;
    return true;
}

bool CameraRun::exposureSet()
{
    if (!m_options.exposureGiven)
        return true;
    tagVX_CAMERA_PROPERTY property;
    property.propId = 1;
    property.propValue = m_options.exposure;
    WarningWatch watch;
    m_camera->ISetProperty(&property);
    return watch.warnings() == 0;
}

bool CameraRun::setExposure()
{
    if (exposureSet())
        return true;
    fail(QStringLiteral("cannot set the exposure time %1 on ").arg(m_options.exposure) + cameraText());
    return false;
}

bool CameraRun::start()
{
    m_camera->m_nTriggerMode = m_options.mode;
    if (m_options.mode == 3 && m_options.limitGiven)
        m_camera->m_nFrameLimit = m_options.limit;
    if (!m_options.savePrefix.isEmpty()) {
        m_option.savePrefix = m_options.savePrefix;
        m_option.saveSuffix = m_options.saveSuffix;
        m_option.saveFlag = 1;
    }
    m_undeliveredBefore = undeliveredFrames(m_key);
    m_estimatedMissedBefore = estimatedMissedFrames(m_key);
    m_startTime = QDateTime::currentDateTime();
    m_start = Clock::now();
    m_startNs.store(m_start.time_since_epoch().count());
    if (m_camera->IStartCamera() != 1) {
        fail(QStringLiteral("cannot start ") + cameraText()
             + QStringLiteral(" in mode %1").arg(m_options.mode));
        return false;
    }
    m_started = true;
    m_summary.width = m_camera->m_nWidth;
    m_summary.height = m_camera->m_nHeight;
    m_summary.bitsPerPixel = m_camera->m_nBitsPerPixel;
    m_startImageFormat = m_camera->m_nImageFormat;
    m_summary.format = g_imageFormatNames.value(m_startImageFormat, QStringLiteral("?"));
    return true;
}

bool CameraRun::ending()
{
    if (m_end != End::None)
        return true;
    if (m_host.targetReached()) {
        m_end = End::Target;
    } else if (m_started && !m_connections->connected(m_key)) {
        // Away since its last frame (or its start, when none came).
        const int frames = m_host.frames();
        const Clock::time_point last = frames > 0 ? std::max(m_start, m_host.lastFrameTime()) : m_start;
        if (!m_awaySince) {
            m_awaySince = last;
            m_wasAway = true;
            const double streamed = secondsBetween(m_start, last) - m_awaySeconds;
            m_rateBefore = freeRunning() && frames > 0 && streamed > 0 ? std::optional(frames / streamed)
                                                                       : std::nullopt;
        }
        if (!(m_options.reconnect && reconnect()) && m_end == End::None)
            m_end = interrupted() ? End::Interrupt : End::Lost;
    } else if (interrupted())
        m_end = End::Interrupt;
    else if (Clock::now() >= m_deadline)
        m_end = End::Time;
    return m_end != End::None;
}

bool CameraRun::reconnect()
{
    ICameraObject *camera = m_camera.get();
    const auto close = [camera] {
        camera->IStopCamera();
        camera->ICloseCamera();
        return true;
    };
    if (!slowCall(QStringLiteral("close"), close, true))
        return false;
    for (Clock::time_point attempt = Clock::now();; attempt += kReopenEvery) {
        if (!waitForAttempt(attempt))
            return false;
        const std::optional<bool> reopened = slowCall(
            QStringLiteral("open"), [this] { return reopen(); }, true);
        if (!reopened)
            return false;
        if (*reopened) {
            ++m_reconnects;
            countOutage(Clock::now());
            return true;
        }
    }
}

bool CameraRun::waitForAttempt(Clock::time_point attempt) const
{
    while (Clock::now() < attempt && Clock::now() < m_deadline && !interrupted())
        std::this_thread::sleep_for(kLookAgain);
    return Clock::now() < m_deadline && !interrupted();
}

bool CameraRun::reopen()
{
    if (m_camera->IOpenCamera() != 1)
        return false;
    // The open set the frame number back to 0.
    m_host.expectRestart();
    if (exposureSet() && m_camera->IStartCamera() == 1)
        return true;
    m_camera->ICloseCamera();
    return false;
}

bool CameraRun::freeRunning() const
{
    return m_options.mode != 1;
}

void CameraRun::countOutage(Clock::time_point back)
{
    if (!m_awaySince)
        return;
    const double away = std::max(0.0, secondsBetween(*m_awaySince, back));
    m_awaySeconds += away;
    if (m_rateBefore)
        m_missedEstimate += away * *m_rateBefore;
    m_awaySince.reset();
}

bool CameraRun::waitForMoreThan(int frames, Clock::time_point until)
{
    for (;;) {
        if (m_host.waitForMoreThan(frames, std::min(until, Clock::now() + kLookAgain)))
            return true;
        if (ending() || Clock::now() >= until)
            return false;
    }
}

void CameraRun::fireSnapshots()
{
    for (int i = 0; i < m_options.snaps && !ending(); ++i) {
        const int before = m_host.frames();
        if (m_camera->ISnapCamera(VX_TRIGGER_DIRECTION_NONE) != 1) {
            if (ending())
                break; // the target was reached meanwhile: the camera is stopped
            ++m_snapsRefused;
            continue;
        }
        ++m_snapsFired;
        // The next trigger only after this one's frame: cameras merge
        // triggers that come within one frame.
        if (!waitForMoreThan(before, std::min(m_deadline, after(m_options.snapTimeout))) && m_end != End::Lost
            && m_end != End::Interrupt)
            ++m_snapsWithoutFrame;
    }
    // The frame target (the limit in mode 3) ends the run, and the snapshots
    // left with it.
    if (m_end == End::Target)
        m_snapsNotFired = m_options.snaps - m_snapsFired - m_snapsRefused;
}

void CameraRun::waitForFrames()
{
    // Snapshots alone end the run once each had its frame or its time.
    if (m_options.snaps > 0 && !m_options.framesGiven)
        return;
    while (!ending())
        m_host.waitForMoreThan(m_host.frames(), Clock::now() + kLookAgain);
}

void CameraRun::stopAndClose()
{
    const Clock::time_point end = m_host.targetReached() ? m_host.lastFrameTime() : Clock::now();
    m_endedAway = m_awaySince.has_value();
    countOutage(end);
    // A call left under way was said when the run ended. After an interrupt
    // it is waited for; after the deadline the camera is left in it.
    m_leftUnderWay = m_pending && m_end == End::Time;
    if (m_pending && !m_leftUnderWay)
        m_pending->wait();
    if (m_leftUnderWay)
        (void)m_pending.release(); // its thread runs on until the process ends
    ICameraObject *camera = m_camera.get();
    if (!m_leftUnderWay)
        waitedCall(QStringLiteral("stop"), [camera] { camera->IStopCamera(); });
    m_endTime = QDateTime::currentDateTime();
    if (m_started) {
        const int frames = m_host.frames();
        const double toLastFrame = frames > 0 ? secondsBetween(m_start, m_host.lastFrameTime()) : 0;
        m_summary.key = m_shownKey;
        m_summary.frames = frames;
        m_summary.seconds = std::max(0.0, secondsBetween(m_start, end) - m_awaySeconds);
        if (m_wasAway) {
            m_summary.offline = m_awaySeconds;
            if (m_rateBefore)
                m_summary.missedEstimate = qint64(std::llround(m_missedEstimate));
        }
        m_summary.framesPerSecond = toLastFrame > 0 ? frames / toLastFrame : 0;
        m_summary.megabytesPerSecond = toLastFrame > 0 ? m_host.bytes() / toLastFrame / 1.0e6 : 0;
        m_summary.broken = m_host.brokenPromises();
        if (m_options.reconnect)
            m_summary.reconnects = m_reconnects;
        m_lastFrame = m_host.lastFrame();
        m_lastFrameLayout.width = m_summary.width;
        m_lastFrameLayout.height = m_summary.height;
        m_lastFrameLayout.bitsPerPixel = m_summary.bitsPerPixel;
        m_lastFrameLayout.imageFormat = m_leftUnderWay ? m_startImageFormat : m_camera->m_nImageFormat;
    }
    if (!m_leftUnderWay)
        waitedCall(QStringLiteral("close"), [camera] { camera->ICloseCamera(); });
}

void CameraRun::waitedCall(const QString &what, const std::function<void()> &call)
{
    slowCall(
        what,
        [&call] {
            call();
            return true;
        },
        false);
}

void CameraRun::reportRun()
{
    if (m_end == End::Lost) {
        // One line: what failed after the loss followed from it.
        QString line
            = cameraText() + QStringLiteral(" lost its connection after %1 frames").arg(m_summary.frames);
        if (m_options.reconnect)
            line += QStringLiteral(" and did not answer again within the run's %1 seconds")
                        .arg(number(m_options.seconds));
        fail(line);
        return;
    }
    const int snaps = m_options.snaps;
    if (m_snapsRefused > 0)
        fail(cameraText()
             + QStringLiteral(": %1 of %2 snapshots were refused").arg(m_snapsRefused).arg(snaps));
    if (m_snapsWithoutFrame > 0)
        fail(cameraText()
             + QStringLiteral(": the frames of %1 of %2 snapshots never came (waited up to %3 s each)")
                   .arg(m_snapsWithoutFrame)
                   .arg(snaps)
                   .arg(number(m_options.snapTimeout)));
    if (m_snapsNotFired > 0)
        fail(
            cameraText()
            + QStringLiteral(": %1 of %2 snapshots were not fired: %3")
                  .arg(m_snapsNotFired)
                  .arg(snaps)
                  .arg(m_options.mode == 3 && m_options.limitGiven && m_options.frames == int(m_options.limit)
                           ? QStringLiteral("the frame limit %1 was reached").arg(m_options.limit)
                           : QStringLiteral("the %1 frames of the run had arrived").arg(m_options.frames)));
    const int tried = m_snapsFired + m_snapsRefused;
    if (m_end == End::Time && tried < snaps)
        fail(cameraText()
             + QStringLiteral(": only %1 of %2 snapshots were fired within %3 seconds")
                   .arg(tried)
                   .arg(snaps)
                   .arg(number(m_options.seconds)));
    if (m_summary.broken > 0)
        fail(cameraText()
             + QStringLiteral(": %1 frames broke the host contract (frame number or image pointer)")
                   .arg(m_summary.broken));
    if (m_end == End::Interrupt) {
        if (m_endedAway)
            m_failures->add(cameraText()
                            + QStringLiteral(" was lost (without a connection for %1 s) when the run was "
                                             "interrupted")
                                  .arg(*m_summary.offline, 0, 'f', 1));
        return;
    }
    if (m_options.framesGiven && m_summary.frames < m_options.frames)
        fail(cameraText()
             + QStringLiteral(": only %1 of %2 frames arrived within %3 seconds")
                   .arg(m_summary.frames)
                   .arg(m_options.frames)
                   .arg(number(m_options.seconds)));
    else if (m_summary.frames == 0 && !m_failed.load())
        fail(cameraText()
             + QStringLiteral(": no frame arrived within %1 seconds (mode %2)")
                   .arg(number(m_options.seconds))
                   .arg(m_options.mode)
             + (m_options.earlierDriver && m_options.mode != 1
                    ? QStringLiteral("; the earlier driver leaves models A5031, A5051, A5131 and L5043 in "
                                     "software triggering at the open, so there only --mode 1 with --snap "
                                     "gives frames")
                    : QString()));
}

void CameraRun::reportDumps()
{
    const qint64 frameBytes = qint64(m_summary.width) * m_summary.height * ((m_summary.bitsPerPixel + 7) / 8);
    const DumpCheck dumps = checkDumps(m_option, m_host.dumpedFrames(), m_startTime, m_endTime,
                                       quint32(std::clamp<qint64>(frameBytes, 0, 0xFFFFFFFF)));
    if (dumps.missing > 0)
        fail(cameraText()
             + QStringLiteral(": %1 of %2 dumps not written: ").arg(dumps.missing).arg(dumps.asked)
             + dumps.reason);
}

void CameraRun::writePng(const QString &file)
{
    if (m_summary.frames == 0) {
        fail(cameraText() + QStringLiteral(": no frame arrived, so no PNG was written to ") + file);
        return;
    }
    QString why;
    bool written = false;
    if (m_lastFrame.isEmpty())
        why = QStringLiteral("its frames are larger than the %1 MiB the tool shows")
                  .arg(kLargestShownFrameBytes >> 20);
    else
        written = writePngPreview(m_lastFrame, m_lastFrameLayout, file, &why);
    if (!written)
        fail(QStringLiteral("cannot write the PNG preview ") + file + QStringLiteral(" of ") + cameraText()
             + QStringLiteral(": ") + why);
}

CameraProgress CameraRun::progress() const
{
    CameraProgress p;
    p.key = m_shownKey;
    p.target = m_options.frames;
    p.frames = m_host.frames();
    const qint64 startNs = m_startNs.load();
    if (startNs != 0 && p.frames > 0) {
        const double seconds
            = secondsBetween(Clock::time_point(Clock::duration(startNs)), m_host.lastFrameTime());
        p.framesPerSecond = seconds > 0 ? p.frames / seconds : 0;
    }
    if (m_finished.load())
        p.state = m_failed.load() ? QStringLiteral("failed") : QStringLiteral("done");
    return p;
}
