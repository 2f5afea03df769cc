// PictureFile: the image files a replay camera reads besides its own dumps
// (PNG, ordinary BMP, TIFF with its pages), decoded by Qt's image readers
// (TIFF by libtiff, tiffpicture.h), and turned into a camera's bytes:
// 8-bit grey as Mono8, 16-bit grey as Mono16 (two bytes, little-endian),
// colour as RGB8Packed, rows from the top without padding.
#ifndef MVSDK_VIRTUAL_PICTUREFILE_H
#define MVSDK_VIRTUAL_PICTUREFILE_H

#include <QString>

#include <cstdint>

namespace VxSim {
namespace detail {

// What the pixels of a picture become.
enum class PictureKind { Grey8, Grey16, Rgb8 };

struct PictureInfo {
    int32_t width = 0;
    int32_t height = 0;
    PictureKind kind = PictureKind::Grey8;
    int pages = 1; // images in the file (TIFF pages)

    int bitsPerPixel() const
    {
        return kind == PictureKind::Grey8 ? 8 : kind == PictureKind::Grey16 ? 16 : 24;
    }
    bool operator==(const PictureInfo &) const = default;
};

// Reads the header of page `page` of the file. False with the reason.
bool readPictureInfo(const QString &path, int page, PictureInfo *info, QString *error);

// Decodes page `page` into `target` (width × height × bits per pixel / 8
// bytes) after `expected`; `swapRedBlue` writes colour as B, G, R. False with
// the reason when the file cannot be decoded or is not what was expected.
bool readPicture(const QString &path, int page, const PictureInfo &expected, bool swapRedBlue,
                 uint8_t *target, QString *error);

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_PICTUREFILE_H
