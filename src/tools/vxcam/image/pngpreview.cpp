#include "pngpreview.h"

#include <QFileInfo>

QString pngFileName(const QString &file, const QString &key, bool severalCameras)
{
    if (!severalCameras)
        return file;
    QString name = key;
    for (QChar &c : name) {
        if (c.category() == QChar::Other_Control || QStringLiteral("<>:\"/\\|?*").contains(c))
            c = QLatin1Char('_');
    }
    const QFileInfo info(file);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? file : file.left(file.size() - suffix.size() - 1);
    return base + QLatin1Char('_') + name + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}
