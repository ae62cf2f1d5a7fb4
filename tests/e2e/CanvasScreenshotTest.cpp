// The canvas on a real X display: what a person sees, saved to the build folder to look at.
#include "editor/EditorModel.h"
#include "model/AnnotationGeometry.h"
#include "model/Palette.h"
#include "ui/editor/CanvasArea.h"
#include "editor/ObjectManipulation.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/SaveDialog.h"
#include "ui/editor/TextEntryField.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

namespace {

QImage picture() {
    QImage image(900, 600, QImage::Format_RGB32);
    image.fill(QColor(250, 250, 250));
    QPainter p(&image);
    p.fillRect(40, 40, 380, 250, QColor(220, 232, 245));
    p.fillRect(480, 60, 360, 200, QColor(235, 225, 210));
    p.setPen(Qt::black);
    for (int y = 330; y < 580; y += 20)
        p.drawText(QPointF(60, y), QStringLiteral("Controller 3 — door 12 — reader R%1 — REX button").arg(y));
    return image;
}

class CanvasOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            GTEST_SKIP() << "needs a real display";
        Annotation rect =
            TestSupport::annotation(EditorTool::rect, {{520, 90}, {780, 200}}, Palette::standardRed());
        rect.rotation = 0.35;
        Annotation arrow = TestSupport::annotation(EditorTool::arrow, {{100, 80}, {260, 200}, {380, 120}},
                                                   Palette::named("blue"));
        Annotation badge = TestSupport::annotation(EditorTool::dot, {{300, 420}}, Palette::named("green"), 5);
        badge.text = QStringLiteral("3");
        Annotation stamp =
            TestSupport::annotation(EditorTool::stamp, {{700, 420}}, Palette::named("purple"), 6);
        stamp.stamp = StampType::cameraDome;
        stamp.showName = true;
        model = std::make_unique<EditorModel>(picture(), QList<Annotation>{rect, arrow, badge, stamp});
        view = new EditorView(*model);
        window.setCentralWidget(new CanvasArea(view));
        window.resize(1000, 700);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QImage screenshot(const char* name) {
        QApplication::processEvents();
        QTest::qWait(100);
        const QImage shot = window.screen()->grabWindow(0).toImage();
        EXPECT_TRUE(shot.save(TestSupport::outputPath(QString::fromLatin1(name)), "PNG"));
        return shot;
    }

    // A point of the canvas in screen-grab coordinates.
    QPoint onScreen(QPointF canvasPoint) const { return view->mapToGlobal(canvasPoint.toPoint()); }

    void mouse(QEvent::Type type, QPointF p, Qt::MouseButtons buttons) {
        QMouseEvent e(type, p, view->mapToGlobal(p), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    }

    QMainWindow window;
    std::unique_ptr<EditorModel> model;
    EditorView* view = nullptr;
};

bool near(QRgb a, QColor b, int tolerance = 40) {
    return std::abs(qRed(a) - b.red()) + std::abs(qGreen(a) - b.green()) + std::abs(qBlue(a) - b.blue()) <
           tolerance;
}

} // namespace

TEST_F(CanvasOnScreen, RotatedSelectionShowsHandlesAndKnob) {
    model->setTool(EditorTool::select);
    const Annotation rect = model->annotations()[0];
    model->setSelectedID(rect.id);
    const QImage shot = screenshot("canvas-selection.png");
    // The knob is a white disc ringed in the accent colour, turned with the rectangle.
    const QPointF knob =
        AnnotationGeometry::fromObjectSpace(ObjectManipulation::knobPosition(rect, view->scale()), rect);
    const QPoint k = onScreen(knob * view->scale());
    EXPECT_TRUE(near(shot.pixel(k), Qt::white, 20)) << std::hex << shot.pixel(k);
    const QColor accent = QApplication::palette().color(QPalette::Highlight);
    EXPECT_TRUE(near(shot.pixel(k + QPoint(5, 0)), accent, 120) ||
                near(shot.pixel(k + QPoint(4, 0)), accent, 120));
    // A handle square at the turned bottom-right corner.
    const QPoint h =
        onScreen(AnnotationGeometry::fromObjectSpace(AnnotationGeometry::bounds(rect).bottomRight(), rect));
    EXPECT_TRUE(near(shot.pixel(h), Qt::white, 30)) << std::hex << shot.pixel(h);
}

TEST_F(CanvasOnScreen, MarqueeAndTextEntry) {
    model->setTool(EditorTool::text);
    mouse(QEvent::MouseButtonPress, QPointF(480, 300), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPointF(480, 300), Qt::NoButton);
    ASSERT_NE(view->textField(), nullptr);
    QTest::keyClicks(view->textField(), QStringLiteral("Patch panel B"));
    QTest::keyClick(view->textField(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(view->textField(), QStringLiteral("port 24"));
    model->setTool(EditorTool::select);
    mouse(QEvent::MouseButtonPress, QPointF(60, 380), Qt::LeftButton);
    mouse(QEvent::MouseMove, QPointF(450, 560), Qt::LeftButton);
    const QImage shot = screenshot("canvas-marquee-text.png");
    EXPECT_EQ(model->selectedIDs().size(), 1); // the badge lies inside the marquee
    const QRgb inside = shot.pixel(onScreen(QPointF(200, 500)));
    EXPECT_FALSE(near(inside, QColor(250, 250, 250), 6)); // tinted by the marquee fill
    // The press elsewhere ended the typing and kept the text, with its line break.
    EXPECT_EQ(view->textField(), nullptr);
    bool kept = false;
    for (const Annotation& a : model->annotations())
        kept |= a.tool == EditorTool::text && a.text == QStringLiteral("Patch panel B\nport 24");
    EXPECT_TRUE(kept);
    mouse(QEvent::MouseButtonRelease, QPointF(450, 560), Qt::NoButton);
}

TEST_F(CanvasOnScreen, SaveDialogShowsFormatAndSize) {
    SaveDialog dialog(&window);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.formatChoice()->setCurrentIndex(1);
    screenshot("save-dialog.png");
    EXPECT_TRUE(dialog.formatChoice()->isVisible());
    EXPECT_TRUE(dialog.sizeChoice()->isVisible());
    dialog.reject();
}
