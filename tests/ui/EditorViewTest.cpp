// Drives the real canvas with mouse and key events and checks what the model ends up holding.
#include "ui/editor/EditorView.h"
#include "editor/EditorModel.h"
#include "io/SaveFolder.h"
#include "model/AnnotationGeometry.h"
#include "ui/editor/CanvasArea.h"
#include "app/EditorWindowController.h"
#include "editor/ObjectManipulation.h"
#include "ui/editor/SaveDialog.h"
#include "ui/editor/TextEntryField.h"

#include "TestSupport.h"
#include "model/Palette.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
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
    EXPECT_EQ(field->pos(), QPoint(40, 50));
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

TEST(EditorWindowController, StatusBarAndZoomKeys) {
    auto model = std::make_unique<EditorModel>(solidImage(1920, 1080));
    EditorModel* m = model.get();
    EditorWindowController window(std::move(model), QStringLiteral("shot.png"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.sizeText(), QStringLiteral("1920 × 1080 px"));
    EXPECT_TRUE(window.versionText().startsWith(QLatin1Char('v')));
    // A large picture opens at the zoom that fits the window; the keys step from 100 %.
    EXPECT_LT(window.view()->zoom(), 1);
    QTest::keyClick(&window, Qt::Key_0, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(window.view()->zoom(), 1.25);
    QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(window.view()->zoom(), 0.8);
    QTest::keyClick(&window, Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(window.view()->zoom(), 1);
    ASSERT_TRUE(m->applyCrop(QRectF(0, 0, 640, 480)));
    EXPECT_EQ(window.sizeText(), QStringLiteral("640 × 480 px"));
}

TEST(SaveDialog, FormatAndSizeChoices) {
    QTemporaryDir dir;
    SaveFolder::set(dir.path());
    SaveDialog dialog;
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
    ASSERT_EQ(dialog.formatChoice()->count(), 3);
    EXPECT_EQ(dialog.formatChoice()->itemText(0), QStringLiteral("PNG (lossless)"));
    EXPECT_EQ(dialog.formatChoice()->itemText(1), QStringLiteral("JPEG (smaller)"));
    EXPECT_EQ(dialog.sizeChoice()->itemText(3), QStringLiteral("25%"));
    EXPECT_EQ(dialog.format(), FlatExport::Format::png);
    EXPECT_DOUBLE_EQ(dialog.scale(), 1.0);
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->text().startsWith(QStringLiteral("Screenshot ")));
    EXPECT_TRUE(name->text().endsWith(QStringLiteral(".png")));
    dialog.formatChoice()->setCurrentIndex(2);
    dialog.sizeChoice()->setCurrentIndex(2);
    EXPECT_EQ(dialog.format(), FlatExport::Format::pdf);
    EXPECT_DOUBLE_EQ(dialog.scale(), 0.5);
    EXPECT_TRUE(name->text().endsWith(QStringLiteral(".pdf")));
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("pdf"));
}

TEST(EditorWindowController, SavingWritesPictureAndProjectAndClearsTheDirtyMark) {
    QTemporaryDir dir;
    auto model = std::make_unique<EditorModel>(solidImage(200, 100));
    EditorModel* m = model.get();
    EditorWindowController window(std::move(model), QStringLiteral("shot.png"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    Annotation a;
    a.tool = EditorTool::arrow;
    a.points = {{10, 10}, {90, 50}};
    m->commit(a, true);
    ASSERT_TRUE(m->isDirty());
    EXPECT_FALSE(
        window.saveTo(dir.filePath(QStringLiteral("x.jpg")), FlatExport::Format::jpeg, 0.5).has_value());
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("x.jpg"))).size(), QSize(100, 50));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("x.pictproj"))));
    EXPECT_FALSE(m->isDirty());
    // The status says where the file went, until the next edit makes it untrue.
    EXPECT_TRUE(window.messageText().startsWith(QStringLiteral("Saved")));
    m->commit(a, true);
    EXPECT_TRUE(window.messageText().isEmpty());
}

TEST(EditorWindowController, ClosingWithUnsavedEditsAsksFirst) {
    auto model = std::make_unique<EditorModel>(solidImage(200, 100));
    EditorModel* m = model.get();
    EditorWindowController window(std::move(model), QStringLiteral("shot.png"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    int asked = 0;
    EditorWindowController::CloseChoice answer = EditorWindowController::CloseChoice::cancel;
    window.askToSave = [&] {
        ++asked;
        return answer;
    };
    window.show();
    EXPECT_TRUE(window.close()); // nothing to lose: no question
    EXPECT_EQ(asked, 0);

    window.show();
    Annotation a;
    a.tool = EditorTool::line;
    a.points = {{1, 1}, {50, 50}};
    m->commit(a, true);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    answer = EditorWindowController::CloseChoice::save;
    EXPECT_FALSE(window.close()); // stays open until the save has happened
    auto* dialog = window.findChild<SaveDialog*>();
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    EXPECT_TRUE(window.isVisible());
    answer = EditorWindowController::CloseChoice::discard;
    EXPECT_TRUE(window.close());
    EXPECT_EQ(asked, 3);

    // Saving from the question closes the window once the files are written.
    window.show();
    m->commit(a, true);
    answer = EditorWindowController::CloseChoice::save;
    window.close();
    QTemporaryDir dir;
    dialog = window.findChild<SaveDialog*>();
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(dir.filePath(QStringLiteral("kept.png")));
    QMetaObject::invokeMethod(dialog, "accept"); // what the Save button does
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("kept.pictproj"))));
    EXPECT_FALSE(window.isVisible());
}

