// The editor's and the preview's sizes and the editor's title, without any window manager.
#include "app/WindowGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include <QWidget>
#include <QWindow>

using WindowGeometry::ScreenMetrics;

namespace {

// A toolbar of one row 40 high above 1000 pixels of width, two rows below: it wraps.
WindowGeometry::EditorChrome chrome() {
    return {QSize(60, 90), [](int width) { return width >= 1000 ? 40 : 80; }};
}

TEST(EditorFit, PicturesThatFitEightyPercentOfTheScreenOpenAtTheirOwnSize) {
    const ScreenMetrics desktop{QSize(1920, 1080), 1.0};
    for (const QSize picture : {QSize(600, 400), QSize(1000, 600), QSize(1280, 800), QSize(1536, 864)}) {
        const WindowGeometry::EditorFit fit = WindowGeometry::editorFit(desktop, picture, chrome());
        EXPECT_EQ(fit.zoom, 1) << picture.width();
        // The window is the picture plus its chrome (at least 680 wide), the toolbar at that width.
        const int width = std::max(picture.width() + 60, 680);
        const int toolbar = width >= 1000 ? 40 : 80;
        EXPECT_EQ(fit.window, QSize(width, picture.height() + 90 + toolbar)) << picture.width();
    }
    // A small picture: the minimum width, the toolbar of that width.
    EXPECT_EQ(WindowGeometry::editorFit(desktop, QSize(200, 100), chrome()).window, QSize(680, 100 + 90 + 80));
    // On a 2x screen a picture covers half as many device-independent pixels: 1x-equivalent.
    const WindowGeometry::EditorFit hiDpi =
        WindowGeometry::editorFit({QSize(1920, 1080), 2.0}, QSize(2560, 1600), chrome());
    EXPECT_EQ(hiDpi.zoom, 1);
    EXPECT_EQ(hiDpi.window, QSize(1280 + 60, 800 + 90 + 40));
    // The chrome may not fit under a picture that does: the window stops at the screen and scrolls.
    const WindowGeometry::EditorFit low = WindowGeometry::editorFit({QSize(1920, 500), 1.0}, QSize(700, 400), chrome());
    EXPECT_EQ(low.zoom, 1);
    EXPECT_EQ(low.window, QSize(760, 500));
}

TEST(EditorFit, LargerPicturesAreZoomedToFitEightyPercentOfTheScreen) {
    const ScreenMetrics desktop{QSize(1920, 1080), 1.0};
    const WindowGeometry::EditorFit wide = WindowGeometry::editorFit(desktop, QSize(1700, 1000), chrome());
    // Width share 1536 - 60 over 1700 against height share 864 - 130 over 1000: the height wins.
    EXPECT_NEAR(wide.zoom, (864.0 - 130) / 1000, 1e-9);
    EXPECT_LT(wide.zoom, 1);
    EXPECT_EQ(wide.window.width(), int(std::lround(1700 * wide.zoom)) + 60);
    EXPECT_LE(wide.window.height(), 864);
    // A tall picture: a narrower window whose toolbar wraps, and the zoom allows for that.
    const WindowGeometry::EditorFit tall = WindowGeometry::editorFit(desktop, QSize(600, 2000), chrome());
    EXPECT_EQ(tall.window.width(), 680);
    EXPECT_NEAR(tall.zoom, (864.0 - 170) / 2000, 1e-9);
    // Never below the smallest zoom.
    EXPECT_EQ(WindowGeometry::editorFit(desktop, QSize(20000, 20000), chrome()).zoom, 0.25);
}

TEST(EditorFit, NoScreenAndDegenerateInput) {
    EXPECT_EQ(WindowGeometry::metricsOf(nullptr).available, QSize(1440, 900));
    EXPECT_EQ(WindowGeometry::metricsOf(nullptr).devicePixelRatio, 2.0);
    // The minimum width wins over a tiny screen.
    EXPECT_EQ(WindowGeometry::editorFit({QSize(600, 400), 1.0}, QSize(1000, 1000), chrome()).window.width(), 680);
    // No picture, or a broken ratio: a sane size, no division by zero.
    EXPECT_EQ(WindowGeometry::editorFit({QSize(1440, 900), 1.0}, QSize(0, 0), chrome()).window, QSize(680, 170));
    const WindowGeometry::EditorFit broken = WindowGeometry::editorFit({QSize(1920, 1040), 0.0}, QSize(1000, 500), chrome());
    EXPECT_EQ(broken.zoom, 1);
    EXPECT_EQ(broken.window, QSize(1060, 630));
}

TEST(PreviewDisplaySize, SmallCapturesAreNotEnlargedLargeOnesFit) {
    EXPECT_EQ(WindowGeometry::previewDisplaySize(QSize(100, 50)), QSize(120, 80));
    EXPECT_EQ(WindowGeometry::previewDisplaySize(QSize(1280, 800)), QSize(640, 400));
    EXPECT_EQ(WindowGeometry::previewDisplaySize(QSize(2000, 500)), QSize(640, 160));
    EXPECT_EQ(WindowGeometry::previewDisplaySize(QSize(300, 200)), QSize(300, 200));
    // Exactly the bound: s = 1, kept as it is.
    EXPECT_EQ(WindowGeometry::previewDisplaySize(QSize(640, 100)), QSize(640, 100));
    // A sliver keeps the minimum on its short side.
    EXPECT_EQ(WindowGeometry::previewDisplaySize(QSize(100, 4000)), QSize(120, 400));
    EXPECT_EQ(WindowGeometry::previewDisplaySize(QSize(0, 0)), QSize(320, 200));
    EXPECT_EQ(WindowGeometry::previewDisplaySize(QSize(-5, 100)), QSize(320, 200));
}

// What the window system is told, with Qt's mark resolved.
QString shownTitle(const QString& title, bool modified) {
    QWidget window;
    window.setWindowTitle(title);
    window.setWindowModified(modified);
    window.show();
    return window.windowHandle()->title();
}

TEST(EditorTitle, NameAppearsOnceThePictureHasOneAndTheMarkWhileModified) {
    EXPECT_EQ(WindowGeometry::editorTitle(), QStringLiteral("Edit Screenshot[*]"));
    const QString title = WindowGeometry::editorTitle(QStringLiteral("/home/me/Pictures/door14.png"));
    EXPECT_EQ(title, QStringLiteral("Edit Screenshot \u2014 door14.png[*]"));

    EXPECT_EQ(shownTitle(title, true), QStringLiteral("Edit Screenshot \u2014 door14.png*"));
    EXPECT_EQ(shownTitle(title, false), QStringLiteral("Edit Screenshot \u2014 door14.png"));
    EXPECT_EQ(shownTitle(WindowGeometry::editorTitle(), true), QStringLiteral("Edit Screenshot*"));
}

TEST(EditorTitle, FileNamesAreShownAsTheyAre) {
    // A "[*]" inside the name is text, not a second mark.
    const QString title = WindowGeometry::editorTitle(QStringLiteral("/tmp/a[*]b.png"));
    EXPECT_EQ(shownTitle(title, false), QStringLiteral("Edit Screenshot \u2014 a[*]b.png"));
    EXPECT_EQ(shownTitle(title, true), QStringLiteral("Edit Screenshot \u2014 a[*]b.png*"));
}

} // namespace

