#include "editor/EditorModel.h"
#include "graphics/GaussianBlur.h"
#include "model/AnnotationGeometry.h"
#include "model/Palette.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>

using TestSupport::expectNear;
using TestSupport::solidImage;

namespace {

Annotation rectAt(QPointF center, QSizeF size) {
    Annotation a;
    a.tool = EditorTool::rect;
    a.points = {center - QPointF(size.width() / 2, size.height() / 2),
                center + QPointF(size.width() / 2, size.height() / 2)};
    return a;
}

void expectUntouched(const EditorModel& m, const QImage& base) {
    EXPECT_EQ(m.baseImage().cacheKey(), base.cacheKey());
    EXPECT_TRUE(m.undoStack().isEmpty());
    EXPECT_FALSE(m.isDirty());
}

} // namespace

TEST(EditorCanvas, CropWidensToWholePixelsAndMovesEverything) {
    QImage base = solidImage(1000, 800);
    base.setPixel(10, 20, qRgb(1, 2, 3));
    Annotation pic;
    pic.tool = EditorTool::image;
    pic.points = {{100, 100}, {200, 100}, {200, 200}};
    pic.imageFrame = QRectF(100, 100, 100, 100);
    EditorModel m(base, {rectAt({50, 50}, {10, 10}), pic});
    ASSERT_TRUE(m.applyCrop(QRectF(10.4, 20.6, 100.2, 50)));
    EXPECT_EQ(m.baseImage().size(), QSize(101, 51));
    EXPECT_EQ(m.baseImage().pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(m.annotations()[0].points[0], QPointF(35, 25));
    EXPECT_EQ(m.annotations()[1].imageFrame, QRectF(90, 80, 100, 100));
    EXPECT_EQ(m.undoStack().size(), 1);
    m.undo();
    EXPECT_EQ(m.baseImage().size(), QSize(1000, 800));
    EXPECT_EQ(m.annotations()[0].points[0], QPointF(45, 45));
}

TEST(EditorCanvas, RefusedCanvasOperationsLeaveTheModelUntouched) {
    const QImage base = solidImage(800, 600);
    EditorModel m(base, {rectAt({100, 100}, {20, 20})});
    EXPECT_FALSE(m.applyCrop(QRectF(10, 10, 3, 100)));
    EXPECT_FALSE(m.applyCrop(QRectF(900, 10, 50, 50)));
    EXPECT_FALSE(m.applyCrop(QRectF(std::nan(""), 0, 10, 10)));
    EXPECT_FALSE(m.rotateCanvas(0.00001));
    EXPECT_FALSE(m.rotateCanvas(std::nan("")));
    EXPECT_FALSE(m.expandCanvas(0, 0, 0, 0, std::nullopt));
    EXPECT_FALSE(m.expandCanvas(-3, -1, 0.4, -9, Palette::white()));
    EXPECT_FALSE(m.expandCanvas(0, 19300, 0, 0, std::nullopt)); // 20100 wide
    EditorModel wide(solidImage(19990, 1000));
    EXPECT_FALSE(wide.rotateCanvas(3)); // the straightened canvas would be 20015 wide
    expectUntouched(m, base);
    EXPECT_EQ(m.annotations()[0].points[0], QPointF(90, 90));
}

TEST(EditorCanvas, QuarterTurnSwapsSidesAndCarriesAnnotations) {
    QImage base = solidImage(800, 600);
    base.setPixel(0, 0, qRgb(255, 0, 0));
    Annotation arrow;
    arrow.tool = EditorTool::arrow;
    arrow.points = {{100, 100}, {200, 100}};
    EditorModel m(base, {rectAt({100, 100}, {40, 20}), arrow});
    ASSERT_TRUE(m.rotateCanvas(90));
    EXPECT_EQ(m.baseImage().size(), QSize(600, 800));
    EXPECT_EQ(m.baseImage().pixel(599, 0), qRgb(255, 0, 0)); // top-left went to top-right
    const Annotation& r = m.annotations()[0];
    expectNear(AnnotationGeometry::bounds(r).center(), QPointF(500, 100));
    EXPECT_NEAR(r.rotation, M_PI / 2, 1e-12);
    EXPECT_NEAR(AnnotationGeometry::bounds(r).width(), 40, 1e-9); // keeps its size, turns by rotation
    // A stroke carries the turn in its points: the horizontal arrow now points down.
    const Annotation& a = m.annotations()[1];
    EXPECT_DOUBLE_EQ(a.rotation, 0);
    expectNear(a.points[0], QPointF(500, 100));
    expectNear(a.points[1], QPointF(500, 200));
}

TEST(EditorCanvas, StraightenEnlargesWithTransparentCorners) {
    EditorModel m(solidImage(400, 300, Qt::blue));
    ASSERT_TRUE(m.rotateCanvas(2));
    const QImage& img = m.baseImage();
    const double t = 2 * M_PI / 180;
    EXPECT_EQ(img.width(), int(std::round(400 * std::cos(t) + 300 * std::sin(t))));
    EXPECT_EQ(img.height(), int(std::round(400 * std::sin(t) + 300 * std::cos(t))));
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(img.width() - 1, img.height() - 1)), 0);
    EXPECT_EQ(img.pixel(img.width() / 2, img.height() / 2), qRgb(0, 0, 255));
}

