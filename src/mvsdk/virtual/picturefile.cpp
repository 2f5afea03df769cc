#include "picturefile.h"

#include "tiffpicture.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cstring>

namespace VxSim {
namespace detail {

namespace {

PictureKind kindOf(QImage::Format format, bool grey)
{
    switch (format) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return PictureKind::Grey8;
    case QImage::Format_Grayscale16:
        return PictureKind::Grey16;
    case QImage::Format_Indexed8:
        return grey ? PictureKind::Grey8 : PictureKind::Rgb8;
    default:
        return PictureKind::Rgb8;
    }
}

// Qt's reason, or that no reader knows the format.
QString readerProblem(const QImageReader &reader)
{
    if (reader.error() == QImageReader::UnsupportedFormatError)
        return QStringLiteral("not an image file this system reads (PNG, BMP, TIFF or a frame dump)");
    return QStringLiteral("cannot be decoded: %1").arg(reader.errorString());
}

bool openPage(QImageReader &reader, const QString &path, int page, QString *error)
{
    if (QFileInfo(path).isDir()) {
        *error = QStringLiteral("a folder, not a file");
        return false;
    }
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read: %1").arg(probe.errorString());
        return false;
    }
    probe.close();
    reader.setFileName(path);
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead()) {
        *error = readerProblem(reader);
        return false;
    }
    if (page > 0 && !reader.jumpToImage(page)) {
        *error = QStringLiteral("page %1 cannot be reached").arg(page + 1);
        return false;
    }
    return true;
}

} // namespace

bool readPictureInfo(const QString &path, int page, PictureInfo *info, QString *error)
{
    if (isTiffFile(path))
        return readTiffInfo(path, page, info, error);
    QImageReader reader;
    if (!openPage(reader, path, page, error))
        return false;
    const int count = reader.imageCount();
    const QSize size = reader.size();
    QImage::Format format = reader.imageFormat();
    bool grey = false;
    if (!size.isValid() || format == QImage::Format_Invalid || format == QImage::Format_Indexed8) {
        // Some readers tell the format (or a palette's greyness) only by decoding.
        QImage image;
        if (!reader.read(&image)) {
            *error = readerProblem(reader);
            return false;
        }
        format = image.format();
        grey = image.isGrayscale();
        info->width = image.width();
        info->height = image.height();
    } else {
        info->width = size.width();
        info->height = size.height();
    }
    if (format == QImage::Format_RGBX64 || format == QImage::Format_RGBA64
        || format == QImage::Format_RGBA64_Premultiplied) {
        *error = QStringLiteral("16-bit colour has no pixel format here (use 8-bit colour or 16-bit grey)");
        return false;
    }
    info->kind = kindOf(format, grey);
    info->pages = count > 0 ? count : 1;
    return true;
}

bool readPicture(const QString &path, int page, const PictureInfo &expected, bool swapRedBlue,
                 uint8_t *target, QString *error)
{
    if (isTiffFile(path))
        return readTiff(path, page, expected, swapRedBlue, target, error);
    QImageReader reader;
    if (!openPage(reader, path, page, error))
        return false;
    QImage image;
    if (!reader.read(&image)) {
        *error = readerProblem(reader);
        return false;
    }
    if (image.width() != expected.width || image.height() != expected.height) {
        *error = QStringLiteral("its size changed to %1 x %2").arg(image.width()).arg(image.height());
        return false;
    }
    QImage::Format wanted = QImage::Format_RGB888;
    if (expected.kind == PictureKind::Grey8)
        wanted = QImage::Format_Grayscale8;
    else if (expected.kind == PictureKind::Grey16)
        wanted = QImage::Format_Grayscale16;
    if (kindOf(image.format(), image.isGrayscale()) != expected.kind) {
        *error = QStringLiteral("its pixel depth changed");
        return false;
    }
    if (image.format() != wanted)
        image.convertTo(wanted);
    if (swapRedBlue && expected.kind == PictureKind::Rgb8)
        image = std::move(image).rgbSwapped();
    const std::size_t rowBytes = static_cast<std::size_t>(expected.width) * expected.bitsPerPixel() / 8;
    for (int y = 0; y < expected.height; ++y)
        std::memcpy(target + rowBytes * y, image.constScanLine(y), rowBytes);
    return true;
}

} // namespace detail
} // namespace VxSim
