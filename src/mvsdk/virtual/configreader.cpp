#include "configreader.h"

#include "diagnostics.h"
#include "featurestore.h"
#include "pixellayout.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <vector>

namespace VxSim {
namespace detail {

namespace {

// Edits (insertions, deletions, substitutions) between two texts, ignoring case.
int editDistance(const QString &a, const QString &b)
{
    std::vector<int> previous(b.size() + 1), current(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const bool same = a.at(i - 1).toLower() == b.at(j - 1).toLower();
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

// Empty, or the problem with the first key of `object` that is not one of
// `known`, with the known key it was probably meant to be.
QString unknownKey(const QJsonObject &object, const QStringList &known)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (known.contains(it.key()))
            continue;
        QString problem = QStringLiteral("unknown key \"%1\"").arg(it.key());
        for (const QString &candidate : known) {
            if (editDistance(it.key(), candidate) <= 2) {
                problem += QStringLiteral(" (did you mean \"%1\"?)").arg(candidate);
                break;
            }
        }
        return problem;
    }
    return QString();
}

// Reads one camera; returns false with *error set on the first mistake.
class CameraReader {
public:
    CameraReader(const QJsonObject &object, int index, QString *error)
        : m_object(object)
        , m_error(error)
        , m_where(QStringLiteral("cameras[%1]").arg(index))
    {
    }

    bool read(CameraConfig *camera)
    {
        const QJsonValue key = m_object.value(QStringLiteral("key"));
        if (!key.isString() || key.toString().isEmpty())
            return fail(QStringLiteral("needs a non-empty text \"key\""));
        camera->key = key.toString();
        m_where += QStringLiteral(" (\"%1\")").arg(camera->key);
        static const QStringList kKeys
            = {QStringLiteral("key"),       QStringLiteral("model"),       QStringLiteral("width"),
               QStringLiteral("height"),    QStringLiteral("pixelFormat"), QStringLiteral("fps"),
               QStringLiteral("line1Hz"),   QStringLiteral("frameBytes"),  QStringLiteral("pattern"),
               QStringLiteral("kind"),      QStringLiteral("features"),    QStringLiteral("missing"),
               QStringLiteral("refuse"),    QStringLiteral("fail"),        QStringLiteral("gige"),
               QStringLiteral("outage"),    QStringLiteral("bootSeconds"), QStringLiteral("connectSeconds"),
               QStringLiteral("images"),    QStringLiteral("pace"),        QStringLiteral("atEnd"),
               QStringLiteral("ringFrames")};
        const QString unknown = unknownKey(m_object, kKeys);
        if (!unknown.isEmpty())
            return fail(unknown);

        if (m_object.contains(QStringLiteral("model"))) {
            QString model;
            if (!text(QStringLiteral("model"), &model))
                return false;
            camera->model = model;
        }
        if (!integer(QStringLiteral("width"), &camera->width)
            || !integer(QStringLiteral("height"), &camera->height)
            || !text(QStringLiteral("pixelFormat"), &camera->pixelFormat)
            || !rate(QStringLiteral("fps"), &camera->fps)
            || !rate(QStringLiteral("line1Hz"), &camera->line1Hz)
            || !rate(QStringLiteral("bootSeconds"), &camera->bootSeconds)
            || !rate(QStringLiteral("connectSeconds"), &camera->connectSeconds))
            return false;
        if (m_object.contains(QStringLiteral("frameBytes"))) {
            int64_t bytes = 0;
            if (!integer(QStringLiteral("frameBytes"), &bytes))
                return false;
            if (bytes > static_cast<int64_t>(UINT32_MAX))
                return fail(QStringLiteral("\"frameBytes\" must fit in 32 bits"));
            camera->frameBytes = static_cast<uint32_t>(bytes);
        }
        QString pattern = QStringLiteral("ramp");
        if (!text(QStringLiteral("pattern"), &pattern))
            return false;
        if (pattern == QLatin1String("none"))
            camera->pattern = PatternKind::None;
        else if (pattern == QLatin1String("bars"))
            camera->pattern = PatternKind::Bars;
        else if (pattern != QLatin1String("ramp"))
            return fail(QStringLiteral("\"pattern\" must be \"ramp\", \"none\" or \"bars\""));
        int64_t kind = 0;
        if (!integer(QStringLiteral("kind"), &kind))
            return false;
        if (kind > 255)
            return fail(QStringLiteral("\"kind\" must be 0 to 255"));
        camera->kind = static_cast<int>(kind);
        return readFeatures(camera) && readFeatureNames(QStringLiteral("missing"), &camera->missing)
            && readFeatureNames(QStringLiteral("refuse"), &camera->refuse) && readFail(camera)
            && readGigE(camera) && readOutage(camera) && readReplay(camera) && checkGeometry(*camera);
    }

private:
    bool fail(const QString &message)
    {
        *m_error = m_where + QStringLiteral(": ") + message;
        return false;
    }

