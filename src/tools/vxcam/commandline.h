// The tool's command line: `vxcam list`, `vxcam grab` and `vxcam view`.
//
// The options that open and set up a camera (--plugin, --camera, --driver,
// --board, --mode, --exposure, --save, --suffix) are shared by every command
// that drives cameras; --seconds and --limit by grab and view. The ones that
// shape a grab run (--frames, --snap, --snap-timeout, --png, --all, --quiet,
// --reconnect) are grab's own, --screenshot and --no-reconnect view's own; a
// command refuses the other's.
#ifndef VXCAM_COMMANDLINE_H
#define VXCAM_COMMANDLINE_H

#include <QString>
#include <QStringList>

struct GrabOptions {
    // Shared by the commands that drive cameras.
    QString plugin; // empty: the default plug-in (see PluginLoader)
    bool pluginGiven = false;
    QStringList cameras; // in the order given; empty with --all
    bool earlierDriver = false;
    int board = 0;
    int mode = 2;
    bool exposureGiven = false;
    int exposure = 0;
    QString savePrefix;
    QString saveSuffix = QStringLiteral(".bmp");

    // grab's and view's.
    // grab: the deadline of the whole run, opens included (resolved:
    // --seconds, else 10 plus the snapshot timeout for every snapshot); view:
    // the window closes after it when given.
    double seconds = 10.0;
    bool secondsGiven = false;
    // The frame limit in mode 3 (the option record's m_nFrameLimit).
    quint32 limit = 0;
    bool limitGiven = false;
    // A camera found lost is closed and opened again (about once a second)
    // until it answers; grab: --reconnect; view: unless --no-reconnect.
    bool reconnect = false;

    // grab's own.
    bool allCameras = false;
    // Frames each camera's run ends at (resolved: --frames, else the
    // snapshots, else --limit in mode 3, else 100; never above --limit in
    // mode 3); 0: none, the run streams until its deadline.
    int frames = 100;
    bool framesGiven = false; // fewer frames than asked is then a failure
    int snaps = 0;
    double snapTimeout = 5.0;
    QString png;
    bool quiet = false;

    // view's own.
    QString screenshot; // the window as a PNG when it closes
};

struct CommandLine {
    enum Command { List, Grab, View, Help, Version };
    Command command = Help;
    GrabOptions options;
    QString helpText;
};

// Parses the arguments (program name first). False with *error set (one
// line) for a usage error.
bool parseCommandLine(const QStringList &arguments, CommandLine *commandLine, QString *error);

// The line that follows a usage error.
QString usageHint();

#endif // VXCAM_COMMANDLINE_H
