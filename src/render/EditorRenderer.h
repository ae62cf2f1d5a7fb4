#pragma once

#include "render/StampGlyphs.h"

#include "model/Annotation.h"

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSet>
#include <QUuid>

#include <functional>

class QPainter;

// How every kind of annotation looks: the one statement used by the flat export, flattening, the
// copied image and the on-screen canvas. `scale` multiplies every coordinate and length taken from
// the annotation (1 for the flat image, the view scale on screen); the fixed minimum sizes and the
// 3-unit gaps of badges and captions apply to the scaled values.
namespace EditorRenderer {

// What a picture is drawn from. The blurred copy is asked for only when a blur region draws, so a
// document without blur never pays for it.
struct Scene {
    QImage baseImage;
    QList<Annotation> annotations; // in drawing order
    std::function<QImage()> blurredImage;

    QImage blurred() const { return blurredImage ? blurredImage() : QImage(); }
};

// Drawing work is bounded, whatever a file holds: annotations are drawn in order while the sum of
// their estimated costs stays within the budget (about 2 s of drawing here), and one that would
// pass it is left out. What the editor makes stays far below it (a full-picture blur region of a
// 5K screen costs 0.5 million, a 200-pixel-wide stroke across it 1.2 million); only crafted files
// reach it.
inline constexpr double kDrawingBudget = 6.0e7;

// A rough estimate of the work of drawing `a` at scale 1 on a picture of `canvas` size, counted in
// antialiased stroke pixels; fills and image copies count for less.
double drawingCost(const Annotation& a, QSizeF canvas);

// The ids of the annotations, in drawing order, that the budget leaves out. Scale-independent, so
// the canvas at any zoom and the flat image leave out the same ones.
QSet<QUuid> beyondDrawingBudget(const QList<Annotation>& annotations, QSizeF canvas);

// The base image with the scene's annotations drawn over it in list order. Same pixel size as the
// base; RGB32 while the base is opaque, premultiplied ARGB32 otherwise. Null when the base image
// has no pixels or memory cannot be had.
// `leftOut` receives how many annotations the drawing budget left out.
QImage compose(const Scene& scene, int* leftOut = nullptr);

// Draws one annotation; leaves the painter's state as it found it. On screen an unrotated blur
// region shows the piece of the blurred copy under its rectangle rounded out to whole pixels.
void draw(const Annotation& a, QPainter& painter, const Scene& scene, double scale = 1.0,
          bool onScreen = false);

// `r` with every coordinate and length multiplied by `scale`.
inline QRectF scaled(const QRectF& r, double scale) {
    return QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
}

// Where an annotation can paint at `scale`, in the scaled coordinates: its bounds grown by what is
// drawn outside them (stroke, arrow head, ring, labels and captions with their minimum sizes),
// turned by its rotation.
QRectF paintedReach(const Annotation& a, double scale = 1.0);
// A stamp label's font size, made smaller where the label would touch the outline it sits in.
double fittedLabelSize(const StampGlyph& glyph);

void drawDot(const Annotation& a, QPainter& painter, double scale = 1.0);
void drawStampGlyph(const Annotation& a, QPainter& painter, double scale = 1.0);
void drawStampCaption(const Annotation& a, QPainter& painter, double scale = 1.0);
void drawText(const Annotation& a, QPainter& painter, double scale = 1.0);

} // namespace EditorRenderer
