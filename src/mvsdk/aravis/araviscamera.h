// AravisCamera: one real camera (GigE Vision or USB3 Vision, or Aravis's own
// fake) behind the surface's ICamera and feature nodes.
//
// It owns the Aravis camera object while connected (opened by device id or
// address), maps the surface's feature names and pixel-format symbols to the
// camera's nodes, and traces every operation as the virtual cameras do.
// Thread-safe: one mutex serialises every access to the camera's nodes and
// registers (Aravis's node tree is not safe for concurrent use); it is never
// held while a frame handler runs.
//
// Lost camera: once Aravis reports the control connection lost, or one
// register access has timed out, the camera is marked lost; from then on
// every operation fails at once with a warning instead of waiting for the
// network again. A disconnect ends the lost connection; a later connect
// tries afresh, once the released connection's teardown, which may still
// be writing to the camera, has finished: a late reset of the stream
// channel or release of control would silence the new connection.
#ifndef MVSDK_ARAVIS_ARAVISCAMERA_H
#define MVSDK_ARAVIS_ARAVISCAMERA_H

#include "sdkcamera.h"

#include <QString>

#include <arv.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Mvsdk {
namespace aravis {

// Raised by Aravis's heartbeat thread through the "control-lost" signal;
// outlives the camera object for as long as the signal connection does.
struct LostFlag {
    // True when this call marked it lost; notes the time.
    bool mark()
    {
        if (lost.exchange(true))
            return false;
        since.store(std::chrono::steady_clock::now().time_since_epoch().count());
        return true;
    }

    std::atomic<bool> lost {false};
    std::atomic<std::chrono::steady_clock::rep> since {0}; // when last marked lost
};

class AravisCamera final : public detail::SdkCamera, public std::enable_shared_from_this<AravisCamera> {
public:
    // `openName`: what Aravis opens (device id or address). `opened`: a
    // camera already opened under that name (its reference is taken), or null.
    AravisCamera(std::string openName, std::string key, int type, ArvCamera *opened);
    ~AravisCamera() override;

    const std::string &openName() const { return m_openName; }

    // ICamera
    const char *getKey() const override { return m_key.c_str(); }
    int getType() const override { return m_type; }
    bool connect(Dahua::GenICam::ECameraAccessPermission accessPermission) override;
    bool disconnect() override;
    bool isConnected() const override;

    // SdkCamera
    QString traceKey() const override { return m_traceKey; }
    bool controlAvailable(const QString &factory) override;
    Dahua::GenICam::IStreamSourcePtr createStream(const Dahua::GenICam::ICameraPtr &self,
                                                  uint16_t channelId) override;
    Dahua::GenICam::IGigECameraPtr gigeCamera(const Dahua::GenICam::ICameraPtr &self) override;
    Dahua::GenICam::IGigEInterfacePtr gigeInterface(const Dahua::GenICam::ICameraPtr &self) override;

    // IFeatureBackend
    bool hasFeature(const std::string &name, detail::FeatureType type) const override;
    bool readFeature(const std::string &name, detail::FeatureType type, detail::FeatureValue &value) override;
    bool writeFeature(const std::string &name, const detail::FeatureValue &value) override;
    bool executeCommand(const std::string &name) override;

    // For this camera's stream sources.
    bool lost() const;
    // When the camera was marked lost; `now` when it is not.
    std::chrono::steady_clock::time_point lostSince(std::chrono::steady_clock::time_point now) const;
    // Whether the camera runs free (TriggerMode Off), read from the camera;
    // false when unreadable. knownFreeRunning(): the same as last read or
    // written through this object, without asking the camera.
    bool freeRunning();
    bool knownFreeRunning() const { return m_freeRun.load(); }
    // A new reference to the connected Aravis camera (g_object_unref it), or
    // null when not connected or lost.
    ArvCamera *cameraRef() const;
    // AcquisitionStart / AcquisitionStop; false (logged) when lost or refused.
    bool startAcquisition(const char *operation);
    bool stopAcquisition(const char *operation);
    // Bytes of one frame buffer and the pixel format in the surface's
    // vocabulary, for the stream's buffer pool; false when unreadable.
    bool streamGeometry(size_t *payload, std::string *pixelFormat);
    // A new Aravis stream of the camera with this callback, or null (logged).
    ArvStream *createArvStream(ArvStreamCallback callback, void *userData);
    // For the GigE views: the connected camera's GigE device, or null.
    ArvGvDevice *gvDeviceRef() const;
    // The camera opens again only once `teardown` (of its objects, run on
    // another thread) has finished. `joinsCaller`, when given, tells whether
    // the teardown joins the calling thread (a stream released inside its
    // own callback, while that callback still runs): such a caller must not
    // wait for it.
    void openAfter(std::shared_future<void> teardown, std::function<bool()> joinsCaller = {});

private:
    // With m_mutex held.
    bool openLocked();
    void closeLocked();
    void stopLeftoverAcquisitionLocked();
    void awaitTeardowns();
    bool refusedWhenLostLocked(const char *operation) const;
    ArvGcNode *nodeLocked(const std::string &name, detail::FeatureType type, std::string *genicamName) const;
    // Logs an Aravis error of an operation in one line: a timeout or lost
    // connection marks the camera lost. Frees the error.
    void noteErrorLocked(const char *operation, const std::string &feature, GError *error) const;

    const std::string m_openName;
    const std::string m_key;
    const QString m_traceKey;
    const int m_type;

    mutable std::mutex m_mutex;
    ArvCamera *m_camera = nullptr;
    bool m_connected = false;
    std::shared_ptr<LostFlag> m_lost;
    std::atomic<bool> m_freeRun {false};
    gulong m_lostHandler = 0;

    // Teardowns of released objects still to finish; guarded by its own
    // mutex, so that a stream released on Aravis's thread never waits for m_mutex.
    std::mutex m_teardownMutex;
    struct Teardown {
        std::shared_future<void> done;
        std::function<bool()> joinsCaller;
    };
    std::vector<Teardown> m_teardowns;
};

} // namespace aravis
} // namespace Mvsdk

#endif // MVSDK_ARAVIS_ARAVISCAMERA_H
