#include "ui/capture/SelectionGeometry.h"
#include "ui/capture/SelectionOverlay.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

using namespace SelectionGeometry;

TEST(SelectionGeometry, RectanglesSizesAndLabels) {
    EXPECT_EQ(normalized({400, 300}, {100, 100}), normalized({100, 100}, {400, 300}));
    EXPECT_EQ(normalized({400, 100}, {100, 300}), QRectF(100, 100, 300, 200));
    EXPECT_FALSE(isLargeEnough(QRectF(0, 0, 1.5, 300)));
    // A jitter of the hand is a click.
    EXPECT_FALSE(isLargeEnough(QRectF(0, 0, 2, 3)));
    EXPECT_FALSE(isLargeEnough(QRectF(0, 0, 3.9, 300)));
    EXPECT_TRUE(isLargeEnough(QRectF(0, 0, 4, 4)));
    EXPECT_EQ(sizeLabel(QRectF(0, 0, 100, 50), 2), QStringLiteral("200 × 100"));
    EXPECT_EQ(sizeLabel(QRectF(0, 0, 100.7, 50.9), 1), QStringLiteral("100 × 50")); // truncated
}

TEST(SelectionGeometry, TheLabelHangsBelowMovesInsideNearTheBottomAndAlignsLeftNearTheLeft) {
    const QRectF screen(0, 0, 1440, 900);
    const QSizeF text(60, 14);
    EXPECT_EQ(labelBox(QRectF(100, 100, 300, 200), text, screen), QRectF(400 - 72, 304, 72, 20));
    // Near the bottom: inside the rectangle, 4 points above its bottom edge.
    EXPECT_EQ(labelBox(QRectF(100, 600, 300, 290), text, screen), QRectF(328, 890 - 4 - 20, 72, 20));
    // Narrower than the label at the left edge: at the selection's left.
    EXPECT_EQ(labelBox(QRectF(10, 100, 30, 30), text, screen).left(), 10);
}

TEST(SelectionGeometry, CaptureRectanglesAreDevicePixelsOfTheirOwnScreen) {
    // (100, 100, 300, 200) measured from the bottom of a 1440 x 900 screen is this in Qt.
    EXPECT_EQ(captureRect(QRectF(100, 600, 300, 200), QRect(0, 0, 1440, 900), 1), QRect(100, 600, 300, 200));
    const QRect twice = captureRect(QRectF(100, 600, 300, 200), QRect(0, 0, 1440, 900), 2);
    EXPECT_EQ(twice.size(), QSize(600, 400));
    EXPECT_EQ(twice.topLeft(), QPoint(200, 1200));
    // A screen left of the primary one: relative to its own frame.
    EXPECT_EQ(captureRect(QRectF(-1800, 50, 400, 300), QRect(-1920, 0, 1920, 1080), 1), QRect(120, 50, 400, 300));
    // Never past the picture.
    EXPECT_EQ(captureRect(QRectF(1400, 850, 100, 100), QRect(0, 0, 1440, 900), 1), QRect(1400, 850, 40, 50));
}

