#include "filenameclash.h"

#include "framedump.h"
#include "pngpreview.h"
#include "printabletext.h"

#include <QDateTime>
#include <QHash>

namespace {

// A key's dump names, one text for all its frames: the name of the largest
// frame number, where a long key is cut the most (two keys whose names are
// the same for some frame number are the same for this one).
QString dumpNameOf(const QString &key, const GrabOptions &options)
{
    tagVX_CAMERA_OPTION option;
    option.cameraName = key;
    option.savePrefix = options.savePrefix;
    option.saveSuffix = options.saveSuffix;
    static const QDateTime anyTime(QDate(2000, 1, 1), QTime(0, 0));
    return dumpFileName(4294967295u, option, anyTime);
}

QString clashLine(const QString &what, const QString &first, const QString &second)
{
    return QStringLiteral(
               "cameras \"%1\" and \"%2\" would write their %3 under the same names; run them apart")
        .arg(printableText(first), printableText(second), what);
}

// Names compared as a file system that ignores case sees them (Windows, and
// on any system a folder shared from one, or an exFAT card): there "cam1" and
// "CAM1" are one file.
QString fileSystemName(const QString &name)
{
    return name.toCaseFolded();
}

} // namespace

QString fileNameClash(const QStringList &keys, const GrabOptions &options)
{
    QHash<QString, QString> dumps;
    QHash<QString, QString> pngs;
    for (const QString &key : keys) {
        if (!options.savePrefix.isEmpty()) {
            const QString name = fileSystemName(dumpNameOf(key, options));
            if (dumps.contains(name))
                return clashLine(QStringLiteral("dumps"), dumps.value(name), key);
            dumps.insert(name, key);
        }
        if (!options.png.isEmpty() && keys.size() > 1) {
            const QString name = fileSystemName(pngFileName(options.png, key, true));
            if (pngs.contains(name))
                return clashLine(QStringLiteral("PNG previews"), pngs.value(name), key);
            pngs.insert(name, key);
        }
    }
    return QString();
}
