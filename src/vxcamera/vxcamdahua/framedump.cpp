#include "framedump.h"

#include <QFile>
#include <QtEndian>

#include <cstdio>

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

// The bytes under which the C runtime's fopen finds `fileName`, or empty when
// the name has no exact form there: a lossy conversion (a "?" for each
// character the encoding lacks) would name another file, maybe in another
// folder.
QByteArray openableName(const QString &fileName)
{
#if defined(Q_OS_WIN)
    // The host's platform: the narrow fopen takes Latin-1 names.
    const QByteArray bytes = fileName.toLatin1();
    const bool exact = QString::fromLatin1(bytes) == fileName;
#else
    // The platform's file-name encoding (UTF-8 on Linux).
    const QByteArray bytes = QFile::encodeName(fileName);
    const bool exact = QFile::decodeName(bytes) == fileName;
#endif
    return exact ? bytes : QByteArray();
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
    return option.savePrefix + dumpCameraName(option.cameraName) + QLatin1Char('_')
        + time.toString(QStringLiteral("yyyy_MM_dd_hh_mm_ss_zzz")) + QLatin1Char('_')
        + QString::number(frameNumber) + option.saveSuffix;
}

QString dumpFileName(quint32 frameNumber, const tagVX_CAMERA_OPTION &option)
{
    return dumpFileName(frameNumber, option, QDateTime::currentDateTime());
}

void writeFrameDump(const QString &fileName, VxBitmapInfo &info, qint32 width, qint32 height,
                    qint32 bitsPerPixel, const void *bytes, quint32 byteCount)
{
    // A NUL would cut the path short and name another file than the one asked for.
    if (fileName.contains(QChar(0)))
        return;
    const QByteArray name = openableName(fileName);
    if (name.isEmpty())
        return;
    std::FILE *file = std::fopen(name.constData(), "wb");
    if (file == nullptr)
        return;

    unsigned char header[kFileHeaderSize] = {'B', 'M'};
    qToLittleEndian<quint32>(byteCount + kPixelDataOffset, header + 2);
    qToLittleEndian<quint32>(0, header + 6);
    qToLittleEndian<quint32>(kPixelDataOffset, header + 10);

    info.header.width = width;
    info.header.height = height;
    info.header.bitCount = static_cast<quint16>(bitsPerPixel & 0xFFFF);

    std::fwrite(header, 1, sizeof(header), file);
    std::fwrite(&info, 1, sizeof(info), file);
    if (byteCount > 0 && bytes != nullptr)
        std::fwrite(bytes, 1, byteCount, file);
    std::fclose(file);
}
