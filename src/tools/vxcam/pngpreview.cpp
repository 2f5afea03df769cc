#include "pngpreview.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

QString pngFileName(const QString &file, const QString &key, bool severalCameras)
{
    if (!severalCameras)
        return file;
    QString name = key;
    for (QChar &c : name) {
        if (c.category() == QChar::Other_Control || QStringLiteral("<>:\"/\\|?*").contains(c))
            c = QLatin1Char('_');
    }
    const QFileInfo info(file);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? file : file.left(file.size() - suffix.size() - 1);
    return base + QLatin1Char('_') + name + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
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
