#include "commandline.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {

const int kIntMin = -2147483647 - 1;
const int kIntMax = 2147483647;

bool readInt(const QCommandLineParser &parser, const QString &name, int low, int high, int *value,
             QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        *error = QStringLiteral("--%1 must be a whole number from %2 to %3").arg(name).arg(low).arg(high);
        return false;
    }
    *value = v;
    return true;
}

bool readSeconds(const QCommandLineParser &parser, const QString &name, double *value, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double v = parser.value(name).toDouble(&ok);
    if (!ok || !(v > 0) || v > 86400) {
        *error = QStringLiteral("--%1 must be a number of seconds above 0 and at most 86400").arg(name);
        return false;
    }
    *value = v;
    return true;
}

// The options of every command that opens and sets up cameras.
void addSharedOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {QStringLiteral("plugin"),
         QStringLiteral("Plug-in library to load (default: the one beside vxcam, else the installed one). "
                        "Not with --driver earlier, which is built into vxcam."),
         QStringLiteral("PATH")},
        {QStringLiteral("camera"),
         QStringLiteral("Key of a camera to open; give it once per camera to drive several at once."),
         QStringLiteral("KEY")},
        {QStringLiteral("driver"), QStringLiteral("current (Camera_Create) or earlier (CCameraDahua)."),
         QStringLiteral("current|earlier")},
        {QStringLiteral("board"),
         QStringLiteral("Board number of the option record, any 32-bit value (default 0; the "
                        "earlier driver refuses to open with a negative one)."),
         QStringLiteral("N")},
        {QStringLiteral("mode"),
         QStringLiteral("Trigger mode: 1 line 1, 2 free run (default), 3 free run up to --limit."),
         QStringLiteral("1|2|3")},
        {QStringLiteral("exposure"),
         QStringLiteral("Exposure time to set, in the camera's unit (usually microseconds). A whole "
                        "number: the plug-in's property record carries a 32-bit integer. If the camera "
                        "refuses it, that camera's run ends with status 1."),
         QStringLiteral("N")},
        {QStringLiteral("save"),
         QStringLiteral("Dump every frame as a bitmap; file names start with PREFIX, then the camera's "
                        "key. The folder must exist and be writable."),
         QStringLiteral("PREFIX")},
        {QStringLiteral("suffix"), QStringLiteral("End of dump file names (default .bmp)."),
         QStringLiteral("SUFFIX")},
    });
}

void addGrabOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {QStringLiteral("all"),
         QStringLiteral("Drive every camera the plug-in lists (instead of --camera).")},
        {QStringLiteral("frames"),
         QStringLiteral("Frames each camera delivers; its run stops at exactly N (default 100, and then "
                        "fewer within --seconds is no failure)."),
         QStringLiteral("N")},
        {QStringLiteral("seconds"),
         QStringLiteral("Longest run of each camera in seconds (default 10, plus --snap-timeout for "
                        "every snapshot)."),
         QStringLiteral("S")},
        {QStringLiteral("limit"),
         QStringLiteral("Frame limit in mode 3 (m_nFrameLimit). The current driver does not enforce "
                        "it; vxcam does, stopping each camera at N frames."),
         QStringLiteral("N")},
        {QStringLiteral("snap"),
         QStringLiteral("Software-triggered snapshots to fire, each after the frame of the one before "
                        "(or its timeout); a snapshot whose frame never came is a failure."),
         QStringLiteral("N")},
        {QStringLiteral("snap-timeout"),
         QStringLiteral("Longest wait for a snapshot's frame in seconds (default 5)."), QStringLiteral("S")},
        {QStringLiteral("png"),
         QStringLiteral("Write the last frame as a PNG picture; with several cameras, FILE gets each "
                        "camera's key before its extension."),
         QStringLiteral("FILE")},
        {QStringLiteral("quiet"), QStringLiteral("No progress display.")},
    });
}

