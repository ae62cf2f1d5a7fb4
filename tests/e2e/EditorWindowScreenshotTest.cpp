// The editor and preview windows on a real X display, saved to the build folder to look at.
#include "app/EditorWindowController.h"
#include "app/PreviewWindowController.h"
#include "editor/EditorModel.h"
#include "model/Palette.h"
#include "ui/editor/EditorToolbar.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/CanvasArea.h"
#include "ui/editor/Popover.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <string>

namespace {

QImage settingsPage() {
    QImage image(1280, 800, QImage::Format_RGB32);
    image.fill(QColor(246, 246, 248));
    QPainter p(&image);
    p.fillRect(0, 0, 240, 800, QColor(232, 234, 238));
    p.setPen(QColor(40, 40, 40));
    QFont font(QStringLiteral("DejaVu Sans"), 11);
    p.setFont(font);
    const char* items[] = {"Network", "Doors", "Readers", "Schedules", "Users", "Alarms"};
    for (int i = 0; i < 6; ++i)
        p.drawText(QPointF(30, 60 + 40 * i), QString::fromLatin1(items[i]));
    for (int i = 0; i < 8; ++i) {
        p.fillRect(300, 80 + 70 * i, 900, 50, Qt::white);
        p.drawText(QPointF(320, 112 + 70 * i), QStringLiteral("Door %1 — reader R%2 — relay output %3").arg(i + 10).arg(i).arg(i + 1));
    }
    return image;
}

bool onScreen() {
    return QGuiApplication::platformName() != QLatin1String("offscreen");
}

void saveScreen(const QString& name) {
    QCoreApplication::processEvents();
    QTest::qWait(50);
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    ASSERT_FALSE(shot.isNull());
    ASSERT_TRUE(shot.save(TestSupport::outputPath(name)));
}

} // namespace

TEST(EditorWindowOnScreen, ToolbarWideAndNarrowWithItsPopovers) {
    if (!onScreen()) GTEST_SKIP() << "needs a real display";
    Annotation arrow = TestSupport::annotation(EditorTool::arrow, {{600, 300}, {380, 140}}, Palette::standardRed(), 6);
    Annotation box = TestSupport::annotation(EditorTool::rect, {{300, 220}, {1220, 280}}, Palette::standardRed(), 5);
    Annotation badge = TestSupport::annotation(EditorTool::dot, {{290, 180}}, Palette::standardRed(), 6, QStringLiteral("1"));
    EditorWindowController* window =
        EditorWindowController::show(settingsPage(), {arrow, box, badge}, QStringLiteral("/tmp/door-settings.png"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->move(20, 20);
    window->resize(1500, 950);
    window->model().setTool(EditorTool::select);
    window->model().setSelectedID(box.id);
    saveScreen(QStringLiteral("editor-wide.png"));
    // The window alone, as the README shows it.
    ASSERT_TRUE(window->grab().save(TestSupport::outputPath(QStringLiteral("editor-window.png"))));

    window->toolbar()->toolButton(EditorTool::stamp)->click();
    window->resize(760, 700);
    saveScreen(QStringLiteral("editor-narrow.png"));
    EXPECT_GT(window->toolbar()->height(), 60); // several rows

    window->resize(1500, 950);
    QTest::qWait(20);
    for (const QString& name : {QStringLiteral("Color"), QStringLiteral("Expand Canvas"), QStringLiteral("Rotate Image"),
                                QStringLiteral("Icon")}) {
        auto* button = qobject_cast<QAbstractButton*>(window->toolbar()->item(name));
        ASSERT_NE(button, nullptr) << name.toStdString();
        button->click();
        QTest::qWait(100);
        saveScreen(QStringLiteral("editor-popover-%1.png").arg(name.toLower().replace(QLatin1Char(' '), QLatin1Char('-'))));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Escape);
        QTest::qWait(50);
    }
    window->model().markSaved();
    window->close();
}

TEST(EditorWindowOnScreen, Preview) {
    if (!onScreen()) GTEST_SKIP() << "needs a real display";
    PreviewWindowController* preview = PreviewWindowController::show(settingsPage());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    preview->move(100, 100);
    saveScreen(QStringLiteral("preview.png"));
    preview->close();
}

// On a 1920 x 1080 screen (and, run again with QT_SCALE_FACTOR=2 on a 3840 x 2160 one, at the same
// size in screen pixels): pictures that fit 0.8 of the screen open at 100 %, whole, in a window
// that fits the screen; a larger one opens zoomed to fit, whole.
TEST(WindowSizes, PicturesOpenAtTheirOwnSizeOrFitted) {
    if (!onScreen()) GTEST_SKIP() << "needs a real display";
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpr = screen->devicePixelRatio();
    struct Case {
        QSize picture;
        bool fitted;
    };
    const Case cases[] = {{QSize(200, 100), false},  {QSize(600, 400), false}, {QSize(1000, 600), false},
                          {QSize(1280, 800), false}, {QSize(1700, 1000), true}};
    for (const Case& c : cases) {
        const QSize picture = c.picture * dpr; // the same size on screen at any scale
        QImage image(picture, QImage::Format_RGB32);
        image.fill(Qt::white);
        EditorWindowController* window = EditorWindowController::show(image, {});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QTest::qWait(50);
        EditorView* view = window->view();
        const std::string name = std::to_string(c.picture.width()) + "x" + std::to_string(c.picture.height());
        if (c.fitted) {
            EXPECT_LT(view->zoom(), 1) << name;
        } else {
            EXPECT_EQ(view->zoom(), 1) << name;
            // Each pixel of the picture on one pixel of the screen.
            EXPECT_EQ(view->size() * dpr, picture) << name;
            EXPECT_EQ(qobject_cast<QLabel*>(window->toolbar()->item(QStringLiteral("Zoom")))->text(), QStringLiteral("100%"));
        }
        // Whole, without scrolling, in a window that fits the screen's free area.
        const QSize viewport = window->canvasArea()->viewport()->size();
        EXPECT_GE(viewport.width(), view->width()) << name;
        EXPECT_GE(viewport.height(), view->height()) << name;
        EXPECT_LE(window->frameGeometry().height(), screen->availableGeometry().height()) << name;
        EXPECT_LE(window->width(), screen->availableGeometry().width()) << name;
        window->model().markSaved();
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
