#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// PNG encoding on libdeflate: per-row filters, one zlib stream, chunks with CRC-32. Opaque images
// are written as RGB, others as straight (non-premultiplied) RGBA; 96 dpi is recorded in pHYs.
namespace PngWriter {

inline constexpr int kDefaultLevel = 6;

// Absent when the image is null or memory cannot be had.
std::optional<QByteArray> encode(const QImage& image, int level = kDefaultLevel);

} // namespace PngWriter
