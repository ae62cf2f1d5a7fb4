#include "render/StampGlyphs.h"

// Filled in by the glyph library work.
StampGlyph StampGlyphs::glyph(StampType, QPointF, double radius) {
    StampGlyph g;
    g.lineWidth = std::max(0.14 * radius, 1.5);
    return g;
}

QPainterPath StampGlyphs::arrowTip(QPointF, QPointF, double) { return QPainterPath(); }
