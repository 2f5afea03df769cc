// CameraRun: one camera driven through a plug-in object of its own, with its
// own option record and callback, from a thread of its own: open, exposure,
// trigger mode, start, paced snapshots, the wait for its frames, stop, close,
// delete; then its summary and its PNG preview.
//
// A run ends at the first of: its frame target (the callback stops the camera
// at exactly that frame), its deadline (--seconds from the tool's start,
// opens included), the SDK reporting the camera's connection lost, an
// interrupt. Each failure is one line naming the camera. With --reconnect a
// refused first open is tried again, and a lost camera is closed and opened
// again, about once a second until it answers (or the time is up), then
// started as before; the time it was away and the frames it missed
// meanwhile go into the summary.
//
// Opens, reopen attempts, stops and closes run as SlowCalls: a call that
// takes three seconds says so. An interrupt ends the run at once, not when
// the call returns; the camera is then stopped and closed once the call has
// returned. The deadline gives an open (or the close of a lost camera) half a
// second more, then ends the run without it (see leftCallUnderWay()).
#ifndef VXCAM_CAMERARUN_H
#define VXCAM_CAMERARUN_H

#include "camerahandle.h"
#include "commandline.h"
#include "framelayout.h"
#include "grabhost.h"
#include "progressdisplay.h"
#include "runsummary.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class CameraConnections;
class FailureLines;
class SlowCall;

class CameraRun {
public:
    // Makes the camera object (on the calling thread).
    CameraRun(const GrabOptions &options, const PluginLoader &plugin);
    ~CameraRun();
    CameraRun(const CameraRun &) = delete;
    CameraRun &operator=(const CameraRun &) = delete;

    // Whether the plug-in made an object.
    bool created() const { return bool(m_camera); }
    // The keys the object lists (IGetCameraList); before run().
    QStringList cameraList() const;
    // The camera to open; before run().
    void setKey(const QString &key);
    const QString &shownKey() const { return m_shownKey; }

    // The whole run, on the run's own thread, ending by `deadline` (but for
    // the wait for a call into the plug-in that is under way then). pngFile:
    // where the last frame goes, empty for none.
    void run(const CameraConnections &connections, FailureLines &failures, const QString &pngFile,
             GrabHost::Clock::time_point deadline);

    // Any thread, while the run goes on.
    CameraProgress progress() const;
    bool finished() const { return m_finished.load(); }

    // After run().
    bool failed() const { return m_failed.load(); }
    // Whether acquisition started, and so a summary exists.
    bool started() const { return m_started; }
    const RunSummary &summary() const { return m_summary; }
    // Whether the deadline left an open (or the close of a lost camera)
    // under way: its thread and the camera object then live on, and the
    // process has to end without unloading the plug-in (std::_Exit).
    bool leftCallUnderWay() const { return m_leftUnderWay; }

private:
    using Clock = GrabHost::Clock;
    enum class End { None, Target, Time, Lost, Interrupt };

    // Runs `call` as a SlowCall and waits for it; its result, or none when
    // the deadline (if `bounded`, plus a moment's grace) or an interrupt
    // came first: the call is then left under way in m_pending.
    std::optional<bool> slowCall(const QString &what, const std::function<bool()> &call, bool bounded);
    // A SlowCall waited for however long it takes (the final stop and close).
    void waitedCall(const QString &what, const std::function<void()> &call);
    bool open();
    // Whether the exposure time asked for (if any) was taken.
    bool exposureSet();
    bool setExposure();
    bool start();
    void fireSnapshots();
    void waitForFrames();
    // Waits until more than `frames` frames have come, the run ends, or
    // `until`; whether the frames came.
    bool waitForMoreThan(int frames, GrabHost::Clock::time_point until);
    // Sets m_end when the run has to end now; whether it has. Reconnects a
    // lost camera first when asked to.
    bool ending();
    // Closes the lost camera and opens it again until it answers; whether
    // it runs again (false: the time is up, or an interrupt came).
    bool reconnect();
    // Waits until `attempt`; false when the deadline passed or an interrupt
    // came first.
    bool waitForAttempt(Clock::time_point attempt) const;
    // One attempt: open, exposure, start in the mode asked for; closed again
    // when a step fails.
    bool reopen();
    void stopAndClose();
    // Takes the time the camera was away into the numbers (at a restart, or
    // at the end of a run that ended with the camera away).
    void countOutage(Clock::time_point back);
    // Whether the camera makes frames at a rate of its own (modes 2 and 3),
    // so that the frames an outage cost can be estimated from it.
    bool freeRunning() const;
    void reportRun();
    // Fails the run when dumps the plug-in was to write are not there.
    void reportDumps();
    void writePng(const QString &file);
    void fail(const QString &line);
    // `camera "KEY"`, for the failure lines.
    QString cameraText() const;

    const GrabOptions &m_options;
    tagVX_CAMERA_OPTION m_option;
    GrabHost m_host;
    CameraHandle m_camera; // after the host and the option record it borrows
    QString m_key;
    QString m_shownKey;
    const CameraConnections *m_connections = nullptr;
    FailureLines *m_failures = nullptr;

    Clock::time_point m_runStart; // the run's first call into the plug-in
    GrabHost::Clock::time_point m_start;
    QDateTime m_startTime; // wall clock, as in the dump names
    QDateTime m_endTime;
    GrabHost::Clock::time_point m_deadline;
    std::atomic<qint64> m_startNs {0}; // m_start for progress(), once started
    End m_end = End::None;
    quint64 m_undeliveredBefore = 0;
    quint64 m_estimatedMissedBefore = 0;
    int m_snapsFired = 0;
    int m_snapsRefused = 0;
    int m_snapsWithoutFrame = 0;
    int m_snapsNotFired = 0; // the run's frames (or the limit) were reached first
    int m_reconnects = 0;
    // Outages: since when the camera is away (the last frame before the
    // loss was seen; unset while it streams), how long it was away in all,
    // and the frames it would have sent meanwhile at its rate before.
    std::optional<Clock::time_point> m_awaySince;
    bool m_wasAway = false;
    bool m_endedAway = false;
    std::optional<double> m_rateBefore; // frames per second; free run only
    double m_awaySeconds = 0;
    double m_missedEstimate = 0;
    std::unique_ptr<SlowCall> m_pending; // a call left under way at the end
    bool m_leftUnderWay = false;         // ...and not waited for: the deadline had passed
    int m_startImageFormat = 0;          // the camera's m_nImageFormat once started

    bool m_started = false;
    std::atomic<bool> m_failed {false};
    std::atomic<bool> m_finished {false};
    RunSummary m_summary;
    QByteArray m_lastFrame;
    FrameLayout m_lastFrameLayout;
};

#endif // VXCAM_CAMERARUN_H
