#include "io/ImageUtilities.h"

#include "graphics/DrawingSurface.h"
#include "io/FileIO.h"
#include "io/PngWriter.h"

#include <QFileInfo>

#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QPainter>

#include <cmath>

namespace ImageUtilities {

QString pngPath(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0
               ? path
               : path + QStringLiteral(".png");
}

std::optional<IoError> savePng(const QImage& image, const QString& path) {
    const std::optional<QByteArray> png = image.isNull() ? std::nullopt : PngWriter::encode(image);
    if (!png)
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: the picture could not be encoded").arg(path)};
    return FileIO::writeFileAtomically(path, *png);
}

QString defaultFileName(const QDateTime& when) {
    return QStringLiteral("Screenshot %1.png").arg(when.toString(QStringLiteral("yyyy-MM-dd 'at' HH.mm.ss")));
}

QImage scaled(const QImage& image, double factor) {
    if (!(factor < 0.999) || image.isNull()) return image;
    const int w = std::max(1, int(std::trunc(image.width() * factor)));
    const int h = std::max(1, int(std::trunc(image.height() * factor)));
    QImage out = image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (out.isNull()) return image;
    DrawingSurface::normalizeMetadata(out);
    return out;
}

std::optional<QByteArray> jpegData(const QImage& image, double quality) {
    if (image.isNull()) return std::nullopt;
    QImage flat;
    if (image.format() == QImage::Format_RGB32) {
        flat = image; // already opaque: nothing to flatten
    } else {
        flat = QImage(image.size(), QImage::Format_RGB32);
        if (flat.isNull()) return std::nullopt;
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(QPointF(0, 0), image);
    }
    // The pixels with their density and colour space only: Qt writes an image's text as comments,
    // and text a decoded file brought along (an author, a place) must not go out with it.
    QImage bare(flat.constBits(), flat.width(), flat.height(), flat.bytesPerLine(), flat.format());
    bare.setDotsPerMeterX(flat.dotsPerMeterX());
    bare.setDotsPerMeterY(flat.dotsPerMeterY());
    bare.setColorSpace(flat.colorSpace());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(int(std::lround(std::clamp(quality, 0.0, 1.0) * 100)));
    if (!writer.write(bare)) return std::nullopt;
    return bytes;
}

QSize pixelSize(const QImage& image) {
    return image.size();
}

} // namespace ImageUtilities