    bool integer(const QString &name, int64_t *value)
    {
        if (!m_object.contains(name))
            return true;
        const QJsonValue v = m_object.value(name);
        const double d = v.toDouble();
        if (!v.isDouble() || d != std::floor(d) || d < 0 || d > 9.0e15)
            return fail(QStringLiteral("\"%1\" must be a whole number of 0 or more").arg(name));
        *value = static_cast<int64_t>(d);
        return true;
    }

    bool rate(const QString &name, double *value)
    {
        if (!m_object.contains(name))
            return true;
        const QJsonValue v = m_object.value(name);
        if (!v.isDouble() || !(v.toDouble() >= 0) || v.toDouble() > 1.0e6)
            return fail(QStringLiteral("\"%1\" must be a number from 0 to 1000000").arg(name));
        *value = v.toDouble();
        return true;
    }

    bool text(const QString &name, QString *value)
    {
        if (!m_object.contains(name))
            return true;
        const QJsonValue v = m_object.value(name);
        if (!v.isString())
            return fail(QStringLiteral("\"%1\" must be a text").arg(name));
        *value = v.toString();
        return true;
    }

    bool textList(const QString &name, QStringList *list)
    {
        if (!m_object.contains(name))
            return true;
        const QJsonValue v = m_object.value(name);
        if (!v.isArray())
            return fail(QStringLiteral("\"%1\" must be a list of texts").arg(name));
        for (const QJsonValue item : v.toArray()) {
            if (!item.isString())
                return fail(QStringLiteral("\"%1\" must be a list of texts").arg(name));
            list->append(item.toString());
        }
        return true;
    }

    bool readFeatures(CameraConfig *camera)
    {
        if (!m_object.contains(QStringLiteral("features")))
            return true;
        const QJsonValue v = m_object.value(QStringLiteral("features"));
        if (!v.isObject())
            return fail(QStringLiteral("\"features\" must be an object"));
        camera->features = v.toObject();
        // Check names and types now, so that a bad value is a configuration error.
        FeatureStore probe;
        for (auto it = camera->features.begin(); it != camera->features.end(); ++it) {
            QString problem;
            if (!probe.setInitial(it.key().toStdString(), it.value(), &problem))
                return fail(problem);
        }
        return true;
    }

    // A list of feature names ("missing") or refusal rules ("Feature" or
    // "Feature=Value", for "refuse"): each must name a known feature.
    bool readFeatureNames(const QString &name, QStringList *list)
    {
        if (!textList(name, list))
            return false;
        const FeatureStore probe;
        for (const QString &entry : std::as_const(*list)) {
            const QString feature = entry.section(QLatin1Char('='), 0, 0);
            if (!probe.isKnownName(feature.toStdString()))
                return fail(QStringLiteral("\"%1\" names an unknown feature \"%2\"").arg(name, feature));
        }
        return true;
    }

