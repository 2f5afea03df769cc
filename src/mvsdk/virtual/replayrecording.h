// Recording: the images a replay camera plays, in their order, with the
// frame geometry they share. Made when the camera connects, from the files
// that "images" names at that moment: a folder (its PNG, BMP and TIFF files
// and its frame dumps), a file pattern (every file that matches), or one file.
// Names are in natural order (runs of digits compared as numbers), which puts
// a camera's dumps in the order of their time stamps and frame numbers.
//
// Only the headers are read here (every page of every file, so that files
// of another size or depth are found before the first frame); the pixels are
// read one image at a time by readImage.
#ifndef MVSDK_VIRTUAL_REPLAYRECORDING_H
#define MVSDK_VIRTUAL_REPLAYRECORDING_H

#include "configreader.h"
#include "dumpfile.h"
#include "picturefile.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

namespace VxSim {
namespace detail {

struct Recording {
    struct Image {
        int file = 0;
        int page = 0;
        int64_t msecs = 0; // dumps: the time stamp of the name
    };
    QStringList files;
    std::vector<bool> dumps; // per file: a frame dump (else a picture)
    std::vector<Image> images;
    int32_t width = 0;
    int32_t height = 0;
    QString pixelFormat;
    std::string pixelFormatText; // for the frames
    uint32_t frameBytes = 0;
    PictureInfo picture; // what every picture holds
    bool swapRedBlue = false;

    // Reads image `index` into `target` (frameBytes bytes); false with the reason.
    bool readImage(std::size_t index, uint8_t *target, QString *error) const;
};

// Whether `a` comes before `b` in natural order.
bool naturalLess(const QString &a, const QString &b);

// Lists and checks the files. False with one line naming the file (or the
// folder or pattern) and the reason.
bool scanRecording(const ReplayConfig &config, Recording *recording, QString *error);

} // namespace detail
} // namespace VxSim

#endif // MVSDK_VIRTUAL_REPLAYRECORDING_H