namespace {

void mouse(QWidget* w, QEvent::Type type, QPointF p) {
    QMouseEvent e(type, p, w->mapToGlobal(p), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(SelectionOverlay, ADragReportsOnceInGlobalCoordinatesAndAClickReportsNothing) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage frozen(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
    frozen.fill(Qt::darkGreen);
    int reports = 0;
    std::optional<SelectionOverlayWindow::Result> last;
    SelectionOverlayWindow window(screen, frozen, [&](std::optional<SelectionOverlayWindow::Result> r) {
        ++reports;
        last = r;
    });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    SelectionOverlayView* view = window.view();
    mouse(view, QEvent::MouseMove, {50, 50});
    EXPECT_EQ(view->cursorLocation(), QPointF(50, 50));
    mouse(view, QEvent::MouseButtonPress, {300, 200});
    mouse(view, QEvent::MouseMove, {200, 150});
    mouse(view, QEvent::MouseMove, {100, 100}); // up and to the left
    EXPECT_TRUE(view->dragStart().has_value());
    const QImage shown = view->grab().toImage();
    mouse(view, QEvent::MouseButtonRelease, {100, 100});
    ASSERT_EQ(reports, 1);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->screen, screen);
    EXPECT_EQ(last->rect, QRectF(view->mapToGlobal(QPointF(100, 100)), QSizeF(200, 100)));
    // The frozen screen is dimmed outside the selection and itself inside.
    const double s = shown.devicePixelRatio();
    EXPECT_EQ(shown.pixelColor(int(150 * s), int(140 * s)), QColor(Qt::darkGreen));
    EXPECT_LT(shown.pixelColor(int(20 * s), int(20 * s)).green(), QColor(Qt::darkGreen).green());

    // Only the first report counts.
    mouse(view, QEvent::MouseButtonPress, {10, 10});
    mouse(view, QEvent::MouseButtonRelease, {200, 200});
    EXPECT_EQ(reports, 1);
}

TEST(SelectionOverlay, EscapeAClickAndASliverCancel) {
    QScreen* screen = QGuiApplication::primaryScreen();
    for (int variant = 0; variant < 3; ++variant) {
        int reports = 0;
        std::optional<SelectionOverlayWindow::Result> last{SelectionOverlayWindow::Result{}};
        SelectionOverlayWindow window(screen, QImage(), [&](std::optional<SelectionOverlayWindow::Result> r) {
            ++reports;
            last = r;
        });
        window.show();
        SelectionOverlayView* view = window.view();
        if (variant == 0) {
            QTest::keyClick(view, Qt::Key_Escape);
        } else {
            mouse(view, QEvent::MouseButtonPress, {100, 100});
            const QPointF end = variant == 1 ? QPointF(100, 100) : QPointF(101.5, 400);
            mouse(view, QEvent::MouseMove, end);
            mouse(view, QEvent::MouseButtonRelease, end);
        }
        EXPECT_EQ(reports, 1) << variant;
        EXPECT_FALSE(last.has_value()) << variant;
    }
}

TEST(SelectionOverlay, ADragToTheScreensEdgeTakesTheEdgePixels) {
    QScreen* screen = QGuiApplication::primaryScreen();
    std::optional<SelectionOverlayWindow::Result> last;
    SelectionOverlayWindow window(screen, QImage(), [&](std::optional<SelectionOverlayWindow::Result> r) { last = r; });
    window.show();
    SelectionOverlayView* view = window.view();
    const QSize size = view->size();
    mouse(view, QEvent::MouseButtonPress, {0, 0});
    mouse(view, QEvent::MouseMove, QPointF(size.width() - 1, size.height() - 1)); // where the pointer stops
    mouse(view, QEvent::MouseButtonRelease, QPointF(size.width() - 1, size.height() - 1));
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->rect.size(), QSizeF(size));
}

TEST(SelectionGeometry, HandlesMoveTheirEdgesAndSelectionsStayOnTheScreen) {
    const QRectF s(100, 100, 200, 100);
    EXPECT_EQ(handles(s).size(), 8);
    EXPECT_EQ(handleAt(s, {100, 100}), left | top);
    EXPECT_EQ(handleAt(s, {301, 199}), right | bottom);
    EXPECT_EQ(handleAt(s, {200, 100}), top);
    EXPECT_EQ(handleAt(s, {99, 150}), left);
    EXPECT_EQ(handleAt(s, {150, 100}), 0); // an edge away from its handles
    EXPECT_EQ(handleAt(s, {200, 150}), 0); // inside
    EXPECT_EQ(resized(s, right | bottom, {350, 260}), QRectF(100, 100, 250, 160));
    EXPECT_EQ(resized(s, top, {0, 50}), QRectF(100, 50, 200, 150));
    EXPECT_EQ(resized(s, left, {400, 0}), QRectF(300, 100, 100, 100)); // dragged past the other edge
    const QRectF screen(0, 0, 800, 600);
    EXPECT_EQ(keptInside(s.translated(700, 0), screen), QRectF(600, 100, 200, 100));
    EXPECT_EQ(keptInside(s.translated(-150, -150), screen), QRectF(0, 0, 200, 100));
}

// Adjustable: the drag leaves the selection with its handles; it moves, resizes and nudges, and
// only Return or a double-click inside captures it. Space during a drag moves what is drawn.
TEST(SelectionOverlay, AnAdjustableSelectionWaitsForReturnOrADoubleClick) {
    QScreen* screen = QGuiApplication::primaryScreen();
    for (int confirm = 0; confirm < 2; ++confirm) {
        int reports = 0;
        std::optional<SelectionOverlayWindow::Result> last;
        SelectionOverlayWindow window(
            screen, QImage(),
            [&](std::optional<SelectionOverlayWindow::Result> r) {
                ++reports;
                last = r;
            },
            true);
        window.show();
        SelectionOverlayView* view = window.view();
        const QPointF origin = view->mapToGlobal(QPointF(0, 0));
        mouse(view, QEvent::MouseButtonPress, {100, 100});
        mouse(view, QEvent::MouseMove, {300, 200});
        mouse(view, QEvent::MouseButtonRelease, {300, 200});
        EXPECT_EQ(reports, 0);
        ASSERT_TRUE(view->selection().has_value());
        EXPECT_EQ(*view->selection(), QRectF(100, 100, 200, 100));
        // Moved by its inside, resized by a corner, nudged by the arrows.
        mouse(view, QEvent::MouseButtonPress, {150, 150});
        mouse(view, QEvent::MouseMove, {170, 160});
        mouse(view, QEvent::MouseButtonRelease, {170, 160});
        EXPECT_EQ(*view->selection(), QRectF(120, 110, 200, 100));
        mouse(view, QEvent::MouseButtonPress, {320, 210});
        mouse(view, QEvent::MouseMove, {340, 250});
        mouse(view, QEvent::MouseButtonRelease, {340, 250});
        EXPECT_EQ(*view->selection(), QRectF(120, 110, 220, 140));
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        EXPECT_EQ(*view->selection(), QRectF(121, 120, 220, 140));
        EXPECT_EQ(reports, 0);
        if (confirm == 0) {
            QTest::keyClick(view, Qt::Key_Return);
        } else {
            mouse(view, QEvent::MouseButtonPress, {200, 200});
            mouse(view, QEvent::MouseButtonRelease, {200, 200});
            mouse(view, QEvent::MouseButtonDblClick, {200, 200});
        }
        ASSERT_EQ(reports, 1) << confirm;
        ASSERT_TRUE(last.has_value());
        EXPECT_EQ(last->rect, QRectF(121, 120, 220, 140).translated(origin)) << confirm;
    }

    // Space held while drawing moves the rectangle instead of resizing it; Escape still cancels.
    int reports = 0;
    std::optional<SelectionOverlayWindow::Result> last{SelectionOverlayWindow::Result{}};
    SelectionOverlayWindow window(
        screen, QImage(),
        [&](std::optional<SelectionOverlayWindow::Result> r) {
            ++reports;
            last = r;
        },
        true);
    window.show();
    SelectionOverlayView* view = window.view();
    mouse(view, QEvent::MouseButtonPress, {100, 100});
    mouse(view, QEvent::MouseMove, {200, 150});
    QTest::keyPress(view, Qt::Key_Space);
    mouse(view, QEvent::MouseMove, {230, 170});
    QTest::keyRelease(view, Qt::Key_Space);
    mouse(view, QEvent::MouseMove, {250, 170});
    mouse(view, QEvent::MouseButtonRelease, {250, 170});
    ASSERT_TRUE(view->selection().has_value());
    EXPECT_EQ(*view->selection(), QRectF(130, 120, 120, 50));
    // On a handle too, Space held moves the whole selection instead of resizing it.
    mouse(view, QEvent::MouseButtonPress, {250, 170});
    QTest::keyPress(view, Qt::Key_Space);
    mouse(view, QEvent::MouseMove, {260, 175});
    QTest::keyRelease(view, Qt::Key_Space);
    mouse(view, QEvent::MouseButtonRelease, {260, 175});
    EXPECT_EQ(*view->selection(), QRectF(140, 125, 120, 50));
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(last.has_value());
}

// The magnifier shows the device pixels around the pointer, the one under it outlined in the
// middle, beside the pointer and never over it; C copies that pixel's colour as six hex digits.
// A pointer that sits still over the screen when the overlay opens: C and the magnifier work at once.
TEST(SelectionOverlay, APointerThatHasNotMovedIsKnownFromTheStart) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QCursor::setPos(screen, screen->geometry().topLeft() + QPoint(60, 40));
    if (QCursor::pos(screen) != screen->geometry().topLeft() + QPoint(60, 40))
        GTEST_SKIP() << "this platform cannot place the pointer";
    SelectionOverlayWindow window(screen, QImage(), [](std::optional<SelectionOverlayWindow::Result>) {});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(window.view()->cursorLocation().has_value());
    EXPECT_EQ(*window.view()->cursorLocation(), window.view()->mapFromGlobal(QPointF(screen->geometry().topLeft() + QPoint(60, 40))));
}

