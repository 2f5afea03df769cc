#include "araviscamera.h"

#include "aravisfeatures.h"
#include "aravisgige.h"
#include "aravisreaper.h"
#include "aravisstream.h"
#include "calltrace.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace Mvsdk {
namespace aravis {

using detail::CallTrace;
using detail::FeatureType;
using detail::FeatureValue;

namespace {

// The data of one "control-lost" connection. GLib hands it between the
// connecting thread, the heartbeat thread that runs the handler and the
// thread that disconnects it behind locks of its own, which ThreadSanitizer
// does not see; a release store after each step and an acquire load before
// the next state the hand-over in the open.
struct LostSignal {
    std::shared_ptr<LostFlag> flag;
    QString key;
    std::atomic<bool> handedOver {false};
};

LostSignal *newLostSignal(std::shared_ptr<LostFlag> flag, const QString &key)
{
    auto *signal = new LostSignal {std::move(flag), key};
    signal->handedOver.store(true, std::memory_order_release);
    return signal;
}

void onControlLost(ArvDevice *, gpointer data)
{
    auto *signal = static_cast<LostSignal *>(data);
    if (!signal->handedOver.load(std::memory_order_acquire))
        return;
    if (signal->flag->mark())
        qWarning() << "Aravis camera" << signal->key
                   << "lost its control connection; its operations fail from now on";
    signal->handedOver.store(true, std::memory_order_release);
}

void freeLostSignal(gpointer data, GClosure *)
{
    auto *signal = static_cast<LostSignal *>(data);
    (void)signal->handedOver.load(std::memory_order_acquire);
    delete signal;
}

bool kindFits(ArvGcNode *node, FeatureType type)
{
    switch (type) {
    case FeatureType::Integer:
        return ARV_IS_GC_INTEGER(node) && !ARV_IS_GC_ENUMERATION(node);
    case FeatureType::Float:
        return ARV_IS_GC_FLOAT(node) || (ARV_IS_GC_INTEGER(node) && !ARV_IS_GC_ENUMERATION(node));
    case FeatureType::Enumeration:
        return ARV_IS_GC_ENUMERATION(node);
    case FeatureType::Boolean:
        return ARV_IS_GC_BOOLEAN(node);
    case FeatureType::Command:
        return ARV_IS_GC_COMMAND(node);
    case FeatureType::Text:
        return ARV_IS_GC_STRING(node);
    }
    return false;
}

bool hasEntry(ArvGcNode *node, const std::string &symbol)
{
    for (const GSList *entry = arv_gc_enumeration_get_entries(ARV_GC_ENUMERATION(node)); entry != nullptr;
         entry = entry->next) {
        const char *name = arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(entry->data));
        if (name != nullptr && symbol == name)
            return true;
    }
    return false;
}

} // namespace

AravisCamera::AravisCamera(std::string openName, std::string key, int type, ArvCamera *opened)
    : m_openName(std::move(openName))
    , m_key(std::move(key))
    , m_traceKey(QString::fromStdString(m_key))
    , m_type(type)
    , m_lost(std::make_shared<LostFlag>())
{
    if (opened != nullptr) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_camera = opened;
        auto *signal = newLostSignal(m_lost, m_traceKey);
        m_lostHandler
            = g_signal_connect_data(arv_camera_get_device(m_camera), "control-lost",
                                    G_CALLBACK(onControlLost), signal, freeLostSignal, GConnectFlags(0));
    }
}

AravisCamera::~AravisCamera()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    closeLocked();
}

bool AravisCamera::openLocked()
{
    if (m_camera != nullptr)
        return true;
    awaitTeardowns();
    GError *error = nullptr;
    m_camera = arv_camera_new(m_openName.c_str(), &error);
    if (m_camera == nullptr) {
        qWarning() << "Aravis cannot open camera" << m_traceKey << "at" << QString::fromStdString(m_openName)
                   << ":" << (error != nullptr ? error->message : "unknown error");
        g_clear_error(&error);
        return false;
    }
    auto *signal = newLostSignal(m_lost, m_traceKey);
    m_lostHandler
        = g_signal_connect_data(arv_camera_get_device(m_camera), "control-lost", G_CALLBACK(onControlLost),
                                signal, freeLostSignal, GConnectFlags(0));
    return true;
}

void AravisCamera::closeLocked()
{
    if (m_camera == nullptr)
        return;
    if (m_lostHandler != 0)
        g_signal_handler_disconnect(arv_camera_get_device(m_camera), m_lostHandler);
    m_lostHandler = 0;
    if (lost())
        openAfter(tearDownLater([camera = m_camera, key = m_traceKey] {
            g_object_unref(camera);
            qDebug() << "Aravis camera" << key << ": the lost connection is released";
        }));
    else
        g_object_unref(m_camera);
    m_camera = nullptr;
}

