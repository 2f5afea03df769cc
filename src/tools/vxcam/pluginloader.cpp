#include "pluginloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString PluginLoader::defaultPath()
{
    // The plug-in's file name on this platform, from the build.
    const QString name = QStringLiteral(VXCAM_PLUGIN_FILE_NAME);
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(name);
#if defined(VXCAM_PLUGIN_DIR_FROM_BIN)
    // Installed: the plug-in folder of the prefix, relative to this program.
    const QString installed
        = QDir::cleanPath(programDir.filePath(QStringLiteral(VXCAM_PLUGIN_DIR_FROM_BIN "/") + name));
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return installed;
#endif
    return beside;
}

bool PluginLoader::load(const QString &path)
{
    m_library.setFileName(path);
    if (!m_library.load()) {
        m_error = QStringLiteral("cannot load plug-in %1: %2").arg(path, m_library.errorString());
        return false;
    }
    create = reinterpret_cast<VxCameraCreateFunction>(m_library.resolve("Camera_Create"));
    destroy = reinterpret_cast<VxCameraDeleteFunction>(m_library.resolve("Camera_Delete"));
    if (create == nullptr || destroy == nullptr) {
        m_error = QStringLiteral("plug-in %1 does not export Camera_Create and Camera_Delete").arg(path);
        return false;
    }
    return true;
}
