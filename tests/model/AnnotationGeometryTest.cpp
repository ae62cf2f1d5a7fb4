#include "model/AnnotationGeometry.h"
#include "graphics/DrawingSurface.h"

#include "TestSupport.h"
#include "model/Palette.h"

#include <gtest/gtest.h>

#include <QPainterPath>

#include <cmath>

using namespace AnnotationGeometry;
using TestSupport::annotation;
using TestSupport::expectNear;

namespace {

QPointF lastPathPoint(const QPainterPath& p) {
    const auto e = p.elementAt(p.elementCount() - 1);
    return QPointF(e.x, e.y);
}

} // namespace

TEST(AnnotationPaths, SmoothPathShapes) {
    EXPECT_TRUE(smoothPath({}).isEmpty());
    const QPainterPath one = smoothPath({QPointF(3, 4)});
    ASSERT_EQ(one.elementCount(), 2); // move + (near) zero-length line: a round cap shows a dot
    expectNear(lastPathPoint(one), QPointF(3, 4), 1e-2);

    const QPainterPath two = smoothPath({QPointF(0, 0), QPointF(10, 0)});
    ASSERT_EQ(two.elementCount(), 2);
    EXPECT_TRUE(two.elementAt(1).isLineTo());

    // Three points: straight run to the first midpoint, one curve bending at the middle point, and a
    // straight run ending exactly on the last input point.
    const QPainterPath three = smoothPath({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10)});
    ASSERT_EQ(three.elementCount(), 8); // move, two quadratic pieces (as cubics), line
    expectNear(QPointF(three.elementAt(3).x, three.elementAt(3).y), QPointF(5, 0), 1e-9);
    expectNear(QPointF(three.elementAt(6).x, three.elementAt(6).y), QPointF(10, 5), 1e-9);
    EXPECT_TRUE(three.elementAt(7).isLineTo());
    expectNear(lastPathPoint(three), QPointF(10, 10), 1e-9);
}

TEST(AnnotationPaths, ArrowShaftIsShortenedIntoTheHead) {
    Annotation a = annotation(EditorTool::arrow, {QPointF(0, 0), QPointF(100, 0)}, Palette::standardRed(), 2);
    a.headScale = 1; // L = 3 * 2 + 8 = 14
    expectNear(lastPathPoint(path(a, 1)), QPointF(100 - 10.5, 0), 1e-9);
    a.points = {QPointF(0, 0), QPointF(10, 0)};
    expectNear(lastPathPoint(path(a, 1)), QPointF(4, 0), 1e-9); // 0.6 * len wins on short shafts
    a.points = {QPointF(0, 0), QPointF(0.5, 0)};
    EXPECT_TRUE(path(a, 1).isEmpty());
    EXPECT_FALSE(arrowHead(a, 1).isEmpty()); // the points still differ

    // Scale multiplies the geometry, including the head length.
    a.points = {QPointF(0, 0), QPointF(100, 0)};
    expectNear(lastPathPoint(path(a, 2)), QPointF(200 - 21, 0), 1e-9);

    // Inner vertices are kept; only the last segment is shortened and sets the head direction.
    a.points = {QPointF(0, 0), QPointF(50, 50), QPointF(50, 150)};
    const QPainterPath shaft = path(a, 1);
    ASSERT_EQ(shaft.elementCount(), 3);
    expectNear(QPointF(shaft.elementAt(1).x, shaft.elementAt(1).y), QPointF(50, 50), 1e-9);
    expectNear(lastPathPoint(shaft), QPointF(50, 150 - 10.5), 1e-9);
    const QRectF head = arrowHead(a, 1).boundingRect();
    EXPECT_NEAR(head.bottom(), 150, 1e-9);
    EXPECT_NEAR(head.height(), 14 * std::cos(M_PI / 6), 1e-9);
    EXPECT_NEAR(head.width(), 14, 1e-9); // 60 degree apex: the base is as long as the sides
}

