// TiffPicture: TIFF files for replay cameras, decoded by libtiff (every page
// of a multi-page file): 8- and 16-bit grey and 8-bit colour in strips are
// read as their rows are; palettes, tiles, YCbCr and the like through
// libtiff's RGBA conversion (8-bit grey when every colour of a palette is
// grey). Into the same bytes as the other pictures (picturefile.h).
#ifndef MVSDK_VIRTUAL_TIFFPICTURE_H
#define MVSDK_VIRTUAL_TIFFPICTURE_H

#include "picturefile.h"

namespace VxSim {
namespace detail {

// Whether the file begins as a TIFF file does (classic or BigTIFF).
bool isTiffFile(const QString &path);

bool readTiffInfo(const QString &path, int page, PictureInfo *info, QString *error);
bool readTiff(const QString &path, int page, const PictureInfo &expected, bool swapRedBlue, uint8_t *target,
              QString *error);

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_TIFFPICTURE_H
