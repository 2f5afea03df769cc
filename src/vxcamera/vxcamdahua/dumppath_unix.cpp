#include "dumppath.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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

std::FILE *createDumpFile(const QByteArray &name)
{
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE *file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        ::unlink(name.constData());
        errno = error;
    }
    return file;
}
