// The VxSim control functions: configuration, trace and scripting of the
// virtual cameras, for tests and tools.
#include "MVSDK/Sim/VirtualCameras.h"

#include "calltrace.h"
#include "configreader.h"
#include "virtualstream.h"
#include "virtualsystem.h"

namespace VxSim {

using detail::VirtualCamera;
using detail::VirtualSystem;

namespace {

std::shared_ptr<VirtualCamera> camera(const QString &key)
{
    return VirtualSystem::instance().find(key);
}

// Applies `action` to the camera with this key; false for an unknown key.
template <class Action> bool withCamera(const QString &key, Action action)
{
    std::shared_ptr<VirtualCamera> found = camera(key);
    if (found == nullptr)
        return false;
    action(*found);
    return true;
}

// Counts over the stream sources of a camera, each read under its own lock.
template <class Count> int countStreams(const QString &key, Count count)
{
    std::shared_ptr<VirtualCamera> found = camera(key);
    if (found == nullptr)
        return 0;
    int total = 0;
    for (const std::shared_ptr<detail::StreamState> &stream : found->streams()) {
        std::lock_guard<std::mutex> lock(stream->mutex);
        total += count(*stream);
    }
    return total;
}

} // namespace

bool loadConfig(const QByteArray &json, QString *error)
{
    detail::SystemConfig config;
    QString problem;
    const bool ok = detail::parseConfig(json, &config, &problem);
    VirtualSystem::instance().load(ok ? config : detail::unreadableConfig());
    if (error != nullptr)
        *error = problem;
    return ok;
}

bool loadConfigFile(const QString &path, QString *error)
{
    detail::SystemConfig config;
    QString problem;
    const bool ok = detail::readConfigFile(path, &config, &problem);
    VirtualSystem::instance().load(ok ? config : detail::unreadableConfig());
    if (!ok)
        detail::reportConfigError(path, problem);
    if (error != nullptr)
        *error = ok ? QString() : QStringLiteral("configuration file \"%1\": %2").arg(path, problem);
    return ok;
}

void useBuiltInCameras()
{
    VirtualSystem::instance().load(detail::builtInConfig());
}

QStringList cameraKeys()
{
    std::vector<std::shared_ptr<VirtualCamera>> cameras;
    QStringList keys;
    if (VirtualSystem::instance().discover(&cameras)) {
        for (const std::shared_ptr<VirtualCamera> &c : cameras)
            keys << c->key();
    }
    return keys;
}

void setTraceFile(const QString &path)
{
    VirtualSystem::instance();
    Mvsdk::detail::CallTrace::setFile(path);
}

bool setFailure(const QString &key, const QString &operation, bool fail)
{
    if (!detail::failableOperations().contains(operation))
        return false;
    return withCamera(key, [&](VirtualCamera &c) { c.setFailure(operation, fail); });
}

bool setRefusal(const QString &key, const QString &rule, bool refuse)
{
    std::shared_ptr<VirtualCamera> found = camera(key);
    return found != nullptr && found->setRefusal(rule, refuse);
}

bool setFrameBytes(const QString &key, uint32_t bytes)
{
    return withCamera(key, [&](VirtualCamera &c) { c.setFrameBytes(bytes); });
}

bool setFrameRate(const QString &key, double fps)
{
    if (!(fps >= 0))
        return false;
    return withCamera(key, [&](VirtualCamera &c) { c.setFrameRate(fps); });
}

bool setLine1Rate(const QString &key, double hz)
{
    if (!(hz >= 0))
        return false;
    return withCamera(key, [&](VirtualCamera &c) { c.setLine1Rate(hz); });
}

bool featureValue(const QString &key, const QString &feature, QString *value)
{
    std::shared_ptr<VirtualCamera> found = camera(key);
    return found != nullptr && found->featureText(feature, value);
}

bool setFeatureValue(const QString &key, const QString &feature, const QString &value)
{
    std::shared_ptr<VirtualCamera> found = camera(key);
    return found != nullptr && found->setFeatureText(feature, value);
}

bool isConnected(const QString &key)
{
    std::shared_ptr<VirtualCamera> found = camera(key);
    return found != nullptr && found->isConnected();
}

int streamSourceCount(const QString &key)
{
    return countStreams(key, [](const detail::StreamState &s) { return s.alive ? 1 : 0; });
}

int grabbingStreamCount(const QString &key)
{
    return countStreams(key, [](const detail::StreamState &s) { return s.alive && s.grabbing ? 1 : 0; });
}

int attachedHandlerCount(const QString &key)
{
    return countStreams(key,
                        [](const detail::StreamState &s) { return s.alive ? int(s.handlers.size()) : 0; });
}

uint64_t framesProduced(const QString &key)
{
    std::shared_ptr<VirtualCamera> found = camera(key);
    return found != nullptr ? found->framesProduced() : 0;
}

} // namespace VxSim

namespace VxSim {

const void *lastFrameImage(const QString &key)
{
    std::shared_ptr<VirtualCamera> found = VirtualSystem::instance().find(key);
    return found != nullptr ? found->lastImage() : nullptr;
}

} // namespace VxSim