TEST(SelectionOverlay, TheMagnifierShowsThePixelUnderThePointerAndCCopiesItsColour) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage frozen(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
    frozen.fill(Qt::white);
    const QPoint device(240, 180);
    frozen.setPixelColor(device, QColor(0x3A, 0x6E, 0xA5));
    SelectionOverlayWindow window(screen, frozen, [](std::optional<SelectionOverlayWindow::Result>) {});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    SelectionOverlayView* view = window.view();
    const double s = frozen.devicePixelRatio();
    const QPointF pointer = (QPointF(device) + QPointF(0.25, 0.25)) / s;
    QEnterEvent enter(pointer, pointer, view->mapToGlobal(pointer));
    QApplication::sendEvent(view, &enter);
    mouse(view, QEvent::MouseMove, pointer);
    EXPECT_EQ(view->devicePixelAt(pointer), device);
    EXPECT_EQ(view->colorHexAt(pointer), QStringLiteral("3A6EA5"));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("3A6EA5"));

    const QRectF box = view->magnifierBox(pointer);
    EXPECT_FALSE(box.contains(pointer));
    const QImage shown = view->grab().toImage();
    const double cell = box.width() / SelectionOverlayView::kMagnified;
    const QPointF middle = box.topLeft() + QPointF(SelectionOverlayView::kMagnified / 2 + 0.5,
                                                   SelectionOverlayView::kMagnified / 2 + 0.5) * cell;
    const double ratio = shown.devicePixelRatio();
    EXPECT_EQ(shown.pixelColor((middle * ratio).toPoint()), QColor(0x3A, 0x6E, 0xA5));
    // Its neighbour in the magnifier is the white around it.
    EXPECT_EQ(shown.pixelColor(((middle + QPointF(2 * cell, 2 * cell)) * ratio).toPoint()), QColor(Qt::white));

    // Near the bottom-right corner it turns to stay on the screen.
    const QPointF corner(view->width() - 5, view->height() - 5);
    const QRectF turned = view->magnifierBox(corner);
    EXPECT_TRUE(QRectF(view->rect()).contains(turned));
    EXPECT_FALSE(turned.contains(corner));
}