TEST(EditorCanvas, ExpandRoundsMarginsAndFillsTheBackground) {
    const QImage base = solidImage(50, 40, Qt::blue);
    Annotation dot;
    dot.tool = EditorTool::dot;
    dot.points = {{5, 5}};
    EditorModel m(base, {dot});
    ASSERT_TRUE(m.expandCanvas(10.4, -5, 0, 0.5, std::nullopt));
    EXPECT_EQ(m.baseImage().size(), QSize(51, 50));
    EXPECT_EQ(m.annotations()[0].points[0], QPointF(5, 15));
    EXPECT_EQ(qAlpha(m.baseImage().pixel(3, 3)), 0);
    EXPECT_EQ(qAlpha(m.baseImage().pixel(50, 20)), 0);
    EXPECT_EQ(m.baseImage().pixel(0, 10), qRgb(0, 0, 255));

    ASSERT_TRUE(m.expandCanvas(2, 2, 2, 2, Palette::black()));
    EXPECT_EQ(m.baseImage().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(m.baseImage().pixel(5, 5), qRgb(0, 0, 0)); // the picture is drawn over the background
    EXPECT_EQ(m.undoStack().size(), 2);
}

TEST(EditorCanvas, BlurIsCachedPerBaseImage) {
    EditorModel m(solidImage(300, 200, Qt::red));
    const QImage first = m.blurredImage();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), QSize(300, 200));
    EXPECT_EQ(m.blurredImage().cacheKey(), first.cacheKey()); // computed once
    ASSERT_TRUE(m.applyCrop(QRectF(0, 0, 100, 100)));
    const QImage afterCrop = m.blurredImage();
    EXPECT_EQ(afterCrop.size(), QSize(100, 100));
    m.undo();
    EXPECT_EQ(m.blurredImage().size(), QSize(300, 200)); // undo changed the base: recomputed
    EXPECT_DOUBLE_EQ(GaussianBlur::regionSigma(QSize(300, 200)), 8);
    EXPECT_DOUBLE_EQ(GaussianBlur::regionSigma(QSize(5120, 2880)), 51.2);
}

TEST(EditorCanvas, EveryCanvasOperationIsOneUndoStep) {
    QImage base = solidImage(300, 200, Qt::blue);
    base.setPixel(7, 9, qRgb(1, 2, 3));
    Annotation dot;
    dot.tool = EditorTool::dot;
    dot.points = {{40, 30}};
    const QList<Annotation> objects{rectAt({100, 100}, {40, 20}), dot};
    QImage replacement = solidImage(120, 80, Qt::green);
    const std::pair<const char*, std::function<bool(EditorModel&)>> operations[] = {
        {"crop", [](EditorModel& m) { return m.applyCrop(QRectF(10, 10, 200, 150)); }},
        {"quarter turn", [](EditorModel& m) { return m.rotateCanvas(90); }},
        {"straighten", [](EditorModel& m) { return m.rotateCanvas(-3); }},
        {"expand", [](EditorModel& m) { return m.expandCanvas(5, 6, 7, 8, Palette::white()); }},
        {"replace", [&](EditorModel& m) {
             m.replaceBaseImage(replacement);
             return true;
         }}};
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        EditorModel m(base, objects);
        ASSERT_TRUE(operation(m));
        const QImage changed = m.baseImage();
        const QList<Annotation> moved = m.annotations();
        EXPECT_NE(changed.size(), base.size());
        EXPECT_EQ(m.undoStack().size(), 1);
        EXPECT_TRUE(m.isDirty());
        m.undo();
        EXPECT_TRUE(m.undoStack().isEmpty());
        EXPECT_EQ(m.baseImage(), base);
        ASSERT_EQ(m.annotations().size(), objects.size());
        for (qsizetype i = 0; i < objects.size(); ++i) {
            EXPECT_EQ(m.annotations()[i].points, objects[i].points);
            EXPECT_EQ(m.annotations()[i].rotation, objects[i].rotation);
        }
        m.redo();
        EXPECT_EQ(m.baseImage(), changed);
        EXPECT_EQ(m.annotations()[0].points, moved[0].points);
    }
}
