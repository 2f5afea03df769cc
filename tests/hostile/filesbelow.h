// The files a test run left below a folder.
#ifndef VXCAM_TESTS_FILESBELOW_H
#define VXCAM_TESTS_FILESBELOW_H

#include <QString>
#include <QStringList>

// Every file below `root` (hidden ones too), relative to it, with "/" between folders.
QStringList filesBelow(const QString &root);

#endif // VXCAM_TESTS_FILESBELOW_H
