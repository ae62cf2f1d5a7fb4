// Drives the real canvas with mouse and key events and checks what the model ends up holding.
#include "ui/editor/EditorView.h"
#include "editor/EditorModel.h"
#include "model/AnnotationGeometry.h"
#include "ui/editor/CanvasArea.h"
#include "ui/editor/TextEntryField.h"

#include "TestSupport.h"
#include "model/Palette.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTest>

#include <cmath>

using TestSupport::annotation;
using TestSupport::expectNear;
using TestSupport::solidImage;

namespace {

class EditorViewTest : public ::testing::Test {
protected:
    void open(const QList<Annotation>& annotations = {}, QImage image = solidImage(400, 300)) {
        model = std::make_unique<EditorModel>(image, annotations);
        view = std::make_unique<EditorView>(*model);
        view->resize(view->sizeHint());
    }

    void send(QEvent::Type type, QPointF pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = {}) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, pos, view->mapToGlobal(pos), button, buttons, mods);
        QApplication::sendEvent(view.get(), &event);
    }
    void press(QPointF p, Qt::KeyboardModifiers mods = {}) {
        send(QEvent::MouseButtonPress, p, Qt::LeftButton, mods);
    }
    void move(QPointF p, Qt::KeyboardModifiers mods = {}) {
        send(QEvent::MouseMove, p, Qt::LeftButton, mods);
    }
    void release(QPointF p) { send(QEvent::MouseButtonRelease, p, Qt::NoButton); }
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers mods = {}) {
        press(from, mods);
        for (int i = 1; i <= 4; ++i)
            move(from + (to - from) * (i / 4.0), mods);
        release(to);
    }
    void doubleClick(QPointF p) {
        press(p);
        release(p);
        send(QEvent::MouseButtonDblClick, p, Qt::LeftButton);
        release(p);
    }
    const Annotation& last() const { return model->annotations().last(); }

    std::unique_ptr<EditorModel> model;
    std::unique_ptr<EditorView> view;
};

} // namespace

TEST_F(EditorViewTest, TextIsTypedReopenedAndDeletedWithUndo) {
    open();
    model->setStrokeWidth(4);
    model->setTool(EditorTool::text);
    press(QPointF(40, 50));
    release(QPointF(40, 50));
    TextEntryField* field = view->textField();
    ASSERT_NE(field, nullptr);
    // The typed text starts where the label will be drawn.
    EXPECT_EQ(field->pos() + field->textOrigin(), QPoint(40, 50));
    EXPECT_GT(field->textOrigin().x(), 0);
    QTest::keyClicks(field, QStringLiteral("Door"));
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(field, QStringLiteral("12"));
    EXPECT_TRUE(model->annotations().isEmpty()); // Shift+Return did not submit
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(model->annotations().size(), 1);
    const Annotation text = last();
    EXPECT_EQ(text.text, QStringLiteral("Door\n12"));
    EXPECT_DOUBLE_EQ(text.fontSize, 14);
    EXPECT_EQ(view->textField(), nullptr);

    model->setTool(EditorTool::select);
    doubleClick(QPointF(45, 55));
    ASSERT_NE(view->textField(), nullptr);
    EXPECT_TRUE(model->annotations().isEmpty()); // shown only in the field while editing
    EXPECT_EQ(view->textField()->toPlainText(), text.text);
    view->textField()->clear();
    QTest::keyClick(view->textField(), Qt::Key_Return);
    EXPECT_TRUE(model->annotations().isEmpty());
    model->undo();
    ASSERT_EQ(model->annotations().size(), 1);
    EXPECT_EQ(last().id, text.id);

    // Re-editing keeps the id, colour and size and is one undo step.
    doubleClick(QPointF(45, 55));
    QTest::keyClicks(view->textField(), QStringLiteral("!"));
    QTest::keyClick(view->textField(), Qt::Key_Return);
    EXPECT_EQ(last().text, QStringLiteral("Door\n12!"));
    EXPECT_EQ(last().id, text.id);
    EXPECT_EQ(last().fontSize, text.fontSize);
}

