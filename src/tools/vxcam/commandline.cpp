#include "commandline.h"

#include "pngpreview.h"

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

QStringList optionNames(const QList<QCommandLineOption> &options)
{
    QStringList names;
    for (const QCommandLineOption &option : options)
        names += option.names();
    return names;
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

// The options grab and view both take.
void addRunOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {QStringLiteral("seconds"),
         QStringLiteral("grab: deadline of the whole run in seconds, opens, waits and reconnects included "
                        "(default 10, plus --snap-timeout for every snapshot); with --frames 0 the cameras "
                        "stream this long. view: close the window after S seconds."),
         QStringLiteral("S")},
        {QStringLiteral("limit"),
         QStringLiteral("Frame limit in mode 3 (m_nFrameLimit). The current driver does not enforce "
                        "it; grab does, stopping each camera at N frames."),
         QStringLiteral("N")},
    });
}

// grab's own options; their names.
QStringList addGrabOptions(QCommandLineParser &parser)
{
    const QList<QCommandLineOption> options {
        {QStringLiteral("all"),
         QStringLiteral("Drive every camera the plug-in lists (instead of --camera).")},
        {QStringLiteral("frames"),
         QStringLiteral("Frames each camera delivers; its run stops at exactly N (default 100, and then "
                        "fewer within --seconds is no failure). 0: no frame target; each camera streams "
                        "until --seconds are up, and its run succeeds when frames came."),
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
        {QStringLiteral("reconnect"),
         QStringLiteral("A camera that loses its connection is closed and opened again about once a "
                        "second until it answers or --seconds are up, then started as before; its "
                        "frames count on, and the summary adds offline= and missed=. A camera asked "
                        "for with --camera that is not there yet, or that refuses its first open, is "
                        "waited for the same way.")},
    };
    parser.addOptions(options);
    return optionNames(options);
}

// view's own options; their names.
QStringList addViewOptions(QCommandLineParser &parser)
{
    const QList<QCommandLineOption> options {
        {QStringLiteral("screenshot"),
         QStringLiteral("view: save the window as a PNG picture when it closes."), QStringLiteral("FILE")},
        {QStringLiteral("no-reconnect"),
         QStringLiteral("view: leave a camera that lost its connection closed (by default the view "
                        "opens it again once it answers, and waits for a camera not there yet).")},
    };
    parser.addOptions(options);
    return optionNames(options);
}

// The first of another command's options given to this one, as an error.
bool refuseOptions(const QCommandLineParser &parser, const QStringList &names, const QString &command,
                   QString *error)
{
    for (const QString &name : names) {
        if (parser.isSet(name)) {
            *error = QStringLiteral("--%1 does not go with %2").arg(name, command);
            return false;
        }
    }
    return true;
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

bool readRunOptions(const QCommandLineParser &parser, GrabOptions &o, QString *error)
{
    int limit = 0;
    if (!readInt(parser, QStringLiteral("limit"), 1, kIntMax, &limit, error))
        return false;
    o.limit = static_cast<quint32>(limit);
    o.limitGiven = parser.isSet(QStringLiteral("limit"));
    o.secondsGiven = parser.isSet(QStringLiteral("seconds"));
    return readSeconds(parser, QStringLiteral("seconds"), &o.seconds, error);
}

bool readGrabOptions(const QCommandLineParser &parser, GrabOptions &o, QString *error)
{
    o.allCameras = parser.isSet(QStringLiteral("all"));
    if (o.allCameras == !o.cameras.isEmpty()) {
        *error = o.allCameras ? QStringLiteral("give either --camera or --all, not both")
                              : QStringLiteral("grab needs --camera KEY or --all (see vxcam list)");
        return false;
    }
    if (!readInt(parser, QStringLiteral("frames"), 0, 100000000, &o.frames, error)
        || !readInt(parser, QStringLiteral("snap"), 0, 1000000, &o.snaps, error)
        || !readSeconds(parser, QStringLiteral("snap-timeout"), &o.snapTimeout, error))
        return false;
    o.framesGiven = parser.isSet(QStringLiteral("frames"));
    // Snapshots alone: their frames.
    if (!o.framesGiven && o.snaps > 0)
        o.frames = o.snaps;
    const int limit = static_cast<int>(o.limit);
    if (o.mode == 3 && o.limitGiven)
        o.frames = o.framesGiven && o.frames > 0 ? std::min(o.frames, limit) : limit;
    if (!o.secondsGiven)
        o.seconds = std::min(86400.0, 10.0 + o.snaps * o.snapTimeout);
    o.png = parser.value(QStringLiteral("png"));
    if (parser.isSet(QStringLiteral("png")) && o.png.isEmpty()) {
        *error = QStringLiteral("--png needs a file name");
        return false;
    }
    if (!o.png.isEmpty() && !pngPreviewAvailable()) {
        *error = QStringLiteral("--png needs Qt Gui, which this build of vxcam lacks");
        return false;
    }
    o.quiet = parser.isSet(QStringLiteral("quiet"));
    o.reconnect = parser.isSet(QStringLiteral("reconnect"));
    return true;
}

bool readViewOptions(const QCommandLineParser &parser, GrabOptions &o, QString *error)
{
    if (o.cameras.size() != 1) {
        *error = o.cameras.isEmpty() ? QStringLiteral("view needs --camera KEY (see vxcam list)")
                                     : QStringLiteral("view shows one camera; give --camera once");
        return false;
    }
    o.screenshot = parser.value(QStringLiteral("screenshot"));
    if (parser.isSet(QStringLiteral("screenshot")) && o.screenshot.isEmpty()) {
        *error = QStringLiteral("--screenshot needs a file name");
        return false;
    }
    o.reconnect = !parser.isSet(QStringLiteral("no-reconnect"));
    return true;
}

// The environment variables that vxcam, the plug-in and the camera SDK read;
// the documentation's check keeps this list complete.
QString environmentHelp()
{
    return QStringLiteral(
        "\nEnvironment:\n"
        "  VXCAM_SIM_CONFIG         JSON file of virtual cameras (default: two built-in\n"
        "                           cameras, Virtual:MONO0001 and Virtual:RGB0002).\n"
        "  VXCAM_SIM_TRACE          A file that gets one line per camera SDK operation.\n"
        "  VXCAM_SDK_BACKEND        virtual (default), or aravis: real GigE Vision and USB3\n"
        "                           Vision cameras through Aravis (Linux builds with it).\n"
        "  VXCAM_ARAVIS_DEVICES     With aravis: comma-separated device ids or camera\n"
        "                           addresses, opened without discovery.\n"
        "  QT_MESSAGE_PATTERN, QT_LOGGING_RULES\n"
        "                           Format and filter the plug-in's log lines.\n"
        "  QT_FORCE_STDERR_LOGGING  Set to 1 when unset: log lines go to standard error.\n"
        "  QT_QPA_PLATFORM          The live view's window system; offscreen runs view\n"
        "                           without a display (with --seconds and --screenshot).\n"
        "  DISPLAY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR\n"
        "                           Where the live view's window goes (Linux).\n"
        "\n"
        "The full manual: docs/vxcam.md, installed in share/doc/vxcamera/docs/.\n");
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
                       "  vxcam grab --all [options]\n"
                       "  vxcam view --camera KEY [--seconds S] [--screenshot FILE] [options]\n"
                       "             (a live window; not with grab's own options)\n\n"
                       "Exit status: 0 success, 1 a camera (or the plug-in) failed, 2 usage error,\n"
                       "130 interrupted (Ctrl-C, SIGTERM)."));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list, grab or view"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show vxcam's version."));
    parser.addOption(help);
    parser.addOption(version);
    addSharedOptions(parser);
    addRunOptions(parser);
    const QStringList grabOwn = addGrabOptions(parser);
    const QStringList viewOwn = addViewOptions(parser);
    commandLine->helpText = parser.helpText() + environmentHelp();
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
        *error = positional.isEmpty() ? QStringLiteral("expected a command, list, grab or view")
                                      : QStringLiteral("expected one command, list, grab or view, not \"%1\"")
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
    if (positional.first() != QLatin1String("grab") && positional.first() != QLatin1String("view")) {
        *error = QStringLiteral("unknown command \"%1\" (list, grab or view)").arg(positional.first());
        return false;
    }
    const bool view = positional.first() == QLatin1String("view");
    commandLine->command = view ? CommandLine::View : CommandLine::Grab;
    // Options of the other command are refused, not ignored.
    if (!refuseOptions(parser, view ? grabOwn : viewOwn, positional.first(), error)
        || !readSharedOptions(parser, o, error) || !readRunOptions(parser, o, error))
        return false;
    return view ? readViewOptions(parser, o, error) : readGrabOptions(parser, o, error);
}