void AravisCamera::stopLeftoverAcquisitionLocked()
{
    // A connection that ended without a stop (a host that died, a link that
    // went down) can leave the camera acquiring. A camera that keeps
    // streaming across a change of controller may keep sending to the
    // destination it had when its stream began, which the new connection
    // sets only later: it has to begin afresh, at this connection's start.
    GError *error = nullptr;
    arv_camera_stop_acquisition(m_camera, &error);
    noteErrorLocked("connect", "AcquisitionStop", error);
}

void AravisCamera::openAfter(std::shared_future<void> teardown, std::function<bool()> joinsCaller)
{
    std::lock_guard<std::mutex> lock(m_teardownMutex);
    m_teardowns.push_back({std::move(teardown), std::move(joinsCaller)});
}

void AravisCamera::awaitTeardowns()
{
    std::vector<Teardown> pending;
    {
        std::lock_guard<std::mutex> lock(m_teardownMutex);
        pending.swap(m_teardowns);
    }
    // A teardown that joins this very thread (an open from inside a frame
    // handler) cannot finish while it waits: it stays for the next open.
    std::vector<Teardown> joiningCaller;
    for (Teardown &teardown : pending) {
        if (teardown.joinsCaller && teardown.joinsCaller())
            joiningCaller.push_back(std::move(teardown));
        else
            teardown.done.wait(); // bounded by Aravis's register time-outs; never takes m_mutex
    }
    std::lock_guard<std::mutex> lock(m_teardownMutex);
    for (Teardown &teardown : joiningCaller)
        m_teardowns.push_back(std::move(teardown));
}

bool AravisCamera::lost() const
{
    return m_lost->lost.load();
}

std::chrono::steady_clock::time_point AravisCamera::lostSince(std::chrono::steady_clock::time_point now) const
{
    if (!lost())
        return now;
    return std::min(
        now,
        std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(m_lost->since.load())));
}

bool AravisCamera::freeRunning()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string genicam;
    ArvGcNode *node = lost() ? nullptr : nodeLocked("TriggerMode", FeatureType::Enumeration, &genicam);
    if (node == nullptr)
        return false;
    GError *error = nullptr;
    const char *mode = arv_gc_enumeration_get_string_value(ARV_GC_ENUMERATION(node), &error);
    const bool off = error == nullptr && mode != nullptr && std::string(mode) == "Off";
    noteErrorLocked("get", genicam, error);
    m_freeRun.store(off);
    return off;
}

bool AravisCamera::refusedWhenLostLocked(const char *operation) const
{
    if (!lost())
        return false;
    qWarning() << "Aravis camera" << m_traceKey << "is lost:" << operation << "refused";
    return true;
}

void AravisCamera::noteErrorLocked(const char *operation, const std::string &feature, GError *error) const
{
    if (error == nullptr)
        return;
    // One line per failure; the first that marks the camera lost says so.
    const bool unanswered = error->domain == ARV_DEVICE_ERROR
        && (error->code == ARV_DEVICE_ERROR_TIMEOUT || error->code == ARV_DEVICE_ERROR_NOT_CONNECTED);
    const bool nowLost = unanswered && m_lost->mark();
    qWarning().noquote() << QStringLiteral("Aravis camera \"%1\": %2 %3 failed: %4%5")
                                .arg(m_traceKey, QString::fromLatin1(operation),
                                     QString::fromStdString(feature), QString::fromUtf8(error->message),
                                     nowLost ? QStringLiteral(
                                         "; the camera is lost, its operations fail from now on")
                                             : QString());
    g_error_free(error);
}

bool AravisCamera::connect(Dahua::GenICam::ECameraAccessPermission accessPermission)
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool wasConnected = m_connected;
        ok = !refusedWhenLostLocked("connect") && openLocked();
        if (ok && !wasConnected)
            stopLeftoverAcquisitionLocked();
        m_connected = ok;
    }
    CallTrace::write(QStringLiteral("connect %1 %2 -> %3")
                         .arg(m_traceKey, QString::number(int(accessPermission)), CallTrace::result(ok)));
    return ok;
}

bool AravisCamera::disconnect()
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ok = !refusedWhenLostLocked("disconnect");
        // Either way the connection ends here; a later connect opens afresh.
        closeLocked();
        m_connected = false;
        m_lost->lost.store(false);
    }
    CallTrace::write(QStringLiteral("disconnect %1 -> %2").arg(m_traceKey, CallTrace::result(ok)));
    return ok;
}

