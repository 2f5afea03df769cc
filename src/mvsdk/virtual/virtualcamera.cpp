#include "virtualcamera.h"

#include "calltrace.h"
#include "diagnostics.h"
#include "pixellayout.h"
#include "virtualstream.h"

#include <QJsonValue>

#include <thread>

namespace VxSim {
namespace detail {

using Mvsdk::detail::CallTrace;

namespace {

// Four decimal numbers 0 to 255 joined by dots, as a camera takes an address.
bool isIPv4Text(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

} // namespace

VirtualCamera::VirtualCamera(const CameraConfig &config)
    : m_key(config.key)
    , m_keyUtf8(config.key.toStdString())
    , m_kind(config.kind)
    , m_patternKind(config.pattern)
    , m_hasGigE(config.gige.has_value())
    , m_outage(config.outage)
    , m_connectSeconds(config.connectSeconds)
    , m_replay(config.replay)
    , m_fps(config.fps)
    , m_line1Hz(config.line1Hz)
    , m_fixedFrameBytes(config.frameBytes.has_value())
    , m_frameBytes(config.frameBytes.value_or(0))
    , m_gige(config.gige.value_or(GigEConfig {}))
{
    QString ignored;
    m_features.setInitial("Width", QJsonValue(double(config.width)), &ignored);
    m_features.setInitial("Height", QJsonValue(double(config.height)), &ignored);
    m_features.setInitial("PixelFormat", QJsonValue(config.pixelFormat), &ignored);
    for (auto it = config.features.begin(); it != config.features.end(); ++it)
        m_features.setInitial(it.key().toStdString(), it.value(), &ignored);
    if (config.model.has_value())
        m_features.setModel(*config.model);
    for (const QString &name : config.missing)
        m_features.setMissing(name.toStdString());
    for (const QString &rule : config.refuse)
        m_features.setRefusal(rule, true);
    if (m_replay.has_value()) {
        for (const char *name : {"Width", "Height", "PixelFormat"})
            m_features.setRefusal(QLatin1String(name), true);
    }
    for (const QString &operation : config.fail)
        m_failures.insert(operation);
    m_powerOnFeatures = m_features;
    m_outagePending.store(m_outage.has_value());
    if (config.bootSeconds > 0)
        m_powerBack = std::chrono::steady_clock::now()
            + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double>(config.bootSeconds));
}

VirtualCamera::~VirtualCamera() = default;

Dahua::GenICam::IStreamSourcePtr VirtualCamera::createStream(const Dahua::GenICam::ICameraPtr &, uint16_t)
{
    if (fails(QStringLiteral("createStreamSource")) || refusesAll())
        return nullptr;
    std::shared_ptr<const Recording> recording;
    if (m_replay.has_value()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        recording = m_recording;
        if (recording == nullptr)
            return nullptr; // never connected: nothing to replay yet
    }
    auto stream = std::make_shared<VirtualStreamSource>(shared_from_this(), std::move(recording));
    addStream(stream->state());
    return stream;
}

bool VirtualCamera::fails(const QString &operation) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures.contains(operation);
}

bool VirtualCamera::loadRecording()
{
    auto recording = std::make_shared<Recording>();
    QString problem;
    if (!scanRecording(*m_replay, recording.get(), &problem)) {
        reportProblem(QStringLiteral("camera \"%1\" cannot replay: %2").arg(m_key, problem));
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    QString ignored;
    for (FeatureStore *store : {&m_features, &m_powerOnFeatures}) {
        store->setInitial("Width", QJsonValue(double(recording->width)), &ignored);
        store->setInitial("Height", QJsonValue(double(recording->height)), &ignored);
        store->setInitial("PixelFormat", QJsonValue(recording->pixelFormat), &ignored);
    }
    m_fixedFrameBytes = true;
    m_frameBytes = recording->frameBytes;
    m_recording = std::move(recording);
    return true;
}

bool VirtualCamera::connect(Dahua::GenICam::ECameraAccessPermission accessPermission)
{
    if (m_connectSeconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(m_connectSeconds));
    bool ok = false;
    if (m_replay.has_value() && !fails(QStringLiteral("connect")) && !refusesAll() && !loadRecording()) {
        CallTrace::write(QStringLiteral("connect %1 %2 -> %3")
                             .arg(m_key, QString::number(int(accessPermission)), CallTrace::result(false)));
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ok = !m_failures.contains(QStringLiteral("connect")) && !refusesAllLocked();
        if (ok)
            m_connected = true;
    }
    CallTrace::write(QStringLiteral("connect %1 %2 -> %3")
                         .arg(m_key, QString::number(int(accessPermission)), CallTrace::result(ok)));
    return ok;
}

bool VirtualCamera::disconnect()
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ok = !m_failures.contains(QStringLiteral("disconnect"));
        if (refusesAllLocked()) {
            // Nothing answers, but the connection ends here all the same.
            ok = false;
            m_connected = false;
            m_connectionLost = false;
        } else if (ok) {
            m_connected = false;
        }
    }
    CallTrace::write(QStringLiteral("disconnect %1 -> %2").arg(m_key, CallTrace::result(ok)));
    return ok;
}

