#include "render/EditorRenderer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>

namespace {

using TestSupport::annotation;
using TestSupport::solidImage;

// A stroke the editor could never make: thousands of points wandering at the widest width, each
// join a disc to rasterise.
Annotation hostileStroke(QPointF start, int points) {
    QRandomGenerator rng(5);
    Annotation a = annotation(EditorTool::pen, {start}, Qt::red, 200);
    for (int i = 1; i < points; ++i)
        a.points.append(a.points.last() + QPointF(rng.bounded(8.0) - 4, rng.bounded(8.0) - 4));
    return a;
}

} // namespace

TEST(DrawingBudget, AHeavyRealDocumentIsDrawnWhole) {
    // A 5K capture marked up by hand, generously: full-screen blur regions, wide highlighter
    // sweeps, filled boxes, dozens of stamps and texts.
    const QSizeF canvas(5120, 2880);
    QList<Annotation> list;
    for (int i = 0; i < 20; ++i) {
        Annotation blur = annotation(EditorTool::blur, {{200.0 * i, 100.0 * i}, {200.0 * i + 1200, 100.0 * i + 600}});
        blur.rotation = i % 2 ? 0.2 : 0;
        list << blur;
    }
    // Slow drags with wide strokes: thousands of points along a wavy path.
    for (int i = 0; i < 40; ++i) {
        Annotation wide = annotation(i < 6 ? EditorTool::pen : EditorTool::highlighter, {}, Qt::yellow,
                                     i < 6 ? 200 : 40);
        for (int k = 0; k < 1500; ++k)
            wide.points.append(QPointF(100 + 2 * k, 60 + 70 * i + 30 * std::sin(k / 40.0)));
        list << wide;
    }
    for (int i = 0; i < 3; ++i) {
        Annotation sweep = annotation(EditorTool::highlighter, {}, Qt::yellow, 200);
        for (int k = 0; k < 120; ++k)
            sweep.points.append(QPointF(40 * k, 400 + 500 * i + (k % 2) * 6));
        list << sweep;
    }
    for (int i = 0; i < 10; ++i) {
        Annotation box = annotation(EditorTool::rect, {{0, 0}, {2560, 2880}});
        box.filled = true;
        list << box;
    }
    for (int i = 0; i < 250; ++i) {
        Annotation stroke = annotation(EditorTool::pen, {}, Qt::red, 20);
        for (int k = 0; k < 100; ++k)
            stroke.points.append(QPointF(10 * i + 8 * k, 20 * k));
        list << stroke;
        Annotation stamp = annotation(EditorTool::stamp, {{20.0 * i, 1400}}, Qt::blue, 30);
        stamp.stamp = StampType::cameraBox;
        stamp.showName = true;
        Annotation text = annotation(EditorTool::text, {{20.0 * i, 200}}, Qt::black);
        text.text = QStringLiteral("Reader 14, left of the door\nwired to panel B");
        text.fontSize = 40;
        list << stamp << text;
    }
    EXPECT_TRUE(EditorRenderer::beyondDrawingBudget(list, canvas).isEmpty());
}

TEST(DrawingBudget, WhatWouldTakeTooLongIsLeftOutAndCounted) {
    QImage base(400, 300, QImage::Format_RGB32);
    base.fill(Qt::white);
    const EditorModel model(base);
    const Annotation hostile = hostileStroke({100, 150}, 8000);
    const Annotation ordinary = annotation(EditorTool::rect, {{250, 50}, {350, 250}}, Qt::blue, 6);
    EXPECT_GT(EditorRenderer::drawingCost(hostile, QSizeF(base.size())), EditorRenderer::kDrawingBudget);

    int leftOut = -1;
    const QImage out = EditorRenderer::compose(TestSupport::scene(model, {hostile, ordinary}), &leftOut);
    EXPECT_EQ(leftOut, 1);
    EXPECT_EQ(out.pixel(100, 150), qRgb(255, 255, 255)); // the hostile stroke is not drawn
    EXPECT_EQ(out.pixel(250, 150), qRgb(0, 0, 255));     // what follows it still is

    // Scale plays no part: the canvas at any zoom leaves out the same objects as the export.
    EXPECT_EQ(EditorRenderer::beyondDrawingBudget({ordinary, hostile, ordinary}, QSizeF(base.size())),
              QSet<QUuid>{hostile.id});

    // A redaction past the budget is drawn all the same: left out, it would show what it hides.
    // (A stroke that spends all but a sliver of the budget comes first.)
    const Annotation redaction = annotation(EditorTool::redact, {{0, 0}, {400, 300}}, Qt::black, 1);
    const QSizeF canvas(base.size());
    const double sliver = EditorRenderer::drawingCost(redaction, canvas);
    int low = 1, high = 8000;
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (EditorRenderer::drawingCost(hostileStroke({100, 150}, mid), canvas) <= EditorRenderer::kDrawingBudget ? low : high) = mid;
    }
    const Annotation heavy = hostileStroke({100, 150}, low);
    ASSERT_GT(EditorRenderer::drawingCost(heavy, canvas) + sliver, EditorRenderer::kDrawingBudget);
    ASSERT_TRUE(EditorRenderer::beyondDrawingBudget({heavy}, canvas).isEmpty());
    EXPECT_TRUE(EditorRenderer::beyondDrawingBudget({heavy, redaction}, canvas).isEmpty());
}

