#include "io/PdfSupport.h"

#include "io/FileIO.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace PdfSupport {

QSizeF pageSize(QSize pixels) {
    return QSizeF(std::max(1.0, std::round(pixels.width() * 0.75)),
                  std::max(1.0, std::round(pixels.height() * 0.75)));
}

std::optional<IoError> exportImage(const QImage& image, const QString& path) {
    if (image.isNull())
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: there is no picture").arg(path)};
    const QSizeF page = pageSize(image.size());
    return FileIO::writeFileAtomically(path, [&](QIODevice& device) {
        QPdfWriter writer(&device);
        writer.setCreator(QStringLiteral("Pictavo"));
        writer.setResolution(72); // one device unit is one point
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        if (!writer.setPageSize(QPageSize(page, QPageSize::Point, QString(), QPageSize::ExactMatch)))
            return false;
        QPainter painter;
        if (!painter.begin(&writer)) return false;
        // Without this hint the picture is embedded as JPEG: a screenshot must stay exact.
        painter.setRenderHint(QPainter::LosslessImageRendering, true);
        painter.drawImage(QRectF(QPointF(0, 0), page), image);
        return painter.end();
    });
}

} // namespace PdfSupport
