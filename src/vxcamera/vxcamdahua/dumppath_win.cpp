#include "dumppath.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

bool isDumpPathSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

QByteArray dumpOpenName(const QString &fileName)
{
    // The host's convention: the name goes to the narrow fopen as Latin-1.
    const QByteArray bytes = fileName.toLatin1();
    if (QString::fromLatin1(bytes) != fileName)
        return {};
    if (bytes.isEmpty())
        return bytes;
    // fopen reads those bytes in the ANSI code page. Latin-1 and Windows-1252
    // agree from 0xA0 on, but not on 0x80 to 0x9F (0x80 is the euro sign
    // there), and other code pages differ more: the bytes must name exactly
    // these characters there too.
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.constData(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.constData(), static_cast<int>(bytes.size()),
                        wide.data(), length);
    const QString asRead = QString::fromWCharArray(wide.data(), length);
    return asRead == fileName ? bytes : QByteArray();
}

std::FILE *createDumpFile(const QByteArray &name)
{
    // The narrow name in the ANSI code page, as fopen would read it.
    const int fd = _open(name.constData(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE *file = _fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        _close(fd);
        _unlink(name.constData());
        errno = error;
    }
    return file;
}
