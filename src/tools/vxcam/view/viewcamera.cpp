#include "viewcamera.h"

#include "camerafacts.h"
#include "failurelines.h"
#include "interrupt.h"
#include "printabletext.h"
#include "savefolder.h"
#include "sdkdiscovery.h"
#include "slowcall.h"
#include "warningwatch.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kLookAgainEvery {1};
constexpr std::chrono::milliseconds kInterruptLook {20};

} // namespace

bool ViewCamera::openWatched(const QString &shownKey, Clock::time_point deadline)
{
    ICameraObject *camera = m_camera->get();
    SlowCall open([camera] { return camera->IOpenCamera() == 1; });
    bool said = false;
    while (!open.waitUntil(Clock::now() + kInterruptLook)) {
        if (!said && open.seconds() >= SlowCall::kSaySlowAfterSeconds) {
            printFailure(QStringLiteral("waiting for camera \"%1\" to answer its open").arg(shownKey));
            said = true;
        }
        if (interrupted()) {
            // Said at once; the camera is closed once the open has returned.
            printFailure(
                QStringLiteral("camera \"%1\": interrupted while its open was under way; it is closed once "
                               "that returns")
                    .arg(shownKey));
            open.wait();
            return false;
        }
        if (Clock::now() >= deadline + SlowCall::kDeadlineGrace) {
            // A call into the plug-in cannot be cut short, and neither the
            // camera object nor the plug-in may go while it is under way: the
            // process ends with it (as grab's does).
            printFailure(
                QStringLiteral("camera \"%1\": the view's seconds were up while its open was under way; "
                               "the view ends without waiting for it")
                    .arg(shownKey));
            std::fflush(stdout);
            std::fflush(stderr);
            std::_Exit(1);
        }
    }
    return open.result();
}

bool ViewCamera::open(const GrabOptions &options, QString *error)
{
    const Clock::time_point deadline = options.secondsGiven ? Clock::now()
            + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds))
                                                            : Clock::time_point::max();
    if (!options.savePrefix.isEmpty() && !checkSaveFolder(options.savePrefix, error))
        return false;
    if (!options.earlierDriver && !m_plugin.load(options.plugin)) {
        *error = m_plugin.errorString();
        return false;
    }
    m_option.boardNum = options.board;
    m_host.setOption(&m_option);
    m_camera = std::make_unique<CameraHandle>(m_plugin, options.earlierDriver, &m_option, &m_host);
    if (!*m_camera) {
        m_camera.reset();
        *error = QStringLiteral("the plug-in made no camera object");
        return false;
    }
    const QString &key = options.cameras.first();
    const QString shownKey = printableText(key);
    QStringList keys = (*m_camera)->IGetCameraList();
    if (!keys.contains(key) && options.reconnect) {
        // Not there yet (a station that boots before its camera): looked for
        // about once a second until it is, the view's seconds are up or an
        // interrupt comes.
        printFailure(QStringLiteral("waiting for camera \"%1\" to answer (looking about once a second)")
                         .arg(shownKey));
        for (Clock::time_point next = Clock::now() + kLookAgainEvery;; next += kLookAgainEvery) {
            while (Clock::now() < next && Clock::now() < deadline && !interrupted())
                std::this_thread::sleep_for(kInterruptLook);
            if (Clock::now() >= deadline || interrupted())
                break;
            keys = (*m_camera)->IGetCameraList();
            if (keys.contains(key))
                break;
        }
        if (interrupted()) {
            finish();
            error->clear();
            return false;
        }
    }
    if (!keys.contains(key)) {
        finish();
        *error = missingCameraText(key, keys);
        return false;
    }
    m_option.cameraName = key;
    m_openTime = QDateTime::currentDateTime();
    if (!openWatched(shownKey, deadline)) {
        finish();
        if (interrupted())
            error->clear(); // said when it came
        else
            *error = QStringLiteral("cannot open camera \"%1\"").arg(shownKey);
        return false;
    }
    ICameraObject *camera = m_camera->get();
    const CameraFacts facts = readLayout();
    m_exposureKnown
        = facts.exposureKnown && std::isfinite(facts.exposure) && std::fabs(facts.exposure) < 2.0e9;
    m_exposure = m_exposureKnown ? int(std::lround(facts.exposure)) : 0;
    if (options.exposureGiven && !setExposure(options.exposure)) {
        finish();
        *error = QStringLiteral("cannot set the exposure time %1 on camera \"%2\"")
                     .arg(options.exposure)
                     .arg(shownKey);
        return false;
    }
    m_mode = options.mode;
    if (options.mode == 3 && options.limitGiven) {
        camera->m_nFrameLimit = options.limit;
        m_host.setFrameLimit(options.limit);
    }
    m_connections = std::make_unique<CameraConnections>(QStringList {key});
    m_option.savePrefix = options.savePrefix;
    m_option.saveSuffix = options.saveSuffix;
    setDumps(!options.savePrefix.isEmpty());
    if (!start()) {
        finish();
        *error = QStringLiteral("cannot start camera \"%1\" in mode %2").arg(shownKey).arg(options.mode);
        return false;
    }
    m_reconnect = options.reconnect;
    return true;
}

CameraFacts ViewCamera::readLayout()
{
    const CameraFacts facts = readCameraFacts(key());
    setLayout(facts);
    return facts;
}

void ViewCamera::setLayout(const CameraFacts &facts)
{
    const ICameraObject *camera = m_camera->get();
    m_layout = FrameLayout {camera->m_nWidth, camera->m_nHeight, camera->m_nBitsPerPixel,
                            camera->m_nImageFormat, facts.pixelFormat};
}

