#pragma once

#include <QImage>

// A Gaussian blur of standard deviation `sigma` with the edge pixels repeated beyond the border.
//
// Large blurs are computed on a smoothly reduced copy (area average), blurred there with three
// running-sum box passes whose variance completes the Gaussian's, and enlarged again with linear
// interpolation; the variances of the reduction and the enlargement are part of the budget, so the
// whole chain keeps the requested standard deviation. Works on premultiplied pixels, so
// transparent areas do not bleed colour.
namespace GaussianBlur {

// Blurs `source` (any format; RGB32 and premultiplied ARGB32 avoid a conversion). The result has
// the source's size and is RGB32 for an opaque source, premultiplied ARGB32 otherwise. `reuse`, when
// given and of the same size and format and not shared, receives the result in place of a new
// buffer (fresh 5K buffers cost more in page faults than the blur itself). Returns a null image
// when memory cannot be had.
QImage blur(const QImage& source, double sigma, QImage* reuse = nullptr);

// The blur that blur regions show on an image of this size: max(longer side / 100, 8). The editor
// and the export use the same rule, so a region looks the same on screen and in the file.
double regionSigma(QSize imageSize);

// The reduction factor used for a sigma (1 means the blur runs at full resolution).
int reductionFactor(double sigma);

} // namespace GaussianBlur
