// Which of a camera's frame dumps are missing after a run. The plug-in gives
// no result per dump (a driver warns once per start at most), so the tool
// looks for the files: for every frame it saw delivered with saveFlag set, a
// file named by the dump rule with that frame number and a time stamp within
// the run.
#ifndef VXCAM_DUMPCHECK_H
#define VXCAM_DUMPCHECK_H

#include "vxcameraobject.h"

#include <QDateTime>
#include <QList>
#include <QString>

struct DumpCheck {
    int asked = 0;   // dumps the plug-in was to write
    int missing = 0; // of them, not found
    QString reason;  // why, when some are missing
};

// option: cameraName, savePrefix and saveSuffix as the plug-in used them;
// numbers: the frame numbers dumped; from, to: when the run started and
// ended. The reason comes from writing one dump of frameBytes bytes under a
// name of the same form now (removed again): the file system's answer, such
// as a full disk or a name too long.
DumpCheck checkDumps(const tagVX_CAMERA_OPTION &option, const QList<quint32> &numbers, const QDateTime &from,
                     const QDateTime &to, quint32 frameBytes);

#endif // VXCAM_DUMPCHECK_H