// Every drawn point of a stroke costs its join and outline whatever the width: a stroke of a
// million points wandering over a 5K picture took 9 s to draw and was not left out. A long but
// ordinary stroke still is drawn.
TEST(DrawingBudget, AMillionPointStrokeIsLeftOut) {
    const QSizeF canvas(5120, 2880);
    auto wandering = [&](int points) {
        QRandomGenerator rng(9);
        Annotation a = annotation(EditorTool::pen, {}, Qt::red, 8);
        a.points.reserve(points);
        QPointF p(2560, 1440);
        for (int i = 0; i < points; ++i) {
            p += QPointF(rng.bounded(2.0) - 1, rng.bounded(2.0) - 1);
            a.points.append(p);
        }
        return a;
    };
    EXPECT_GT(EditorRenderer::drawingCost(wandering(1'000'000), canvas), EditorRenderer::kDrawingBudget);
    EXPECT_LT(EditorRenderer::drawingCost(wandering(20'000), canvas), EditorRenderer::kDrawingBudget / 10);
}

TEST(DrawingBudget, CostsFollowTheWorkNotTheData) {
    const QSizeF canvas(4000, 3000);
    // Points closer than a quarter pixel are not drawn, so they cost nothing.
    Annotation dense = annotation(EditorTool::pen, {}, Qt::red, 8);
    for (int i = 0; i < 100000; ++i)
        dense.points.append(QPointF(500 + (i % 7) * 0.01, 400));
    EXPECT_LT(EditorRenderer::drawingCost(dense, canvas), 1e4);
    // A fill far outside the picture touches none of it.
    Annotation outside = annotation(EditorTool::rect, {{5000, 5000}, {90000, 90000}});
    outside.filled = true;
    Annotation inside = outside;
    inside.points = {{0, 0}, {4000, 3000}};
    EXPECT_LT(EditorRenderer::drawingCost(outside, canvas), EditorRenderer::drawingCost(inside, canvas) / 20);
    // An upright blur region copies its piece; a turned one is drawn through a clip.
    Annotation blur = annotation(EditorTool::blur, {{0, 0}, {2000, 2000}});
    Annotation turned = blur;
    turned.rotation = 0.3;
    EXPECT_GT(EditorRenderer::drawingCost(turned, canvas), 5 * EditorRenderer::drawingCost(blur, canvas));
    // A long slanted stroke costs the rasteriser far more than a level one of the same length.
    const Annotation level = annotation(EditorTool::line, {{0, 1500}, {4000, 1500}}, Qt::red, 20);
    const Annotation slanted = annotation(EditorTool::line, {{0, 0}, {3200, 2400}}, Qt::red, 20);
    EXPECT_GT(EditorRenderer::drawingCost(slanted, canvas), 5 * EditorRenderer::drawingCost(level, canvas));
}

// An outline that crosses each row many times is filled through a mask: the same ink as the
// painter's own antialiased fill, within a few levels at the edges.
TEST(DrawingBudget, TangledFillsLookLikeThePaintersOwn) {
    QRandomGenerator rng(8);
    Annotation zigzag = annotation(EditorTool::polygon, {}, Qt::blue, 2);
    zigzag.filled = true;
    for (int i = 0; i < 60; ++i)
        zigzag.points.append(QPointF(10 + rng.bounded(380.0), i % 2 ? 10 + rng.bounded(40.0) : 250 + rng.bounded(40.0)));
    const QImage base = solidImage(400, 300);
    const EditorModel model(base);
    const QImage masked = EditorRenderer::compose(TestSupport::scene(model, {zigzag}));
    QImage reference = base.copy();
    {
        QPainter p(&reference);
        p.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath path;
        path.addPolygon(QPolygonF(zigzag.points));
        path.closeSubpath();
        path.setFillRule(Qt::WindingFill);
        p.fillPath(path, Qt::blue);
    }
    const QRect inked = TestSupport::inkBounds(masked, qRgb(255, 255, 255), 60);
    const QRect expected = TestSupport::inkBounds(reference, qRgb(255, 255, 255), 60);
    EXPECT_LE((inked.topLeft() - expected.topLeft()).manhattanLength(), 2);
    EXPECT_LE((inked.bottomRight() - expected.bottomRight()).manhattanLength(), 2);
    // Inside and outside agree; only edges, slivers thinner than a pixel among them, differ.
    double total = 0;
    for (int y = 0; y < base.height(); ++y)
        for (int x = 0; x < base.width(); ++x)
            total += std::abs(qRed(masked.pixel(x, y)) - qRed(reference.pixel(x, y)));
    EXPECT_LT(total / (base.width() * base.height()), 4.0);
}

TEST(DrawingBudget, TangledOutlinesCostTheirRows) {
    const QSizeF canvas(5120, 2880);
    QRandomGenerator rng(2);
    Annotation tangled = annotation(EditorTool::polygon, {}, Qt::blue, 1);
    tangled.filled = true;
    for (int i = 0; i < 2000; ++i)
        tangled.points.append(QPointF(rng.bounded(5120.0), rng.bounded(2880.0)));
    EXPECT_GT(EditorRenderer::drawingCost(tangled, canvas), EditorRenderer::kDrawingBudget);
    Annotation picture = tangled;
    picture.tool = EditorTool::image;
    picture.filled = false;
    picture.image = solidImage(10, 10);
    picture.imageFrame = QRectF(0, 0, 5120, 2880);
    EXPECT_GT(EditorRenderer::drawingCost(picture, canvas), EditorRenderer::kDrawingBudget);
    // A hand-made polygon of a dozen corners costs next to nothing.
    tangled.points = tangled.points.mid(0, 12);
    EXPECT_LT(EditorRenderer::drawingCost(tangled, canvas), EditorRenderer::kDrawingBudget / 20);
}
