#include "dumppath.h"

#include <QFile>

bool isDumpPathSeparator(QChar c)
{
    return c == QLatin1Char('/');
}

QByteArray dumpOpenName(const QString &fileName)
{
    // The platform's file-name encoding (UTF-8 on Linux).
    const QByteArray bytes = QFile::encodeName(fileName);
    return QFile::decodeName(bytes) == fileName ? bytes : QByteArray();
}
