#include "savefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

QString saveFolder(const QString &prefix)
{
    return QDir::toNativeSeparators(QFileInfo(prefix).absolutePath());
}

bool checkSaveFolder(const QString &prefix, QString *why)
{
    const QString folder = saveFolder(prefix);
    const QFileInfo info(folder);
    if (!info.exists()) {
        *why = QStringLiteral("cannot save into \"%1\": the folder does not exist").arg(folder);
        return false;
    }
    if (!info.isDir()) {
        *why = QStringLiteral("cannot save into \"%1\": it is not a folder").arg(folder);
        return false;
    }
    // Permission bits do not tell (an administrator, a read-only mount, ACLs):
    // make a file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vxcam-save-check-XXXXXX")));
    if (!probe.open()) {
        *why = QStringLiteral("cannot save into \"%1\": %2").arg(folder, probe.errorString());
        return false;
    }
    return true;
}