TEST(CascadedPosition, NewWindowsStepAsideFromTheOnesAlreadyThere) {
    const QRect screen(0, 0, 1000, 800);
    const QSize size(600, 400);
    const QPoint centre(200, 200);
    EXPECT_EQ(WindowGeometry::cascadedPosition(screen, size, {}), centre);
    EXPECT_EQ(WindowGeometry::cascadedPosition(screen, size, {centre}), QPoint(228, 228));
    EXPECT_EQ(WindowGeometry::cascadedPosition(screen, size, {QPoint(228, 228), centre}), QPoint(256, 256));
    // A place given up by a closed window is taken again.
    EXPECT_EQ(WindowGeometry::cascadedPosition(screen, size, {QPoint(228, 228)}), centre);
    // Off a screen with an offset (a second monitor, a panel at the top).
    EXPECT_EQ(WindowGeometry::cascadedPosition(QRect(1000, 30, 1000, 800), size, {QPoint(1200, 230)}),
              QPoint(1228, 258));
    // No step past the screen's edge: back to the centre.
    QList<QPoint> many;
    for (int i = 0; i < 20; ++i)
        many << centre + QPoint(28 * i, 28 * i);
    EXPECT_EQ(WindowGeometry::cascadedPosition(screen, size, many), centre);
    // A window as large as the screen stays where it fits.
    EXPECT_EQ(WindowGeometry::cascadedPosition(screen, screen.size(), {QPoint(0, 0)}), QPoint(0, 0));
}
