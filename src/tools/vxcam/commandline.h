// The tool's command line: `vxcam list`, `vxcam grab` and `vxcam view`.
#ifndef VXCAM_COMMANDLINE_H
#define VXCAM_COMMANDLINE_H

#include <QString>
#include <QStringList>

struct GrabOptions {
    QString plugin;
    QString camera;
    bool earlierDriver = false;
    int board = 0;
    int mode = 2;
    int frames = 100;
    bool framesGiven = false;
    double seconds = 10.0;
    bool secondsGiven = false;
    quint32 limit = 0;
    int snaps = 0;
    bool exposureGiven = false;
    int exposure = 0;
    QString savePrefix;
    QString saveSuffix = QStringLiteral(".bmp");
    QString png;
    bool quiet = false;
    QString screenshot; // view: the window as a PNG when it closes
};

struct CommandLine {
    enum Command { List, Grab, View, Help };
    Command command = Help;
    GrabOptions options;
    QString helpText;
};

// Parses the arguments (program name first). False with *error set for a
// usage error.
bool parseCommandLine(const QStringList &arguments, CommandLine *commandLine, QString *error);

#endif // VXCAM_COMMANDLINE_H
