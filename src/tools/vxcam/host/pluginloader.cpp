#include "pluginloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList PluginLoader::candidates(const QString &path)
{
    const QString prefix = QStringLiteral(VXCAM_LIBRARY_PREFIX);
    const QString suffix = QStringLiteral(VXCAM_LIBRARY_SUFFIX);
    if (path.isEmpty()) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        // The plug-in's file name on this platform, from the build.
        const QString name = QStringLiteral(VXCAM_PLUGIN_FILE_NAME);
        QStringList files {programDir.filePath(name)};
#if defined(VXCAM_PLUGIN_DIR_FROM_BIN)
        // Installed: the plug-in folder of the prefix, relative to this program.
        files << QDir::cleanPath(programDir.filePath(QStringLiteral(VXCAM_PLUGIN_DIR_FROM_BIN "/") + name));
#endif
        return files;
    }
    const QFileInfo given(path);
    QStringList files {given.absoluteFilePath()};
    if (given.suffix().isEmpty()) {
        files << given.absoluteDir().filePath(given.fileName() + suffix);
        if (!prefix.isEmpty())
            files << given.absoluteDir().filePath(prefix + given.fileName() + suffix);
    }
    files.removeDuplicates();
    return files;
}

bool PluginLoader::load(const QString &path)
{
    const QStringList files = candidates(path);
    for (const QString &file : files) {
        if (QFileInfo(file).isFile())
            return loadFile(file, file);
    }
    const QString tried = files.join(QStringLiteral(", "));
    const bool bareName
        = !path.isEmpty() && !path.contains(QLatin1Char('/')) && !path.contains(QLatin1Char('\\'));
    if (bareName) {
        // Not in the current folder: where the system looks for libraries.
        m_library.setFileName(path);
        if (m_library.load())
            return loadFile(path, path);
        m_error = QStringLiteral("cannot load plug-in %1: no such file (tried %2), and the system's library "
                                 "search failed: %3")
                      .arg(path, tried, m_library.errorString());
        return false;
    }
    m_error = QStringLiteral("cannot load plug-in: no such file (tried %1)").arg(tried);
    return false;
}

bool PluginLoader::loadFile(const QString &file, const QString &shownName)
{
    m_library.setFileName(file);
    if (!m_library.load()) {
        m_error = QStringLiteral("cannot load plug-in %1: %2").arg(shownName, m_library.errorString());
        return false;
    }
    create = reinterpret_cast<VxCameraCreateFunction>(m_library.resolve("Camera_Create"));
    destroy = reinterpret_cast<VxCameraDeleteFunction>(m_library.resolve("Camera_Delete"));
    if (create == nullptr || destroy == nullptr) {
        m_error = QStringLiteral("plug-in %1 does not export Camera_Create and Camera_Delete").arg(shownName);
        return false;
    }
    return true;
}
