#include "framedump.h"

#include "dumppath.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "the bitmap information block is written as it lies in memory");

namespace {

constexpr quint32 kFileHeaderSize = 14;
constexpr quint32 kPixelDataOffset = kFileHeaderSize + sizeof(VxBitmapInfo);

bool isRefusedInFileName(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F || u > 0xFF)
        return true;
    switch (u) {
    case ':':
    case '\\':
    case '/':
    case '*':
    case '?':
    case '<':
    case '>':
    case '|':
    case '"':
        return true;
    default:
        return false;
    }
}

// The longest file name (one component of a path) that common file systems
// take: 255 bytes on Linux, 255 UTF-16 units on Windows. Names are measured
// in UTF-8 bytes, which are never fewer than either.
constexpr qsizetype kLongestFileName = 255;

qsizetype utf8Length(QStringView text)
{
    return text.toUtf8().size();
}

// The first characters of a cleaned camera name (Latin-1 only: one or two
// UTF-8 bytes each) that take at most `room` UTF-8 bytes.
QString cameraNameWithin(const QString &cameraName, qsizetype room)
{
    qsizetype used = 0;
    qsizetype kept = 0;
    for (; kept < cameraName.size(); ++kept) {
        const qsizetype bytes = cameraName.at(kept).unicode() < 0x80 ? 1 : 2;
        if (used + bytes > room)
            break;
        used += bytes;
    }
    return cameraName.left(kept);
}

// The C runtime's text for an error number (thread-safe, unlike strerror).
QString systemError(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

} // namespace

QString dumpCameraName(const QString &cameraName)
{
    QString cleaned;
    cleaned.reserve(cameraName.size());
    for (const QChar c : cameraName) {
        if (!isRefusedInFileName(c))
            cleaned.append(c);
    }
    return cleaned;
}

QString dumpFileName(quint32 frameNumber, const tagVX_CAMERA_OPTION &option, const QDateTime &time)
{
    const QString &prefix = option.savePrefix;
    const QString rest = QLatin1Char('_') + time.toString(QStringLiteral("yyyy_MM_dd_hh_mm_ss_zzz"))
        + QLatin1Char('_') + QString::number(frameNumber) + option.saveSuffix;
    QString cameraName = dumpCameraName(option.cameraName);

    // The file name that holds the camera name runs from the prefix's last
    // separator to the first separator after the camera name.
    qsizetype prefixTail = prefix.size();
    while (prefixTail > 0 && !isDumpPathSeparator(prefix.at(prefixTail - 1)))
        --prefixTail;
    qsizetype restHead = 0;
    while (restHead < rest.size() && !isDumpPathSeparator(rest.at(restHead)))
        ++restHead;
    const qsizetype around
        = utf8Length(QStringView(prefix).mid(prefixTail)) + utf8Length(QStringView(rest).left(restHead));
    if (around + utf8Length(cameraName) > kLongestFileName)
        cameraName = cameraNameWithin(cameraName, std::max<qsizetype>(0, kLongestFileName - around));
    return prefix + cameraName + rest;
}

QString dumpFileName(quint32 frameNumber, const tagVX_CAMERA_OPTION &option)
{
    return dumpFileName(frameNumber, option, QDateTime::currentDateTime());
}

QString writeFrameDump(const QString &fileName, VxBitmapInfo &info, qint32 width, qint32 height,
                       qint32 bitsPerPixel, const void *bytes, quint32 byteCount)
{
    // A NUL would cut the path short and name another file than the one asked for.
    if (fileName.contains(QChar(0)))
        return QStringLiteral("the name holds a NUL character");
    const QByteArray name = dumpOpenName(fileName);
    if (name.isEmpty())
        return QStringLiteral("the name cannot be written in the file system's encoding");
    errno = 0;
    std::FILE *file = createDumpFile(name);
    if (file == nullptr) {
        const int error = errno != 0 ? errno : EIO;
        if (error == EEXIST)
            return QStringLiteral("a file of that name exists already and is left as it is");
        return QStringLiteral("cannot create the file: ") + systemError(error);
    }

    unsigned char header[kFileHeaderSize] = {'B', 'M'};
    qToLittleEndian<quint32>(byteCount + kPixelDataOffset, header + 2);
    qToLittleEndian<quint32>(0, header + 6);
    qToLittleEndian<quint32>(kPixelDataOffset, header + 10);

    info.header.width = width;
    info.header.height = height;
    info.header.bitCount = static_cast<quint16>(bitsPerPixel & 0xFFFF);

    int error = 0;
    const auto write = [&](const void *data, std::size_t size) {
        if (error == 0 && std::fwrite(data, 1, size, file) != size)
            error = errno != 0 ? errno : EIO;
    };
    errno = 0;
    write(header, sizeof(header));
    write(&info, sizeof(info));
    if (byteCount > 0 && bytes != nullptr)
        write(bytes, byteCount);
    // Closing flushes what the C runtime still buffers: a full disk may show only here.
    if (std::fclose(file) != 0 && error == 0)
        error = errno != 0 ? errno : EIO;
    if (error == 0)
        return QString();
    const QString reason = systemError(error);
    if (std::remove(name.constData()) != 0)
        return reason + QStringLiteral("; the incomplete file could not be removed: ") + systemError(errno);
    return reason + QStringLiteral("; the incomplete file was removed");
}
