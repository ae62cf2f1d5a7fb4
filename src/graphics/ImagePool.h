#pragma once

#include <QImage>

// Large image buffers kept between uses. A fresh 5K buffer costs about 145 ms of page faults here
// against a few milliseconds to overwrite one already mapped, so big surfaces (composed images,
// rotated canvases, layer caches) come from here and go back when their last QImage is gone.
namespace ImagePool {

// An image of the given size and format whose pixels are NOT initialised. Buffers below 1 MiB are
// plain allocations. Returns a null image when the memory cannot be had.
QImage acquire(int width, int height, QImage::Format format);

// Drops every free buffer (tests and memory pressure).
void trim();

// Bytes held in free buffers right now.
qint64 freeBytes();

} // namespace ImagePool