bool AravisCamera::isConnected() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connected && !lost();
}

bool AravisCamera::controlAvailable(const QString &factory)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !refusedWhenLostLocked(factory.toLatin1().constData()) && openLocked();
}

Dahua::GenICam::IStreamSourcePtr AravisCamera::createStream(const Dahua::GenICam::ICameraPtr &,
                                                            uint16_t channelId)
{
    if (channelId != 0)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (refusedWhenLostLocked("createStreamSource") || !openLocked())
            return nullptr;
    }
    return AravisStreamSource::create(shared_from_this());
}

Dahua::GenICam::IGigECameraPtr AravisCamera::gigeCamera(const Dahua::GenICam::ICameraPtr &)
{
    return makeGigECamera(shared_from_this());
}

Dahua::GenICam::IGigEInterfacePtr AravisCamera::gigeInterface(const Dahua::GenICam::ICameraPtr &)
{
    return makeGigEInterface(shared_from_this());
}

ArvGcNode *AravisCamera::nodeLocked(const std::string &name, FeatureType type, std::string *genicamName) const
{
    if (m_camera == nullptr)
        return nullptr;
    ArvDevice *device = arv_camera_get_device(m_camera);
    for (const std::string &candidate : genicamNames(name)) {
        ArvGcNode *node = arv_device_get_feature(device, candidate.c_str());
        if (node == nullptr || !ARV_IS_GC_FEATURE_NODE(node) || !kindFits(node, type))
            continue;
        GError *error = nullptr;
        const bool implemented = arv_gc_feature_node_is_implemented(ARV_GC_FEATURE_NODE(node), &error);
        if (error != nullptr) {
            noteErrorLocked("is implemented", candidate, error);
            return nullptr;
        }
        if (implemented) {
            if (genicamName != nullptr)
                *genicamName = candidate;
            return node;
        }
    }
    return nullptr;
}

bool AravisCamera::hasFeature(const std::string &name, FeatureType type) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !lost() && nodeLocked(name, type, nullptr) != nullptr;
}

bool AravisCamera::readFeature(const std::string &name, FeatureType type, FeatureValue &value)
{
    bool ok = false;
    FeatureValue read;
    read.type = type;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string genicam;
        ArvGcNode *node = refusedWhenLostLocked("get") ? nullptr : nodeLocked(name, type, &genicam);
        if (node != nullptr) {
            GError *error = nullptr;
            switch (type) {
            case FeatureType::Integer:
                read.integer = arv_gc_integer_get_value(ARV_GC_INTEGER(node), &error);
                break;
            case FeatureType::Float:
                read.real = ARV_IS_GC_FLOAT(node)
                    ? arv_gc_float_get_value(ARV_GC_FLOAT(node), &error)
                    : double(arv_gc_integer_get_value(ARV_GC_INTEGER(node), &error));
                break;
            case FeatureType::Enumeration: {
                const char *symbol = arv_gc_enumeration_get_string_value(ARV_GC_ENUMERATION(node), &error);
                read.text = symbol != nullptr ? symbol : "";
                if (name == "PixelFormat")
                    read.text = surfacePixelFormat(read.text);
                break;
            }
            case FeatureType::Boolean:
                read.boolean = arv_gc_boolean_get_value(ARV_GC_BOOLEAN(node), &error);
                break;
            case FeatureType::Text: {
                const char *text = arv_gc_string_get_value(ARV_GC_STRING(node), &error);
                read.text = text != nullptr ? text : "";
                break;
            }
            case FeatureType::Command:
                break;
            }
            ok = error == nullptr && type != FeatureType::Command;
            noteErrorLocked("get", genicam, error);
        }
    }
    if (ok)
        value = read;
    if (CallTrace::enabled())
        CallTrace::write(
            QStringLiteral("get %1 %2 -> %3")
                .arg(m_traceKey, QString::fromStdString(name), ok ? value.toText() : QStringLiteral("fail")));
    return ok;
}