TEST(AnnotationPaths, ShapesStrokesAndBadgeRadius) {
    Annotation line = annotation(EditorTool::line, {QPointF(1, 1)}, Palette::standardRed(), 2);
    EXPECT_TRUE(path(line, 1).isEmpty());
    const QPainterPath tri =
        path(annotation(EditorTool::polygon, {{0, 0}, {10, 0}, {0, 10}}, Palette::standardRed(), 2), 1);
    ASSERT_EQ(tri.elementCount(), 4); // closed back to the first vertex
    EXPECT_EQ(QPointF(tri.elementAt(3).x, tri.elementAt(3).y), QPointF(0, 0));

    Annotation rect =
        annotation(EditorTool::rect, {QPointF(10, 20), QPointF(40, 60)}, Palette::standardRed(), 3);
    EXPECT_EQ(path(rect, 2).boundingRect(), QRectF(20, 40, 60, 80));
    EXPECT_DOUBLE_EQ(strokeStyle(rect, 2).lineWidth, 6);
    EXPECT_EQ(strokeStyle(rect, 1).lineCap, Qt::RoundCap);

    Annotation hl =
        annotation(EditorTool::highlighter, {QPointF(0, 0), QPointF(9, 9)}, Palette::standardRed(), 3);
    EXPECT_DOUBLE_EQ(strokeStyle(hl, 1).lineWidth, 12);
    EXPECT_EQ(strokeStyle(hl, 1).lineCap, Qt::FlatCap);
    EXPECT_EQ(strokeStyle(hl, 1).lineJoin, Qt::RoundJoin);

    Annotation badge = annotation(EditorTool::dot, {QPointF(0, 0)}, Palette::standardRed(), 1);
    EXPECT_DOUBLE_EQ(badgeRadius(badge), 6);
    badge.width = 3;
    EXPECT_DOUBLE_EQ(badgeRadius(badge), 12);
    badge.tool = EditorTool::stamp;
    badge.stamp = StampType::camera360;
    EXPECT_DOUBLE_EQ(badgeRadius(badge), 15.6);
    EXPECT_DOUBLE_EQ(drawnBadgeRadius(badge), 12);
    badge.stamp = StampType::numberCircle;
    EXPECT_DOUBLE_EQ(badgeRadius(badge), 12);
}

TEST(AnnotationGeometry, BoundsPerTool) {
    EXPECT_EQ(bounds(annotation(EditorTool::pen, {QPointF(5, 9), QPointF(-3, 2), QPointF(4, 12)},
                                Palette::standardRed(), 2)),
              QRectF(-3, 2, 8, 10));
    EXPECT_EQ(bounds(annotation(EditorTool::dot, {}, Palette::standardRed(), 1)), QRectF(-6, -6, 12, 12));
    EXPECT_EQ(
        bounds(annotation(EditorTool::blur, {QPointF(30, 30), QPointF(10, 0)}, Palette::standardRed(), 2)),
        QRectF(10, 0, 20, 30));
}

TEST(AnnotationGeometry, TextBoundsComeFromTheFontMetrics) {
    Annotation t = annotation(EditorTool::text, {QPointF(10, 20)}, Palette::standardRed(), 2);
    t.fontSize = 30;
    t.text = QStringLiteral("Door 1");
    const QFont font = DrawingSurface::systemFont(30, DrawingSurface::FontWeight::semibold);
    const QSizeF one = DrawingSurface::measureText(t.text, font);
    const QRectF b = bounds(t);
    EXPECT_EQ(b.topLeft(), QPointF(10, 20));
    EXPECT_DOUBLE_EQ(b.width(), std::ceil(one.width()) + 2);
    EXPECT_DOUBLE_EQ(b.height(), std::ceil(one.height()));
    EXPECT_GT(b.width(), 60); // six glyphs of a 30 px font are not a constant-sized box
    EXPECT_GT(b.height(), 30);

    // An explicit break makes a second line; a bigger font makes a bigger box.
    t.text = QStringLiteral("Door 1\nDoor 1");
    EXPECT_NEAR(bounds(t).height(), std::ceil(2 * one.height()), 2.0);
    EXPECT_DOUBLE_EQ(bounds(t).width(), b.width());
    t.fontSize = 60;
    EXPECT_GT(bounds(t).width(), 1.8 * b.width());

    t.text.clear();
    EXPECT_DOUBLE_EQ(bounds(t).width(), 2);
}

