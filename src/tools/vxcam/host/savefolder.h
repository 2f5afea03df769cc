// Whether dumps can be written where --save points, and files where --png
// and --screenshot point, checked before any camera opens (the plug-in skips
// a dump it cannot write without a word; a picture would be refused only
// after the run).
#ifndef VXCAM_SAVEFOLDER_H
#define VXCAM_SAVEFOLDER_H

#include <QString>

// The folder of a dump prefix: the prefix itself when it ends with a
// separator ("out/"), else the folder its last part sits in ("out/dump_").
QString saveFolder(const QString &prefix);

// True when a file can be made in the prefix's folder (tried for real, then
// removed); false with *why, a text naming the folder and the reason.
bool checkSaveFolder(const QString &prefix, QString *why);

// The same for the folder of an output file: "cannot write WHAT into
// \"FOLDER\": REASON".
bool checkOutputFolder(const QString &file, const QString &what, QString *why);

#endif // VXCAM_SAVEFOLDER_H
