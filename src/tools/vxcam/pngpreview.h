// The PNG preview of a camera's last frame (--png).
#ifndef VXCAM_PNGPREVIEW_H
#define VXCAM_PNGPREVIEW_H

#include <QByteArray>
#include <QString>

// The file for one camera: FILE itself when it is the only camera; with
// several, FILE with "_" and the camera's key before its extension
// ("last.png", "Virtual:MONO0001" → "last_Virtual_MONO0001.png"), characters
// that file names cannot hold (and control characters) replaced by "_".
QString pngFileName(const QString &file, const QString &key, bool severalCameras);

// Writes the frame as a PNG file. False with *why when the frame cannot be
// shown or the file cannot be written (a file left half written is removed).
bool writePngPreview(const QByteArray &frame, int width, int height, int bitsPerPixel, const QString &file,
                     QString *why);

#endif // VXCAM_PNGPREVIEW_H
