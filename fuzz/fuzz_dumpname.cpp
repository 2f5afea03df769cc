// Fuzzes the dump-name builder: whatever the camera name, the cleaned name
// holds no path separator, no ":" and nothing outside printable Latin-1, and
// the file name starts with the prefix unchanged, fits in 255 UTF-8 bytes
// and ends in the whole time stamp, frame number and suffix.
#include "framedump.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const QString cleaned = dumpCameraName(name);
    for (const QChar c : cleaned) {
        const char16_t u = c.unicode();
        if (u == '/' || u == '\\' || u == ':' || u < 0x20 || u == 0x7F || u > 0xFF)
            std::abort();
    }
    tagVX_CAMERA_OPTION option;
    option.cameraName = name;
    option.savePrefix = QStringLiteral("/prefix/dir/");
    option.saveSuffix = QStringLiteral(".bmp");
    const QString file
        = dumpFileName(static_cast<quint32>(size), option, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
    if (!file.startsWith(option.savePrefix) || file.mid(option.savePrefix.size()).contains(QLatin1Char('/')))
        std::abort();
    if (file.mid(option.savePrefix.size()).toUtf8().size() > 255
        || !file.endsWith(QStringLiteral("_2024_01_02_03_04_05_000_%1.bmp").arg(size)))
        std::abort();
    return 0;
}
