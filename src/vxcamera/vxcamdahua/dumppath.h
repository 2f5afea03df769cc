// How a dump file name meets the platform's file system: which characters
// separate folders, and the bytes the C runtime's fopen takes for a name.
// One implementation per platform (dumppath_unix.cpp, dumppath_win.cpp).
#ifndef VXCAMDAHUA_DUMPPATH_H
#define VXCAMDAHUA_DUMPPATH_H

#include <QByteArray>
#include <QChar>
#include <QString>

// "/" everywhere; "\" too on Windows.
bool isDumpPathSeparator(QChar c);

// The bytes under which the narrow fopen finds `fileName`, or empty when the
// name has no exact form there: a lossy conversion (a "?" or a look-alike for
// each character the encoding lacks) would name another file, maybe in
// another folder.
QByteArray dumpOpenName(const QString &fileName);

#endif // VXCAMDAHUA_DUMPPATH_H
