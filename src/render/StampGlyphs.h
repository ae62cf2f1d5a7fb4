#pragma once

#include "model/Annotation.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

// The vector icon of one stamp: fill paths are painted before stroke paths, both in the stamp's
// colour; strokes use lineWidth with round caps and joins; the label is bold text centred at
// labelCenter.
struct StampGlyph {
    QList<QPainterPath> stroke;
    QList<QPainterPath> fill;
    double lineWidth = 1.5;
    std::optional<QString> label;
    double labelSize = 0.0;
    QPointF labelCenter;
    // The outline the label sits in, when it has one: the label must fit inside its stroke.
    std::optional<QRectF> labelFrame;
};

// The built-in plan symbols. Pure geometry around a centre and a radius, in the y-down image space.
namespace StampGlyphs {

StampGlyph glyph(StampType type, QPointF center, double radius);
// A filled arrowhead with its tip at `to`, 0.9 * size long and wide.
QPainterPath arrowTip(QPointF from, QPointF to, double size);

} // namespace StampGlyphs
