#pragma once

#include "io/IoError.h"

#include <QImage>
#include <QSizeF>
#include <QString>

#include <optional>

class QIODevice;
class QPdfDocument;

namespace PdfSupport {

// One pixel is 0.75 point (96 pixels to the inch), rounded to whole points because PDF page sizes
// are kept in whole points.
QSizeF pageSize(QSize pixels);

// Writes a one-page PDF whose picture fills the page, embedded losslessly, titled with the file's
// name. Written atomically.
std::optional<IoError> exportImage(const QImage& image, const QString& path);
// The same PDF into a device, with `title`; false when it could not be made.
bool writeImage(const QImage& image, QIODevice& device, const QString& title);

// Reading PDFs for annotation. Pages are rendered as viewers show them (their /Rotate applied).
// The number of pages, or the corrupt-file error when the file cannot be read as a PDF.
Result<int> pageCount(const QString& path);
// The rendered size of a page of `points`: twice its size (144 pixels to the inch), the longer
// side at most 4000 pixels; halves round away from zero. Empty when a side would be under 1 pixel.
QSize renderSize(QSizeF points);
// A page of `points` drawn as large as fits in `box` pixels, at least one pixel a side; empty for a
// page without a size.
QSize thumbnailSize(QSizeF points, QSize box);
// One page (zero-based) on white, opaque.
Result<QImage> renderPage(const QString& path, int index);
// One page of an open document at `size` pixels, with what viewers show on it: its annotations too
// (filled-in forms, highlights, stamps). Transparent where the page draws nothing.
QImage drawPage(QPdfDocument& document, int index, QSize size);

} // namespace PdfSupport
