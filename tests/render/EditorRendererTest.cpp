#include "render/EditorRenderer.h"
#include "editor/EditorModel.h"
#include "model/AnnotationGeometry.h"
#include "model/Palette.h"
#include "graphics/DrawingSurface.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QPaintEngine>
#include <QPainter>

using TestSupport::inkBounds;
using TestSupport::solidImage;

namespace {

QImage compose(const QImage& base, const QList<Annotation>& list) {
    EditorModel model(base);
    return EditorRenderer::compose(TestSupport::scene(model, list));
}

} // namespace

TEST(EditorRenderer, EmptyListCopiesTheBaseAtItsSize) {
    QImage base = solidImage(31, 17, Qt::green);
    const QImage out = compose(base, {});
    EXPECT_EQ(out.size(), QSize(31, 17));
    EXPECT_EQ(out.format(), QImage::Format_RGB32);
    EXPECT_EQ(out.pixel(30, 16), base.pixel(30, 16));
    EXPECT_NE(out.constBits(), base.constBits());
}

TEST(EditorRenderer, ShapesFillOrStrokeWithRoundCaps) {
    Annotation filled = TestSupport::annotation(EditorTool::rect, {{20, 20}, {80, 60}});
    filled.filled = true;
    const Annotation outlined =
        TestSupport::annotation(EditorTool::ellipse, {{100, 20}, {180, 100}}, Qt::red, 6);
    const Annotation dotStroke = TestSupport::annotation(EditorTool::pen, {{40, 120}}, Qt::black, 10);
    const QImage out = compose(solidImage(200, 150), {filled, outlined, dotStroke});
    EXPECT_EQ(out.pixel(50, 40), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(81, 40), qRgb(255, 255, 255));  // no outline around a filled shape
    EXPECT_EQ(out.pixel(140, 60), qRgb(255, 255, 255)); // an outlined ellipse is hollow
    EXPECT_EQ(out.pixel(101, 60), qRgb(255, 0, 0));     // on its stroke
    // A one-point pen stroke is a dot as wide as the stroke.
    const QRect dot = inkBounds(out.copy(20, 100, 40, 40), qRgb(255, 255, 255), 40);
    EXPECT_NEAR(dot.width(), 10, 1);
    EXPECT_NEAR(dot.height(), 10, 1);
}

TEST(EditorRenderer, ArrowHeadIsFilledAtTheTip) {
    Annotation arrow = TestSupport::annotation(EditorTool::arrow, {{20, 75}, {180, 75}}, Qt::black, 4);
    arrow.headScale = 1; // head length 20
    const QImage out = compose(solidImage(200, 150), {arrow});
    EXPECT_EQ(out.pixel(170, 75), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(168, 80), qRgb(0, 0, 0));       // inside the head, wider than the shaft
    EXPECT_EQ(out.pixel(100, 80), qRgb(255, 255, 255)); // the shaft is only 4 wide
    EXPECT_EQ(out.pixel(183, 75), qRgb(255, 255, 255)); // nothing past the tip
}

TEST(EditorRenderer, HighlighterMultipliesAtHalfStrength) {
    const QColor red = Palette::standardRed(); // FF3B30
    const Annotation a = TestSupport::annotation(EditorTool::highlighter, {{20, 50}, {180, 50}}, red, 5);
    const Annotation b = TestSupport::annotation(EditorTool::highlighter, {{100, 10}, {100, 140}}, red, 5);
    const QImage out = compose(solidImage(200, 150), {a, b});
    const QRgb single = out.pixel(40, 50);
    EXPECT_NEAR(qRed(single), 255, 1);
    EXPECT_NEAR(qGreen(single), 0x3B / 2 + 128, 2);
    EXPECT_NEAR(qBlue(single), 0x30 / 2 + 128, 2);
    const QRgb overlap = out.pixel(100, 50);
    EXPECT_LT(qGreen(overlap), qGreen(single) - 30);   // darker where two strokes cross
    EXPECT_EQ(out.pixel(40, 38), qRgb(255, 255, 255)); // 4 * 5 = 20 wide, butt caps
    EXPECT_NE(out.pixel(40, 58), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(17, 50), qRgb(255, 255, 255));

    // Over dark pixels a multiplied stroke leaves them dark; one laid on top would redden them.
    QImage striped = solidImage(200, 150);
    QPainter(&striped).fillRect(60, 0, 20, 150, Qt::black);
    const QImage marked = compose(striped, {a});
    EXPECT_EQ(marked.pixel(70, 50), qRgb(0, 0, 0));
    EXPECT_EQ(marked.pixel(40, 50), single);
}