    // The sides as the camera starts ("features" override "width" and
    // "height") must fit the frames, and so must the frame size unless
    // "frameBytes" fixes it.
    bool checkGeometry(const CameraConfig &camera)
    {
        const int64_t width = camera.features.contains(QStringLiteral("Width"))
            ? static_cast<int64_t>(camera.features.value(QStringLiteral("Width")).toDouble())
            : camera.width;
        const int64_t height = camera.features.contains(QStringLiteral("Height"))
            ? static_cast<int64_t>(camera.features.value(QStringLiteral("Height")).toDouble())
            : camera.height;
        const QString format = camera.features.contains(QStringLiteral("PixelFormat"))
            ? camera.features.value(QStringLiteral("PixelFormat")).toString()
            : camera.pixelFormat;
        if (width < 0 || width > kMaxFrameSide || height < 0 || height > kMaxFrameSide)
            return fail(
                QStringLiteral("width and height must be from 0 to %1, got %2 x %3")
                    .arg(QString::number(kMaxFrameSide), QString::number(width), QString::number(height)));
        if (camera.frameBytes.has_value())
            return true;
        const uint64_t bytes = frameBytesFor(width, height, format);
        if (bytes > UINT32_MAX)
            return fail(QStringLiteral("a %1 x %2 %3 frame has more than %4 bytes (give \"frameBytes\")")
                            .arg(QString::number(width), QString::number(height), format,
                                 QString::number(UINT32_MAX)));
        return true;
    }

    bool readFail(CameraConfig *camera)
    {
        if (!textList(QStringLiteral("fail"), &camera->fail))
            return false;
        for (const QString &operation : std::as_const(camera->fail)) {
            if (!failableOperations().contains(operation))
                return fail(QStringLiteral("\"fail\" names an unknown operation \"%1\"").arg(operation));
        }
        return true;
    }

    // The object `name` of the camera, whose keys must be among `known`.
    // False (with the error) for a mistake; *object stays empty without one.
    bool section(const QString &name, const QStringList &known, std::optional<QJsonObject> *object)
    {
        if (!m_object.contains(name))
            return true;
        const QJsonValue v = m_object.value(name);
        if (!v.isObject())
            return fail(QStringLiteral("\"%1\" must be an object").arg(name));
        const QString unknown = unknownKey(v.toObject(), known);
        if (!unknown.isEmpty())
            return fail(QStringLiteral("\"%1\": ").arg(name) + unknown);
        *object = v.toObject();
        return true;
    }

    bool readGigE(CameraConfig *camera)
    {
        std::optional<QJsonObject> found;
        if (!section(QStringLiteral("gige"),
                     {QStringLiteral("interface"), QStringLiteral("mask"), QStringLiteral("gateway"),
                      QStringLiteral("camera")},
                     &found))
            return false;
        if (!found)
            return true;
        const QJsonObject &o = *found;
        GigEConfig gige;
        const struct {
            const char *name;
            QString *target;
        } fields[] = {{"interface", &gige.interfaceAddress},
                      {"mask", &gige.mask},
                      {"gateway", &gige.gateway},
                      {"camera", &gige.cameraAddress}};
        for (const auto &field : fields) {
            const QJsonValue item = o.value(QLatin1String(field.name));
            if (item.isUndefined())
                continue;
            if (!item.isString())
                return fail(QStringLiteral("\"gige\".\"%1\" must be a text").arg(QLatin1String(field.name)));
            *field.target = item.toString();
        }
        camera->gige = gige;
        return true;
    }

    bool readOutage(CameraConfig *camera)
    {
        std::optional<QJsonObject> found;
        if (!section(QStringLiteral("outage"), {QStringLiteral("afterFrames"), QStringLiteral("seconds")},
                     &found))
            return false;
        if (!found)
            return true;
        const QJsonValue frames = found->value(QStringLiteral("afterFrames"));
        const double d = frames.toDouble();
        if (!frames.isDouble() || d != std::floor(d) || d < 0 || d > 9.0e15)
            return fail(QStringLiteral("\"outage\".\"afterFrames\" must be a whole number of 0 or more"));
        const QJsonValue seconds = found->value(QStringLiteral("seconds"));
        if (!seconds.isDouble() || !(seconds.toDouble() > 0) || seconds.toDouble() > 1.0e6)
            return fail(
                QStringLiteral("\"outage\".\"seconds\" must be a number above 0 and at most 1000000"));
        camera->outage = OutageConfig {static_cast<uint64_t>(d), seconds.toDouble()};
        return true;
    }

