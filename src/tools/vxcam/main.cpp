// vxcam: the reference host for the vxCam_180d camera plug-in.
#include "commandline.h"
#include "grabrun.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
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
