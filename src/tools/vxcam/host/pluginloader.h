// PluginLoader: loads the camera plug-in by file name and resolves its two
// entry points, exactly as a host does.
#ifndef VXCAM_PLUGINLOADER_H
#define VXCAM_PLUGINLOADER_H

#include "vxcamdahua.h"

#include <QLibrary>
#include <QString>
#include <QStringList>

class PluginLoader {
public:
    // The files tried for a plug-in named PATH, in order, as absolute paths
    // (relative ones from the current folder): PATH itself and, when its
    // file name has no extension, the platform's library name made of it
    // (libNAME.so, NAME.dll). An empty PATH: the plug-in beside this program
    // (the build tree), then the one in the installed plug-in folder.
    static QStringList candidates(const QString &path);

    // Loads the first candidate that exists; a bare name with no such file
    // is then left to the system's library search. False with errorString()
    // set (naming every path tried) when nothing loads or an entry point is
    // missing.
    bool load(const QString &path);
    QString errorString() const { return m_error; }

    VxCameraCreateFunction create = nullptr;
    VxCameraDeleteFunction destroy = nullptr;

private:
    bool loadFile(const QString &file, const QString &shownName);

    QLibrary m_library;
    QString m_error;
};

#endif // VXCAM_PLUGINLOADER_H