    // "images" and the keys that go with it; the files give the geometry, so
    // the keys that set it are mistakes beside "images".
    bool readReplay(CameraConfig *camera)
    {
        static const QStringList kReplayOnly
            = {QStringLiteral("pace"), QStringLiteral("atEnd"), QStringLiteral("ringFrames")};
        if (!m_object.contains(QStringLiteral("images"))) {
            for (const QString &name : kReplayOnly) {
                if (m_object.contains(name))
                    return fail(QStringLiteral("\"%1\" needs \"images\"").arg(name));
            }
            return true;
        }
        for (const QString &name : {QStringLiteral("width"), QStringLiteral("height"),
                                    QStringLiteral("frameBytes"), QStringLiteral("pattern")}) {
            if (m_object.contains(name))
                return fail(QStringLiteral("\"%1\" cannot go with \"images\": the image files give the "
                                           "frames")
                                .arg(name));
        }
        for (const char *feature : {"Width", "Height", "PixelFormat"}) {
            if (camera->features.contains(QLatin1String(feature))
                || camera->missing.contains(QLatin1String(feature)))
                return fail(QStringLiteral("the feature \"%1\" cannot be set or missing with \"images\": the "
                                           "image files give it")
                                .arg(QLatin1String(feature)));
        }
        ReplayConfig replay;
        if (!text(QStringLiteral("images"), &replay.images))
            return false;
        if (replay.images.isEmpty())
            return fail(QStringLiteral("\"images\" must name a folder, a file pattern or a file"));
        if (m_object.contains(QStringLiteral("pixelFormat"))) {
            if (!pixelLayout(camera->pixelFormat).known)
                return fail(QStringLiteral("\"pixelFormat\" \"%1\" is no pixel format this system can "
                                           "replay")
                                .arg(camera->pixelFormat));
            replay.pixelFormat = camera->pixelFormat;
        }
        QString pace = QStringLiteral("fps");
        if (!text(QStringLiteral("pace"), &pace))
            return false;
        if (pace != QLatin1String("fps") && pace != QLatin1String("recorded"))
            return fail(QStringLiteral("\"pace\" must be \"fps\" or \"recorded\""));
        replay.pace = pace == QLatin1String("recorded") ? ReplayPace::Recorded : ReplayPace::Rate;
        QString atEnd = QStringLiteral("loop");
        if (!text(QStringLiteral("atEnd"), &atEnd))
            return false;
        if (atEnd != QLatin1String("loop") && atEnd != QLatin1String("stop"))
            return fail(QStringLiteral("\"atEnd\" must be \"loop\" or \"stop\""));
        replay.loop = atEnd == QLatin1String("loop");
        int64_t ring = 1;
        if (!integer(QStringLiteral("ringFrames"), &ring))
            return false;
        if (ring < 1 || ring > kMaxRingFrames)
            return fail(QStringLiteral("\"ringFrames\" must be 1 to %1").arg(kMaxRingFrames));
        if (m_object.contains(QStringLiteral("ringFrames")))
            replay.ringFrames = static_cast<int>(ring);
        camera->replay = replay;
        return true;
    }

