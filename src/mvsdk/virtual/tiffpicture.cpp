#include "tiffpicture.h"

#include <QFile>
#include <QtEndian>

#include <tiffio.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

namespace VxSim {
namespace detail {

namespace {

// The largest frame a TIFF page may claim: far above any camera's, far below
// what a forged header could make the reader allocate.
constexpr qint64 kMaxFrameBytes = qint64(1) << 30;

// libtiff reads through a QFile (Unicode names on every platform) and says
// its errors to this, never to its global handlers.
struct Source {
    QFile file;
    QString firstError;
};

tmsize_t readProc(thandle_t handle, void *buffer, tmsize_t size)
{
    return static_cast<tmsize_t>(static_cast<Source *>(handle)->file.read(static_cast<char *>(buffer), size));
}

tmsize_t writeProc(thandle_t, void *, tmsize_t)
{
    return -1;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    QFile &file = static_cast<Source *>(handle)->file;
    qint64 to = qint64(offset);
    if (whence == SEEK_CUR)
        to += file.pos();
    else if (whence == SEEK_END)
        to += file.size();
    return file.seek(to) ? toff_t(to) : toff_t(-1);
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return toff_t(static_cast<Source *>(handle)->file.size());
}

int mapProc(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapProc(thandle_t, void *, toff_t) { }

int onError(TIFF *, void *data, const char *, const char *format, va_list arguments)
{
    auto *source = static_cast<Source *>(data);
    if (source->firstError.isEmpty())
        source->firstError = QString::vasprintf(format, arguments);
    return 1;
}

int onWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

struct TiffClose {
    void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};
using TiffPointer = std::unique_ptr<TIFF, TiffClose>;

// Page `page` of the file, or null with the reason.
TiffPointer openPage(Source &source, const QString &path, int page, QString *error)
{
    source.file.setFileName(path);
    if (!source.file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read: %1").arg(source.file.errorString());
        return nullptr;
    }
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, onError, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, &source);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(kMaxFrameBytes));
    TiffPointer tiff(TIFFClientOpenExt(QFile::encodeName(path).constData(), "rm", &source, readProc,
                                       writeProc, seekProc, closeProc, sizeProc, mapProc, unmapProc,
                                       options));
    TIFFOpenOptionsFree(options);
    const auto fail = [&](const QString &what) {
        *error = source.firstError.isEmpty() ? what : what + QStringLiteral(": ") + source.firstError;
        return nullptr;
    };
    if (!tiff)
        return fail(QStringLiteral("cannot be decoded as TIFF"));
    if (page > 0 && !TIFFSetDirectory(tiff.get(), tdir_t(page)))
        return fail(QStringLiteral("page %1 cannot be reached").arg(page + 1));
    return tiff;
}

// How the page's samples are laid out, and what they become.
struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t samples = 1, bits = 8, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    bool tiled = false;
    // Grey or RGB rows read as they are; anything else through libtiff's RGBA conversion.
    bool direct() const
    {
        if (tiled || (planar != PLANARCONFIG_CONTIG && samples > 1))
            return false;
        const bool grey = samples == 1
            && (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE)
            && (bits == 8 || bits == 16);
        // RGB, perhaps with alpha; more samples than that go through the conversion.
        const bool rgb = photometric == PHOTOMETRIC_RGB && (samples == 3 || samples == 4) && bits == 8;
        return grey || rgb;
    }
};

Layout layoutOf(TIFF *tiff)
{
    Layout layout;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric))
        layout.photometric = layout.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    layout.tiled = TIFFIsTiled(tiff) != 0;
    return layout;
}

// The page decoded by libtiff into RGBA rows from the top; empty with the reason.
std::vector<uint32_t> rgbaOf(TIFF *tiff, const Layout &layout, const Source &source, QString *error)
{
    std::vector<uint32_t> pixels(std::size_t(layout.width) * layout.height);
    if (!TIFFReadRGBAImageOriented(tiff, layout.width, layout.height, pixels.data(), ORIENTATION_TOPLEFT,
                                   0)) {
        *error = QStringLiteral("cannot be decoded")
            + (source.firstError.isEmpty() ? QString() : QStringLiteral(": ") + source.firstError);
        pixels.clear();
    }
    return pixels;
}

// Whether every colour of the page's palette is grey.
bool greyPalette(TIFF *tiff, const Layout &layout)
{
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (layout.bits > 16 || !TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue))
        return false;
    for (std::size_t i = 0; i < (std::size_t(1) << layout.bits); ++i) {
        if (red[i] != green[i] || green[i] != blue[i])
            return false;
    }
    return true;
}

