// Whether the live view can show a window here. Qt ends the process (abort)
// when its platform plug-in finds no display, which would leave a started
// camera streaming to a dead process; the view asks first, before anything
// touches a camera.
#ifndef VXCAM_DISPLAYCHECK_H
#define VXCAM_DISPLAYCHECK_H

#include <QString>

// True when the platform Qt will use has what it needs; else false with
// *why, one line that also says how to run without a display.
bool displayAvailable(QString *why);

#endif // VXCAM_DISPLAYCHECK_H