TEST_F(EditorViewTest, TheTextFieldShowsTheLinesOfTheText) {
    open(QList<Annotation>{}, solidImage(1600, 900));
    model->setTool(EditorTool::text);
    press(QPointF(40, 50));
    release(QPointF(40, 50));
    TextEntryField* field = view->textField();
    ASSERT_NE(field, nullptr);
    const QSize empty = field->size();
    // The hint shows whole while nothing is typed.
    EXPECT_GT(field->width(), QFontMetrics(field->font()).horizontalAdvance(field->placeholderText()));
    QTest::keyClicks(field, QStringLiteral("Camera 4 covers the loading bay and both doors of the north stairwell"));
    // One line in the text is one line in the field: it widens instead of wrapping.
    EXPECT_GT(field->width(), empty.width());
    EXPECT_EQ(field->height(), empty.height());
    EXPECT_EQ(field->document()->firstBlock().layout()->lineCount(), 1);
    int previous = field->height();
    for (int line = 2; line <= 12; ++line) {
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(field, QStringLiteral("x"));
        if (line <= TextEntryField::kMaxLines)
            EXPECT_GT(field->height(), previous) << line << " lines";
        else
            EXPECT_EQ(field->height(), previous) << line << " lines";
        previous = field->height();
    }
    // Never wider than the canvas it lies on.
    QTest::keyClicks(field, QString(300, QLatin1Char('W')));
    EXPECT_LE(field->width(), view->width());
}

TEST_F(EditorViewTest, ZoomStepsAndToleranceFollowTheScale) {
    open({annotation(EditorTool::line, {{100, 100}, {200, 100}}, Palette::standardRed(), 2)});
    for (int i = 0; i < 20; ++i)
        view->zoomIn();
    EXPECT_EQ(view->zoom(), 8);
    for (int i = 0; i < 20; ++i)
        view->zoomOut();
    EXPECT_EQ(view->zoom(), 0.25);
    view->actualSize();
    view->zoomIn();
    EXPECT_DOUBLE_EQ(view->zoom(), 1.25);
    view->setZoom(2);
    EXPECT_EQ(view->size(), QSize(800, 600));
    model->setTool(EditorTool::select);
    // 5 screen points from the line at zoom 2 is 2.5 image pixels: still a hit (6 points + 1).
    press(QPointF(300, 205));
    release(QPointF(300, 205));
    EXPECT_EQ(model->selectedID(), model->annotations()[0].id);
}

TEST_F(EditorViewTest, ReopeningAnotherTextPutsTheFirstOneBack) {
    Annotation alpha = annotation(EditorTool::text, {{20, 20}}, Palette::standardRed(), 4);
    alpha.text = QStringLiteral("Alpha");
    Annotation beta = annotation(EditorTool::text, {{20, 150}}, Palette::standardRed(), 4);
    beta.text = QStringLiteral("Beta");
    open({alpha, beta});
    model->setTool(EditorTool::select);
    doubleClick(QPointF(30, 30));
    QTest::keyClicks(view->textField(), QStringLiteral("!"));
    doubleClick(QPointF(30, 160));
    ASSERT_EQ(model->annotations().size(), 1);
    EXPECT_EQ(model->annotations()[0].text, QStringLiteral("Alpha!"));
    EXPECT_EQ(view->textField()->toPlainText(), QStringLiteral("Beta"));
}

namespace {

QImage paintedCanvas(EditorView& view) {
    QImage out(view.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::magenta); // whatever the window held before must not show through
    QPainter painter(&out);
    view.paintCanvas(painter, view.rect());
    return out;
}

} // namespace

