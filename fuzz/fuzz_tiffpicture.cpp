// Fuzzes the TIFF reader of the replay cameras (libtiff behind our own file
// and error handling): any file is either described and decoded into exactly
// the bytes its description promises, or refused with a reason, and never
// crashes or reads beyond the file.
#include "tiffpicture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace VxSim::detail;
    static const QString path = QDir::temp().filePath(
        QStringLiteral("fuzz_tiffpicture_%1.tif").arg(QCoreApplication::applicationPid()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    for (int page = 0; page < 2; ++page) {
        PictureInfo info;
        QString error;
        if (!readTiffInfo(path, page, &info, &error)) {
            if (error.isEmpty())
                std::abort();
            return 0;
        }
        if (info.width <= 0 || info.height <= 0 || info.pages < 1)
            std::abort();
        const uint64_t bytes
            = uint64_t(info.width) * uint64_t(info.height) * uint64_t(info.bitsPerPixel()) / 8;
        if (bytes > (uint64_t(64) << 20))
            return 0; // a real frame's size, not worth a fuzzer's memory
        std::vector<uint8_t> frame(bytes);
        if (!readTiff(path, page, info, page == 1, frame.data(), &error) && error.isEmpty())
            std::abort();
        if (info.pages == 1)
            break;
    }
    return 0;
}
