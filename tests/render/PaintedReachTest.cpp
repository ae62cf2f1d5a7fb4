#include "render/EditorRenderer.h"

#include "graphics/DrawingSurface.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

// Ink of one annotation drawn alone on a transparent surface, in the scaled coordinates.
QRect inkOf(const Annotation& a, double scale, bool onScreen) {
    QImage surface = DrawingSurface::createSurface(900, 700);
    surface.fill(Qt::transparent);
    QImage blurred(400, 300, QImage::Format_RGB32);
    blurred.fill(Qt::darkGreen);
    EditorRenderer::Scene scene{blurred, {}, [blurred] { return blurred; }};
    {
        QPainter painter(&surface);
        painter.setRenderHint(QPainter::Antialiasing, true);
        EditorRenderer::draw(a, painter, scene, scale, onScreen);
    }
    QRect box;
    for (int y = 0; y < surface.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(surface.constScanLine(y));
        for (int x = 0; x < surface.width(); ++x)
            if (qAlpha(row[x]) > 0) box |= QRect(x, y, 1, 1);
    }
    return box;
}

QList<Annotation> everyKind() {
    using TestSupport::annotation;
    const QColor ink(20, 90, 200);
    QList<Annotation> list;
    list << annotation(EditorTool::pen, {{40, 40}, {90, 70}, {120, 50}}, ink, 12)
         << annotation(EditorTool::highlighter, {{40, 60}, {160, 60}}, ink, 14)
         << annotation(EditorTool::line, {{50, 50}, {150, 120}}, ink, 9)
         << annotation(EditorTool::arrow, {{60, 140}, {170, 60}}, ink, 8)
         << annotation(EditorTool::rect, {{50, 50}, {150, 110}}, ink, 10)
         << annotation(EditorTool::ellipse, {{60, 40}, {170, 120}}, ink, 7)
         << annotation(EditorTool::polygon, {{60, 60}, {150, 40}, {120, 130}}, ink, 11);
    Annotation dot = annotation(EditorTool::dot, {{100, 90}}, ink, 6);
    dot.text = QStringLiteral("128");
    Annotation outside = dot;
    outside.labelOutside = true;
    outside.text = QStringLiteral("WWWWWW");
    Annotation check = annotation(EditorTool::check, {{100, 90}}, ink, 2); // minimum radius
    check.text = QStringLiteral("✓");
    Annotation stamp = annotation(EditorTool::stamp, {{110, 100}}, ink, 5);
    stamp.stamp = StampType::cameraBox;
    stamp.showName = true;
    Annotation numbered = stamp;
    numbered.stamp = StampType::numberCircle;
    numbered.text = QStringLiteral("7");
    Annotation text = annotation(EditorTool::text, {{40, 50}}, ink, 4);
    text.text = QStringLiteral("Door 14\nreader on the left");
    text.fontSize = 22;
    Annotation blur = annotation(EditorTool::blur, {{60, 50}, {170, 130}}, ink, 4);
    Annotation picture = annotation(EditorTool::image, {{50, 50}, {150, 50}, {150, 120}, {50, 120}});
    picture.image = QImage(40, 30, QImage::Format_RGB32);
    picture.image.fill(Qt::magenta);
    picture.imageFrame = QRectF(50, 50, 100, 70);
    list << dot << outside << check << stamp << numbered << text << blur << picture;
    return list;
}

} // namespace

// The canvas repaints only where an object can paint: anything drawn outside its reach would be
// left behind as a stale trace when it moves.
TEST(PaintedReach, EveryKindPaintsInsideItsReachAtEveryScaleAndTurn) {
    for (const Annotation& base : everyKind()) {
        for (double rotation : {0.0, 0.7}) {
            for (double scale : {1.0, 2.0, 0.5}) {
                for (bool onScreen : {false, true}) {
                    Annotation a = base;
                    a.rotation = rotation;
                    const QRect ink = inkOf(a, scale, onScreen);
                    const QRectF reach = EditorRenderer::paintedReach(a, scale);
                    SCOPED_TRACE(QStringLiteral("%1 rotation %2 scale %3 screen %4")
                                     .arg(rawValue(a.tool))
                                     .arg(rotation)
                                     .arg(scale)
                                     .arg(onScreen)
                                     .toStdString());
                    ASSERT_FALSE(ink.isEmpty());
                    EXPECT_TRUE(reach.contains(QRectF(ink)))
                        << "ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height()
                        << " reach " << reach.x() << "," << reach.y() << " " << reach.width() << "x"
                        << reach.height();
                }
            }
        }
    }
}
