// VirtualCamera: the device model of one virtual camera.
//
// It is the ICamera that discovery hands out and the feature back end of its
// nodes: features and their values, connection state, scripted failures and
// refusals, trigger pacing, frame geometry, GigE addresses, and the stream
// sources made for it (for software triggers and for observation), and the
// scripted outage, in which it behaves as a camera whose power is cut.
// A replay camera ("images") reads its recording at every connect, takes
// its geometry from the files and refuses writes of Width, Height and
// PixelFormat; its stream sources deliver the recorded images.
//
// Thread-safe: one mutex guards the model. It is never held while a stream
// source's own mutex is taken, nor while a frame handler runs.
#ifndef MVSDK_VIRTUAL_VIRTUALCAMERA_H
#define MVSDK_VIRTUAL_VIRTUALCAMERA_H

#include "MVSDK/GenICam/Camera.h"

#include "configreader.h"
#include "featurestore.h"
#include "framepattern.h"
#include "replayrecording.h"
#include "sdkcamera.h"

#include <QSet>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace VxSim {
namespace detail {

struct StreamState;

class VirtualCamera final : public Mvsdk::detail::SdkCamera,
                            public std::enable_shared_from_this<VirtualCamera> {
public:
    explicit VirtualCamera(const CameraConfig &config);
    ~VirtualCamera() override;

    const QString &key() const { return m_key; }

    // ICamera
    const char *getKey() const override { return m_keyUtf8.c_str(); }
    int getType() const override { return m_kind; }
    bool connect(Dahua::GenICam::ECameraAccessPermission accessPermission) override;
    bool disconnect() override;
    bool isConnected() const override;

    // SdkCamera
    QString traceKey() const override { return m_key; }
    bool controlAvailable(const QString &factory) override { return !fails(factory) && !refusesAll(); }
    Dahua::GenICam::IStreamSourcePtr createStream(const Dahua::GenICam::ICameraPtr &self,
                                                  uint16_t channelId) override;
    Dahua::GenICam::IGigECameraPtr gigeCamera(const Dahua::GenICam::ICameraPtr &self) override;
    Dahua::GenICam::IGigEInterfacePtr gigeInterface(const Dahua::GenICam::ICameraPtr &self) override;

    // IFeatureBackend
    bool hasFeature(const std::string &name, FeatureType type) const override;
    bool readFeature(const std::string &name, FeatureType type, FeatureValue &value) override;
    bool writeFeature(const std::string &name, const FeatureValue &value) override;
    bool executeCommand(const std::string &name) override;

    // Scripting. Whether the operation is scripted to fail.
    bool fails(const QString &operation) const;
    void setFailure(const QString &operation, bool fail);
    // False (and nothing changes) when the rule names no known feature.
    bool setRefusal(const QString &rule, bool refuse);
    void setFrameBytes(uint32_t bytes);
    void setFrameRate(double fps);
    void setLine1Rate(double hz);
    bool featureText(const QString &name, QString *value) const;
    bool setFeatureText(const QString &name, const QString &value);

    // How frames are paced now, read live from the trigger features.
    struct Pacing {
        enum Kind { FreeRun, Software, Line1, None } kind = None;
        double rate = 0.0; // frames per second; 0 with FreeRun: as fast as possible
    };
    Pacing pacing() const;

    // What the next frame looks like.
    using FrameShape = detail::FrameShape;
    FrameShape frameShape() const;
    // The camera's pattern for frames of this shape, made on first use and
    // shared by all its stream sources while the shape stays. Null when the
    // memory cannot be had. Never called with another lock held.
    std::shared_ptr<const FramePattern> framePattern(const FrameShape &shape);
    // A camera that lacks Width, Height or PixelFormat (and has no fixed
    // frame size) makes no frames: says so, once per camera, on standard error.
    void reportIfFramesImpossible();

    // The replay settings of a replay camera, else none.
    const std::optional<ReplayConfig> &replay() const { return m_replay; }

    // Stream sources made for this camera.
    void addStream(const std::shared_ptr<StreamState> &stream);
    std::vector<std::shared_ptr<StreamState>> streams() const;
    // Counts a frame about to be delivered and remembers where its bytes lie.
    void countFrame(const void *image)
    {
        m_lastImage.store(image, std::memory_order_relaxed);
        m_framesProduced.fetch_add(1, std::memory_order_relaxed);
    }
    const void *lastImage() const { return m_lastImage.load(std::memory_order_relaxed); }
    uint64_t framesProduced() const { return m_framesProduced.load(); }

    // The scripted outage ("outage" in the configuration). Once the camera
    // has made that many frames the power goes: the connection ends, the
    // features go back to their power-on values and the stream sources of
    // that time stay dead for good. After its seconds the camera answers
    // again; a connection held when the power went stays lost (every
    // operation fails) until it is disconnected. Never called with a lock held.
    void cutPowerIfDue();
    // Whether the power is off now (an outage, or "bootSeconds" not yet over):
    // discovery does not list the camera then.
    bool poweredOff() const;
    // Whether every operation fails now: the power is off, or the connection
    // was lost to an outage and not yet ended by a disconnect.
    bool refusesAll() const;

    // GigE views.
    bool hasGigE() const { return m_hasGigE; }
    GigEConfig gige() const;
    // Assigns the camera's address; fails when scripted to, or when a text is
    // not a dotted IPv4 address. Traced.
    bool forceIp(const QString &address, const QString &mask, const QString &gateway);

private:
    // Frame size in bytes for the current geometry; false when it exceeds 32 bits.
    bool computedFrameBytes(uint64_t *bytes) const;
    // Sides within 0 .. kMaxFrameSide and a frame size that fits in 32 bits.
    // Writes that would break this are refused (undone).
    bool geometryUsable() const;
    // Sets a feature and keeps it only while the geometry stays usable.
    template <class Apply> bool applyKeepingGeometry(const std::string &name, Apply apply);
    void wakeStreams() const;
    // With m_mutex held.
    bool poweredOffLocked() const;
    bool refusesAllLocked() const { return poweredOffLocked() || m_connectionLost; }
    // Reads the recording and takes its geometry; false after one line on
    // standard error. Without the lock held.
    bool loadRecording();

    const QString m_key;
    const std::string m_keyUtf8;
    const int m_kind;
    const PatternKind m_patternKind;
    const bool m_hasGigE;
    const std::optional<OutageConfig> m_outage;
    const double m_connectSeconds;
    const std::optional<ReplayConfig> m_replay;

    mutable std::mutex m_mutex;
    FeatureStore m_features;
    QSet<QString> m_failures;
    bool m_connected = false;
    double m_fps;
    double m_line1Hz;
    bool m_fixedFrameBytes;
    uint32_t m_frameBytes;
    GigEConfig m_gige;
    std::vector<std::weak_ptr<StreamState>> m_streams;
    std::atomic<uint64_t> m_framesProduced {0};
    std::atomic<const void *> m_lastImage {nullptr};
    std::atomic<bool> m_framesImpossibleReported {false};
    std::atomic<bool> m_outagePending {false};
    std::optional<std::chrono::steady_clock::time_point> m_powerBack; // set when the power went
    bool m_connectionLost = false;
    FeatureStore m_powerOnFeatures;
    std::shared_ptr<const Recording> m_recording; // read at the last connect

    // Its own lock: making a large pattern must not hold up feature access.
    std::mutex m_patternMutex;
    std::shared_ptr<const FramePattern> m_pattern;
};

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_VIRTUALCAMERA_H
