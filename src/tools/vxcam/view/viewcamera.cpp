#include "viewcamera.h"

#include "camerafacts.h"
#include "printabletext.h"
#include "savefolder.h"
#include "sdkdiscovery.h"
#include "warningwatch.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>

bool ViewCamera::open(const GrabOptions &options, QString *error)
{
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
    const QStringList keys = (*m_camera)->IGetCameraList();
    if (!keys.contains(key)) {
        finish();
        *error = missingCameraText(key, keys);
        return false;
    }
    m_option.cameraName = key;
    m_openTime = QDateTime::currentDateTime();
    if ((*m_camera)->IOpenCamera() != 1) {
        finish();
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
    const ICameraObject *camera = m_camera->get();
    const CameraFacts facts = readCameraFacts(key());
    m_layout = FrameLayout {camera->m_nWidth, camera->m_nHeight, camera->m_nBitsPerPixel,
                            camera->m_nImageFormat, facts.pixelFormat};
    return facts;
}

void ViewCamera::watchConnection()
{
    if (!m_camera || !m_connections)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_attempt.valid()) {
        if (m_attempt.wait_for(std::chrono::seconds(0)) != std::future_status::ready || !m_attempt.get())
            return;
        m_lost = false;
        ++m_reconnects;
        readLayout(); // a camera back from a power cut has its power-on settings
        if (m_exposureKnown)
            setExposure(m_exposure);
        if (m_runAgain)
            start();
        return;
    }
    if (!m_lost) {
        if (m_connections->connected(key()))
            return;
        m_lost = true;
        m_runAgain = m_running;
        (*m_camera)->IStopCamera();
        (*m_camera)->ICloseCamera();
        m_running = false;
        m_nextAttempt = now;
    }
    if (!m_reconnect || now < m_nextAttempt)
        return;
    m_nextAttempt = now + std::chrono::seconds(1);
    ICameraObject *camera = m_camera->get();
    try {
        m_attempt = std::async(std::launch::async, [camera] { return camera->IOpenCamera() == 1; });
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
    (*m_camera)->IStopCamera();
    (*m_camera)->ICloseCamera();
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
    (*m_camera)->m_nTriggerMode = m_mode;
    m_host.restart();
    m_running = (*m_camera)->IStartCamera() == 1;
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
    if (!m_camera)
        return;
    (*m_camera)->IStopCamera();
    m_running = false;
}

bool ViewCamera::snap()
{
    return m_camera && (*m_camera)->ISnapCamera(VX_TRIGGER_DIRECTION_NONE) == 1;
}

bool ViewCamera::setExposure(int value)
{
    if (!m_camera)
        return false;
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
