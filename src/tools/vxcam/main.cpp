// vxcam: the reference host for the vxCam_180d camera plug-in.
#include "commandline.h"
#include "grabrun.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Log lines go to standard error, also where Qt would send them elsewhere
    // (on Windows, to the debugger when no console window is attached).
    if (!qEnvironmentVariableIsSet("QT_FORCE_STDERR_LOGGING"))
        qputenv("QT_FORCE_STDERR_LOGGING", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vxcam"));
    CommandLine commandLine;
    QString error;
    if (!parseCommandLine(QCoreApplication::arguments(), &commandLine, &error)) {
        std::fprintf(stderr, "vxcam: %s\n%s", qPrintable(error), qPrintable(commandLine.helpText));
        return 2;
    }
    switch (commandLine.command) {
    case CommandLine::Help:
        std::printf("%s", qPrintable(commandLine.helpText));
        return 0;
    case CommandLine::List:
        return runList(commandLine.options);
    case CommandLine::Grab:
        return runGrab(commandLine.options);
    }
    return 2;
}
