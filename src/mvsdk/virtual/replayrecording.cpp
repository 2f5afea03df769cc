#include "replayrecording.h"

#include "pixellayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>

namespace VxSim {
namespace detail {

namespace {

bool hasWildcard(const QString &name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))
        || name.contains(QLatin1Char('['));
}

bool isPictureName(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("bmp") || suffix == QLatin1String("tif")
        || suffix == QLatin1String("tiff");
}

// The files "images" names, in natural order; false with the problem.
bool listFiles(const QString &images, QStringList *files, QString *error)
{
    const QFileInfo info(images);
    QStringList names;
    QDir dir;
    if (info.isDir()) {
        dir = QDir(images);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
            if (isPictureName(name) || isDumpName(name))
                names.append(name);
        }
        if (names.isEmpty()) {
            *error = QStringLiteral("the folder \"%1\" holds no image files (PNG, BMP, TIFF or frame dumps)")
                         .arg(images);
            return false;
        }
    } else if (hasWildcard(info.fileName())) {
        dir = info.dir();
        if (!dir.exists()) {
            *error = QStringLiteral("the folder of \"%1\" does not exist").arg(images);
            return false;
        }
        names = dir.entryList({info.fileName()},
                              QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
        if (names.isEmpty()) {
            *error = QStringLiteral("no file matches \"%1\"").arg(images);
            return false;
        }
    } else if (info.exists() || info.isSymLink()) {
        files->append(images);
        return true;
    } else {
        *error = QStringLiteral("\"%1\" is neither a file nor a folder").arg(images);
        return false;
    }
    std::sort(names.begin(), names.end(), naturalLess);
    for (const QString &name : std::as_const(names))
        files->append(dir.filePath(name));
    return true;
}

// A dump by its name and its first bytes (pixels at byte 1078); a file too
// short to tell counts as a dump, so that it is named as a cut-short one.
bool readsAsDump(const QString &path)
{
    if (!isDumpName(QFileInfo(path).fileName()))
        return false;
    QFile file(path);
    unsigned char head[14];
    if (!file.open(QIODevice::ReadOnly)
        || file.read(reinterpret_cast<char *>(head), sizeof(head)) != sizeof(head))
        return true;
    return head[0] == 'B' && head[1] == 'M' && qFromLittleEndian<quint32>(head + 10) == kDumpHeaderBytes;
}

bool readDumpInfo(const QString &path, DumpHeader *header, QString *error)
{
    if (QFileInfo(path).isDir()) {
        *error = QStringLiteral("a folder, not a file");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return false;
    }
    return readDumpHeader(file, header, error);
}

// The camera's pixel format for the files' bits per pixel, as named in the
// configuration or the usual one; empty with the problem when they disagree.
QString pixelFormatFor(const ReplayConfig &config, int bits, const PictureInfo *picture, const QString &file,
                       QString *error)
{
    if (!config.pixelFormat.has_value()) {
        if (picture != nullptr)
            return picture->kind == PictureKind::Grey8 ? QStringLiteral("Mono8")
                : picture->kind == PictureKind::Grey16 ? QStringLiteral("Mono16")
                                                       : QStringLiteral("RGB8Packed");
        switch (bits) {
        case 8:
            return QStringLiteral("Mono8");
        case 10:
            return QStringLiteral("Mono10p");
        case 12:
            return QStringLiteral("Mono12Packed");
        case 14:
            return QStringLiteral("Mono14p");
        case 16:
            return QStringLiteral("Mono16");
        case 24:
            return QStringLiteral("RGB8Packed");
        case 32:
            return QStringLiteral("RGBA8Packed");
        default:
            *error = QStringLiteral("%1: %2 bits per pixel is no pixel format this system knows; name one "
                                    "with \"pixelFormat\"")
                         .arg(file)
                         .arg(bits);
            return QString();
        }
    }
    const QString &format = *config.pixelFormat;
    const PixelLayout layout = pixelLayout(format);
    bool fits = layout.bitsPerPixel == bits;
    if (picture != nullptr && fits) {
        fits = picture->kind == PictureKind::Rgb8
            ? layout.kind == PixelLayout::Kind::Rgb && layout.alpha < 0
            : (layout.kind == PixelLayout::Kind::Grey || layout.kind == PixelLayout::Kind::Bayer)
                && layout.packing == PixelLayout::Packing::Bytes;
    }
    if (!fits) {
        *error = QStringLiteral("%1: its images (%2 bits per pixel%3) cannot be \"pixelFormat\" \"%4\"")
                     .arg(file)
                     .arg(bits)
                     .arg(picture == nullptr                       ? QString()
                              : picture->kind == PictureKind::Rgb8 ? QStringLiteral(", colour")
                                                                   : QStringLiteral(", grey"))
                     .arg(format);
        return QString();
    }
    return format;
}

} // namespace

bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a.at(ei).isDigit())
                ++ei;
            while (ej < b.size() && b.at(ej).isDigit())
                ++ej;
            qsizetype si = i, sj = j; // without leading zeros
            while (si + 1 < ei && a.at(si) == QLatin1Char('0'))
                ++si;
            while (sj + 1 < ej && b.at(sj) == QLatin1Char('0'))
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            const int order = QStringView(a).mid(si, ei - si).compare(QStringView(b).mid(sj, ej - sj));
            if (order != 0)
                return order < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    return a < b; // equal as numbers ("01" and "1"): by the text
}