TEST(AnnotationGeometry, ObjectSpaceRotation) {
    Annotation r = annotation(EditorTool::rect, {QPointF(0, 0), QPointF(100, 50)}, Palette::standardRed(), 2);
    const QPointF c(50, 25);
    EXPECT_EQ(toObjectSpace(QPointF(7, 7), r), QPointF(7, 7));
    r.rotation = M_PI / 2;
    expectNear(toObjectSpace(c + QPointF(0, -10), r), c + QPointF(-10, 0), 1e-9);
    expectNear(fromObjectSpace(toObjectSpace(QPointF(80, 3), r), r), QPointF(80, 3), 1e-9);
    // A positive angle turns clockwise on screen: the right edge midpoint goes to the bottom.
    expectNear(fromObjectSpace(QPointF(100, 25), r), QPointF(50, 75), 1e-9);
}

TEST(AnnotationGeometry, AnchorsPerTool) {
    Annotation rect =
        annotation(EditorTool::rect, {QPointF(0, 0), QPointF(10, 20)}, Palette::standardRed(), 2);
    const QList<QPointF> ra = rawAnchorPoints(rect);
    ASSERT_EQ(ra.size(), 9);
    EXPECT_EQ(ra[2], QPointF(10, 20));
    EXPECT_EQ(ra[5], QPointF(10, 10));
    EXPECT_EQ(ra[8], QPointF(5, 10));
    EXPECT_EQ(rawAnchorPoints(annotation(EditorTool::ellipse, {QPointF(0, 0), QPointF(10, 20)},
                                         Palette::standardRed(), 2))
                  .size(),
              5);
    const QList<QPointF> badge =
        rawAnchorPoints(annotation(EditorTool::dot, {QPointF(100, 100)}, Palette::standardRed(), 1));
    EXPECT_EQ(badge, (QList<QPointF>{{100, 100}, {100, 94}, {106, 100}, {100, 106}, {94, 100}}));
    EXPECT_EQ(rawAnchorPoints(
                  annotation(EditorTool::polygon, {{0, 0}, {10, 0}, {10, 10}}, Palette::standardRed(), 2))
                  .last(),
              QPointF(5, 5));
    EXPECT_TRUE(rawAnchorPoints(annotation(EditorTool::crop, {{0, 0}, {10, 10}}, Palette::standardRed(), 2))
                    .isEmpty());
    EXPECT_TRUE(rawAnchorPoints(annotation(EditorTool::line, {}, Palette::standardRed(), 2)).isEmpty());
    Annotation text = annotation(EditorTool::text, {{0, 0}}, Palette::standardRed(), 2);
    text.text = QStringLiteral("x");
    EXPECT_EQ(rawAnchorPoints(text).size(), 8);
}

TEST(AnnotationGeometry, DistanceAndPolygonContainment) {
    EXPECT_TRUE(std::isinf(distance(QPointF(1, 1), {})));
    EXPECT_DOUBLE_EQ(distance(QPointF(3, 4), {QPointF(0, 0)}), 5);
    EXPECT_DOUBLE_EQ(distance(QPointF(5, 3), {QPointF(0, 0), QPointF(10, 0)}), 3);
    EXPECT_DOUBLE_EQ(distance(QPointF(13, 4), {QPointF(0, 0), QPointF(10, 0)}), 5); // clamped to the end

    EXPECT_FALSE(polygonContains({QPointF(0, 0), QPointF(10, 10)}, QPointF(5, 5)));
    const QList<QPointF> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(polygonContains(square, QPointF(5, 5)));
    EXPECT_FALSE(polygonContains(square, QPointF(15, 5)));
    EXPECT_EQ(closedPoints(annotation(EditorTool::polygon, square, Palette::standardRed(), 2)).size(), 5);
    EXPECT_TRUE(closedPoints(annotation(EditorTool::polygon, {}, Palette::standardRed(), 2)).isEmpty());
}

