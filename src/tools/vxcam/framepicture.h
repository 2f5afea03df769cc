// The --png preview: the last frame written as a picture. Built with Qt Gui
// (framepicture_png.cpp) or, where this build has no Qt Gui, without
// (framepicture_none.cpp).
#ifndef VXCAM_FRAMEPICTURE_H
#define VXCAM_FRAMEPICTURE_H

#include <QByteArray>
#include <QString>

// Whether this build can write pictures at all.
bool framePicturesAvailable();

// Writes the frame as a PNG file (see frameimage.h for the depths shown);
// false when the depth has no picture or the file cannot be written.
bool writeFramePicture(const QString &path, const QByteArray &bytes, int width, int height, int bitsPerPixel);

#endif // VXCAM_FRAMEPICTURE_H
