#include "render/StampGlyphs.h"

#include "graphics/DrawingSurface.h"
#include "render/EditorRenderer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace StampGlyphs;
using TestSupport::expectNear;

namespace {

QRectF bounds(const StampGlyph& g) {
    QRectF box;
    for (const auto* list : {&g.stroke, &g.fill})
        for (const QPainterPath& p : *list)
            box |= p.boundingRect();
    return box;
}

} // namespace

TEST(StampGlyphs, LineWidthFollowsTheRadiusAboveAFloor) {
    EXPECT_DOUBLE_EQ(glyph(StampType::rack, {}, 10).lineWidth, 1.5);
    EXPECT_DOUBLE_EQ(glyph(StampType::rack, {}, 20).lineWidth, 2.8);
    EXPECT_DOUBLE_EQ(glyph(StampType::checkMark, {}, 10).lineWidth, 2.2);
    EXPECT_DOUBLE_EQ(glyph(StampType::checkMark, {}, 5).lineWidth, 2.0);
}

TEST(StampGlyphs, NumberCircleDrawsNothing) {
    const StampGlyph g = glyph(StampType::numberCircle, {50, 50}, 20);
    EXPECT_TRUE(g.stroke.isEmpty());
    EXPECT_TRUE(g.fill.isEmpty());
    EXPECT_FALSE(g.label.has_value());
}

TEST(StampGlyphs, EveryGlyphDrawsWithinItsSquare) {
    const QPointF c(200, 100);
    const double r = 40;
    for (StampType type : allCases<StampType>()) {
        if (type == StampType::numberCircle) continue;
        SCOPED_TRACE(rawValue(type).toStdString());
        const StampGlyph g = glyph(type, c, r);
        const QRectF box = bounds(g);
        EXPECT_FALSE(box.isEmpty());
        EXPECT_TRUE(QRectF(c.x() - 1.15 * r, c.y() - 1.15 * r, 2.3 * r, 2.3 * r).contains(box));
        if (g.label) {
            EXPECT_FALSE(g.label->isEmpty());
            EXPECT_GT(g.labelSize, 0);
        }
    }
}

TEST(StampGlyphs, GlyphsScaleAndMoveWithCentreAndRadius) {
    const QPointF c(30, -12);
    const double r = 7;
    for (StampType type : {StampType::keypad, StampType::siren, StampType::led, StampType::inductor}) {
        const StampGlyph unit = glyph(type, {}, 1), placed = glyph(type, c, r);
        ASSERT_EQ(unit.stroke.size(), placed.stroke.size());
        ASSERT_EQ(unit.fill.size(), placed.fill.size());
        const QList<QPainterPath> from = unit.stroke + unit.fill, to = placed.stroke + placed.fill;
        for (qsizetype i = 0; i < from.size(); ++i) {
            ASSERT_EQ(from[i].elementCount(), to[i].elementCount());
            for (int e = 0; e < from[i].elementCount(); ++e)
                expectNear(to[i].elementAt(e), c + QPointF(from[i].elementAt(e)) * r);
        }
    }
    const StampGlyph fe = glyph(StampType::fireExtinguisher, c, r);
    EXPECT_EQ(fe.label, QStringLiteral("FE"));
    EXPECT_DOUBLE_EQ(fe.labelSize, 0.38 * r);
    expectNear(fe.labelCenter, c + QPointF(0, 0.3) * r);
    const StampGlyph ml = glyph(StampType::maglock, c, r);
    EXPECT_EQ(ml.label, QStringLiteral("ML"));
    EXPECT_DOUBLE_EQ(ml.labelSize, 0.42 * r);
    expectNear(ml.labelCenter, c + QPointF(0, -0.175) * r);
    EXPECT_FALSE(glyph(StampType::checkBox, c, r).label.has_value());
}

