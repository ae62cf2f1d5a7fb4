#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// PNG encoding on libdeflate (or ISA-L, quick): per-row filters, one zlib stream, chunks with CRC-32. Opaque images
// are written as RGB, others as straight (non-premultiplied) RGBA; 96 dpi is recorded in pHYs.
namespace PngWriter {

inline constexpr int kDefaultLevel = 6;
// ISA-L's fast deflate instead of levels 1-12: on screen pictures seven to ten times faster than
// the default, for 10-15 % more bytes. For pictures written on the way (a capture straight to a
// file, the clipboard, the capture history, recovery copies); files made from the editor, which
// people keep and send, take the default.
inline constexpr int kQuickLevel = 0;

// Absent when the image is null or memory cannot be had.
std::optional<QByteArray> encode(const QImage& image, int level = kDefaultLevel);

// The same file; an opaque picture held nowhere else is overwritten on the way (a capture written
// straight to a file: no second buffer of its size).
std::optional<QByteArray> encodeConsuming(QImage image, int level = kDefaultLevel);

} // namespace PngWriter