TEST(EditorRenderer, BadgesCentreTheirLabels) {
    Annotation solid =
        TestSupport::annotation(EditorTool::dot, {{60, 70}}, QColor(0, 0, 160), 8); // radius 32
    solid.text = QStringLiteral("8");
    const QImage out = compose(solidImage(200, 150), {solid});
    EXPECT_EQ(out.pixel(60 + 28, 70), qRgb(0, 0, 160)); // disc
    // White label pixels inside the disc, centred on it.
    QRect label;
    for (int y = 40; y < 100; ++y)
        for (int x = 30; x < 90; ++x)
            if (qRed(out.pixel(x, y)) > 200) label |= QRect(x, y, 1, 1);
    ASSERT_FALSE(label.isEmpty());
    EXPECT_NEAR(label.center().x(), 60, 2.5);
    EXPECT_NEAR(label.center().y(), 70, 5); // glyph ink sits within its line box

    Annotation outside = solid;
    outside.labelOutside = true;
    outside.hollow = true;
    const QImage o2 = compose(solidImage(200, 150), {outside});
    EXPECT_EQ(o2.pixel(60, 70), qRgb(255, 255, 255)); // a hollow ring
    const QRect ink = inkBounds(o2, qRgb(255, 255, 255), 40);
    EXPECT_LT(ink.top(), 70 - 32 - 3); // the label sits above the disc

    Annotation empty = solid;
    empty.text.clear();
    EXPECT_EQ(compose(solidImage(200, 150), {empty}).pixel(60, 70), qRgb(255, 255, 255));
}

TEST(EditorRenderer, TextStaysInsideItsMeasuredBounds) {
    Annotation t = TestSupport::annotation(EditorTool::text, {{15, 20}}, Qt::black);
    t.text = QStringLiteral("Panel B\nZone 4");
    t.fontSize = 22;
    const QImage out = compose(solidImage(200, 150), {t});
    const QRect ink = inkBounds(out, qRgb(255, 255, 255), 40);
    const QRectF bounds = AnnotationGeometry::bounds(t);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(bounds.contains(QRectF(ink)))
        << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    EXPECT_GT(ink.height(), 22); // two lines
}

TEST(EditorRenderer, BlurShowsTheBlurredBaseOnlyInsideItsRect) {
    QImage base = solidImage(200, 150);
    {
        QPainter p(&base);
        for (int x = 0; x < 200; x += 4)
            p.fillRect(x, 0, 2, 150, Qt::black);
    }
    EditorModel model(base);
    const Annotation blur = TestSupport::annotation(EditorTool::blur, {{50, 40}, {150, 110}});
    const QImage out = EditorRenderer::compose(TestSupport::scene(model, {blur}));
    const QImage blurred = model.blurredImage();
    EXPECT_EQ(out.pixel(100, 75), blurred.pixel(100, 75));
    EXPECT_EQ(out.pixel(48, 75), base.pixel(48, 75));
    EXPECT_EQ(out.pixel(100, 111), base.pixel(100, 111));
    EXPECT_NEAR(qRed(out.pixel(100, 75)), 128, 20); // stripes averaged to grey

    Annotation thin = blur;
    thin.points = {{50, 40}, {50.5, 110}};
    const QImage unchanged = EditorRenderer::compose(TestSupport::scene(model, {thin}));
    EXPECT_EQ(unchanged.pixel(50, 75), base.pixel(50, 75));
}