    const QJsonObject &m_object;
    QString *m_error;
    QString m_where;
};

} // namespace

int defaultRingFrames(uint32_t frameBytes)
{
    constexpr uint32_t kRingBytes = 8 * 1024 * 1024;
    const uint32_t fit = frameBytes == 0 ? 8 : kRingBytes / frameBytes;
    return static_cast<int>(std::clamp<uint32_t>(fit, 2, 8));
}

const QStringList &failableOperations()
{
    static const QStringList operations = {
        QStringLiteral("connect"),
        QStringLiteral("createAcquisitionControl"),
        QStringLiteral("createImageFormatControl"),
        QStringLiteral("createAnalogControl"),
        QStringLiteral("createISPControl"),
        QStringLiteral("createStreamSource"),
        QStringLiteral("attachGrabbing"),
        QStringLiteral("startGrabbing"),
        QStringLiteral("stopGrabbing"),
        QStringLiteral("disconnect"),
        QStringLiteral("forceIp"),
    };
    return operations;
}

bool parseConfig(const QByteArray &json, SystemConfig *config, QString *error)
{
    if (json.size() > kMaxConfigBytes) {
        *error = QStringLiteral("the configuration is larger than %1 bytes").arg(kMaxConfigBytes);
        return false;
    }
    QJsonParseError parseError {};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (json.trimmed().isEmpty()) {
        *error = QStringLiteral("not valid JSON: the configuration is empty");
        return false;
    }
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not valid JSON at offset %1: %2")
                     .arg(parseError.offset)
                     .arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("the configuration must be a JSON object");
        return false;
    }
    const QJsonObject root = document.object();
    const QString unknown = unknownKey(root, {QStringLiteral("discovery"), QStringLiteral("cameras")});
    if (!unknown.isEmpty()) {
        *error = unknown;
        return false;
    }
    SystemConfig result;
    const QJsonValue discovery = root.value(QStringLiteral("discovery"));
    if (!discovery.isUndefined()) {
        if (discovery != QJsonValue(QStringLiteral("ok"))
            && discovery != QJsonValue(QStringLiteral("fail"))) {
            *error = QStringLiteral("\"discovery\" must be \"ok\" or \"fail\"");
            return false;
        }
        result.discoveryOk = discovery.toString() == QLatin1String("ok");
    }
    const QJsonValue cameras = root.value(QStringLiteral("cameras"));
    if (!cameras.isUndefined() && !cameras.isArray()) {
        *error = QStringLiteral("\"cameras\" must be a list");
        return false;
    }
    QSet<QString> keys;
    const QJsonArray list = cameras.toArray();
    for (int i = 0; i < list.size(); ++i) {
        if (!list.at(i).isObject()) {
            *error = QStringLiteral("cameras[%1] must be an object").arg(i);
            return false;
        }
        CameraConfig camera;
        const QJsonObject object = list.at(i).toObject();
        if (!CameraReader(object, i, error).read(&camera))
            return false;
        if (keys.contains(camera.key)) {
            *error = QStringLiteral("cameras[%1]: the key \"%2\" is used twice").arg(i).arg(camera.key);
            return false;
        }
        keys.insert(camera.key);
        result.cameras.push_back(std::move(camera));
    }
    *config = std::move(result);
    return true;
}

bool readConfigFile(const QString &path, SystemConfig *config, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return false;
    }
    // Read one byte more than allowed, so that an oversized file is told apart.
    const QByteArray json = file.read(kMaxConfigBytes + 1);
    if (json.isEmpty() && file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return false;
    }
    return parseConfig(json, config, error);
}

void reportConfigError(const QString &path, const QString &error)
{
    reportProblem(QStringLiteral("configuration file \"%1\": %2").arg(path, error));
}

SystemConfig unreadableConfig()
{
    SystemConfig config;
    config.discoveryOk = false;
    return config;
}

SystemConfig builtInConfig()
{
    SystemConfig config;
    CameraConfig mono;
    mono.key = QStringLiteral("Virtual:MONO0001");
    mono.model = QStringLiteral("VirtualMono");
    mono.width = 1280;
    mono.height = 1024;
    mono.pixelFormat = QStringLiteral("Mono8");
    config.cameras.push_back(mono);

    CameraConfig color;
    color.key = QStringLiteral("Virtual:RGB0002");
    color.model = QStringLiteral("VirtualColor");
    color.width = 640;
    color.height = 480;
    color.pixelFormat = QStringLiteral("RGB8Packed");
    config.cameras.push_back(color);
    return config;
}

} // namespace detail
} // namespace VxSim
