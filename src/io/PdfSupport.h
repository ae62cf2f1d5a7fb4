#pragma once

#include "io/IoError.h"

#include <QImage>
#include <QSizeF>
#include <QString>

#include <optional>

namespace PdfSupport {

// One pixel is 0.75 point (96 pixels to the inch), rounded to whole points because PDF page sizes
// are kept in whole points.
QSizeF pageSize(QSize pixels);

// Writes a one-page PDF whose picture fills the page, embedded losslessly. Written atomically.
std::optional<IoError> exportImage(const QImage& image, const QString& path);

} // namespace PdfSupport
