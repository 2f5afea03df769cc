#include "displaycheck.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString environment(const char *name)
{
    return qEnvironmentVariable(name).trimmed();
}

// The Wayland compositor's socket: WAYLAND_DISPLAY (a name in
// XDG_RUNTIME_DIR, or a path), "wayland-0" when it is unset.
bool waylandSocketExists()
{
    QString name = environment("WAYLAND_DISPLAY");
    if (name.isEmpty())
        name = QStringLiteral("wayland-0");
    if (QDir::isAbsolutePath(name))
        return QFileInfo::exists(name);
    const QString runtime = environment("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(name));
}

} // namespace

bool displayAvailable(QString *why)
{
    // The platform Qt picks: QT_QPA_PLATFORM ("name:options"), else xcb,
    // this Qt's default on Unix. Platforms without a display of their own
    // (offscreen, minimal, vnc, eglfs, linuxfb...) are left to Qt.
    QString platform = environment("QT_QPA_PLATFORM").section(QLatin1Char(':'), 0, 0);
    if (platform.isEmpty())
        platform = QStringLiteral("xcb");
    const QString hint = QStringLiteral("; without one, run with QT_QPA_PLATFORM=offscreen (and --seconds, "
                                        "--screenshot)");
    if (platform == QLatin1String("xcb") && environment("DISPLAY").isEmpty()) {
        *why = QStringLiteral("the live view needs a display: DISPLAY is not set") + hint;
        return false;
    }
    if (platform.startsWith(QLatin1String("wayland")) && !waylandSocketExists()) {
        *why
            = QStringLiteral("the live view needs a display: no Wayland compositor (WAYLAND_DISPLAY)") + hint;
        return false;
    }
    return true;
}
