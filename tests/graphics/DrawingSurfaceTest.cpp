#include "graphics/DrawingSurface.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>

using namespace DrawingSurface;

namespace {

QRect drawnTextInk(int taggedDpi) {
    // A decoded image may arrive tagged with any resolution; the drawing format ignores the tag.
    QImage decoded(400, 200, QImage::Format_RGBA8888);
    decoded.fill(Qt::transparent);
    decoded.setDotsPerMeterX(int(taggedDpi / 0.0254));
    decoded.setDotsPerMeterY(int(taggedDpi / 0.0254));
    QImage image = toDrawingFormat(decoded);
    QPainter painter(&image);
    const QFont font = systemFont(40, FontWeight::bold);
    drawText(painter, QRectF(10, 10, 380, 180), QStringLiteral("HH\nHH"), font, Qt::black);
    painter.end();
    return TestSupport::inkBounds(image);
}

} // namespace

TEST(DrawingSurface, NewSurfacesAreTransparent96DpiAndBounded) {
    const QImage s = createSurface(30, 20);
    ASSERT_FALSE(s.isNull());
    EXPECT_EQ(s.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(s.pixel(15, 10), 0u);
    EXPECT_EQ(s.logicalDpiX(), 96);
    EXPECT_TRUE(createSurface(0, 10).isNull());
    EXPECT_TRUE(createSurface(kMaxSide + 1, 10).isNull());
}

TEST(DrawingSurface, FontsAreSizedInImagePixels) {
    const QFont f = systemFont(24, FontWeight::semibold);
    EXPECT_DOUBLE_EQ(f.pointSizeF(), 18);
    EXPECT_EQ(f.weight(), QFont::DemiBold);
    EXPECT_DOUBLE_EQ(systemFont(10.5, FontWeight::regular).pointSizeF(), 7.875); // fractions kept
    EXPECT_EQ(systemFont(8, FontWeight::medium).weight(), QFont::Medium);
    // Sizes from untrusted files stay finite and positive.
    EXPECT_GT(systemFont(-5, FontWeight::bold).pointSizeF(), 0);
    EXPECT_GT(systemFont(std::nan(""), FontWeight::bold).pointSizeF(), 0);
}

TEST(DrawingSurface, MultiLineMeasureGrowsPerLineAndMatchesDrawing) {
    const QFont font = systemFont(40, FontWeight::bold);
    const QSizeF one = measureText(QStringLiteral("HH"), font);
    const QSizeF two = measureText(QStringLiteral("HH\nHH"), font);
    EXPECT_DOUBLE_EQ(two.width(), one.width());
    EXPECT_NEAR(two.height(), 2 * one.height(), 1.0);
    EXPECT_DOUBLE_EQ(measureLine(QStringLiteral("HH"), font).width(), one.width());

    const QRect ink = drawnTextInk(96);
    ASSERT_FALSE(ink.isEmpty());
    // The glyphs lie within the measured box drawn at (10, 10).
    EXPECT_GE(ink.left(), 10);
    EXPECT_GE(ink.top(), 10);
    EXPECT_LE(ink.right(), 10 + std::ceil(two.width()));
    EXPECT_LE(ink.bottom(), 10 + std::ceil(two.height()));
    EXPECT_GT(ink.height(), one.height()); // two lines of ink
}

TEST(DrawingSurface, TextSizeDoesNotFollowTheImageResolutionTag) {
    EXPECT_EQ(drawnTextInk(72), drawnTextInk(144));
    EXPECT_EQ(drawnTextInk(72), drawnTextInk(96));
}

TEST(DrawingSurface, DrawingFormatKeepsOpaqueImagesOpaque) {
    QImage grey(8, 8, QImage::Format_Grayscale8);
    grey.fill(128);
    const QImage g = toDrawingFormat(grey);
    EXPECT_EQ(g.format(), QImage::Format_RGB32);
    EXPECT_EQ(qRed(g.pixel(3, 3)), 128);
    QImage rgba(8, 8, QImage::Format_RGBA8888);
    rgba.fill(QColor(255, 0, 0, 128));
    EXPECT_EQ(toDrawingFormat(rgba).format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(toDrawingFormat(rgba).logicalDpiY(), 96);
}
