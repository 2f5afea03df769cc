// The PNG preview of a camera's last frame (--png). The picture is written
// where the tool is built with Qt Gui (pngpreview_gui.cpp); without it
// (pngpreview_none.cpp) there is none.
#ifndef VXCAM_PNGPREVIEW_H
#define VXCAM_PNGPREVIEW_H

#include "framelayout.h"

#include <QByteArray>
#include <QString>

// The file for one camera: FILE itself when it is the only camera; with
// several, FILE with "_" and the camera's key before its extension
// ("last.png", "Virtual:MONO0001" → "last_Virtual_MONO0001.png"), characters
// that file names cannot hold (and control characters) replaced by "_".
QString pngFileName(const QString &file, const QString &key, bool severalCameras);

// Whether this build writes PNG previews at all.
bool pngPreviewAvailable();

// Writes the frame as a PNG file, converted as the live view shows it. False
// with *why when the frame cannot be shown or the file cannot be written (a
// file left half written is removed).
bool writePngPreview(const QByteArray &frame, const FrameLayout &layout, const QString &file, QString *why);

#endif // VXCAM_PNGPREVIEW_H