TEST_F(EditorViewTest, DragsRepaintExactlyWhatAStillCanvasShows) {
    QImage dark(400, 300, QImage::Format_ARGB32_Premultiplied);
    dark.fill(QColor(50, 50, 50));
    {
        QPainter clear(&dark); // a transparent strip, where the backdrop shows
        clear.setCompositionMode(QPainter::CompositionMode_Source);
        clear.fillRect(0, 200, 400, 100, Qt::transparent);
    }
    Annotation rect = annotation(EditorTool::rect, {{20, 20}, {80, 80}}, Palette::standardRed(), 4);
    Annotation marker =
        annotation(EditorTool::highlighter, {{200, 100}, {380, 100}}, Palette::standardRed(), 6);
    marker.color = QColor(255, 204, 0);
    open({rect, marker}, dark);
    model->setTool(EditorTool::select);
    const QImage still = paintedCanvas(*view);
    press(QPointF(20, 50));
    move(QPointF(30, 60)); // the rectangle moves; the highlighter lies above it in drawing order
    const QImage dragging = paintedCanvas(*view);
    release(QPointF(30, 60));
    EXPECT_EQ(dragging.pixel(300, 100), still.pixel(300, 100)); // multiplied, not laid on top
    EXPECT_EQ(dragging.pixel(300, 250), still.pixel(300, 250)); // the checkerboard backdrop
    EXPECT_EQ(dragging.pixel(301, 257), still.pixel(301, 257));
}

TEST_F(EditorViewTest, PartialRepaintsKeepSmallZoomCaptions) {
    Annotation stamp = annotation(EditorTool::stamp, {{400, 400}}, Palette::standardRed(), 1);
    stamp.stamp = StampType::ept; // "Power Transfer (EPT)"
    stamp.showName = true;
    stamp.color = Qt::black;
    open({stamp}, solidImage(800, 600));
    view->setZoom(0.25);
    const QImage whole = paintedCanvas(*view);
    // A strip right of the stamp, where only the caption's end reaches.
    const QRect strip(127, 100, 20, 20);
    QImage part = whole.copy();
    {
        QPainter painter(&part);
        painter.fillRect(strip, Qt::green);
        view->paintCanvas(painter, strip);
    }
    EXPECT_EQ(part, whole);
}

TEST_F(EditorViewTest, CommittingTextWithdrawsFocus) {
    open();
    QMainWindow window;
    auto* area = new CanvasArea(view.release());
    window.setCentralWidget(area);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EditorView* shown = area->view();
    model->setTool(EditorTool::text);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 30), shown->mapToGlobal(QPointF(30, 30)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(shown, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(30, 30), shown->mapToGlobal(QPointF(30, 30)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(shown, &release);
    ASSERT_NE(shown->textField(), nullptr);
    QTest::keyClicks(shown->textField(), QStringLiteral("hi"));
    QTest::keyClick(shown->textField(), Qt::Key_Return);
    EXPECT_EQ(model->annotations().size(), 1);
    EXPECT_EQ(window.focusWidget(), nullptr);
}


// What is typed stays where it is when committed: the letters in the field and the label drawn
// afterwards cover the same pixels, to a pixel of rounding.
TEST_F(EditorViewTest, CommittedTextDoesNotMove) {
    open({}, solidImage(400, 300, Qt::white));
    view->show();
    model->setColor(Palette::named("red"));
    for (double zoom : {1.0, 2.0}) {
        view->setZoom(zoom);
        view->resize(view->sizeHint());
        model->setTool(EditorTool::text);
        press(QPointF(60, 70));
        release(QPointF(60, 70));
        TextEntryField* field = view->textField();
        ASSERT_NE(field, nullptr);
        QTest::keyClicks(field, QStringLiteral("HH"));
        QCoreApplication::processEvents();
        // The red letters' box, in view pixels.
        auto letters = [](const QImage& shot) {
            QRect box;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    if (c.red() > 180 && c.green() < 90 && c.blue() < 90) box |= QRect(x, y, 1, 1);
                }
            return box;
        };
        const QRect typed = letters(view->grab().toImage());
        QTest::keyClick(field, Qt::Key_Return);
        ASSERT_EQ(view->textField(), nullptr);
        const QRect drawn = letters(view->grab().toImage());
        ASSERT_FALSE(typed.isEmpty());
        ASSERT_FALSE(drawn.isEmpty());
        EXPECT_LE(std::abs(typed.left() - drawn.left()), 1) << zoom;
        EXPECT_LE(std::abs(typed.top() - drawn.top()), 2) << zoom;
        model->undo();
    }
}
