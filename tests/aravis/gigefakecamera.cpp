#include "gigefakecamera.h"

#include <QFile>
#include <QThread>

#include <arv.h>

namespace {

const char *const kServer = "arv-fake-gv-camera-0.8";

// The fake's TriggerSource entries end with Software; Line1 goes after it.
const char *const kSoftwareEntry
    = "<EnumEntry Name=\"Software\" NameSpace=\"Standard\">\n\t\t\t<Value>1</Value>\n\t\t</EnumEntry>";
const char *const kLine1Entry
    = "\n\t\t<EnumEntry Name=\"Line1\" NameSpace=\"Standard\">\n\t\t\t<Value>2</Value>\n\t\t</EnumEntry>";

// Opens the server's camera by address, retrying while it starts up.
ArvCamera *openWhenUp(const QString &address)
{
    const QByteArray id = address.toLatin1();
    for (int attempt = 0; attempt < 50; ++attempt) {
        GError *error = nullptr;
        ArvCamera *camera = arv_camera_new(id.constData(), &error);
        g_clear_error(&error);
        if (camera != nullptr)
            return camera;
        QThread::msleep(100);
    }
    return nullptr;
}

} // namespace

GigEFakeCamera::GigEFakeCamera(const QString &address, const QString &serial)
    : m_address(address)
    , m_serial(serial)
{
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.setStandardOutputFile(QProcess::nullDevice());
}

GigEFakeCamera::~GigEFakeCamera()
{
    kill();
}

bool GigEFakeCamera::launch(const QStringList &arguments, QString *error)
{
    m_server.start(QString::fromLatin1(kServer), QStringList {"-i", m_address, "-s", m_serial} + arguments);
    if (!m_server.waitForStarted(10000)) {
        *error = QStringLiteral("cannot start %1: %2").arg(QLatin1String(kServer), m_server.errorString());
        return false;
    }
    ArvCamera *camera = openWhenUp(m_address);
    if (camera == nullptr) {
        *error = QStringLiteral("%1 does not answer on %2").arg(QLatin1String(kServer), m_address);
        return false;
    }
    g_object_unref(camera);
    return true;
}

bool GigEFakeCamera::writeDescription(QString *error)
{
    ArvCamera *camera = openWhenUp(m_address);
    if (camera == nullptr) {
        *error = QStringLiteral("cannot read the fake's description");
        return false;
    }
    size_t size = 0;
    const char *xml = arv_device_get_genicam_xml(arv_camera_get_device(camera), &size);
    QByteArray description(xml != nullptr ? xml : "", xml != nullptr ? qsizetype(size) : 0);
    g_object_unref(camera);
    const int at = description.indexOf(kSoftwareEntry);
    if (at < 0) {
        *error = QStringLiteral("the fake's description has no Software trigger source entry");
        return false;
    }
    description.insert(at + int(qstrlen(kSoftwareEntry)), kLine1Entry);
    QFile file(m_dir.filePath(QStringLiteral("fake-line1.xml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(description) != description.size()) {
        *error = QStringLiteral("cannot write %1").arg(file.fileName());
        return false;
    }
    return true;
}

bool GigEFakeCamera::start(QString *error, int lostPerThousand)
{
    if (!launch({}, error) || !writeDescription(error))
        return false;
    kill();
    m_arguments = QStringList {"-g", m_dir.filePath(QStringLiteral("fake-line1.xml"))};
    if (lostPerThousand > 0)
        m_arguments << "-r" << QString::number(lostPerThousand);
    return launch(m_arguments, error);
}

bool GigEFakeCamera::restart(QString *error)
{
    kill();
    return launch(m_arguments, error);
}

void GigEFakeCamera::kill()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.kill();
    m_server.waitForFinished(10000);
}
