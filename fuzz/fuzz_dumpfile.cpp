// Fuzzes the frame dump reader of the replay cameras: any file is either
// read whole, exactly as its header describes it, or refused with a reason,
// and never crashes or reads beyond the file. The input is also taken as a
// file name for the dump name rule.
#include "dumpfile.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace VxSim::detail;
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    int64_t msecs = 0;
    (void)isDumpName(QString::fromLatin1(bytes), &msecs);

    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    DumpHeader header;
    QString error;
    if (!readDumpHeader(file, &header, &error)) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const uint64_t needed
        = (uint64_t(header.width) * uint64_t(header.height) * uint64_t(header.bitsPerPixel) + 7) / 8;
    if (int64_t(header.frameBytes) != int64_t(size) - kDumpHeaderBytes || needed > header.frameBytes)
        std::abort();
    std::vector<uint8_t> frame(header.frameBytes);
    if (!readDumpFrame(file, header, frame.data(), &error)
        || (header.frameBytes > 0 && frame.back() != data[size - 1]))
        std::abort();
    return 0;
}
