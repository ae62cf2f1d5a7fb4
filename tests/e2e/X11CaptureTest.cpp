// Grabs from a real X server (Xvfb): exact pixels, opaque, and the shared-memory segments a
// picture borrows coming back for the next grab.
#include "platform/capture/X11Capture.h"
#include "platform/capture/ScreenSettle.h"

#include "app/CaptureManager.h"
#include "ui/capture/SelectionOverlay.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstring>
#include <functional>
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
    // The second variant is the first inverted: another colour at every pixel.
    static QRgb expected(int x, int y, int variant = 0) {
        const QRgb first = qRgb(y % 256, (y / 256) * 40 + x % 7, x % 256);
        return variant == 0 ? first : first ^ 0x00ffffffu;
    }

    // With a connection of its own, so that nothing of Qt's buffering comes between.
    bool put(int variant = 0) {
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        if (!c || xcb_connection_has_error(c)) return false;
        const xcb_window_t window = xcb_window_t(winId());
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, window, 0, nullptr);
        for (int top = 0; top < height(); top += 64) {
            const int rows = std::min(64, height() - top);
            std::vector<uint32_t> data(size_t(width()) * size_t(rows));
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < width(); ++x)
                    data[size_t(y) * size_t(width()) + size_t(x)] = expected(x, top + y, variant) & 0xffffffu;
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

namespace {

// Windows made through the X protocol, with the properties a window manager would set, listed in
// a stacking list set on the root by the test itself (taken off again at the end).
class FakeDesktop {
public:
    FakeDesktop() : c(xcb_connect(nullptr, nullptr)) {
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~FakeDesktop() {
        xcb_delete_property(c, root, atom("_NET_CLIENT_LIST_STACKING"));
        xcb_delete_property(c, root, atom("_NET_CURRENT_DESKTOP"));
        for (xcb_window_t w : made) xcb_destroy_window(c, w);
        xcb_disconnect(c);
    }
    xcb_atom_t atom(const char* name) {
        auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return a;
    }
    xcb_window_t window(QRect frame, bool mapped = true) {
        const xcb_window_t w = xcb_generate_id(c);
        const uint32_t redirect = 1;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, int16_t(frame.x()), int16_t(frame.y()),
                          uint16_t(frame.width()), uint16_t(frame.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &redirect);
        if (mapped) xcb_map_window(c, w);
        made.push_back(w);
        return w;
    }
    void cardinals(xcb_window_t w, const char* property, xcb_atom_t type, std::vector<uint32_t> values) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(property), type, 32, uint32_t(values.size()),
                            values.data());
    }
    void text(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, const char* value) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8, uint32_t(strlen(value)), value);
    }
    void sync() { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

    xcb_connection_t* c;
    xcb_window_t root;
    std::vector<xcb_window_t> made;
};

// The shared-memory segments of this process of `bytes` bytes still in the system.
int segmentsOfSize(size_t bytes) {
    QFile table(QStringLiteral("/proc/sysvipc/shm"));
    if (!table.open(QIODevice::ReadOnly)) return -1;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    int count = 0;
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        // key shmid perms size cpid lpid nattch ...
        if (f.size() > 6 && f[3] == QByteArray::number(qulonglong(bytes)) && f[4] == pid.toLatin1()) ++count;
    }
    return count;
}

} // namespace

