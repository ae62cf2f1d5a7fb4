// The editor's and the preview's sizes and the editor's title, without any window manager.
#include "app/WindowGeometry.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>

using WindowGeometry::ScreenMetrics;

namespace {

TEST(EditorContentSize, WorkedExamples) {
    const ScreenMetrics laptop{QSize(1440, 900), 2.0};
    // 0.8 of the screen caps both sides: min(1152, 3000 / 2 + 40), min(720, 1152 * 2 / 3 + 60).
    EXPECT_EQ(WindowGeometry::editorContentSize(laptop, QSize(3000, 2000)), QSize(1152, 720));
    // A small picture opens at the minimum width, its height following the proportions.
    EXPECT_EQ(WindowGeometry::editorContentSize(laptop, QSize(200, 100)), QSize(680, 400));
}

TEST(EditorContentSize, PictureAtItsPhysicalSizeOnAnOrdinaryScreen) {
    const ScreenMetrics desktop{QSize(1920, 1040), 1.0};
    EXPECT_EQ(WindowGeometry::editorContentSize(desktop, QSize(1000, 500)), QSize(1040, 580));
    // The same picture on a 2x screen covers half as many device-independent pixels.
    const ScreenMetrics hiDpi{QSize(1920, 1040), 2.0};
    EXPECT_EQ(WindowGeometry::editorContentSize(hiDpi, QSize(2000, 1000)), QSize(1040, 580));
    // A tall picture is capped by the screen's height only.
    EXPECT_EQ(WindowGeometry::editorContentSize(desktop, QSize(800, 4000)), QSize(840, 832));
}

TEST(EditorContentSize, NoScreenAndDegenerateInput) {
    EXPECT_EQ(WindowGeometry::metricsOf(nullptr).available, QSize(1440, 900));
    EXPECT_EQ(WindowGeometry::metricsOf(nullptr).devicePixelRatio, 2.0);
    EXPECT_EQ(WindowGeometry::editorContentSize(WindowGeometry::metricsOf(nullptr), QSize(3000, 2000)),
              QSize(1152, 720));
    // The minimum width wins over a tiny screen.
    EXPECT_EQ(WindowGeometry::editorContentSize({QSize(600, 400), 1.0}, QSize(1000, 1000)), QSize(680, 320));
    // No picture, or a broken ratio: a sane size, no division by zero.
    EXPECT_EQ(WindowGeometry::editorContentSize({QSize(1440, 900), 1.0}, QSize(0, 0)), QSize(680, 60));
    EXPECT_EQ(WindowGeometry::editorContentSize({QSize(1920, 1040), 0.0}, QSize(1000, 500)),
              QSize(1040, 580));
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