bool AravisCamera::writeFeature(const std::string &name, const FeatureValue &value)
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string genicam;
        ArvGcNode *node = refusedWhenLostLocked("set") ? nullptr : nodeLocked(name, value.type, &genicam);
        if (node != nullptr) {
            GError *error = nullptr;
            bool accepted = true;
            switch (value.type) {
            case FeatureType::Integer:
                arv_gc_integer_set_value(ARV_GC_INTEGER(node), value.integer, &error);
                break;
            case FeatureType::Float:
                if (!std::isfinite(value.real))
                    accepted = false;
                else if (ARV_IS_GC_FLOAT(node))
                    arv_gc_float_set_value(ARV_GC_FLOAT(node), value.real, &error);
                else
                    arv_gc_integer_set_value(ARV_GC_INTEGER(node), std::llround(value.real), &error);
                break;
            case FeatureType::Enumeration: {
                std::string symbol = value.text;
                if (name == "PixelFormat") {
                    for (const std::string &candidate : cameraPixelFormats(value.text)) {
                        if (hasEntry(node, candidate)) {
                            symbol = candidate;
                            break;
                        }
                    }
                }
                accepted = hasEntry(node, symbol)
                    && arv_gc_enumeration_set_string_value(ARV_GC_ENUMERATION(node), symbol.c_str(), &error);
                break;
            }
            case FeatureType::Boolean:
                arv_gc_boolean_set_value(ARV_GC_BOOLEAN(node), value.boolean, &error);
                break;
            case FeatureType::Text:
                arv_gc_string_set_value(ARV_GC_STRING(node), value.text.c_str(), &error);
                break;
            case FeatureType::Command:
                accepted = false;
                break;
            }
            ok = accepted && error == nullptr;
            noteErrorLocked("set", genicam, error);
            if (ok && name == "TriggerMode")
                m_freeRun.store(value.text == "Off");
        }
    }
    CallTrace::write(
        QStringLiteral("set %1 %2 %3 -> %4")
            .arg(m_traceKey, QString::fromStdString(name), value.toText(), CallTrace::result(ok)));
    return ok;
}

bool AravisCamera::executeCommand(const std::string &name)
{
    bool ok = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string genicam;
        ArvGcNode *node
            = refusedWhenLostLocked("execute") ? nullptr : nodeLocked(name, FeatureType::Command, &genicam);
        if (node != nullptr) {
            GError *error = nullptr;
            arv_gc_command_execute(ARV_GC_COMMAND(node), &error);
            ok = error == nullptr;
            noteErrorLocked("execute", genicam, error);
        }
    }
    CallTrace::write(QStringLiteral("execute %1 %2 -> %3")
                         .arg(m_traceKey, QString::fromStdString(name), CallTrace::result(ok)));
    return ok;
}

ArvCamera *AravisCamera::cameraRef() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_camera == nullptr || lost())
        return nullptr;
    return ARV_CAMERA(g_object_ref(m_camera));
}

ArvGvDevice *AravisCamera::gvDeviceRef() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_camera == nullptr || !arv_camera_is_gv_device(m_camera))
        return nullptr;
    return ARV_GV_DEVICE(g_object_ref(arv_camera_get_device(m_camera)));
}

ArvStream *AravisCamera::createArvStream(ArvStreamCallback callback, void *userData)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (refusedWhenLostLocked("createStreamSource") || m_camera == nullptr)
        return nullptr;
    GError *error = nullptr;
    ArvStream *stream = arv_camera_create_stream(m_camera, callback, userData, &error);
    if (stream == nullptr && error == nullptr)
        qWarning() << "Aravis camera" << m_traceKey << ": no stream channel";
    noteErrorLocked("createStreamSource", "stream", error);
    return stream;
}

bool AravisCamera::startAcquisition(const char *operation)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (refusedWhenLostLocked(operation) || m_camera == nullptr)
        return false;
    GError *error = nullptr;
    arv_camera_start_acquisition(m_camera, &error);
    const bool ok = error == nullptr;
    noteErrorLocked(operation, "AcquisitionStart", error);
    return ok;
}

bool AravisCamera::stopAcquisition(const char *operation)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (refusedWhenLostLocked(operation) || m_camera == nullptr)
        return false;
    GError *error = nullptr;
    arv_camera_stop_acquisition(m_camera, &error);
    const bool ok = error == nullptr;
    noteErrorLocked(operation, "AcquisitionStop", error);
    return ok;
}

bool AravisCamera::streamGeometry(size_t *payload, std::string *pixelFormat)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (refusedWhenLostLocked("startGrabbing") || m_camera == nullptr)
        return false;
    GError *error = nullptr;
    const guint bytes = arv_camera_get_payload(m_camera, &error);
    if (error != nullptr) {
        noteErrorLocked("startGrabbing", "PayloadSize", error);
        return false;
    }
    const char *format = arv_camera_get_pixel_format_as_string(m_camera, &error);
    if (error != nullptr) {
        noteErrorLocked("startGrabbing", "PixelFormat", error);
        return false;
    }
    *payload = bytes;
    *pixelFormat = surfacePixelFormat(format != nullptr ? format : "");
    return true;
}

} // namespace aravis
} // namespace Mvsdk
