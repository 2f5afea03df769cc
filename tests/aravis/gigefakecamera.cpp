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
}

GigEFakeCamera::~GigEFakeCamera()
{
    kill();
}

bool GigEFakeCamera::launch(const QStringList &arguments, QString *error)
{
    if (!m_server.start(QString::fromLatin1(kServer),
                        QStringList {"-i", m_address, "-s", m_serial} + arguments, error))
        return false;
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
    m_arguments = QStringList {"-g", hostPath(m_dir.filePath(QStringLiteral("fake-line1.xml")))};
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
    m_server.kill();
}

bool useAravisBackend(const char *devices)
{
    qputenv("VXCAM_SDK_BACKEND", "aravis");
    qputenv("VXCAM_ARAVIS_DEVICES", devices);
    return true;
}

bool GigEFakeCamera::tool(const QStringList &control, QByteArray *output, QString *error)
{
    const HostRun run = runHostProgram(QStringLiteral("arv-tool-0.8"),
                                       QStringList {"-a", m_address, "control"} + control, 30000);
    if (run.finished && run.exitCode == 0) {
        *output = run.output;
        return true;
    }
    *error = QStringLiteral("arv-tool-0.8 failed on the fake: ") + QString::fromLocal8Bit(run.errors);
    return false;
}

bool GigEFakeCamera::leaveAcquiring(quint16 port, QString *error)
{
    // GevSCDA (0x0d18) and GevSCPHostPort (0x0d00), written as registers:
    // the fake's description does not name them. arv-tool releases control
    // when it exits.
    quint32 address = 0;
    for (const QString &part : m_address.split(QLatin1Char('.')))
        address = address << 8 | part.toUInt();
    QByteArray output;
    if (!tool({QStringLiteral("R[0x0d18]=%1").arg(address), QStringLiteral("R[0x0d00]=%1").arg(port),
               QStringLiteral("AcquisitionStart")},
              &output, error))
        return false;
    if (output.contains("AcquisitionStart executed"))
        return true;
    *error = QStringLiteral("arv-tool-0.8 did not start the fake's acquisition: ")
        + QString::fromLocal8Bit(output);
    return false;
}

bool GigEFakeCamera::readRegister(quint32 address, quint32 *value, QString *error)
{
    QByteArray output;
    if (!tool({QStringLiteral("R[0x%1]").arg(address, 0, 16)}, &output, error))
        return false;
    // "R[0x00000124] = 0x00000001"
    const int equals = output.indexOf('=');
    bool ok = false;
    if (equals >= 0)
        *value = output.mid(equals + 1).trimmed().toUInt(&ok, 16);
    if (!ok)
        *error = QStringLiteral("arv-tool-0.8 read no register value: ") + QString::fromLocal8Bit(output);
    return ok;
}

bool GigEFakeCamera::setFrameSize(int width, int height, QString *error)
{
    QByteArray output;
    return tool({QStringLiteral("Width=%1").arg(width), QStringLiteral("Height=%1").arg(height)}, &output,
                error);
}

bool GigEFakeCamera::setFrameRate(int fps, QString *error)
{
    QByteArray output;
    return tool({QStringLiteral("AcquisitionFrameRate=%1").arg(fps)}, &output, error);
}
