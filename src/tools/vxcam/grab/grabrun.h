// The two commands of the tool. Each returns the process exit status:
// 0 success, 1 failure (one line on standard error says what failed),
// 130 interrupted.
#ifndef VXCAM_GRABRUN_H
#define VXCAM_GRABRUN_H

#include "commandline.h"

int runList(const GrabOptions &options);
int runGrab(const GrabOptions &options);

#endif // VXCAM_GRABRUN_H
