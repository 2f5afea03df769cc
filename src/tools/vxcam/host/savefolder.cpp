#include "savefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

QString saveFolder(const QString &prefix)
{
    return QDir::toNativeSeparators(QFileInfo(prefix).absolutePath());
}

namespace {

// why: "BEGINNING \"FOLDER\": REASON".
bool checkFolder(const QString &folder, const QString &beginning, QString *why)
{
    const QFileInfo info(folder);
    if (!info.exists()) {
        *why = QStringLiteral("%1 \"%2\": the folder does not exist").arg(beginning, folder);
        return false;
    }
    if (!info.isDir()) {
        *why = QStringLiteral("%1 \"%2\": it is not a folder").arg(beginning, folder);
        return false;
    }
    // Permission bits do not tell (an administrator, a read-only mount, ACLs):
    // make a file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vxcam-save-check-XXXXXX")));
    if (!probe.open()) {
        *why = QStringLiteral("%1 \"%2\": %3").arg(beginning, folder, probe.errorString());
        return false;
    }
    return true;
}

} // namespace

bool checkSaveFolder(const QString &prefix, QString *why)
{
    return checkFolder(saveFolder(prefix), QStringLiteral("cannot save into"), why);
}

bool checkOutputFolder(const QString &file, const QString &what, QString *why)
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(file).absolutePath());
    return checkFolder(folder, QStringLiteral("cannot write %1 into").arg(what), why);
}
