// Whether dumps can be written where --save points, checked before any
// camera starts (the plug-in skips a dump it cannot write without a word).
#ifndef VXCAM_SAVEFOLDER_H
#define VXCAM_SAVEFOLDER_H

#include <QString>

// The folder of a dump prefix: the prefix itself when it ends with a
// separator ("out/"), else the folder its last part sits in ("out/dump_").
QString saveFolder(const QString &prefix);

// True when a file can be made in the prefix's folder (tried for real, then
// removed); false with *why, a text naming the folder and the reason.
bool checkSaveFolder(const QString &prefix, QString *why);

#endif // VXCAM_SAVEFOLDER_H