TEST(EditorRenderer, PicturesAreClippedToTheirOutline) {
    QImage picture(50, 50, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    Annotation pic = TestSupport::annotation(EditorTool::image, {{20, 20}, {120, 20}, {20, 120}});
    pic.image = picture;
    pic.imageFrame = QRectF(20, 20, 100, 100);
    const QImage out = compose(solidImage(200, 150), {pic});
    EXPECT_EQ(out.pixel(40, 40), qRgb(255, 0, 255));
    EXPECT_EQ(out.pixel(100, 100), qRgb(255, 255, 255)); // inside the frame, outside the triangle
    pic.points.removeLast();
    EXPECT_EQ(compose(solidImage(200, 150), {pic}).pixel(40, 22),
              qRgb(255, 255, 255)); // two points draw nothing
}

TEST(EditorRenderer, RotationTurnsAboutTheCentreOfTheBounds) {
    Annotation bar = TestSupport::annotation(EditorTool::rect, {{20, 70}, {180, 80}}, Qt::black);
    bar.filled = true;
    bar.rotation = M_PI / 2;
    const QImage out = compose(solidImage(200, 200), {bar});
    EXPECT_EQ(out.pixel(100, 30), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(30, 75), qRgb(255, 255, 255));
}

TEST(EditorRenderer, RotationTurnsAboutTheScaledCentreAtEveryZoom) {
    Annotation bar = TestSupport::annotation(EditorTool::rect, {{20, 70}, {180, 80}}, Qt::black);
    bar.filled = true;
    bar.rotation = M_PI / 2; // upright about (100, 75), which lies at (200, 150) at scale 2
    const EditorModel model(solidImage(200, 200));
    QImage out = solidImage(400, 400);
    {
        QPainter painter(&out);
        EditorRenderer::draw(bar, painter, model.scene(false), 2.0, true);
    }
    for (int y : {0, 150, 300}) // x 190 to 210, y -10 to 310
        EXPECT_EQ(out.pixel(200, y), qRgb(0, 0, 0)) << y;
    EXPECT_EQ(out.pixel(200, 320), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(180, 150), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(220, 150), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(60, 150), qRgb(255, 255, 255)); // where the unturned bar would lie
}

TEST(EditorRenderer, TransparentAreasStayTransparent) {
    QImage base = DrawingSurface::createSurface(100, 100);
    QPainter(&base).fillRect(20, 20, 60, 60, Qt::white);
    Annotation line = TestSupport::annotation(EditorTool::line, {{30, 50}, {70, 50}});
    const QImage out = compose(base, {line});
    EXPECT_EQ(out.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(qAlpha(out.pixel(5, 5)), 0);
    EXPECT_EQ(out.pixel(50, 50), qRgb(0, 0, 255));
}

namespace {

namespace Geo = AnnotationGeometry;

// A device that keeps every path the painter hands to its engine, in the painter's user units.
class PathRecorder : public QPaintDevice {
public:
    QList<QPainterPath> paths() const { return m_engine.paths; }
    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 400;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    struct Engine : QPaintEngine {
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        QList<QPainterPath> paths;
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPath(const QPainterPath& path) override { paths.append(path); }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        Type type() const override { return User; }
    };
    mutable Engine m_engine;
};

// Elements of the path the renderer strokes for `a` at `scale`, under a painter zoom of `zoom`.
int drawnElements(const Annotation& a, double scale, double zoom = 1) {
    PathRecorder device;
    EditorModel model(solidImage(10, 10));
    {
        QPainter painter(&device);
        painter.scale(zoom, zoom);
        EditorRenderer::draw(a, painter, model.scene(false), scale);
    }
    int elements = 0;
    for (const QPainterPath& path : device.paths())
        elements += int(path.elementCount());
    return elements;
}

// The stored points of a freehand stroke taken far more often than the pixels change: a circle of
// radius 50 about (100, 75) sampled every 0.01 pixel.
QList<QPointF> denseCircle() {
    QList<QPointF> points;
    const int n = int(2 * M_PI * 50 / 0.01);
    for (int i = 0; i <= n; ++i) {
        const double t = 2 * M_PI * i / n;
        points.append(QPointF(100 + 50 * std::cos(t), 75 + 50 * std::sin(t) * 0.8));
    }
    return points;
}

// The same annotation drawn from every stored point, as it was drawn before points were left out.
QImage unthinned(const Annotation& a, const QImage& base, double scale) {
    QImage out = base.copy();
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const Geo::StrokeStyle style = Geo::strokeStyle(a, scale);
    QColor color = a.color;
    if (a.tool == EditorTool::highlighter) {
        color.setAlphaF(0.5f);
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    }
    painter.strokePath(Geo::path(a, scale), QPen(color, style.lineWidth, Qt::SolidLine, style.lineCap, Qt::RoundJoin));
    return out;
}

int largestDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))});
        }
    return most;
}

} // namespace