// What the picker offers: windows on this desktop (or on all), shown, not docks; top first, with
// their frames and their titles (the old-style name when there is no UTF-8 one).
TEST_F(X11CaptureOnScreen, TheWindowsOfThisDesktopAreOffered) {
    FakeDesktop desk;
    const xcb_atom_t cardinal = XCB_ATOM_CARDINAL, atomType = XCB_ATOM_ATOM;
    const xcb_window_t alpha = desk.window({400, 100, 200, 100});
    desk.text(alpha, desk.atom("_NET_WM_NAME"), desk.atom("UTF8_STRING"), "Alpha \xc3\xa9");
    desk.cardinals(alpha, "_NET_WM_DESKTOP", cardinal, {0});
    desk.cardinals(alpha, "_NET_FRAME_EXTENTS", cardinal, {2, 3, 20, 4});
    const xcb_window_t elsewhere = desk.window({420, 120, 50, 50});
    desk.cardinals(elsewhere, "_NET_WM_DESKTOP", cardinal, {1});
    const xcb_window_t hidden = desk.window({440, 140, 50, 50});
    desk.cardinals(hidden, "_NET_WM_STATE", atomType, {desk.atom("_NET_WM_STATE_HIDDEN")});
    const xcb_window_t dock = desk.window({0, 1000, 1920, 30});
    desk.cardinals(dock, "_NET_WM_WINDOW_TYPE", atomType, {desk.atom("_NET_WM_WINDOW_TYPE_DOCK")});
    const xcb_window_t unmapped = desk.window({460, 160, 50, 50}, false);
    const xcb_window_t echo = desk.window({700, 500, 120, 80});
    desk.text(echo, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Echo");
    desk.cardinals(echo, "_NET_WM_DESKTOP", cardinal, {0xFFFFFFFFu}); // on every desktop
    desk.cardinals(desk.root, "_NET_CURRENT_DESKTOP", cardinal, {0});
    desk.cardinals(desk.root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW,
                   {alpha, elsewhere, hidden, dock, unmapped, echo});
    desk.sync();

    const QList<PickableWindow> offered = capture->windows();
    ASSERT_EQ(offered.size(), 2);
    EXPECT_EQ(offered[0].id, echo);
    EXPECT_EQ(offered[0].title, QStringLiteral("Echo"));
    EXPECT_EQ(offered[0].frame, QRect(700, 500, 120, 80));
    EXPECT_EQ(offered[1].id, alpha);
    EXPECT_EQ(offered[1].title, QStringLiteral("Alpha \u00e9"));
    EXPECT_EQ(offered[1].frame, QRect(398, 80, 205, 124)) << "the frame's extents: left 2, right 3, top 20, bottom 4";
}

// Segments kept for later are few; one more coming back is given up, on the server's side too.
TEST_F(X11CaptureOnScreen, SparesAreFewAndTheRestAreGivenUp) {
    const size_t bytes = 301 * 777 * 4;
    if (segmentsOfSize(bytes) < 0) GTEST_SKIP() << "no /proc/sysvipc/shm here";
    {
        QList<QImage> held;
        for (int i = 0; i < 4; ++i) held.append(*capture->grabRoot(QRect(0, 0, 301, 777)));
        EXPECT_EQ(segmentsOfSize(bytes), 4);
    }
    EXPECT_EQ(capture->spareSegments(), 2);
    // Freed only once the server lets go of them as well.
    EXPECT_TRUE(QTest::qWaitFor([&] { return segmentsOfSize(bytes) == 2; }, 3000)) << segmentsOfSize(bytes);
    capture.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return segmentsOfSize(bytes) == 0; }, 3000)) << segmentsOfSize(bytes);
}

namespace {

void mouse(QWidget* w, QEvent::Type type, QPointF p) {
    QMouseEvent e(type, p, w->mapToGlobal(p), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

// "Capture Last Region Again" off a real X server: after a region was dragged, the same rectangle
// of the screen as it is now (the pattern is inverted meanwhile), grabbed with no overlay.
TEST_F(X11CaptureOnScreen, TheLastRegionIsGrabbedAgainFromTheScreen) {
    for (const char* key : {CaptureManager::kLastRegionKey, CaptureManager::kLastRegionScreenKey,
                            CaptureManager::kLastRegionOriginKey})
        QSettings().remove(QString::fromLatin1(key));
    QTemporaryDir dir;
    CaptureManager manager([](QString* error) { return X11Capture::open(error); });
    CaptureRequest request;
    request.mode = CaptureMode::selection;
    request.delaySeconds = 0;
    request.outputPath = dir.filePath(QStringLiteral("region.png"));
    request.alertOnFailure = false;
    std::optional<CaptureResult> result;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.overlays().isEmpty(); }, 5000));
    SelectionOverlayView* view = manager.overlays().first()->view();
    const double s = view->devicePixelRatioF();
    mouse(view, QEvent::MouseButtonPress, QPointF(10, 20) / s);
    mouse(view, QEvent::MouseMove, QPointF(60, 120) / s);
    mouse(view, QEvent::MouseMove, QPointF(110, 220) / s);
    mouse(view, QEvent::MouseButtonRelease, QPointF(110, 220) / s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
    ASSERT_EQ(result->status, CaptureResult::Status::done) << result->error.toStdString();
    const QImage region(request.outputPath);
    ASSERT_EQ(region.size(), QSize(100, 200));
    int wrong = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 100; ++x) wrong += region.pixel(x, y) != Pattern::expected(x + 10, y + 20);
    EXPECT_EQ(wrong, 0);

