// PluginLoader: loads the camera plug-in by file name and resolves its two
// entry points, exactly as a host does.
#ifndef VXCAM_PLUGINLOADER_H
#define VXCAM_PLUGINLOADER_H

#include "vxcamdahua.h"

#include <QLibrary>
#include <QString>

class PluginLoader {
public:
    // The plug-in beside this program (the build tree), else the one in the
    // installed plug-in folder when that exists; the one beside when neither does.
    static QString defaultPath();

    // False with errorString() set when the library or an entry point is missing.
    bool load(const QString &path);
    QString errorString() const { return m_error; }

    VxCameraCreateFunction create = nullptr;
    VxCameraDeleteFunction destroy = nullptr;

private:
    QLibrary m_library;
    QString m_error;
};

#endif // VXCAM_PLUGINLOADER_H
