// `vxcam view`: a window that shows a camera as it streams.
#ifndef VXCAM_VIEWCOMMAND_H
#define VXCAM_VIEWCOMMAND_H

#include "commandline.h"

// Makes its own GUI application from argc and argv (no other application may
// exist then). Returns the exit status: 0, or 1 with one line on standard
// error when the plug-in, the camera or the screenshot fails.
int runView(const GrabOptions &options, int &argc, char **argv);

#endif // VXCAM_VIEWCOMMAND_H
