// `vxcam view`: a window that shows a camera as it streams.
#ifndef VXCAM_VIEWCOMMAND_H
#define VXCAM_VIEWCOMMAND_H

#include "commandline.h"

#include <QCoreApplication>

#include <memory>

// Opens the camera while the tool's core application (app) still stands, for
// the plug-in's default path beside the program, then puts a GUI application
// made from argc and argv in its place. Returns the exit status: 0, or 1 with
// one line on standard error when the plug-in, the camera or the screenshot
// fails.
int runView(const GrabOptions &options, std::unique_ptr<QCoreApplication> &app, int &argc, char **argv);

#endif // VXCAM_VIEWCOMMAND_H
