// The frame dump that both drivers write: the file name rule and the
// Windows bitmap file.
#ifndef VXCAMDAHUA_FRAMEDUMP_H
#define VXCAMDAHUA_FRAMEDUMP_H

#include "bitmapinfo.h"
#include "vxcameraobject.h"

#include <QDateTime>
#include <QString>

// The camera name as it goes into a dump file name: without ":", without the
// characters that file names refuse (\ / * ? < > | "), without control
// characters and without characters outside Latin-1, so that the name can
// never leave the folder that the prefix names.
QString dumpCameraName(const QString &cameraName);

// savePrefix + camera name + "_" + time stamp + "_" + frame number + saveSuffix,
// the time stamp formatted "yyyy_MM_dd_hh_mm_ss_zzz" in local time. The
// camera name is cut at its end where the file name it is part of (from the
// prefix's last path separator on) would exceed 255 UTF-8 bytes, the limit of
// common file systems; prefix, time stamp, frame number and suffix stay whole.
QString dumpFileName(quint32 frameNumber, const tagVX_CAMERA_OPTION &option);
QString dumpFileName(quint32 frameNumber, const tagVX_CAMERA_OPTION &option, const QDateTime &time);

// Writes one frame as a bitmap file: the 14-byte file header, `info` with
// width, height and bit count filled in, then the frame's bytes unchanged.
// The pixel data starts at byte 1078. The name is handed to the C runtime in the
// platform's file-name encoding (Latin-1 on Windows, where the ANSI code page
// must read those bytes as the same characters); a name that this encoding
// cannot hold exactly, or that holds a NUL, is not written. An existing file
// is never replaced: a dump whose name is taken is not written. A file
// that cannot be written whole (full disk, I/O error) is removed rather than
// left cut short. Returns why no complete file was written, or an empty text
// when one was.
QString writeFrameDump(const QString &fileName, VxBitmapInfo &info, qint32 width, qint32 height,
                       qint32 bitsPerPixel, const void *bytes, quint32 byteCount);

#endif // VXCAMDAHUA_FRAMEDUMP_H
