// Cameras of one run whose files would land under one name: the plug-in's
// dump name keeps only some characters of a key ("Dup:CAM1" and "DupCAM1"
// both dump as "DupCAM1"), and the --png name replaces others ("A:B" and
// "A_B" both give "last_A_B.png"), and names that differ only in case are one
// file where the file system ignores case. One camera's files would then
// replace or block the other's, so the tool refuses such a run before any
// camera starts.
#ifndef VXCAM_FILENAMECLASH_H
#define VXCAM_FILENAMECLASH_H

#include "commandline.h"

#include <QString>
#include <QStringList>

// The failure line naming the first two keys whose dump names (with --save)
// or PNG names (with --png) would be the same; empty when there are none.
QString fileNameClash(const QStringList &keys, const GrabOptions &options);

#endif // VXCAM_FILENAMECLASH_H
