#include "dumpfile.h"

#include <QDateTime>
#include <QIODevice>
#include <QRegularExpression>
#include <QtEndian>

namespace VxSim {
namespace detail {

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;

} // namespace

bool isDumpName(const QString &fileName, int64_t *msecs)
{
    static const QRegularExpression rule(
        QStringLiteral("_(\\d{4})_(\\d\\d)_(\\d\\d)_(\\d\\d)_(\\d\\d)_(\\d\\d)_(\\d{3})_\\d+(\\.[^._]*)?$"));
    const QRegularExpressionMatch match = rule.match(fileName);
    if (!match.hasMatch())
        return false;
    const auto field = [&match](int i) { return match.capturedView(i).toInt(); };
    const QDateTime time(QDate(field(1), field(2), field(3)), QTime(field(4), field(5), field(6), field(7)));
    if (!time.isValid())
        return false;
    if (msecs != nullptr)
        *msecs = time.toMSecsSinceEpoch();
    return true;
}

bool readDumpHeader(QIODevice &device, DumpHeader *header, QString *error)
{
    const qint64 fileBytes = device.size();
    unsigned char bytes[kFileHeaderBytes + kInfoHeaderBytes];
    if (fileBytes < kDumpHeaderBytes
        || device.read(reinterpret_cast<char *>(bytes), sizeof(bytes)) != sizeof(bytes)) {
        *error = QStringLiteral("cut short: %1 bytes, fewer than the %2 of a dump's header")
                     .arg(fileBytes)
                     .arg(kDumpHeaderBytes);
        return false;
    }
    if (bytes[0] != 'B' || bytes[1] != 'M') {
        *error = QStringLiteral("not a bitmap file (it does not start with \"BM\")");
        return false;
    }
    const quint32 declared = qFromLittleEndian<quint32>(bytes + 2);
    const quint32 offset = qFromLittleEndian<quint32>(bytes + 10);
    const quint32 infoBytes = qFromLittleEndian<quint32>(bytes + 14);
    const qint32 width = qFromLittleEndian<qint32>(bytes + 18);
    const qint32 height = qFromLittleEndian<qint32>(bytes + 22);
    const quint16 bits = qFromLittleEndian<quint16>(bytes + 28);
    if (offset != kDumpHeaderBytes || infoBytes != kInfoHeaderBytes) {
        *error = QStringLiteral("not laid out as a frame dump (pixels at byte %1, header of %2 bytes)")
                     .arg(offset)
                     .arg(infoBytes);
        return false;
    }
    if (declared != fileBytes) {
        *error = QStringLiteral("%1: its header says %2 bytes, the file has %3")
                     .arg(declared > fileBytes ? QStringLiteral("cut short") : QStringLiteral("corrupt"))
                     .arg(declared)
                     .arg(fileBytes);
        return false;
    }
    if (width <= 0 || height <= 0 || bits == 0 || bits > 64) {
        *error = QStringLiteral("its header describes no image (%1 x %2, %3 bits per pixel)")
                     .arg(width)
                     .arg(height)
                     .arg(bits);
        return false;
    }
    const quint64 frameBytes = static_cast<quint64>(fileBytes - kDumpHeaderBytes);
    const quint64 needed = (static_cast<quint64>(width) * static_cast<quint64>(height) * bits + 7) / 8;
    if (needed > frameBytes) {
        *error = QStringLiteral("cut short: a %1 x %2 image of %3 bits per pixel needs %4 bytes, the file "
                                "holds %5")
                     .arg(width)
                     .arg(height)
                     .arg(bits)
                     .arg(needed)
                     .arg(frameBytes);
        return false;
    }
    header->width = width;
    header->height = height;
    header->bitsPerPixel = bits;
    header->frameBytes = static_cast<uint32_t>(frameBytes); // the declared size is 32 bits
    return true;
}

bool readDumpFrame(QIODevice &device, const DumpHeader &header, uint8_t *target, QString *error)
{
    if (!device.seek(kDumpHeaderBytes)) {
        *error = QStringLiteral("cannot be read: %1").arg(device.errorString());
        return false;
    }
    qint64 done = 0;
    while (done < header.frameBytes) {
        const qint64 got = device.read(reinterpret_cast<char *>(target) + done, header.frameBytes - done);
        if (got <= 0) {
            *error = got < 0 ? QStringLiteral("cannot be read: %1").arg(device.errorString())
                             : QStringLiteral("cut short while reading: %1 of %2 bytes of the frame")
                                   .arg(done)
                                   .arg(header.frameBytes);
            return false;
        }
        done += got;
    }
    return true;
}

} // namespace detail
} // namespace VxSim
