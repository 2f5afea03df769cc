// ViewCamera: the camera behind the live view, driven through the plug-in
// as a host drives it (or through the earlier driver with --driver earlier).
// Every operation runs on the window's thread, but one: a camera whose
// connection the SDK reports lost is stopped and closed, and (unless
// --no-reconnect) opened again about once a second until it answers, each
// open, and the discovery that reads the camera's facts after it, on a
// thread of its own (an open of a camera that does not answer waits out
// network time-outs, seconds on GigE Vision); once open it is set up and
// started as it was, on the window's thread again. When that setup or start
// fails, the camera is closed and the next attempt follows. While it is lost
// nothing else reaches the camera: start, stop and snapshots are refused, an
// exposure time is kept and set once it is back.
#ifndef VXCAM_VIEWCAMERA_H
#define VXCAM_VIEWCAMERA_H

#include "cameraconnections.h"
#include "camerafacts.h"
#include "camerahandle.h"
#include "commandline.h"
#include "dumpcheck.h"
#include "frameimage.h"
#include "pluginloader.h"
#include "viewhost.h"

#include <QDateTime>

#include <chrono>
#include <future>
#include <memory>
#include <optional>

class ViewCamera {
public:
    ViewCamera() = default;
    ~ViewCamera() { finish(); }
    ViewCamera(const ViewCamera &) = delete;
    ViewCamera &operator=(const ViewCamera &) = delete;

    // Loads the plug-in, opens the camera, sets the exposure time, trigger
    // mode and dumps the options ask for, and starts. False with *error, one
    // line, when a step fails (what was opened is closed again).
    bool open(const GrabOptions &options, QString *error);
    // Stops, closes and deletes the camera object; nothing after it.
    void finish();
    bool isOpen() const { return bool(m_camera); }

    bool start();
    void stop();
    // Started, and not stopped since (by the window, the frame limit or the loss).
    bool running() const { return m_running && !m_host.limitReached(); }
    bool limitReached() const { return m_host.limitReached(); }
    // Looks at the connection (call it often, from the window's timer) and
    // handles a loss as told above.
    void watchConnection();
    // At the end of a run: whether the camera is lost (and not open again);
    // a loss seen only now stops it, without a reconnect attempt.
    bool checkLost();
    // Lost and not yet open again.
    bool lost() const { return m_lost; }
    bool reconnecting() const { return m_lost && m_reconnect; }
    int reconnects() const { return m_reconnects; }
    // Outages: whether there was one, the seconds without a connection in
    // all (the current one included), and the frames missed meanwhile,
    // estimated from the rate before; unknown (false) when the camera was
    // triggered or not running.
    bool hadOutage() const { return m_wasAway; }
    double offlineSeconds() const;
    bool missedEstimate(double *frames) const
    {
        *frames = m_missedEstimate + (m_lost ? offlineNowSeconds() * m_rateBefore : 0);
        return !m_missedUnknown;
    }
    // One software-triggered snapshot (the camera then stays in software
    // triggering until the next start).
    bool snap();
    // Sets the exposure time through the property record; false when the
    // driver refused it (it logged a warning), the old value then stays.
    bool setExposure(int value);
    bool exposureKnown() const { return m_exposureKnown; }
    int exposure() const { return m_exposure; }
    void setDumps(bool on);
    bool dumps() const;

    // After finish(): the dumps the plug-in was to write and which of them
    // are missing.
    DumpCheck checkDumps() const;

    QString key() const { return m_option.cameraName; }
    const FrameLayout &layout() const { return m_layout; }
    ViewHost &host() { return m_host; }

private:
    // The frame layout of the opened camera; the facts read for it.
    CameraFacts readLayout();
    // The open on a thread of its own, watched for interrupts (said at
    // once; the camera is closed after the open returns) and the deadline
    // (half a second later the process ends with the open under way);
    // whether the camera opened.
    bool openWatched(const QString &shownKey, std::chrono::steady_clock::time_point deadline);
    void setLayout(const CameraFacts &facts);
    void noteLoss(std::chrono::steady_clock::time_point now);
    void countOutage(std::chrono::steady_clock::time_point back);
    double offlineNowSeconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_awaySince).count();
    }

    PluginLoader m_plugin;
    tagVX_CAMERA_OPTION m_option;
    ViewHost m_host;
    std::unique_ptr<CameraHandle> m_camera;
    std::unique_ptr<CameraConnections> m_connections;
    FrameLayout m_layout;
    int m_mode = 2;
    bool m_running = false;
    bool m_reconnect = false;
    bool m_lost = false;
    bool m_runAgain = false; // running when it was lost
    std::chrono::steady_clock::time_point m_nextAttempt;
    std::future<std::optional<CameraFacts>> m_attempt; // an open in flight
    std::chrono::steady_clock::time_point m_startedAt;
    quint64 m_framesAtStart = 0;
    bool m_wasAway = false;
    std::chrono::steady_clock::time_point m_awaySince;
    double m_rateBefore = 0;
    double m_awaySeconds = 0;
    double m_missedEstimate = 0;
    bool m_missedUnknown = false;
    int m_reconnects = 0;
    QDateTime m_openTime; // wall clock, as in the dump names
    QDateTime m_closeTime;
    bool m_exposureKnown = false;
    int m_exposure = 0;
};

#endif // VXCAM_VIEWCAMERA_H
