// Grabs from a real X server (Xvfb): exact pixels, opaque, and the shared-memory segments a
// picture borrows coming back for the next grab.
#include "platform/capture/X11Capture.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <vector>

namespace {

// A window at the top-left of the screen showing one colour per row and column, so that a band
// stitched at the wrong offset or a column shifted shows. Its pixels are put through the X
// protocol with the unused top byte 0, as X servers keep it for screen contents.
class Pattern : public QWidget {
public:
    Pattern() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint) {
        setGeometry(0, 0, 301, 777);
        setAttribute(Qt::WA_PaintOnScreen); // Qt paints nothing over what we put
        setAttribute(Qt::WA_NoSystemBackground);
    }
    static QRgb expected(int x, int y) { return qRgb(y % 256, (y / 256) * 40 + x % 7, x % 256); }

    // With a connection of its own, so that nothing of Qt's buffering comes between.
    bool put() {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        if (!c || xcb_connection_has_error(c)) return false;
        const xcb_window_t window = xcb_window_t(winId());
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, window, 0, nullptr);
        for (int top = 0; top < height(); top += 64) {
            const int rows = std::min(64, height() - top);
            std::vector<uint32_t> data(size_t(width()) * size_t(rows));
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < width(); ++x) data[size_t(y) * size_t(width()) + size_t(x)] = expected(x, top + y) & 0xffffffu;
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, uint16_t(width()), uint16_t(rows), 0,
                          int16_t(top), 0, 24, uint32_t(data.size() * 4), reinterpret_cast<const uint8_t*>(data.data()));
        }
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // a round trip: all is drawn
        xcb_disconnect(c);
        return true;
    }

protected:
    QPaintEngine* paintEngine() const override { return nullptr; }
    void paintEvent(QPaintEvent*) override {}
};

class X11CaptureOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
        capture = X11Capture::open();
        ASSERT_TRUE(capture);
        if (!capture->usesSharedMemory()) GTEST_SKIP() << "the X server offers no shared memory";
        pattern.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pattern));
        QTest::qWait(100);
        ASSERT_TRUE(pattern.put());
    }
    std::unique_ptr<X11Capture> capture;
    Pattern pattern;
};

int wrongPixels(const QImage& image) {
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != Pattern::expected(x, y)) ++wrong;
    return wrong;
}

} // namespace

// The grab comes in bands; every row lands in its place and every pixel is opaque (the server
// leaves the top byte undefined, 0 here).
TEST_F(X11CaptureOnScreen, GrabsExactOpaquePixelsInBands) {
    const std::optional<QImage> image = capture->grabRoot(QRect(0, 0, 301, 777));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), QSize(301, 777));
    EXPECT_EQ(image->format(), QImage::Format_RGB32);
    EXPECT_EQ(wrongPixels(*image), 0);
    // The stored words, not pixel(), which sets the top byte of RGB32 itself.
    int translucent = 0;
    for (int y = 0; y < image->height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image->constScanLine(y));
        for (int x = 0; x < image->width(); ++x) translucent += qAlpha(row[x]) != 255;
    }
    EXPECT_EQ(translucent, 0);
    // An offset grab: the band offsets count from the rectangle, not the screen.
    const std::optional<QImage> inner = capture->grabRoot(QRect(5, 300, 100, 400));
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->pixel(0, 0), Pattern::expected(5, 300));
    EXPECT_EQ(inner->pixel(99, 399), Pattern::expected(104, 699));
    EXPECT_EQ(inner->pixel(50, 256), Pattern::expected(55, 556));
}

// A picture is its segment: while it lives the segment is not handed to another grab; once it goes
// the segment waits for the next grab of that size, and a picture outlives its capture.
TEST_F(X11CaptureOnScreen, PicturesLendTheirSegmentAndGiveItBack) {
    std::optional<QImage> first = capture->grabRoot(QRect(0, 0, 301, 777));
    ASSERT_TRUE(first);
    EXPECT_EQ(capture->spareSegments(), 0);
    std::optional<QImage> second = capture->grabRoot(QRect(0, 0, 301, 777));
    ASSERT_TRUE(second);
    EXPECT_NE(first->constBits(), second->constBits());
    first.reset();
    EXPECT_EQ(capture->spareSegments(), 1);
    // Another size makes its own; the spare stays.
    std::optional<QImage> small = capture->grabRoot(QRect(0, 0, 50, 50));
    ASSERT_TRUE(small);
    EXPECT_EQ(capture->spareSegments(), 1);
    std::optional<QImage> again = capture->grabRoot(QRect(0, 0, 301, 777));
    ASSERT_TRUE(again);
    EXPECT_EQ(capture->spareSegments(), 0);
    EXPECT_EQ(wrongPixels(*again), 0);
    // Writing to a copy detaches it from the segment: the next grab cannot change it.
    QImage kept = *again;
    kept.setPixel(0, 0, qRgb(1, 2, 3));
    again.reset();
    capture.reset(); // the connection goes; the pictures still hold their pixels
    EXPECT_EQ(kept.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(kept.pixel(300, 776), Pattern::expected(300, 776));
    EXPECT_EQ(wrongPixels(*second), 0);
}
