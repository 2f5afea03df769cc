// vxcam: the reference host for the vxCam_180d camera plug-in.
#include "commandline.h"
#include "grabrun.h"
#include "viewcommand.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // Log lines go to standard error, also where Qt would send them elsewhere
    // (on Windows, to the debugger when no console window is attached).
    if (!qEnvironmentVariableIsSet("QT_FORCE_STDERR_LOGGING"))
        qputenv("QT_FORCE_STDERR_LOGGING", "1");
    // The live view makes an application with a GUI in its place.
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vxcam"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VXCAM_VERSION));
    CommandLine commandLine;
    QString error;
    if (!parseCommandLine(QCoreApplication::arguments(), &commandLine, &error)) {
        std::fprintf(stderr, "vxcam: %s\n%s\n", qPrintable(error), qPrintable(usageHint()));
        return 2;
    }
    switch (commandLine.command) {
    case CommandLine::Help:
        std::printf("%s", qPrintable(commandLine.helpText));
        return 0;
    case CommandLine::Version:
        std::printf("vxcam %s (Qt %s)\n", VXCAM_VERSION, qVersion());
        return 0;
    case CommandLine::List:
        return runList(commandLine.options);
    case CommandLine::Grab:
        return runGrab(commandLine.options);
    case CommandLine::View:
        return runView(commandLine.options, app, argc, argv);
    }
    return 2;
}
