#include "io/PdfSupport.h"

#include "io/FileIO.h"

#include <QFileInfo>
#include <QPageSize>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace PdfSupport {

QSizeF pageSize(QSize pixels) {
    return QSizeF(std::max(1.0, std::round(pixels.width() * 0.75)),
                  std::max(1.0, std::round(pixels.height() * 0.75)));
}

bool writeImage(const QImage& image, QIODevice& device, const QString& title) {
    if (image.isNull()) return false;
    const QSizeF page = pageSize(image.size());
    QPdfWriter writer(&device);
    writer.setCreator(QStringLiteral("Pictavo"));
    writer.setTitle(title);
    writer.setResolution(72); // one device unit is one point
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!writer.setPageSize(QPageSize(page, QPageSize::Point, QString(), QPageSize::ExactMatch))) return false;
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    // Without this hint the picture is embedded as JPEG: a screenshot must stay exact.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRectF(QPointF(0, 0), page), image);
    return painter.end();
}

std::optional<IoError> exportImage(const QImage& image, const QString& path) {
    if (image.isNull())
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: there is no picture").arg(path)};
    return FileIO::writeFileAtomically(
        path, [&](QIODevice& device) { return writeImage(image, device, QFileInfo(path).fileName()); });
}

} // namespace PdfSupport

namespace PdfSupport {

namespace {

IoError corrupt(const QString& path, const QString& why) {
    return IoError{IoError::Kind::corruptFile,
                   QStringLiteral("“%1” could not be opened as a PDF: %2").arg(path, why)};
}

QString reason(QPdfDocument::Error error) {
    switch (error) {
    case QPdfDocument::Error::FileNotFound: return QStringLiteral("the file is not there.");
    case QPdfDocument::Error::InvalidFileFormat: return QStringLiteral("the file is damaged or not a PDF.");
    case QPdfDocument::Error::IncorrectPassword: return QStringLiteral("it is protected by a password.");
    case QPdfDocument::Error::UnsupportedSecurityScheme: return QStringLiteral("its protection is not supported.");
    default: return QStringLiteral("the file cannot be read.");
    }
}

// Opens the document, or says why not.
std::optional<IoError> open(QPdfDocument& document, const QString& path) {
    if (!QFileInfo(path).isFile()) return corrupt(path, reason(QPdfDocument::Error::FileNotFound));
    const QPdfDocument::Error error = document.load(path);
    if (error != QPdfDocument::Error::None) return corrupt(path, reason(error));
    if (document.pageCount() < 1) return corrupt(path, QStringLiteral("it has no pages."));
    return std::nullopt;
}

} // namespace

Result<int> pageCount(const QString& path) {
    QPdfDocument document;
    if (std::optional<IoError> error = open(document, path)) return *error;
    return document.pageCount();
}

QSize renderSize(QSizeF points) {
    const double w = points.width(), h = points.height();
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h)) return {};
    const double m = std::max(w, h);
    const double s = m <= 1 ? 2.0 : std::min(4000.0 / m, 2.0);
    const double width = std::round(s * w), height = std::round(s * h);
    if (width < 1 || height < 1) return {};
    return QSize(int(width), int(height));
}

QSize thumbnailSize(QSizeF points, QSize box) {
    if (!(points.width() > 0) || !(points.height() > 0) || !std::isfinite(points.width()) ||
        !std::isfinite(points.height()) || box.isEmpty())
        return {};
    return points.scaled(QSizeF(box), Qt::KeepAspectRatio).toSize().expandedTo(QSize(1, 1)).boundedTo(box);
}

QImage drawPage(QPdfDocument& document, int index, QSize size) {
    // Qt leaves annotations out unless asked.
    QPdfDocumentRenderOptions options;
    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    return document.render(index, size, options);
}

Result<QImage> renderPage(const QString& path, int index) {
    QPdfDocument document;
    if (std::optional<IoError> error = open(document, path)) return *error;
    if (index < 0 || index >= document.pageCount()) return corrupt(path, QStringLiteral("it has no such page."));
    // Qt gives the size as shown, the page's rotation applied.
    const QSize size = renderSize(document.pagePointSize(index));
    if (size.isEmpty()) return corrupt(path, QStringLiteral("the page is too small to show."));
    const QImage page = drawPage(document, index, size);
    if (page.isNull()) return corrupt(path, QStringLiteral("the page could not be drawn."));
    QImage flat(page.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    flat.setDotsPerMeterX(3780);
    flat.setDotsPerMeterY(3780);
    QPainter painter(&flat);
    painter.drawImage(0, 0, page);
    painter.end();
    return flat;
}

} // namespace PdfSupport
