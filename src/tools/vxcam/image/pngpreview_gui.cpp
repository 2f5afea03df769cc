// The PNG preview where the tool is built with Qt Gui.
#include "pngpreview.h"

#include "frameimage.h"

#include <QFile>
#include <QImageWriter>

bool pngPreviewAvailable()
{
    return true;
}

bool writePngPreview(const QByteArray &frame, const FrameLayout &layout, const QString &file, QString *why)
{
    const QImage image = frameToImage(frame, layout);
    if (image.isNull()) {
        *why = QStringLiteral("frames of %1 bits per pixel (%2x%3) cannot be shown as a picture")
                   .arg(layout.bitsPerPixel)
                   .arg(layout.width)
                   .arg(layout.height);
        return false;
    }
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        *why = out.errorString();
        return false;
    }
    QImageWriter writer(&out, "png");
    if (!writer.write(image) || !out.flush()) {
        *why = writer.error() == QImageWriter::DeviceError ? out.errorString() : writer.errorString();
        out.close();
        out.remove();
        return false;
    }
    return true;
}