// Points closer than a fraction of a device pixel are left out of what is drawn, at any view
// scale: fewer elements reach the paint engine, the pixels stay those of the whole stroke, and
// the stored points and everything measured from them stay as they were.
TEST(EditorRenderer, DenseStrokesDrawFewerPointsAndLookTheSame) {
    const QList<QPointF> dense = denseCircle();
    for (EditorTool tool : {EditorTool::pen, EditorTool::highlighter, EditorTool::polygon, EditorTool::line}) {
        SCOPED_TRACE(rawValue(tool).toStdString());
        const Annotation a = TestSupport::annotation(tool, dense, QColor(20, 40, 200), 3);
        const int stored = int(Geo::path(a, 1).elementCount());
        const int atOne = drawnElements(a, 1);
        EXPECT_GT(atOne, 100);
        EXPECT_LT(atOne, stored / 10);
        // Zoomed in, by the view scale or by the painter, more of the points matter.
        // (A highlighter that long is laid on from a layer, which the recorder does not see.)
        if (tool != EditorTool::highlighter) {
            EXPECT_GT(drawnElements(a, 4), 3 * atOne);
            EXPECT_GT(drawnElements(a, 1, 4), 3 * atOne);
        }
        EXPECT_LT(drawnElements(a, 0.25), atOne / 3);

        for (double scale : {1.0, 0.5, 2.0}) {
            SCOPED_TRACE(scale);
            EditorModel model(solidImage(int(200 * scale), int(150 * scale), QColor(230, 230, 210)));
            QImage out = model.baseImage().copy();
            {
                QPainter painter(&out);
                painter.setRenderHint(QPainter::Antialiasing, true);
                EditorRenderer::draw(a, painter, model.scene(false), scale);
            }
            const QImage reference = unthinned(a, model.baseImage(), scale);
            const QRgb ground = model.baseImage().pixel(0, 0);
            EXPECT_EQ(inkBounds(out, ground, 8), inkBounds(reference, ground, 8));
            EXPECT_LE(largestDifference(out, reference), 8);
            // On the ring, inside it and outside it.
            const QPoint on((100 + 50) * scale, 75 * scale), in(100 * scale, 75 * scale);
            EXPECT_EQ(out.pixel(on), reference.pixel(on));
            EXPECT_NE(out.pixel(on), ground);
            EXPECT_EQ(out.pixel(in), ground);
        }

        // Bounds, hit tests and vertex editing still see every stored point.
        EXPECT_EQ(a.points.size(), dense.size());
        EXPECT_EQ(Geo::bounds(a), QPolygonF(dense).boundingRect());
        const std::optional<Geo::SegmentPoint> last = Geo::nearestSegmentPoint(a, dense[dense.size() - 2]);
        ASSERT_TRUE(last.has_value());
        EXPECT_GE(last->segmentIndex, int(dense.size()) - 3);
        EXPECT_TRUE(Geo::hitTest(a, QPointF(150, 75), 0.1));
        EXPECT_FALSE(Geo::hitTest(a, QPointF(100, 75), 6));
    }
}
