#include "replayfiles.h"

#include "framedump.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

#include <array>

namespace replaytest {

bool writeDump(const QString &path, int width, int height, int bits, const QByteArray &bytes)
{
    VxBitmapInfo info;
    initGreyBitmapInfo(info);
    return writeFrameDump(path, info, width, height, bits, bytes.constData(), quint32(bytes.size()))
        .isEmpty();
}

bool writeTiffPages(const QString &path, const std::vector<QImage> &pages)
{
    QByteArray file("II*\0\0\0\0\0", 8);
    qsizetype linkAt = 4; // where the offset of the next page's directory goes
    for (const QImage &page : pages) {
        const int bits = page.depth();
        const qsizetype dataAt = file.size();
        for (int y = 0; y < page.height(); ++y)
            file.append(reinterpret_cast<const char *>(page.constScanLine(y)), page.width() * bits / 8);
        // An indexed page's palette: all reds, then greens, then blues, 16 bits each.
        const bool indexed = page.format() == QImage::Format_Indexed8;
        const qsizetype paletteAt = file.size();
        if (indexed) {
            QVector<QRgb> colours = page.colorTable();
            colours.resize(256);
            for (int shift : {16, 8, 0}) {
                for (QRgb colour : colours) {
                    char value[2];
                    qToLittleEndian<quint16>(quint16(((colour >> shift) & 0xFF) * 257), value);
                    file.append(value, 2);
                }
            }
        }
        if (file.size() % 2 != 0)
            file.append('\0');
        qToLittleEndian<quint32>(quint32(file.size()), file.data() + linkAt);
        std::vector<std::array<quint32, 4>> entries = {
            // tag, type, count, value
            {256, 4, 1, quint32(page.width())},
            {257, 4, 1, quint32(page.height())},
            {258, 3, 1, quint32(bits)},
            {259, 3, 1, 1},
            {262, 3, 1, indexed ? 3u : 1u},
            {273, 4, 1, quint32(dataAt)},
            {277, 3, 1, 1},
            {278, 4, 1, quint32(page.height())},
            {279, 4, 1, quint32(page.width() * page.height() * bits / 8)},
        };
        if (indexed)
            entries.push_back({320, 3, 3 * 256, quint32(paletteAt)});
        char entry[12];
        qToLittleEndian<quint16>(quint16(entries.size()), entry);
        file.append(entry, 2);
        for (const auto &e : entries) {
            qToLittleEndian<quint16>(quint16(e[0]), entry);
            qToLittleEndian<quint16>(quint16(e[1]), entry + 2);
            qToLittleEndian<quint32>(e[2], entry + 4);
            qToLittleEndian<quint32>(e[1] == 3 && e[2] == 1 ? e[3] & 0xFFFF : e[3], entry + 8);
            file.append(entry, 12);
        }
        linkAt = file.size();
        file.append(QByteArray(4, '\0'));
    }
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

std::map<int, QByteArray> dumpsByFrame(const QString &folder, const QString &filter)
{
    static const QRegularExpression number(QStringLiteral("_(\\d+)\\.bmp$"));
    std::map<int, QByteArray> dumps;
    for (const QFileInfo &file : QDir(folder).entryInfoList({filter}, QDir::Files)) {
        QFile in(file.filePath());
        const QRegularExpressionMatch match = number.match(file.fileName());
        if (match.hasMatch() && in.open(QIODevice::ReadOnly))
            dumps[match.captured(1).toInt()] = in.readAll();
    }
    return dumps;
}

} // namespace replaytest