// An adjustable selection squeezed by a handle to a sliver is no selection, as a drag that small
// is not: Return and a double-click leave it on screen to be widened, and then take it.
TEST(SelectionOverlay, ASelectionSqueezedToASliverIsNotTaken) {
    int reports = 0;
    std::optional<SelectionOverlayWindow::Result> last;
    SelectionOverlayWindow window(
        QGuiApplication::primaryScreen(), QImage(),
        [&](std::optional<SelectionOverlayWindow::Result> r) {
            ++reports;
            last = r;
        },
        true);
    window.show();
    SelectionOverlayView* view = window.view();
    mouse(view, QEvent::MouseButtonPress, {100, 100});
    mouse(view, QEvent::MouseMove, {300, 200});
    mouse(view, QEvent::MouseButtonRelease, {300, 200});
    // The right edge's handle dragged onto the left edge.
    mouse(view, QEvent::MouseButtonPress, {300, 150});
    mouse(view, QEvent::MouseMove, {102, 150});
    mouse(view, QEvent::MouseButtonRelease, {102, 150});
    ASSERT_TRUE(view->selection().has_value());
    EXPECT_EQ(view->selection()->width(), 2);
    QTest::keyClick(view, Qt::Key_Return);
    mouse(view, QEvent::MouseButtonDblClick, {101, 150});
    EXPECT_EQ(reports, 0);
    // Widened again (the handle pressed is the left one, which crosses the right).
    mouse(view, QEvent::MouseButtonPress, {102, 150});
    mouse(view, QEvent::MouseMove, {160, 150});
    mouse(view, QEvent::MouseButtonRelease, {160, 150});
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_EQ(reports, 1);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->rect.size(), QSizeF(58, 100));
}