// The page's kind; false with the reason.
bool kindOf(TIFF *tiff, const Layout &layout, PictureKind *kind, QString *error)
{
    if (layout.width == 0 || layout.height == 0) {
        *error = QStringLiteral("a TIFF page without pixels");
        return false;
    }
    // Rows read as they are, or RGBA from libtiff's conversion.
    const int bytesPerPixel = !layout.direct() ? 4 : layout.samples == 1 && layout.bits == 16 ? 2 : 3;
    // Both sides are 32-bit: their product fits in 64 bits unsigned.
    if (uint64_t(layout.width) * layout.height > uint64_t(kMaxFrameBytes) / bytesPerPixel) {
        *error = QStringLiteral("claims %1 x %2 pixels, more than a frame can hold")
                     .arg(layout.width)
                     .arg(layout.height);
        return false;
    }
    if (layout.photometric == PHOTOMETRIC_RGB && layout.bits == 16) {
        *error = QStringLiteral("16-bit colour has no pixel format here (use 8-bit colour or 16-bit grey)");
        return false;
    }
    if (layout.direct()) {
        *kind = layout.samples >= 3 ? PictureKind::Rgb8
            : layout.bits == 16     ? PictureKind::Grey16
                                    : PictureKind::Grey8;
        return true;
    }
    if (layout.samples == 1 && layout.bits == 16) {
        *error = QStringLiteral("16-bit grey is read in strips only, not in tiles");
        return false;
    }
    // Told from the tags alone: decoding here would cost a whole page's memory
    // for whatever size a header claims.
    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tiff, reason)) {
        *error = QStringLiteral("cannot be decoded: %1").arg(QString::fromUtf8(reason));
        return false;
    }
    // Palettes are grey when every colour is, other single samples always.
    if (layout.photometric == PHOTOMETRIC_PALETTE)
        *kind = greyPalette(tiff, layout) ? PictureKind::Grey8 : PictureKind::Rgb8;
    else
        *kind = layout.samples == 1 ? PictureKind::Grey8 : PictureKind::Rgb8;
    return true;
}

} // namespace

bool isTiffFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray magic = file.read(4);
    return magic == QByteArray("II*\0", 4) || magic == QByteArray("MM\0*", 4)
        || magic == QByteArray("II+\0", 4) || magic == QByteArray("MM\0+", 4);
}

bool readTiffInfo(const QString &path, int page, PictureInfo *info, QString *error)
{
    Source source;
    const TiffPointer tiff = openPage(source, path, page, error);
    if (!tiff)
        return false;
    const Layout layout = layoutOf(tiff.get());
    if (!kindOf(tiff.get(), layout, &info->kind, error))
        return false;
    info->width = int32_t(layout.width);
    info->height = int32_t(layout.height);
    info->pages = std::max(1, int(TIFFNumberOfDirectories(tiff.get())));
    return true;
}

bool readTiff(const QString &path, int page, const PictureInfo &expected, bool swapRedBlue, uint8_t *target,
              QString *error)
{
    Source source;
    const TiffPointer tiff = openPage(source, path, page, error);
    if (!tiff)
        return false;
    const Layout layout = layoutOf(tiff.get());
    PictureKind kind;
    if (!kindOf(tiff.get(), layout, &kind, error))
        return false;
    if (int32_t(layout.width) != expected.width || int32_t(layout.height) != expected.height) {
        *error = QStringLiteral("its size changed to %1 x %2").arg(layout.width).arg(layout.height);
        return false;
    }
    if (kind != expected.kind) {
        *error = QStringLiteral("its pixel depth changed");
        return false;
    }
    const std::size_t width = layout.width;
    const std::size_t rowBytes = width * expected.bitsPerPixel() / 8;
    if (layout.direct()) {
        std::vector<uint8_t> row(std::size_t(TIFFScanlineSize(tiff.get())));
        const bool inverted = layout.photometric == PHOTOMETRIC_MINISWHITE;
        for (uint32_t y = 0; y < layout.height; ++y) {
            if (TIFFReadScanline(tiff.get(), row.data(), y, 0) < 0) {
                *error = QStringLiteral("row %1 cannot be decoded").arg(y)
                    + (source.firstError.isEmpty() ? QString() : QStringLiteral(": ") + source.firstError);
                return false;
            }
            uint8_t *out = target + rowBytes * y;
            if (kind == PictureKind::Grey16) {
                for (std::size_t x = 0; x < width; ++x) {
                    uint16_t value;
                    std::memcpy(&value, row.data() + 2 * x, 2);
                    qToLittleEndian<quint16>(inverted ? quint16(0xFFFF - value) : value, out + 2 * x);
                }
            } else if (kind == PictureKind::Grey8) {
                for (std::size_t x = 0; x < width; ++x)
                    out[x] = inverted ? uint8_t(0xFF - row[x]) : row[x];
            } else {
                for (std::size_t x = 0; x < width; ++x) {
                    const uint8_t *in = row.data() + x * layout.samples;
                    out[3 * x] = swapRedBlue ? in[2] : in[0];
                    out[3 * x + 1] = in[1];
                    out[3 * x + 2] = swapRedBlue ? in[0] : in[2];
                }
            }
        }
        return true;
    }
    const std::vector<uint32_t> pixels = rgbaOf(tiff.get(), layout, source, error);
    if (pixels.empty())
        return false;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t pixel = pixels[i];
        if (kind == PictureKind::Grey8) {
            target[i] = uint8_t(TIFFGetR(pixel));
        } else {
            target[3 * i] = uint8_t(swapRedBlue ? TIFFGetB(pixel) : TIFFGetR(pixel));
            target[3 * i + 1] = uint8_t(TIFFGetG(pixel));
            target[3 * i + 2] = uint8_t(swapRedBlue ? TIFFGetR(pixel) : TIFFGetB(pixel));
        }
    }
    return true;
}

} // namespace detail
} // namespace VxSim
