#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

#include "io/IoError.h"

namespace ImageUtilities {

inline constexpr double kJpegQuality = 0.85;

// "Screenshot yyyy-MM-dd at HH.mm.ss.png" in local time.
QString defaultFileName(const QDateTime& when = QDateTime::currentDateTime());

// The image resampled by `factor` (sides truncated, at least 1 pixel); unchanged for factors of
// 0.999 and above. Reductions average every source pixel, so thin lines survive at 25 %.
QImage scaled(const QImage& image, double factor);

// JPEG bytes of the image flattened on white; absent when it cannot be encoded.
std::optional<QByteArray> jpegData(const QImage& image, double quality = kJpegQuality);

QSize pixelSize(const QImage& image);

// The PNG-only save without its dialog: the image as PNG at `path`, written atomically; the error
// names the file and the reason, an image that cannot be encoded included.
std::optional<IoError> savePng(const QImage& image, const QString& path);
// `path` with the extension ".png" (kept in any letter case, appended otherwise).
QString pngPath(const QString& path);

} // namespace ImageUtilities