TEST(AnnotationGeometry, HitTolerancesPerTool) {
    const double t = 6;
    Annotation line =
        annotation(EditorTool::line, {QPointF(0, 0), QPointF(100, 0)}, Palette::standardRed(), 4);
    EXPECT_TRUE(hitTest(line, QPointF(50, 8), t)); // 6 + 4/2
    EXPECT_FALSE(hitTest(line, QPointF(50, 8.01), t));
    line.tool = EditorTool::highlighter;
    EXPECT_TRUE(hitTest(line, QPointF(50, 14), t)); // 6 + 2*4
    EXPECT_FALSE(hitTest(line, QPointF(50, 14.5), t));
    EXPECT_FALSE(hitTest(annotation(EditorTool::pen, {}, Palette::standardRed(), 2), QPointF(0, 0), 1e9));

    Annotation rect =
        annotation(EditorTool::rect, {QPointF(0, 0), QPointF(100, 100)}, Palette::standardRed(), 4);
    EXPECT_FALSE(hitTest(rect, QPointF(50, 50), t));
    EXPECT_TRUE(hitTest(rect, QPointF(50, 92), t)); // 6 + 4/2 inside the bottom edge
    EXPECT_FALSE(hitTest(rect, QPointF(50, 91.9), t));
    EXPECT_TRUE(hitTest(rect, QPointF(108, 50), t)); // and outside the right one
    EXPECT_FALSE(hitTest(rect, QPointF(108.1, 50), t));
    EXPECT_FALSE(hitTest(rect, QPointF(-5.7, -5.7), t)); // 8.06 from the corner
    rect.filled = true;
    EXPECT_TRUE(hitTest(rect, QPointF(50, 50), t));
    EXPECT_TRUE(hitTest(rect, QPointF(-6, 50), t));
    rect.width = 0; // only the fill's own reach is left
    EXPECT_FALSE(hitTest(rect, QPointF(-6.1, 50), t));

    Annotation blur =
        annotation(EditorTool::blur, {QPointF(0, 0), QPointF(100, 100)}, Palette::standardRed(), 2);
    EXPECT_TRUE(hitTest(blur, QPointF(-6, -6), t));   // minimum edges inside
    EXPECT_FALSE(hitTest(blur, QPointF(106, 50), t)); // maximum edges outside
    EXPECT_TRUE(hitTest(blur, QPointF(105.99, 50), t));

    Annotation ellipse =
        annotation(EditorTool::ellipse, {QPointF(0, 0), QPointF(200, 100)}, Palette::standardRed(), 2);
    EXPECT_TRUE(hitTest(ellipse, QPointF(100, 3), t));
    EXPECT_FALSE(hitTest(ellipse, QPointF(100, 50), t));
    // Across the short axis the band is 6 + 2/2 on each side of the outline.
    EXPECT_TRUE(hitTest(ellipse, QPointF(100, 6.9), t));
    EXPECT_FALSE(hitTest(ellipse, QPointF(100, 7.1), t));
    EXPECT_TRUE(hitTest(ellipse, QPointF(100, -6.9), t));
    EXPECT_FALSE(hitTest(ellipse, QPointF(100, -7.1), t));
    // Across the long one it is wider by the ratio of the axes: 14.
    EXPECT_TRUE(hitTest(ellipse, QPointF(-13.8, 50), t));
    EXPECT_FALSE(hitTest(ellipse, QPointF(-14.2, 50), t));
    ellipse.filled = true;
    EXPECT_TRUE(hitTest(ellipse, QPointF(100, 50), t));
    EXPECT_FALSE(
        hitTest(annotation(EditorTool::ellipse, {QPointF(0, 0), QPointF(1, 100)}, Palette::standardRed(), 2),
                QPointF(0.5, 50), 10));

    Annotation image =
        annotation(EditorTool::image, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, Palette::standardRed(), 50);
    EXPECT_TRUE(hitTest(image, QPointF(50, 50), t)); // inside, filled or not
    EXPECT_TRUE(hitTest(image, QPointF(106, 50), t));
    EXPECT_FALSE(hitTest(image, QPointF(107, 50), t)); // no stroke allowance

    Annotation dot = annotation(EditorTool::dot, {QPointF(10, 10)}, Palette::standardRed(), 2); // radius 8
    EXPECT_TRUE(hitTest(dot, QPointF(10, 24), t));
    EXPECT_FALSE(hitTest(dot, QPointF(10, 24.5), t));
    EXPECT_FALSE(hitTest(annotation(EditorTool::crop, {{0, 0}, {10, 10}}, Palette::standardRed(), 2),
                         QPointF(5, 5), t));
}