namespace {

void clickView(EditorView* view, QPointF p) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, p, view->mapToGlobal(p), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
}

// A window at `windowSize` on a white picture of `picture` pixels, shown.
std::unique_ptr<EditorWindowController> shownWindow(QSize picture, QSize windowSize) {
    auto window = std::make_unique<EditorWindowController>(
        std::make_unique<EditorModel>(solidImage(picture.width(), picture.height())),
        QStringLiteral("shot.png"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(windowSize);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents(); // the toolbar's rows settle
    window->view()->actualSize();       // the tests place things in picture pixels
    return window;
}

} // namespace

TEST(EditorWindowController, TheTextFieldIsNeverClippedByThePicture) {
    auto window = shownWindow(QSize(300, 200), QSize(900, 700));
    EditorView* view = window->view();
    window->model().setTool(EditorTool::text);
    clickView(view, QPointF(299, 199)); // the bottom-right corner
    TextEntryField* field = view->textField();
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isVisible());
    EXPECT_EQ(field->visibleRegion(), QRegion(field->rect()));
    // Where the window has room, the field keeps its top-left corner on the text's place.
    EXPECT_EQ(field->mapTo(window.get(), QPoint()), view->mapTo(window.get(), QPoint(299, 199)));

    // Ten lines near the bottom of a window too small for them: moved up, still whole.
    window->resize(700, 520); // the toolbar takes several rows at this width
    QTest::qWait(1);
    for (int i = 0; i < 9; ++i) {
        QTest::keyClicks(field, QStringLiteral("line"));
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    }
    EXPECT_EQ(field->visibleRegion(), QRegion(field->rect()));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(window->model().annotations().size(), 1);
    EXPECT_EQ(view->textField(), nullptr);
}

TEST(EditorWindowController, TheCanvasScrollsToTheTextBeingTyped) {
    auto window = shownWindow(QSize(2000, 1500), QSize(800, 600));
    EditorView* view = window->view();
    auto* area = window->canvasArea();
    ASSERT_NE(area, nullptr);
    Annotation text = annotation(EditorTool::text, {{1900, 1400}}, Palette::standardRed(), 4);
    text.text = QStringLiteral("far down");
    window->model().commit(text, true);
    window->model().setTool(EditorTool::select);
    // The text lies outside the viewport; reopening it scrolls it into view.
    const QPoint place = view->mapTo(area->viewport(), QPoint(1905, 1405));
    ASSERT_FALSE(area->viewport()->rect().contains(place));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1905, 1405), view->mapToGlobal(QPointF(1905, 1405)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1905, 1405),
                        view->mapToGlobal(QPointF(1905, 1405)), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &release);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(1905, 1405), view->mapToGlobal(QPointF(1905, 1405)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &dbl);
    QApplication::sendEvent(view, &release);
    TextEntryField* field = view->textField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->toPlainText(), text.text);
    EXPECT_TRUE(area->viewport()->rect().contains(view->mapTo(area->viewport(), QPoint(1900, 1400))));
    EXPECT_EQ(field->visibleRegion(), QRegion(field->rect()));
    // A line running past the picture's right edge keeps the text's place in view.
    QTest::keyClicks(field, QStringLiteral(" and a long line that runs far past the edge"));
    EXPECT_TRUE(area->viewport()->rect().contains(view->mapTo(area->viewport(), QPoint(1900, 1400))));
    // Scrolling on moves the field with its text.
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    EXPECT_EQ(field->mapTo(area->viewport(), QPoint()).y(),
              view->mapTo(area->viewport(), QPoint(1900, 1400)).y());
}

TEST(EditorWindowController, ZoomingLeavesTheShadowWhereTheCanvasIs) {
    auto window = shownWindow(QSize(300, 200), QSize(900, 700));
    auto* area = window->canvasArea();
    ASSERT_NE(area, nullptr);
    // What is on screen (the window's backing store) against a fresh paint of every widget.
    auto matchesAFreshPaint = [&] {
        QCoreApplication::processEvents();
        const QImage shown = window->screen()->grabWindow(window->winId()).toImage();
        const QImage fresh = window->grab().toImage();
        const QRect canvas(window->view()->mapTo(window.get(), QPoint()), window->view()->size());
        const QRect around = canvas.adjusted(-60, -60, 60, 60).intersected(area->geometry());
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x)
                if (shown.pixel(x, y) != fresh.pixel(x, y))
                    return ::testing::AssertionFailure()
                           << "stale pixel at " << x << "," << y << " around a canvas at " << canvas.x()
                           << "," << canvas.y() << " of " << canvas.width() << " x " << canvas.height();
        return ::testing::AssertionSuccess();
    };
    ASSERT_TRUE(matchesAFreshPaint());
    for (int i = 0; i < 3; ++i) {
        window->view()->zoomOut();
        EXPECT_TRUE(matchesAFreshPaint()) << "zoomed out " << i + 1;
    }
    window->view()->actualSize();
    EXPECT_TRUE(matchesAFreshPaint());
    for (int i = 0; i < 6; ++i) { // on until the canvas scrolls
        window->view()->zoomIn();
        EXPECT_TRUE(matchesAFreshPaint()) << "zoomed in " << i + 1;
    }
}
