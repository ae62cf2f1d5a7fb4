#include "render/EditorRenderer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

using TestSupport::annotation;

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