TEST(AnnotationGeometry, HitTestOfARotatedObjectUsesObjectSpace) {
    Annotation rect =
        annotation(EditorTool::rect, {QPointF(0, 40), QPointF(100, 60)}, Palette::standardRed(), 2);
    rect.filled = true;
    EXPECT_FALSE(hitTest(rect, QPointF(50, 5), 1));
    rect.rotation = M_PI / 2; // now a tall bar through (50, 50)
    EXPECT_TRUE(hitTest(rect, QPointF(50, 5), 1));
    EXPECT_FALSE(hitTest(rect, QPointF(5, 50), 1));
}

TEST(AnnotationGeometry, NearestSegmentPoint) {
    EXPECT_FALSE(nearestSegmentPoint(annotation(EditorTool::line, {{0, 0}}, Palette::standardRed(), 2),
                                     QPointF(1, 1)));
    auto line = nearestSegmentPoint(
        annotation(EditorTool::line, {{0, 0}, {10, 0}}, Palette::standardRed(), 2), QPointF(4, 3));
    ASSERT_TRUE(line);
    EXPECT_EQ(line->segmentIndex, 0);
    EXPECT_EQ(line->point, QPointF(4, 0));
    EXPECT_DOUBLE_EQ(line->distance, 3);

    // The closing edge of a triangle is segment 2.
    auto tri = nearestSegmentPoint(
        annotation(EditorTool::polygon, {{0, 0}, {10, 0}, {0, 10}}, Palette::standardRed(), 2),
        QPointF(-1, 5));
    ASSERT_TRUE(tri);
    EXPECT_EQ(tri->segmentIndex, 2);
    // Equal distances: the earlier segment wins.
    auto corner = nearestSegmentPoint(
        annotation(EditorTool::line, {{0, 0}, {10, 0}, {10, 10}}, Palette::standardRed(), 2),
        QPointF(11, -1));
    ASSERT_TRUE(corner);
    EXPECT_EQ(corner->segmentIndex, 0);
}

TEST(ResizeHandle, NeverFlipsAndKeepsTheOppositeEdge) {
    const QRectF r(0, 0, 100, 50);
    EXPECT_EQ(ResizeHandles::resize(ResizeHandle::left, r, QPointF(150, 0), 8), QRectF(92, 0, 8, 50));
    EXPECT_EQ(ResizeHandles::resize(ResizeHandle::bottom, r, QPointF(0, -80), 8), QRectF(0, 0, 100, 8));
    EXPECT_EQ(ResizeHandles::resize(ResizeHandle::top, r, QPointF(30, 0), 8), r);
    EXPECT_EQ(ResizeHandles::resize(ResizeHandle::topLeft, r, QPointF(-10, -5), 8), QRectF(-10, -5, 110, 55));
    EXPECT_EQ(ResizeHandles::resize(ResizeHandle::topRight, r, QPointF(-200, 100), 8), QRectF(0, 42, 8, 8));
    EXPECT_EQ(ResizeHandles::resize(ResizeHandle::bottomRight, r, QPointF(5, 5), 8), QRectF(0, 0, 105, 55));
}