bool VirtualCamera::isConnected() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connected;
}

bool VirtualCamera::hasFeature(const std::string &name, FeatureType type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !refusesAllLocked() && m_features.has(name, type);
}

bool VirtualCamera::readFeature(const std::string &name, FeatureType type, FeatureValue &value)
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        FeatureValue current;
        ok = !refusesAllLocked() && m_features.has(name, type) && m_features.get(name, current);
        if (ok)
            value = current;
    }
    if (CallTrace::enabled()) {
        CallTrace::write(
            QStringLiteral("get %1 %2 -> %3")
                .arg(m_key, QString::fromStdString(name), ok ? value.toText() : QStringLiteral("fail")));
    }
    return ok;
}

template <class Apply> bool VirtualCamera::applyKeepingGeometry(const std::string &name, Apply apply)
{
    const bool geometry = name == "Width" || name == "Height" || name == "PixelFormat";
    FeatureValue before;
    if (geometry && !m_features.get(name, before))
        return false;
    if (!apply())
        return false;
    if (!geometry || geometryUsable())
        return true;
    QString ignored;
    m_features.setInitial(name,
                          before.type == FeatureType::Integer
                              ? QJsonValue(double(before.integer))
                              : QJsonValue(QString::fromStdString(before.text)),
                          &ignored);
    return false;
}

bool VirtualCamera::geometryUsable() const
{
    FeatureValue width, height;
    if (!m_features.get("Width", width) || !m_features.get("Height", height))
        return false;
    if (width.integer < 0 || width.integer > kMaxFrameSide || height.integer < 0
        || height.integer > kMaxFrameSide)
        return false;
    uint64_t bytes = 0;
    return computedFrameBytes(&bytes);
}

bool VirtualCamera::writeFeature(const std::string &name, const FeatureValue &value)
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ok = !refusesAllLocked() && applyKeepingGeometry(name, [&] { return m_features.set(name, value); });
    }
    CallTrace::write(QStringLiteral("set %1 %2 %3 -> %4")
                         .arg(m_key, QString::fromStdString(name), value.toText(), CallTrace::result(ok)));
    if (ok)
        wakeStreams();
    return ok;
}

bool VirtualCamera::executeCommand(const std::string &name)
{
    bool ok = false;
    bool software = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ok = !refusesAllLocked() && m_features.has(name, FeatureType::Command)
            && !m_features.refused(name, QString());
    }
    if (ok && name == "TriggerSoftware")
        software = pacing().kind == Pacing::Software;
    CallTrace::write(QStringLiteral("execute %1 %2 -> %3")
                         .arg(m_key, QString::fromStdString(name), CallTrace::result(ok)));
    if (software) {
        for (const std::shared_ptr<StreamState> &stream : streams())
            stream->trigger();
    }
    return ok;
}

bool VirtualCamera::poweredOffLocked() const
{
    return m_powerBack.has_value() && std::chrono::steady_clock::now() < *m_powerBack;
}

bool VirtualCamera::poweredOff() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return poweredOffLocked();
}

bool VirtualCamera::refusesAll() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return refusesAllLocked();
}

void VirtualCamera::cutPowerIfDue()
{
    if (!m_outagePending.load(std::memory_order_relaxed) || framesProduced() < m_outage->afterFrames)
        return;
    if (!m_outagePending.exchange(false))
        return; // another stream source of the camera cut it
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_powerBack = std::chrono::steady_clock::now()
            + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double>(m_outage->seconds));
        m_connectionLost = m_connected;
        m_connected = false;
        m_features.restoreValues(m_powerOnFeatures);
    }
    for (const std::shared_ptr<StreamState> &stream : streams())
        stream->cutPower();
}

void VirtualCamera::setFailure(const QString &operation, bool fail)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (fail)
        m_failures.insert(operation);
    else
        m_failures.remove(operation);
}

bool VirtualCamera::setRefusal(const QString &rule, bool refuse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_features.setRefusal(rule, refuse);
}

void VirtualCamera::setFrameBytes(uint32_t bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fixedFrameBytes = true;
        m_frameBytes = bytes;
    }
    wakeStreams();
}

void VirtualCamera::setFrameRate(double fps)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fps = fps;
    }
    wakeStreams();
}

void VirtualCamera::setLine1Rate(double hz)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_line1Hz = hz;
    }
    wakeStreams();
}

bool VirtualCamera::featureText(const QString &name, QString *value) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    FeatureValue current;
    if (!m_features.get(name.toStdString(), current))
        return false;
    *value = current.toText();
    return true;
}

