#include "commandline.h"

#include "framepicture.h"
#include "pluginloader.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {

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

} // namespace

bool parseCommandLine(const QStringList &arguments, CommandLine *commandLine, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Drives the vxCam_180d camera plug-in the way a host does.\n\n"
                       "  vxcam list [--plugin PATH]\n"
                       "  vxcam grab --camera KEY [options]"));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list or grab"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    parser.addOptions({
        {QStringLiteral("plugin"),
         QStringLiteral("Plug-in library to load (default: the one beside vxcam, else the installed one)."),
         QStringLiteral("PATH")},
        {QStringLiteral("camera"), QStringLiteral("Key of the camera to open."), QStringLiteral("KEY")},
        {QStringLiteral("driver"), QStringLiteral("current (Camera_Create) or earlier (CCameraDahua)."),
         QStringLiteral("current|earlier")},
        {QStringLiteral("board"),
         QStringLiteral("Board number of the option record, any 32-bit value (default 0; the "
                        "earlier driver refuses to open with a negative one)."),
         QStringLiteral("N")},
        {QStringLiteral("mode"),
         QStringLiteral("Trigger mode: 1 line 1, 2 free run (default), 3 free run up to --limit."),
         QStringLiteral("1|2|3")},
        {QStringLiteral("frames"), QStringLiteral("Frames to wait for (default 100)."), QStringLiteral("N")},
        {QStringLiteral("seconds"), QStringLiteral("Longest wait in seconds (default 10)."),
         QStringLiteral("S")},
        {QStringLiteral("limit"), QStringLiteral("Frame limit in mode 3."), QStringLiteral("N")},
        {QStringLiteral("snap"),
         QStringLiteral("Software-triggered snapshots to fire; status 1 if all are refused."),
         QStringLiteral("N")},
        {QStringLiteral("exposure"),
         QStringLiteral("Exposure time to set; if the camera refuses it, the run ends with status 1."),
         QStringLiteral("VALUE")},
        {QStringLiteral("save"),
         QStringLiteral("Dump every frame as a bitmap; file names start with PREFIX."),
         QStringLiteral("PREFIX")},
        {QStringLiteral("suffix"), QStringLiteral("End of dump file names (default .bmp)."),
         QStringLiteral("SUFFIX")},
        {QStringLiteral("png"), QStringLiteral("Write the last frame as a PNG picture."),
         QStringLiteral("FILE")},
        {QStringLiteral("quiet"), QStringLiteral("No progress bar.")},
    });
    commandLine->helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(help)) {
        commandLine->command = CommandLine::Help;
        return true;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        *error = QStringLiteral("expected one command, list or grab");
        return false;
    }
    GrabOptions &o = commandLine->options;
    o.plugin = parser.isSet(QStringLiteral("plugin")) ? parser.value(QStringLiteral("plugin"))
                                                      : PluginLoader::defaultPath();
    if (positional.first() == QLatin1String("list")) {
        commandLine->command = CommandLine::List;
        return true;
    }
    if (positional.first() != QLatin1String("grab")) {
        *error = QStringLiteral("unknown command \"%1\" (list or grab)").arg(positional.first());
        return false;
    }
    commandLine->command = CommandLine::Grab;
    o.camera = parser.value(QStringLiteral("camera"));
    if (o.camera.isEmpty()) {
        *error = QStringLiteral("grab needs --camera KEY (see vxcam list)");
        return false;
    }
    const QString driver = parser.value(QStringLiteral("driver"));
    if (!driver.isEmpty() && driver != QLatin1String("current") && driver != QLatin1String("earlier")) {
        *error = QStringLiteral("--driver must be current or earlier");
        return false;
    }
    o.earlierDriver = driver == QLatin1String("earlier");
    int limit = 0;
    if (!readInt(parser, QStringLiteral("board"), -2147483647 - 1, 2147483647, &o.board, error)
        || !readInt(parser, QStringLiteral("mode"), 1, 3, &o.mode, error)
        || !readInt(parser, QStringLiteral("frames"), 1, 100000000, &o.frames, error)
        || !readInt(parser, QStringLiteral("limit"), 0, 2147483647, &limit, error)
        || !readInt(parser, QStringLiteral("snap"), 0, 1000000, &o.snaps, error)
        || !readInt(parser, QStringLiteral("exposure"), -2147483647 - 1, 2147483647, &o.exposure, error))
        return false;
    o.limit = static_cast<quint32>(limit);
    o.framesGiven = parser.isSet(QStringLiteral("frames"));
    // Snapshots alone: wait for their frames.
    if (!o.framesGiven && o.snaps > 0)
        o.frames = o.snaps;
    if (o.mode == 3 && parser.isSet(QStringLiteral("limit")) && !o.framesGiven)
        o.frames = std::max(1, limit);
    o.exposureGiven = parser.isSet(QStringLiteral("exposure"));
    if (parser.isSet(QStringLiteral("seconds"))) {
        bool ok = false;
        o.seconds = parser.value(QStringLiteral("seconds")).toDouble(&ok);
        if (!ok || !(o.seconds > 0) || o.seconds > 86400) {
            *error = QStringLiteral("--seconds must be a number above 0 and at most 86400");
            return false;
        }
    }
    o.savePrefix = parser.value(QStringLiteral("save"));
    if (parser.isSet(QStringLiteral("suffix")))
        o.saveSuffix = parser.value(QStringLiteral("suffix"));
    o.png = parser.value(QStringLiteral("png"));
    if (!o.png.isEmpty() && !framePicturesAvailable()) {
        *error = QStringLiteral("--png needs Qt Gui, which this build of vxcam lacks");
        return false;
    }
    o.quiet = parser.isSet(QStringLiteral("quiet"));
    return true;
}
