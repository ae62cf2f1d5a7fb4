#pragma once

#include "model/Annotation.h"

#include <QImage>
#include <QList>

// Deterministic benchmark inputs, so figures compare across runs and machines.
namespace BenchImages {

inline constexpr int kWidth = 5120, kHeight = 2880;

// A 5K screenshot-like picture: flat panels, coloured boxes and lines of text. RGB32.
QImage screenshot5K(int seed);

// 200 objects as a heavily annotated screenshot has them: 60 stamps, 5 blur regions, 2 pasted
// pictures of `pictureSize`, strokes, shapes, badges and text.
QList<Annotation> mixedAnnotations(int pictures = 2, QSize pictureSize = QSize(400, 300));

} // namespace BenchImages