// Two screens side by side, one overlay each sharing one selection: a drag goes on past the first
// screen's edge (stopping at the last screen's), the second shows its part, and a kept selection
// is nudged and confirmed from the other screen's overlay.
TEST(SelectionOverlay, ASelectionCrossesIntoTheNextScreensOverlay) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage frozen(400, 300, QImage::Format_RGB32);
    frozen.fill(Qt::darkGreen);
    for (const bool adjustable : {false, true}) {
        SCOPED_TRACE(adjustable ? "adjustable" : "on release");
        SelectionGroup group(QRectF(0, 0, 800, 300));
        QList<std::optional<SelectionOverlayWindow::Result>> reports;
        auto report = [&](std::optional<SelectionOverlayWindow::Result> r) { reports.append(r); };
        SelectionOverlayWindow left(screen, frozen, report, adjustable), right(screen, frozen, report, adjustable);
        left.setGeometry(0, 0, 400, 300);
        right.setGeometry(400, 0, 400, 300);
        left.view()->setGroup(&group);
        right.view()->setGroup(&group);
        left.show();
        right.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&right));
        ASSERT_EQ(right.view()->mapToGlobal(QPointF(0, 0)), QPointF(400, 0)) << "this platform moved the window";

        mouse(left.view(), QEvent::MouseButtonPress, {300, 100});
        mouse(left.view(), QEvent::MouseMove, {900, 400}); // beyond every screen: stops at their edge
        EXPECT_EQ(group.rect(), QRectF(300, 100, 500, 200));
        mouse(left.view(), QEvent::MouseMove, {500, 250});
        // The other screen shows its part undimmed.
        const QImage shown = right.view()->grab().toImage();
        const double s = shown.devicePixelRatio();
        EXPECT_EQ(shown.pixelColor(int(50 * s), int(200 * s)), QColor(Qt::darkGreen));
        EXPECT_NE(shown.pixelColor(int(150 * s), int(200 * s)), QColor(Qt::darkGreen));
        mouse(left.view(), QEvent::MouseButtonRelease, {500, 250});
        if (!adjustable) {
            ASSERT_EQ(reports.size(), 1);
            ASSERT_TRUE(reports[0].has_value());
            EXPECT_EQ(reports[0]->rect, QRectF(300, 100, 200, 150));
            continue;
        }
        EXPECT_TRUE(reports.isEmpty());
        ASSERT_TRUE(right.view()->selection().has_value());
        EXPECT_EQ(*right.view()->selection(), QRectF(-100, 100, 200, 150));
        // Nudged from the other screen, which keeps it inside both screens together.
        QTest::keyClick(right.view(), Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_EQ(*left.view()->selection(), QRectF(310, 100, 200, 150));
        for (int i = 0; i < 4; ++i) QTest::keyClick(right.view(), Qt::Key_Down, Qt::ShiftModifier);
        EXPECT_EQ(group.rect(), QRectF(310, 140, 200, 150)) << "kept inside the screens' bottom at 300";
        QTest::keyClick(right.view(), Qt::Key_Return);
        ASSERT_EQ(reports.size(), 1);
        ASSERT_TRUE(reports[0].has_value());
        EXPECT_EQ(reports[0]->rect, QRectF(310, 140, 200, 150));
    }
}

