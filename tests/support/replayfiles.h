// Recordings for replay cameras: frame dumps written by the plug-in's own
// dump writer, and multi-page TIFF files (uncompressed: grey or palette).
#ifndef VXCAM_TESTS_REPLAYFILES_H
#define VXCAM_TESTS_REPLAYFILES_H

#include <QByteArray>
#include <QImage>
#include <QString>

#include <map>
#include <vector>

namespace replaytest {

// A dump of `bytes` with the header of a width × height frame of `bits` bits per pixel.
bool writeDump(const QString &path, int width, int height, int bits, const QByteArray &bytes);

// One page per image (Grayscale8, Grayscale16 or Indexed8, all of one size).
bool writeTiffPages(const QString &path, const std::vector<QImage> &pages);

// The whole dump files in `folder` whose names match `filter`, by the frame
// number at the end of their names.
std::map<int, QByteArray> dumpsByFrame(const QString &folder, const QString &filter = QStringLiteral("*"));

} // namespace replaytest

#endif // VXCAM_TESTS_REPLAYFILES_H
