// DumpFile: reading the frame dumps that the plug-in writes, exactly as they
// were written: a 14-byte file header, a 40-byte information header and a
// 256-entry colour table (1078 bytes in all), then the frame's bytes as the
// camera delivered them: rows from the top, not padded, not flipped. Only
// the sides and the bits per pixel of the information header are used; the
// frame's size is what follows the header, which the file header's size
// field must match.
//
// A dump is told from an ordinary bitmap by its name (the dump name rule,
// "..._yyyy_MM_dd_hh_mm_ss_zzz_N.ext") and by its pixel data starting at
// byte 1078; anything else named .bmp is an ordinary bitmap, rows from the
// bottom, read by Qt's reader.
#ifndef MVSDK_VIRTUAL_DUMPFILE_H
#define MVSDK_VIRTUAL_DUMPFILE_H

#include <QString>

#include <cstdint>

class QIODevice;

namespace VxSim {
namespace detail {

struct DumpHeader {
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 0;
    uint32_t frameBytes = 0; // the bytes behind the header
};

constexpr int64_t kDumpHeaderBytes = 1078;

// Whether the name follows the dump name rule; *msecs (when given) gets the
// time stamp of the name as milliseconds since the epoch (local time).
bool isDumpName(const QString &fileName, int64_t *msecs = nullptr);

// Reads and checks the header of the dump on `device` (positioned at its
// start; its size is the file's). False with the reason in *error when it is
// not a dump this system wrote, or is cut short.
bool readDumpHeader(QIODevice &device, DumpHeader *header, QString *error);

// Reads the frame's bytes behind a header read before into `target`
// (header.frameBytes bytes).
bool readDumpFrame(QIODevice &device, const DumpHeader &header, uint8_t *target, QString *error);

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_DUMPFILE_H
