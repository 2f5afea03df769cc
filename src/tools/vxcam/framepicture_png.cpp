#include "framepicture.h"

#include "frameimage.h"

bool framePicturesAvailable()
{
    return true;
}

bool writeFramePicture(const QString &path, const QByteArray &bytes, int width, int height, int bitsPerPixel)
{
    const QImage image = frameToImage(bytes, width, height, bitsPerPixel);
    return !image.isNull() && image.save(path, "PNG");
}
