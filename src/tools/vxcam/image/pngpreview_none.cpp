// Built where Qt has no Gui: the tool writes no PNG previews there, and the
// command line refuses --png.
#include "pngpreview.h"

bool pngPreviewAvailable()
{
    return false;
}

bool writePngPreview(const QByteArray &, const FrameLayout &, const QString &, QString *why)
{
    *why = QStringLiteral("this build has no PNG preview (it was built without Qt Gui)");
    return false;
}
