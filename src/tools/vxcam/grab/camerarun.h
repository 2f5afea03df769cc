// CameraRun: one camera driven through a plug-in object of its own, with its
// own option record and callback, from a thread of its own: open, exposure,
// trigger mode, start, paced snapshots, the wait for its frames, stop, close,
// delete; then its summary and its PNG preview.
//
// A run ends at the first of: its frame target (the callback stops the camera
// at exactly that frame), its time limit, the SDK reporting the camera's
// connection lost, an interrupt. Each failure is one line naming the camera.
// With --reconnect a lost camera is closed and opened again about once a
// second until it answers (or the time is up), then started as before.
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

class CameraConnections;
class FailureLines;

class CameraRun {
public:
    // Makes the camera object (on the calling thread).
    CameraRun(const GrabOptions &options, const PluginLoader &plugin);
    CameraRun(const CameraRun &) = delete;
    CameraRun &operator=(const CameraRun &) = delete;

    // Whether the plug-in made an object.
    bool created() const { return bool(m_camera); }
    // The keys the object lists (IGetCameraList); before run().
    QStringList cameraList() const;
    // The camera to open; before run().
    void setKey(const QString &key);
    const QString &shownKey() const { return m_shownKey; }

    // The whole run, on the run's own thread. pngFile: where the last frame
    // goes, empty for none.
    void run(const CameraConnections &connections, FailureLines &failures, const QString &pngFile);

    // Any thread, while the run goes on.
    CameraProgress progress() const;
    bool finished() const { return m_finished.load(); }

    // After run().
    bool failed() const { return m_failed.load(); }
    // Whether acquisition started, and so a summary exists.
    bool started() const { return m_started; }
    const RunSummary &summary() const { return m_summary; }

private:
    enum class End { None, Target, Time, Lost, Interrupt };

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
    // One attempt: open, exposure, start in the mode asked for; closed again
    // when a step fails.
    bool reopen();
    void stopAndClose();
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

    GrabHost::Clock::time_point m_start;
    QDateTime m_startTime; // wall clock, as in the dump names
    QDateTime m_endTime;
    GrabHost::Clock::time_point m_deadline;
    std::atomic<qint64> m_startNs {0}; // m_start for progress(), once started
    End m_end = End::None;
    quint64 m_undeliveredBefore = 0;
    int m_snapsFired = 0;
    int m_snapsRefused = 0;
    int m_snapsWithoutFrame = 0;
    int m_snapsNotFired = 0; // the run's frames (or the limit) were reached first
    int m_reconnects = 0;

    bool m_started = false;
    std::atomic<bool> m_failed {false};
    std::atomic<bool> m_finished {false};
    RunSummary m_summary;
    QByteArray m_lastFrame;
    FrameLayout m_lastFrameLayout;
};

#endif // VXCAM_CAMERARUN_H
