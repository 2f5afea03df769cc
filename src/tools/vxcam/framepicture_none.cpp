#include "framepicture.h"

bool framePicturesAvailable()
{
    return false;
}

bool writeFramePicture(const QString &, const QByteArray &, int, int, int)
{
    return false;
}