bool VirtualCamera::setFeatureText(const QString &name, const QString &value)
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        FeatureType type;
        if (!m_features.typeOf(name.toStdString(), &type))
            return false;
        QJsonValue json;
        bool converted = true;
        switch (type) {
        case FeatureType::Integer:
        case FeatureType::Float:
            json = QJsonValue(value.toDouble(&converted));
            break;
        case FeatureType::Boolean:
            converted = value == QLatin1String("true") || value == QLatin1String("false");
            json = QJsonValue(value == QLatin1String("true"));
            break;
        default:
            json = QJsonValue(value);
            break;
        }
        QString ignored;
        ok = converted && applyKeepingGeometry(name.toStdString(), [&] {
                 return m_features.setInitial(name.toStdString(), json, &ignored);
             });
    }
    if (ok)
        wakeStreams();
    return ok;
}

bool VirtualCamera::computedFrameBytes(uint64_t *bytes) const
{
    if (m_fixedFrameBytes) {
        *bytes = m_frameBytes;
        return true;
    }
    FeatureValue width, height, format;
    if (!m_features.get("Width", width) || !m_features.get("Height", height)
        || !m_features.get("PixelFormat", format))
        return false;
    const uint64_t total = frameBytesFor(width.integer, height.integer, QString::fromStdString(format.text));
    if (total > UINT32_MAX)
        return false;
    *bytes = total;
    return true;
}

VirtualCamera::Pacing VirtualCamera::pacing() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Pacing pacing;
    uint64_t bytes = 0;
    if (!computedFrameBytes(&bytes))
        return pacing; // frames this large cannot be made
    FeatureValue mode;
    if (!m_features.get("TriggerMode", mode) || mode.text == "Off") {
        pacing.kind = Pacing::FreeRun;
        pacing.rate = m_fps;
        return pacing;
    }
    if (mode.text != "On")
        return pacing;
    FeatureValue source;
    if (!m_features.get("TriggerSource", source))
        return pacing;
    if (source.text == "Software") {
        pacing.kind = Pacing::Software;
    } else if (source.text == "Line1" && m_line1Hz > 0) {
        pacing.kind = Pacing::Line1;
        pacing.rate = m_line1Hz;
    }
    return pacing;
}

VirtualCamera::FrameShape VirtualCamera::frameShape() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    FrameShape shape;
    uint64_t bytes = 0;
    if (computedFrameBytes(&bytes))
        shape.bytes = static_cast<uint32_t>(bytes);
    FeatureValue value;
    if (m_features.get("Width", value))
        shape.width = static_cast<uint32_t>(value.integer);
    if (m_features.get("Height", value))
        shape.height = static_cast<uint32_t>(value.integer);
    if (m_features.get("PixelFormat", value))
        shape.pixelFormat = value.text;
    return shape;
}

std::shared_ptr<const FramePattern> VirtualCamera::framePattern(const FrameShape &shape)
{
    std::lock_guard<std::mutex> lock(m_patternMutex);
    if (m_pattern == nullptr || m_pattern->shape() != shape) {
        m_pattern.reset(); // the old buffer goes once no stream source uses it
        auto made = std::make_shared<const FramePattern>(m_patternKind, shape);
        if (!made->valid())
            return nullptr;
        m_pattern = std::move(made);
    }
    return m_pattern;
}

void VirtualCamera::reportIfFramesImpossible()
{
    QString missing;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_fixedFrameBytes)
            return;
        for (const char *name : {"Width", "Height", "PixelFormat"}) {
            if (!m_features.has(name))
                missing += (missing.isEmpty() ? QString() : QStringLiteral(", ")) + QLatin1String(name);
        }
    }
    if (missing.isEmpty() || m_framesImpossibleReported.exchange(true))
        return;
    reportProblem(QStringLiteral("camera \"%1\" makes no frames: it lacks %2 (\"missing\" in its "
                                 "configuration), so its frame size is unknown")
                      .arg(m_key, missing));
}

void VirtualCamera::addStream(const std::shared_ptr<StreamState> &stream)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase_if(m_streams, [](const std::weak_ptr<StreamState> &s) { return s.expired(); });
    m_streams.push_back(stream);
}

std::vector<std::shared_ptr<StreamState>> VirtualCamera::streams() const
{
    std::vector<std::shared_ptr<StreamState>> result;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::weak_ptr<StreamState> &weak : m_streams) {
        if (std::shared_ptr<StreamState> stream = weak.lock())
            result.push_back(std::move(stream));
    }
    return result;
}

void VirtualCamera::wakeStreams() const
{
    for (const std::shared_ptr<StreamState> &stream : streams())
        stream->wake();
}

GigEConfig VirtualCamera::gige() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_gige;
}

bool VirtualCamera::forceIp(const QString &address, const QString &mask, const QString &gateway)
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ok = m_hasGigE && !m_failures.contains(QStringLiteral("forceIp")) && !poweredOffLocked()
            && isIPv4Text(address) && isIPv4Text(mask) && isIPv4Text(gateway);
        if (ok)
            m_gige.cameraAddress = address;
    }
    CallTrace::write(QStringLiteral("forceIp %1 %2 %3 %4 -> %5")
                         .arg(m_key, address, mask, gateway, CallTrace::result(ok)));
    return ok;
}

} // namespace detail
} // namespace VxSim
