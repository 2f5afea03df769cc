// ViewCamera: the camera behind the live view, driven through the plug-in
// as a host drives it (or through the earlier driver with --driver earlier).
// Every operation runs on the window's thread.
#ifndef VXCAM_VIEWCAMERA_H
#define VXCAM_VIEWCAMERA_H

#include "cameraconnections.h"
#include "camerahandle.h"
#include "commandline.h"
#include "dumpcheck.h"
#include "frameimage.h"
#include "pluginloader.h"
#include "viewhost.h"

#include <QDateTime>

#include <memory>

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
    // Whether the SDK reports the camera lost: then it is stopped, and stays
    // lost. Asked by the window's timer.
    bool checkLost();
    bool lost() const { return m_lost; }
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
    PluginLoader m_plugin;
    std::unique_ptr<CameraConnections> m_connections;
    tagVX_CAMERA_OPTION m_option;
    ViewHost m_host;
    std::unique_ptr<CameraHandle> m_camera;
    FrameLayout m_layout;
    int m_mode = 2;
    bool m_running = false;
    bool m_lost = false;
    QDateTime m_openTime; // wall clock, as in the dump names
    QDateTime m_closeTime;
    bool m_exposureKnown = false;
    int m_exposure = 0;
};

#endif // VXCAM_VIEWCAMERA_H
