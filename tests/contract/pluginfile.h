// Where the tests find the built plug-in: VXCAM_PLUGIN_DIR (set by CTest) and
// the file name the build gives it on this platform.
#ifndef VXCAM_TESTS_PLUGINFILE_H
#define VXCAM_TESTS_PLUGINFILE_H

#include <QDir>
#include <QString>

inline QString pluginPath()
{
    return QDir(qEnvironmentVariable("VXCAM_PLUGIN_DIR")).filePath(QStringLiteral(VXCAM_PLUGIN_FILE_NAME));
}

#endif // VXCAM_TESTS_PLUGINFILE_H
