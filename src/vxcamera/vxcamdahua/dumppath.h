// How a dump file name meets the platform's file system: which characters
// separate folders, the bytes the C runtime's fopen takes for a name, and
// how a new file is created.
// One implementation per platform (dumppath_unix.cpp, dumppath_win.cpp).
#ifndef VXCAMDAHUA_DUMPPATH_H
#define VXCAMDAHUA_DUMPPATH_H

#include <QByteArray>
#include <QChar>
#include <QString>

#include <cstdio>

// "/" everywhere; "\" too on Windows.
bool isDumpPathSeparator(QChar c);

// The bytes under which the narrow fopen finds `fileName`, or empty when the
// name has no exact form there: a lossy conversion (a "?" or a look-alike for
// each character the encoding lacks) would name another file, maybe in
// another folder.
QByteArray dumpOpenName(const QString &fileName);

// Creates the file `name` (bytes from dumpOpenName) for binary writing, only
// when no file of that name exists: a dump never replaces a file. Null, with
// errno set (EEXIST for an existing file), when it cannot.
std::FILE *createDumpFile(const QByteArray &name);

#endif // VXCAMDAHUA_DUMPPATH_H
