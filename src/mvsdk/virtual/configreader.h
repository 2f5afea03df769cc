// The virtual-camera configuration: a JSON document read with Qt's JSON
// classes into plain records, with a clear message for every mistake.
#ifndef MVSDK_VIRTUAL_CONFIGREADER_H
#define MVSDK_VIRTUAL_CONFIGREADER_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace VxSim {
namespace detail {

struct GigEConfig {
    QString interfaceAddress;
    QString mask;
    QString gateway;
    QString cameraAddress;
};

// What the frames show: a ramp of values, zeros, or colour bars with a
// moving box and the frame number.
enum class PatternKind { Ramp, None, Bars };

// A scripted power cut: after `afterFrames` frames of its first start the
// camera answers nothing for `seconds`, then comes back as if switched on.
struct OutageConfig {
    uint64_t afterFrames = 0;
    double seconds = 0;
};

// A camera that replays image files ("images") instead of drawing a pattern.
enum class ReplayPace { Rate, Recorded };
struct ReplayConfig {
    QString images;                     // a folder, a file pattern or one file
    std::optional<QString> pixelFormat; // as given; else the files' usual one
    ReplayPace pace = ReplayPace::Rate; // "fps", or the dumps' time stamps
    bool loop = true;                   // at the end: the first image again, or no more frames
    int ringFrames = 0;                 // images decoded ahead; 0: defaultRingFrames
};

// Images a replay camera decodes ahead at most.
constexpr int kMaxRingFrames = 1000;
// Without "ringFrames": 8 images, or fewer where they pass 8 MiB (at least 2),
// so that large frames stay within the processor's cache while they are used.
int defaultRingFrames(uint32_t frameBytes);

struct CameraConfig {
    QString key;
    std::optional<QString> model;
    int64_t width = 640;
    int64_t height = 480;
    QString pixelFormat = QStringLiteral("Mono8");
    double fps = 30.0;
    double line1Hz = 0.0;
    std::optional<uint32_t> frameBytes;
    PatternKind pattern = PatternKind::Ramp;
    int kind = 0;
    QJsonObject features;
    QStringList missing;
    QStringList refuse;
    QStringList fail;
    std::optional<GigEConfig> gige;
    std::optional<OutageConfig> outage;
    // Seconds after the configuration loads before the camera is switched
    // on: until then discovery does not list it and it answers nothing.
    double bootSeconds = 0;
    // Seconds each connect takes before it answers (a slow or lossy network).
    double connectSeconds = 0;
    std::optional<ReplayConfig> replay;
};

struct SystemConfig {
    bool discoveryOk = true;
    std::vector<CameraConfig> cameras;
};

// Largest configuration file the system reads.
constexpr qint64 kMaxConfigBytes = 16 * 1024 * 1024;

// The operations that "fail" may name.
const QStringList &failableOperations();

// Largest width or height a camera takes (frames carry them as 32-bit values).
constexpr int64_t kMaxFrameSide = 2147483647;

bool parseConfig(const QByteArray &json, SystemConfig *config, QString *error);
// Reads and parses a configuration file; the error does not name the file.
bool readConfigFile(const QString &path, SystemConfig *config, QString *error);
// One line on standard error naming the file and the problem.
void reportConfigError(const QString &path, const QString &error);
SystemConfig builtInConfig();
// What stands in for a configuration that could not be read: no cameras, and
// discovery fails, so that a host tells it from a system that has none.
SystemConfig unreadableConfig();

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_CONFIGREADER_H