bool readSharedOptions(const QCommandLineParser &parser, GrabOptions &o, QString *error)
{
    o.cameras = parser.values(QStringLiteral("camera"));
    for (int i = 0; i < o.cameras.size(); ++i) {
        if (o.cameras[i].isEmpty()) {
            *error = QStringLiteral("--camera needs a key (see vxcam list)");
            return false;
        }
        if (o.cameras.indexOf(o.cameras[i]) != i) {
            *error = QStringLiteral("camera \"%1\" is given twice").arg(o.cameras[i]);
            return false;
        }
    }
    const QString driver = parser.value(QStringLiteral("driver"));
    if (!driver.isEmpty() && driver != QLatin1String("current") && driver != QLatin1String("earlier")) {
        *error = QStringLiteral("--driver must be current or earlier");
        return false;
    }
    o.earlierDriver = driver == QLatin1String("earlier");
    if (o.earlierDriver && o.pluginGiven) {
        *error = QStringLiteral("--plugin cannot be used with --driver earlier: the plug-in exports only the "
                                "current driver, and vxcam builds the earlier one itself");
        return false;
    }
    if (!readInt(parser, QStringLiteral("board"), kIntMin, kIntMax, &o.board, error)
        || !readInt(parser, QStringLiteral("mode"), 1, 3, &o.mode, error))
        return false;
    o.exposureGiven = parser.isSet(QStringLiteral("exposure"));
    if (o.exposureGiven) {
        bool ok = false;
        o.exposure = parser.value(QStringLiteral("exposure")).toInt(&ok);
        if (!ok) {
            *error = QStringLiteral("--exposure takes a whole number from %1 to %2 (the plug-in's property "
                                    "record carries a 32-bit integer)")
                         .arg(kIntMin)
                         .arg(kIntMax);
            return false;
        }
    }
    o.savePrefix = parser.value(QStringLiteral("save"));
    if (parser.isSet(QStringLiteral("save")) && o.savePrefix.isEmpty()) {
        *error = QStringLiteral("--save needs a prefix (a folder ends with /)");
        return false;
    }
    if (parser.isSet(QStringLiteral("suffix")))
        o.saveSuffix = parser.value(QStringLiteral("suffix"));
    return true;
}

bool readGrabOptions(const QCommandLineParser &parser, GrabOptions &o, QString *error)
{
    o.allCameras = parser.isSet(QStringLiteral("all"));
    if (o.allCameras == !o.cameras.isEmpty()) {
        *error = o.allCameras ? QStringLiteral("give either --camera or --all, not both")
                              : QStringLiteral("grab needs --camera KEY or --all (see vxcam list)");
        return false;
    }
    int limit = 0;
    if (!readInt(parser, QStringLiteral("frames"), 1, 100000000, &o.frames, error)
        || !readInt(parser, QStringLiteral("limit"), 1, kIntMax, &limit, error)
        || !readInt(parser, QStringLiteral("snap"), 0, 1000000, &o.snaps, error)
        || !readSeconds(parser, QStringLiteral("snap-timeout"), &o.snapTimeout, error))
        return false;
    o.limit = static_cast<quint32>(limit);
    o.limitGiven = parser.isSet(QStringLiteral("limit"));
    o.framesGiven = parser.isSet(QStringLiteral("frames"));
    // Snapshots alone: their frames.
    if (!o.framesGiven && o.snaps > 0)
        o.frames = o.snaps;
    if (o.mode == 3 && o.limitGiven)
        o.frames = o.framesGiven ? std::min(o.frames, limit) : limit;
    o.seconds = std::min(86400.0, 10.0 + o.snaps * o.snapTimeout);
    if (!readSeconds(parser, QStringLiteral("seconds"), &o.seconds, error))
        return false;
    o.png = parser.value(QStringLiteral("png"));
    if (parser.isSet(QStringLiteral("png")) && o.png.isEmpty()) {
        *error = QStringLiteral("--png needs a file name");
        return false;
    }
    o.quiet = parser.isSet(QStringLiteral("quiet"));
    return true;
}

} // namespace

QString usageHint()
{
    return QStringLiteral("Try \"vxcam --help\" for the commands and their options.");
}

bool parseCommandLine(const QStringList &arguments, CommandLine *commandLine, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Drives the vxCam_180d camera plug-in the way a host does.\n\n"
                       "  vxcam list [--plugin PATH]\n"
                       "  vxcam grab --camera KEY [--camera KEY ...] [options]\n"
                       "  vxcam grab --all [options]\n\n"
                       "Exit status: 0 success, 1 a camera (or the plug-in) failed, 2 usage error,\n"
                       "130 interrupted (Ctrl-C, SIGTERM)."));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list or grab"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show vxcam's version."));
    parser.addOption(help);
    parser.addOption(version);
    addSharedOptions(parser);
    addGrabOptions(parser);
    commandLine->helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(help)) {
        commandLine->command = CommandLine::Help;
        return true;
    }
    if (parser.isSet(version)) {
        commandLine->command = CommandLine::Version;
        return true;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        *error = positional.isEmpty() ? QStringLiteral("expected a command, list or grab")
                                      : QStringLiteral("expected one command, list or grab, not \"%1\"")
                                            .arg(positional.join(QLatin1Char(' ')));
        return false;
    }
    GrabOptions &o = commandLine->options;
    o.pluginGiven = parser.isSet(QStringLiteral("plugin"));
    o.plugin = parser.value(QStringLiteral("plugin"));
    if (o.pluginGiven && o.plugin.isEmpty()) {
        *error = QStringLiteral("--plugin needs a path");
        return false;
    }
    if (positional.first() == QLatin1String("list")) {
        commandLine->command = CommandLine::List;
        return true;
    }
    if (positional.first() != QLatin1String("grab")) {
        *error = QStringLiteral("unknown command \"%1\" (list or grab)").arg(positional.first());
        return false;
    }
    commandLine->command = CommandLine::Grab;
    return readSharedOptions(parser, o, error) && readGrabOptions(parser, o, error);
}
