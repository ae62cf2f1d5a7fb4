#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// The drawing operations every picture of Pictavo goes through: surfaces, fonts, text and images.
// Sizes are image pixels; surfaces are 96 dpi so one font point is 0.75 pixel everywhere.
namespace DrawingSurface {

inline constexpr int kDotsPerMeter = 3780; // 96 dpi
// The largest picture side the program makes or accepts, and the most pixels one load decodes (a
// project's base image and its pasted pictures together): what is written must read back whole.
inline constexpr int kMaxSide = 20000;
inline constexpr qint64 kMaxPixels = qint64(kMaxSide) * kMaxSide;

enum class FontWeight { regular, medium, semibold, bold };

// A new fully transparent sRGB surface at 96 dpi; null when the size is not positive, above
// kMaxSide or the memory cannot be had.
QImage createSurface(int width, int height);
QImage createSurface(QSize size);

// Tags an image 96 dpi and sRGB so a resolution tag in a file never changes text sizes.
void normalizeMetadata(QImage& image);

// Converts a decoded image to the drawing format: RGB32 while it is opaque, premultiplied ARGB32
// otherwise, 96 dpi, sRGB tag.
QImage toDrawingFormat(const QImage& image);

// The system font at a fractional pixel size. `dpi` is the logical dpi of the device the text is
// drawn on (96 for every image surface).
QFont systemFont(double pixelSize, FontWeight weight, double dpi = 96.0);

// Size of a one-line string.
QSizeF measureLine(const QString& text, const QFont& font);
// Size of a string laid out without bounds; "\n" starts a new line.
QSizeF measureText(const QString& text, const QFont& font);

// Draws one line with its top-left corner at `topLeft`.
void drawLine(QPainter& painter, const QPointF& topLeft, const QString& text, const QFont& font,
              const QColor& color);
// Draws text in the unbounded line layout into `rect` (as measured by measureText).
void drawText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
              const QColor& color);

// Draws an image upright, scaled to fill `target`.
void drawImage(QPainter& painter, const QImage& image, const QRectF& target);

// Fills, with `color` made opaque, every device pixel that the convex polygon `corners` (in the
// painter's coordinates) covers any part of, and no other: no antialiased edge lets what lies
// under it show through, and its edges stay where the shape is. Overlaps thinner than a
// millionth of a pixel do not count.
void fillCovered(QPainter& painter, const QPolygonF& corners, const QColor& color);
// The same pixels as rectangles in device pixels, rows of equal extent merged, within `device`.
QList<QRect> coveredPixels(const QPolygonF& deviceCorners, const QRect& device);

} // namespace DrawingSurface
