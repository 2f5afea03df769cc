// The Aravis back end: real cameras through Aravis.
//
// VXCAM_ARAVIS_DEVICES lists device ids or addresses (comma-separated) that
// are opened directly, without discovery; unset, discovery runs over
// Aravis's GigE Vision and USB3 Vision interfaces. Either way a camera's key
// is its Aravis device id (vendor-model-serial), and each camera is one
// object for the life of the process. Discovery is serialised by one mutex.
#include "backend.h"

#include "araviscamera.h"

#include <QDebug>
#include <QStringList>

#include <arv.h>

#include <mutex>

namespace Mvsdk {
namespace detail {

namespace {

using aravis::AravisCamera;
using Dahua::GenICam::EInterfaceType;
using Dahua::GenICam::ICameraPtr;

int cameraType(ArvCamera *camera)
{
    if (arv_camera_is_gv_device(camera))
        return Dahua::GenICam::typeGigeCamera;
    if (arv_camera_is_uv_device(camera))
        return Dahua::GenICam::typeU3vCamera;
    return Dahua::GenICam::typeUndefinedCamera;
}

// Whether an error of a read means the camera did not answer (as opposed to
// a feature it lacks).
bool unanswered(const GError *error)
{
    return error->domain == ARV_DEVICE_ERROR
        && (error->code == ARV_DEVICE_ERROR_TIMEOUT || error->code == ARV_DEVICE_ERROR_NOT_CONNECTED
            || error->code == ARV_DEVICE_ERROR_TRANSFER_ERROR);
}

// The key of an opened camera: vendor-model-serial, as Aravis's discovery
// names GigE Vision and USB3 Vision devices (the serial falls back to the
// DeviceID feature, which older cameras have instead). False, with the
// reason, when the camera did not answer a read (a lossy control channel):
// a key made of the parts that came would name the camera wrongly for good.
bool deviceKey(ArvCamera *camera, std::string *key, QString *why)
{
    const auto text = [camera, why](const char *(*read)(ArvCamera *, GError **), std::string *out) {
        GError *error = nullptr;
        const char *value = read(camera, &error);
        const bool answered = error == nullptr || !unanswered(error);
        if (!answered)
            *why = QString::fromUtf8(error->message);
        g_clear_error(&error);
        *out = value != nullptr ? value : "";
        return answered;
    };
    std::string vendor, model, serial;
    if (!text(arv_camera_get_vendor_name, &vendor) || !text(arv_camera_get_model_name, &model)
        || !text(arv_camera_get_device_serial_number, &serial))
        return false;
    if (serial.empty() && !text(arv_camera_get_device_id, &serial))
        return false;
    *key = vendor + "-" + model + "-" + serial;
    return true;
}

bool wanted(const char *protocol, EInterfaceType interfaceType)
{
    const std::string name = protocol != nullptr ? protocol : "";
    const bool gige = name == "GigEVision";
    const bool usb3 = name == "USB3Vision";
    switch (interfaceType) {
    case Dahua::GenICam::typeGige:
        return gige;
    case Dahua::GenICam::typeUsb3:
        return usb3;
    case Dahua::GenICam::typeCL:
        return false;
    case Dahua::GenICam::typeAll:
        break;
    }
    return gige || usb3;
}

class AravisBackend final : public Backend {
public:
    AravisBackend()
    {
        const QString devices = qEnvironmentVariable("VXCAM_ARAVIS_DEVICES");
        for (const QString &name : devices.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!name.trimmed().isEmpty())
                m_listed << name.trimmed();
        }
    }

    bool discover(std::vector<ICameraPtr> &cameras, EInterfaceType interfaceType) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        cameras.clear();
        if (!m_listed.isEmpty()) {
            for (const QString &name : m_listed) {
                if (std::shared_ptr<AravisCamera> camera = openListed(name.toStdString()))
                    addOnce(cameras, camera);
            }
            return true;
        }
        arv_update_device_list();
        const unsigned count = arv_get_n_devices();
        for (unsigned i = 0; i < count; ++i) {
            const char *id = arv_get_device_id(i);
            if (id == nullptr || !wanted(arv_get_device_protocol(i), interfaceType))
                continue;
            std::shared_ptr<AravisCamera> camera = findByKey(id);
            if (camera == nullptr) {
                const int type = std::string(arv_get_device_protocol(i)) == "GigEVision"
                    ? Dahua::GenICam::typeGigeCamera
                    : Dahua::GenICam::typeU3vCamera;
                camera = std::make_shared<AravisCamera>(id, id, type, nullptr);
                m_cameras.push_back(camera);
            }
            addOnce(cameras, camera);
        }
        return true;
    }

private:
    std::shared_ptr<AravisCamera> findByKey(const std::string &key) const
    {
        for (const std::shared_ptr<AravisCamera> &camera : m_cameras) {
            if (key == camera->getKey())
                return camera;
        }
        return nullptr;
    }

    // A listed camera: opened once to learn its key and closed again (so that
    // a GigE camera's control is not held before a driver connects), then kept.
    std::shared_ptr<AravisCamera> openListed(const std::string &name)
    {
        for (const std::shared_ptr<AravisCamera> &camera : m_cameras) {
            if (camera->openName() == name)
                return camera;
        }
        GError *error = nullptr;
        ArvCamera *opened = arv_camera_new(name.c_str(), &error);
        if (opened == nullptr) {
            qWarning() << "Aravis cannot open camera" << QString::fromStdString(name) << ":"
                       << (error != nullptr ? error->message : "unknown error");
            g_clear_error(&error);
            return nullptr;
        }
        std::string key;
        QString why;
        const bool named = deviceKey(opened, &key, &why);
        const int type = cameraType(opened);
        g_object_unref(opened);
        if (!named) {
            qWarning() << "Aravis cannot read the name of camera" << QString::fromStdString(name) << ":"
                       << why;
            return nullptr;
        }
        if (std::shared_ptr<AravisCamera> known = findByKey(key))
            return known;
        auto camera = std::make_shared<AravisCamera>(name, key, type, nullptr);
        m_cameras.push_back(camera);
        return camera;
    }

    static void addOnce(std::vector<ICameraPtr> &cameras, const std::shared_ptr<AravisCamera> &camera)
    {
        for (const ICameraPtr &present : cameras) {
            if (present.get() == camera.get())
                return;
        }
        cameras.push_back(camera);
    }

    QStringList m_listed;
    std::mutex m_mutex;
    // Every camera seen, for the life of the process.
    std::vector<std::shared_ptr<AravisCamera>> m_cameras;
};

} // namespace

Backend *makeAravisBackend()
{
    return new AravisBackend;
}

} // namespace detail
} // namespace Mvsdk