    // The overlay has left the screen; the window shows the other pattern now.
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.overlays().isEmpty(); }, 3000));
    QTest::qWait(200);
    ASSERT_TRUE(pattern.put(1));
    request.mode = CaptureMode::lastRegion;
    request.outputPath = dir.filePath(QStringLiteral("again.png"));
    result.reset();
    bool overlaySeen = false;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            overlaySeen = overlaySeen || !manager.overlays().isEmpty();
            return result.has_value();
        },
        5000));
    ASSERT_EQ(result->status, CaptureResult::Status::done) << result->error.toStdString();
    EXPECT_FALSE(overlaySeen);
    const QImage again(request.outputPath);
    ASSERT_EQ(again.size(), QSize(100, 200));
    wrong = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 100; ++x) wrong += again.pixel(x, y) != Pattern::expected(x + 10, y + 20, 1);
    EXPECT_EQ(wrong, 0);
    for (const char* key : {CaptureManager::kLastRegionKey, CaptureManager::kLastRegionScreenKey,
                            CaptureManager::kLastRegionOriginKey})
        QSettings().remove(QString::fromLatin1(key));
}

namespace {

// Fills a rectangle of the root window through a connection of its own, as another program
// drawing on the screen would.
void drawOnRoot(const QRect& rect, quint32 colour) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const uint32_t values[] = {colour, 1}; // foreground; drawn into the windows above it too
    xcb_create_gc(c, gc, root, XCB_GC_FOREGROUND | XCB_GC_SUBWINDOW_MODE, values);
    const xcb_rectangle_t r{int16_t(rect.x()), int16_t(rect.y()), uint16_t(rect.width()), uint16_t(rect.height())};
    xcb_poly_fill_rectangle(c, root, gc, 1, &r);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // drawn before we go on
    xcb_disconnect(c);
}

// Runs `settle` to its answer: how many ms after the call it came, or -1 if not within `within`.
qint64 answeredAfter(std::unique_ptr<ScreenSettle> settle, int maxMs, int quietMs, int within,
                     const std::function<void()>& meanwhile = {}) {
    QObject context;
    int answers = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 at = -1;
    ScreenSettle::afterRedrawn(std::move(settle), maxMs, &context, [&] {
        ++answers;
        at = clock.elapsed();
    }, quietMs);
    while (answers == 0 && clock.elapsed() < within) {
        if (meanwhile) meanwhile();
        QTest::qWait(10);
    }
    QTest::qWait(50);
    EXPECT_LE(answers, 1);
    return at;
}

} // namespace

// The launcher hidden for a capture on a screen with no compositor: the capture goes ahead once
// the place it left has stopped changing, not after the longest wait, and not while it changes.
TEST(ScreenSettleOnScreen, WaitsWhileThePlaceChangesAndNoLonger) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
    const QRect place(200, 150, 120, 90);
    QWidget window(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    window.setGeometry(place);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(100);

    // A window hidden: the screen under it is drawn again at once, long before the longest wait.
    std::unique_ptr<ScreenSettle> settle = ScreenSettle::watch(place);
    ASSERT_TRUE(settle) << "the X server has no DAMAGE extension";
    window.hide();
    const qint64 gone = answeredAfter(std::move(settle), 4000, 60, 6000);
    EXPECT_GE(gone, 0);
    EXPECT_LT(gone, 2000);

    // Drawn on again and again: no answer until it stops, then one soon after.
    QElapsedTimer drawing;
    drawing.start();
    quint32 colour = 0x102030;
    const qint64 busy = answeredAfter(ScreenSettle::watch(place), 6000, 150, 8000, [&] {
        if (drawing.elapsed() < 600) drawOnRoot(place.adjusted(10, 10, -10, -10), colour += 0x010101);
    });
    EXPECT_GE(busy, 600);
    EXPECT_LT(busy, 3000);

    // Drawing elsewhere is not the place changing; nothing changing there waits the longest, as
    // the windows under it may not have heard yet.
    drawing.restart();
    const qint64 elsewhere = answeredAfter(ScreenSettle::watch(place), 700, 60, 4000, [&] {
        if (drawing.elapsed() < 200) drawOnRoot(QRect(600, 500, 50, 50), colour += 0x010101);
    });
    EXPECT_GE(elsewhere, 700);
    EXPECT_LT(elsewhere, 2500);

    // Without a watch (no X server, no DAMAGE), the longest wait; and none once the context is gone.
    const qint64 unwatched = answeredAfter(nullptr, 300, 60, 3000);
    EXPECT_GE(unwatched, 300);
    bool called = false;
    {
        QObject context;
        ScreenSettle::afterRedrawn(ScreenSettle::watch(place), 100, &context, [&] { called = true; });
    }
    QTest::qWait(300);
    EXPECT_FALSE(called);
}