void ViewCamera::noteLoss(std::chrono::steady_clock::time_point now)
{
    m_wasAway = true;
    m_awaySince = now;
    const quint64 frames = m_host.frames() - m_framesAtStart;
    const double streamed = std::chrono::duration<double>(now - m_startedAt).count();
    m_rateBefore = m_mode != 1 && m_running && frames > 0 && streamed > 0 ? frames / streamed : 0;
    if (m_rateBefore <= 0)
        m_missedUnknown = true; // triggered, or not running: nothing tells
}

void ViewCamera::countOutage(std::chrono::steady_clock::time_point back)
{
    const double away = std::chrono::duration<double>(back - m_awaySince).count();
    m_awaySeconds += away;
    m_missedEstimate += away * m_rateBefore;
    m_rateBefore = 0;
}

double ViewCamera::offlineSeconds() const
{
    return m_awaySeconds + (m_lost ? offlineNowSeconds() : 0);
}

void ViewCamera::watchConnection()
{
    if (!m_camera || !m_connections)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_attempt.valid()) {
        if (m_attempt.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        const std::optional<CameraFacts> facts = m_attempt.get();
        if (!facts)
            return;
        // A camera back from a power cut has its power-on settings: set up
        // as before, then started. A step that fails closes it again, and the
        // next attempt follows as after a failed open.
        setLayout(*facts);
        m_lost = false;
        if ((m_exposureKnown && !setExposure(m_exposure)) || (m_runAgain && !start())) {
            m_lost = true;
            (*m_camera)->IStopCamera();
            (*m_camera)->ICloseCamera();
            m_running = false;
            return;
        }
        ++m_reconnects;
        countOutage(now);
        return;
    }
    if (!m_lost) {
        if (m_connections->connected(key()))
            return;
        m_lost = true;
        m_runAgain = m_running;
        noteLoss(now);
        (*m_camera)->IStopCamera();
        (*m_camera)->ICloseCamera();
        m_running = false;
        m_nextAttempt = now;
    }
    if (!m_reconnect || now < m_nextAttempt)
        return;
    m_nextAttempt = now + std::chrono::seconds(1);
    ICameraObject *camera = m_camera->get();
    const QString cameraKey = key();
    try {
        // The facts come from a discovery of their own: off the window's thread too.
        m_attempt = std::async(std::launch::async, [camera, cameraKey]() -> std::optional<CameraFacts> {
            if (camera->IOpenCamera() != 1)
                return std::nullopt;
            return readCameraFacts(cameraKey);
        });
    } catch (const std::system_error &) {
        // No thread to be had now: the next look tries again.
    }
}

void ViewCamera::finish()
{
    if (!m_camera)
        return;
    if (m_attempt.valid())
        m_attempt.wait();
    ICameraObject *camera = m_camera->get();
    SlowCall close([camera] {
        camera->IStopCamera();
        camera->ICloseCamera();
        return true;
    });
    if (!close.waitUntil(Clock::now()
                         + std::chrono::duration_cast<Clock::duration>(
                             std::chrono::duration<double>(SlowCall::kSaySlowAfterSeconds)))) {
        printFailure(
            QStringLiteral("waiting for camera \"%1\" to answer its close").arg(printableText(key())));
        close.wait();
    }
    m_camera.reset();
    m_running = false;
    m_closeTime = QDateTime::currentDateTime();
}

DumpCheck ViewCamera::checkDumps() const
{
    const qint64 frameBytes = qint64(m_layout.width) * m_layout.height * ((m_layout.bitsPerPixel + 7) / 8);
    return ::checkDumps(m_option, m_host.dumpedFrames(), m_openTime, m_closeTime,
                        quint32(std::clamp<qint64>(frameBytes, 0, 0xFFFFFFFF)));
}

bool ViewCamera::start()
{
    if (!m_camera)
        return false;
    if (m_lost)
        return false; // nothing reaches a lost camera while it is being reconnected
    (*m_camera)->m_nTriggerMode = m_mode;
    m_host.restart();
    m_running = (*m_camera)->IStartCamera() == 1;
    m_startedAt = std::chrono::steady_clock::now();
    m_framesAtStart = m_host.frames();
    return m_running;
}

bool ViewCamera::checkLost()
{
    if (!m_lost && !m_attempt.valid() && m_camera && m_connections && !m_connections->connected(key())) {
        m_lost = true;
        stop();
    }
    return m_lost;
}

void ViewCamera::stop()
{
    if (!m_camera || m_lost)
        return;
    (*m_camera)->IStopCamera();
    m_running = false;
}

bool ViewCamera::snap()
{
    return m_camera && !m_lost && (*m_camera)->ISnapCamera(VX_TRIGGER_DIRECTION_NONE) == 1;
}

bool ViewCamera::setExposure(int value)
{
    if (!m_camera)
        return false;
    if (m_lost) {
        // Set once the camera is back, before it starts.
        m_exposure = value;
        m_exposureKnown = true;
        return true;
    }
    tagVX_CAMERA_PROPERTY property;
    property.propId = 1;
    property.propValue = value;
    WarningWatch watch;
    (*m_camera)->ISetProperty(&property);
    if (watch.warnings() > 0)
        return false;
    m_exposure = value;
    m_exposureKnown = true;
    return true;
}

// The driver reads the flag on the grabbing thread and writes 2 into it.
void ViewCamera::setDumps(bool on)
{
    std::atomic_ref<quint8>(m_option.saveFlag).store(on ? 1 : 0);
}

bool ViewCamera::dumps() const
{
    return std::atomic_ref<quint8>(const_cast<quint8 &>(m_option.saveFlag)).load() != 0;
}