TEST(StampGlyphs, ArcsTurnDownwardsWithIncreasingAngle) {
    const QPointF c(100, 100);
    const double r = 20;
    // 0°..180° around (0, -0.55) with radius 0.75 bulges below its chord.
    const QRectF dome = glyph(StampType::cameraDome, c, r).stroke.at(1).boundingRect();
    EXPECT_NEAR(dome.bottom(), c.y() + 0.2 * r, 1e-3);
    EXPECT_NEAR(dome.top(), c.y() - 0.55 * r, 1e-3);
    // -135°..-45° around (0, 0.3) bulges above it.
    const StampGlyph wap = glyph(StampType::wap, c, r);
    ASSERT_EQ(wap.stroke.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QRectF box = wap.stroke.at(i).boundingRect();
        EXPECT_LT(box.bottom(), c.y() + 0.3 * r);
        EXPECT_NEAR(box.top(), c.y() + (0.3 - (i == 0 ? 0.5 : 0.85)) * r, 1e-3);
    }
    // The door swing starts at -90° (straight up from the hinge) and ends at 0°.
    const QPainterPath swing = glyph(StampType::accessDoor, c, r).stroke.at(2);
    expectNear(swing.elementAt(0), c + QPointF(-0.9, -0.9) * r, 1e-3);
    expectNear(swing.currentPosition(), c + QPointF(0.9, 0.9) * r, 1e-3);
}

TEST(StampGlyphs, ArrowTipIsAsLongAndWideAsNineTenthsOfItsSize) {
    const QPainterPath tip = arrowTip({0, 0}, {10, 5}, 10);
    expectNear(tip.elementAt(0), {10, 5});
    const QRectF box = arrowTip({0, 0}, {0, -30}, 10).boundingRect();
    EXPECT_NEAR(box.width(), 9, 1e-9);
    EXPECT_NEAR(box.height(), 9, 1e-9);
    EXPECT_NEAR(box.top(), -30, 1e-9);
    // Equal points give no direction: every corner collapses onto the tip.
    const QPainterPath flat = arrowTip({4, 4}, {4, 4}, 10);
    EXPECT_EQ(flat.boundingRect(), QRectF(4, 4, 0, 0));
    for (int e = 0; e < flat.elementCount(); ++e)
        expectNear(flat.elementAt(e), {4, 4});
}

TEST(StampGlyphs, TransistorsDifferOnlyInTheirArrowhead) {
    const StampGlyph npn = glyph(StampType::transistorNPN, {10, 10}, 12);
    const StampGlyph pnp = glyph(StampType::transistorPNP, {10, 10}, 12);
    EXPECT_EQ(npn.stroke, pnp.stroke);
    ASSERT_EQ(npn.fill.size(), 1);
    ASSERT_EQ(pnp.fill.size(), 1);
    EXPECT_NE(npn.fill.at(0), pnp.fill.at(0));
    // NPN points out along the emitter, PNP back towards the base.
    expectNear(npn.fill.at(0).elementAt(0), QPointF(10, 10) + QPointF(0.5, 0.8) * 12);
    expectNear(pnp.fill.at(0).elementAt(0), QPointF(10, 10) + QPointF(-0.05, 0.42) * 12);
}

// A label inside an outline must clear the stroke at every size a stamp is drawn at ("EPT" in its
// narrow frame touched the stroke at radius 24).
TEST(StampGlyphs, LabelsInsideAnOutlineClearItsStroke) {
    int framed = 0;
    for (StampType type : allCases<StampType>()) {
        SCOPED_TRACE(rawValue(type).toStdString());
        for (double r : {6.0, 12.0, 24.0, 40.0, 80.0}) {
            const StampGlyph g = glyph(type, QPointF(100, 100), r);
            if (!g.label || !g.labelFrame) continue;
            ++framed;
            const double px = EditorRenderer::fittedLabelSize(g);
            if (r >= 12) {
                EXPECT_GT(px, 0.5 * g.labelSize) << "radius " << r;
            }
            const QSizeF text = DrawingSurface::measureLine(
                *g.label, DrawingSurface::systemFont(px, DrawingSurface::FontWeight::bold));
            const QRectF inner =
                g.labelFrame->adjusted(g.lineWidth / 2, g.lineWidth / 2, -g.lineWidth / 2, -g.lineWidth / 2);
            EXPECT_LE(g.labelCenter.x() + text.width() / 2, inner.right()) << "radius " << r;
            EXPECT_GE(g.labelCenter.x() - text.width() / 2, inner.left()) << "radius " << r;
        }
    }
    EXPECT_GE(framed, 5 * 12);
}