bool scanRecording(const ReplayConfig &config, Recording *recording, QString *error)
{
    Recording result;
    if (!listFiles(config.images, &result.files, error))
        return false;
    bool first = true;
    int bits = 0;
    for (int f = 0; f < result.files.size(); ++f) {
        const QString &path = result.files.at(f);
        const auto fail = [&](const QString &reason) {
            *error = QStringLiteral("%1: %2").arg(path, reason);
            return false;
        };
        QString problem;
        const QFileInfo info(path);
        if (info.isDir())
            return fail(QStringLiteral("a folder, not a file"));
        if (!info.exists())
            return fail(QStringLiteral("cannot be read: no such file (a link to nothing?)"));
        if (!info.isFile()) // a pipe or a device could block the read for ever
            return fail(QStringLiteral("not a regular file"));
        int64_t msecs = 0;
        const bool dump = readsAsDump(path) && isDumpName(QFileInfo(path).fileName(), &msecs);
        result.dumps.push_back(dump);
        if (dump) {
            DumpHeader header;
            if (!readDumpInfo(path, &header, &problem))
                return fail(problem);
            if (first) {
                bits = header.bitsPerPixel;
                result.width = header.width;
                result.height = header.height;
                result.frameBytes = header.frameBytes;
                result.pixelFormat = pixelFormatFor(config, bits, nullptr, path, error);
                if (result.pixelFormat.isEmpty())
                    return false;
            } else if (header.width != result.width || header.height != result.height
                       || header.bitsPerPixel != bits || header.frameBytes != result.frameBytes) {
                return fail(QStringLiteral("%1 x %2, %3 bits per pixel, %4 bytes; the files before it "
                                           "%5 x %6, %7 bits per pixel, %8 bytes")
                                .arg(header.width)
                                .arg(header.height)
                                .arg(header.bitsPerPixel)
                                .arg(header.frameBytes)
                                .arg(result.width)
                                .arg(result.height)
                                .arg(bits)
                                .arg(result.frameBytes));
            }
            result.images.push_back({f, 0, msecs});
            first = false;
            continue;
        }
        if (config.pace == ReplayPace::Recorded)
            return fail(QStringLiteral("not a frame dump, whose name carries its time stamp (\"pace\": "
                                       "\"recorded\" needs dumps)"));
        PictureInfo picture;
        if (!readPictureInfo(path, 0, &picture, &problem))
            return fail(problem);
        for (int page = 0; page < picture.pages; ++page) {
            PictureInfo pageInfo = picture;
            if (page > 0) {
                if (!readPictureInfo(path, page, &pageInfo, &problem))
                    return fail(QStringLiteral("page %1: %2").arg(page + 1).arg(problem));
                pageInfo.pages = picture.pages;
            }
            const uint64_t bytes
                = frameBytesFor(pageInfo.width, pageInfo.height,
                                pageInfo.kind == PictureKind::Rgb8         ? QStringLiteral("RGB8")
                                    : pageInfo.kind == PictureKind::Grey16 ? QStringLiteral("Mono16")
                                                                           : QStringLiteral("Mono8"));
            if (first) {
                if (bytes > UINT32_MAX)
                    return fail(QStringLiteral("an image of more than %1 bytes").arg(UINT32_MAX));
                bits = pageInfo.bitsPerPixel();
                result.width = pageInfo.width;
                result.height = pageInfo.height;
                result.frameBytes = static_cast<uint32_t>(bytes);
                result.pixelFormat = pixelFormatFor(config, bits, &pageInfo, path, error);
                if (result.pixelFormat.isEmpty())
                    return false;
                result.swapRedBlue = pixelLayout(result.pixelFormat).kind == PixelLayout::Kind::Rgb
                    && pixelLayout(result.pixelFormat).red == 2;
                first = false;
            } else if (pageInfo.width != result.width || pageInfo.height != result.height
                       || pageInfo.bitsPerPixel() != bits || bytes != result.frameBytes) {
                return fail(QStringLiteral("%1%2 x %3, %4 bits per pixel; the images before it %5 x %6, %7 "
                                           "bits per pixel")
                                .arg(page > 0 ? QStringLiteral("page %1: ").arg(page + 1) : QString())
                                .arg(pageInfo.width)
                                .arg(pageInfo.height)
                                .arg(pageInfo.bitsPerPixel())
                                .arg(result.width)
                                .arg(result.height)
                                .arg(bits));
            }
            result.picture = pageInfo;
            result.picture.pages = 1;
            result.images.push_back({f, page, 0});
        }
    }
    result.pixelFormatText = result.pixelFormat.toStdString();
    *recording = std::move(result);
    return true;
}

bool Recording::readImage(std::size_t index, uint8_t *target, QString *error) const
{
    const Image &image = images.at(index);
    const QString &path = files.at(image.file);
    if (!dumps.at(image.file))
        return readPicture(path, image.page, picture, swapRedBlue, target, error);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return false;
    }
    DumpHeader header;
    if (!readDumpHeader(file, &header, error))
        return false;
    if (header.width != width || header.height != height || header.frameBytes != frameBytes) {
        *error = QStringLiteral("changed since the camera connected (%1 x %2, %3 bytes)")
                     .arg(header.width)
                     .arg(header.height)
                     .arg(header.frameBytes);
        return false;
    }
    return readDumpFrame(file, header, target, error);
}

} // namespace detail
} // namespace VxSim
