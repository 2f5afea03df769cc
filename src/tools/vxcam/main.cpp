// vxcam: the reference host for the vxCam_180d camera plug-in.
#include "commandline.h"
#include "grabrun.h"
#include "viewcommand.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // The live view makes an application with a GUI in its place.
    auto app = std::make_unique<QCoreApplication>(argc, argv);
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
    case CommandLine::View:
        app.reset();
        return runView(commandLine.options, argc, argv);
    }
    return 2;
}