// The hint at the top of the screen gives way to a selection under it: it goes to the bottom.
TEST(SelectionOverlay, TheHintMakesWayForTheSelection) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage frozen(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
    frozen.fill(Qt::darkGreen);
    SelectionOverlayWindow window(screen, frozen, [](std::optional<SelectionOverlayWindow::Result>) {}, true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    SelectionOverlayView* view = window.view();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(view, &enter); // the pointer is here: the hint shows
    const double middle = view->width() / 2.0;
    auto darkAt = [&](QPointF p) {
        const QImage shown = view->grab().toImage();
        const double s = shown.devicePixelRatio();
        return shown.pixelColor(int(p.x() * s), int(p.y() * s)).green() < QColor(Qt::darkGreen).green() / 2;
    };
    EXPECT_TRUE(darkAt({middle, 27})) << "the hint's box at the top (above its text)";
    mouse(view, QEvent::MouseButtonPress, {middle - 150, 5});
    mouse(view, QEvent::MouseMove, {middle + 150, 90});
    mouse(view, QEvent::MouseButtonRelease, {middle + 150, 90});
    ASSERT_TRUE(view->selection().has_value());
    EXPECT_FALSE(darkAt({middle, 27})) << "the selection shows its picture, not the hint";
    EXPECT_TRUE(darkAt({middle, view->height() - 27.0})) << "the hint at the bottom (below its text)";
}

// The crosshair follows the pointer off this screen: the screen it left keeps no stale lines.
TEST(SelectionOverlay, TheCrosshairLeavesWithThePointer) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage frozen(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
    frozen.fill(Qt::darkGreen);
    SelectionOverlayWindow window(screen, frozen, [](std::optional<SelectionOverlayWindow::Result>) {});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    SelectionOverlayView* view = window.view();
    QEnterEvent enter(QPointF(100, 100), QPointF(100, 100), QPointF(100, 100));
    QApplication::sendEvent(view, &enter);
    mouse(view, QEvent::MouseMove, {100, 100});
    auto lineAt = [&] {
        const QImage shown = view->grab().toImage();
        const double s = shown.devicePixelRatio();
        return shown.pixelColor(int(100 * s), int(400 * s)).red() > 100;
    };
    EXPECT_TRUE(lineAt()) << "the crosshair's vertical line under the pointer";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view, &leave);
    EXPECT_FALSE(lineAt()) << "gone with the pointer";
}

// Pixel-exact at the edges: the frozen screen is shown where it was (not a pixel aside), the last
// column's colour is read as its own, and a drag stopping two pixels short of the bottom is not
// taken to the edge.
TEST(SelectionOverlay, EdgesArePixelExact) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const double dpr = screen->devicePixelRatio();
    QImage frozen(screen->geometry().size() * dpr, QImage::Format_RGB32);
    frozen.fill(Qt::darkGreen);
    for (int y = 0; y < frozen.height(); ++y) {
        frozen.setPixel(int(100 * dpr), y, qRgb(255, 0, 0));
        frozen.setPixel(frozen.width() - 1, y, qRgb(0, 0, 255));
    }
    std::optional<SelectionOverlayWindow::Result> last;
    SelectionOverlayWindow window(screen, frozen, [&](std::optional<SelectionOverlayWindow::Result> r) { last = r; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    SelectionOverlayView* view = window.view();
    const QImage shown = view->grab().toImage();
    const double s = shown.devicePixelRatio();
    // Low on the screen, clear of the magnifier by a pointer at the top left.
    const int y = int((view->height() - 40) * s);
    EXPECT_GT(shown.pixelColor(int(100 * s), y).red(), 150);
    EXPECT_LT(shown.pixelColor(int(99 * s), y).red(), 50);
    EXPECT_LT(shown.pixelColor(int(101 * s), y).red(), 50);
    EXPECT_EQ(view->colorHexAt(QPointF(view->width() - 0.25, 10)), QStringLiteral("0000FF"));

    const QSize size = view->size();
    mouse(view, QEvent::MouseButtonPress, {10, 10});
    mouse(view, QEvent::MouseMove, QPointF(200, size.height() - 2));
    mouse(view, QEvent::MouseButtonRelease, QPointF(200, size.height() - 2));
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->rect.bottom() - view->mapToGlobal(QPointF(0, 0)).y(), size.height() - 2);
}
