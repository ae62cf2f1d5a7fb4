// The editor window around the canvas: status bar, zoom keys, saving, closing, the text field's place.
#include "ui/editor/EditorView.h"
#include "editor/EditorModel.h"
#include "io/SaveFolder.h"
#include "model/AnnotationGeometry.h"
#include "ui/editor/CanvasArea.h"
#include "app/EditorWindowController.h"
#include "ui/editor/SaveDialog.h"
#include "editor/SaveCommand.h"
#include "io/ProjectIO.h"
#include "ui/editor/TextEntryField.h"

#include "TestSupport.h"
#include "model/Palette.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
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

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers every question a dialog asks with its Escape button, counting them.
struct QuestionCounter {
    int asked = 0;
    QTimer timer;
    QuestionCounter() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++asked;
                box->reject();
            }
        });
        timer.start(10);
    }
};

} // namespace

// Closing the window while a label is being typed: the text is an edit, and the question comes.
TEST(EditorWindowController, ClosingWhileTypingAsksAndKeepsTheText) {
    auto model = std::make_unique<EditorModel>(solidImage(300, 200));
    EditorModel* m = model.get();
    EditorWindowController window(std::move(model), QStringLiteral("shot.png"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    int asked = 0;
    window.askToSave = [&] {
        ++asked;
        return EditorWindowController::CloseChoice::cancel;
    };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    m->setTool(EditorTool::text);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(40, 40), window.view()->mapToGlobal(QPointF(40, 40)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window.view(), &event);
    }
    ASSERT_NE(window.view()->textField(), nullptr);
    QTest::keyClicks(window.view()->textField(), QStringLiteral("Door 14"));
    EXPECT_FALSE(window.close());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(m->annotations().size(), 1);
    EXPECT_EQ(m->annotations().first().text, QStringLiteral("Door 14"));
}

TEST(EditorWindowController, CtrlSWritesAReopenedProjectInPlaceAndSaveAsStartsInItsFolder) {
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("door.pictproj"));
    const QString jpeg = dir.filePath(QStringLiteral("door.jpg"));
    {
        EditorModel earlier(solidImage(400, 200));
        earlier.commit(annotation(EditorTool::arrow, {{10, 10}, {90, 50}}), true);
        ASSERT_FALSE(SaveCommand::save(earlier, jpeg, FlatExport::Format::jpeg, 0.5).error);
    }
    Result<ProjectIO::Project> reopened = ProjectIO::load(project);
    ASSERT_TRUE(reopened.ok());
    auto model = std::make_unique<EditorModel>(reopened->baseImage, reopened->annotations);
    EditorModel* m = model.get();
    EditorWindowController window(std::move(model), project);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    m->commit(annotation(EditorTool::rect, {{100, 100}, {150, 150}}), true);
    const QByteArray oldProject = contentOf(project), oldPicture = contentOf(jpeg);

    // Ctrl+S: the same two files, new content, no dialog, in the picture's format and size.
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(window.findChild<SaveDialog*>(), nullptr);
    EXPECT_FALSE(m->isDirty());
    EXPECT_NE(contentOf(project), oldProject);
    EXPECT_NE(contentOf(jpeg), oldPicture);
    EXPECT_EQ(ProjectIO::load(project)->annotations.size(), 2);
    EXPECT_EQ(QImageReader(jpeg).size(), QSize(200, 100));
    EXPECT_EQ(TestSupport::everyName(dir.path()), (QStringList{"door.jpg", "door.pictproj"}));
    EXPECT_TRUE(window.messageText().startsWith(QStringLiteral("Saved “door.jpg”")));

    // Ctrl+Shift+S: the dialog, in the project's folder, with its name, format and size.
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    auto* dialog = window.findChild<SaveDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(dialog->format(), FlatExport::Format::jpeg);
    EXPECT_EQ(dialog->scale(), 0.5);
    EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), QStringLiteral("door.jpg"));

    // Saved as PDF and then PNG: the document's own project is replaced without a question.
    QuestionCounter questions;
    for (int format : {2, 0}) {
        if (!dialog) {
            window.saveAs();
            dialog = window.findChild<SaveDialog*>();
            ASSERT_NE(dialog, nullptr);
        }
        dialog->formatChoice()->setCurrentIndex(format);
        QMetaObject::invokeMethod(dialog, "accept");
        dialog = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(questions.asked, 0);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("door.pdf"))));
    ASSERT_TRUE(window.savedFiles().has_value());
    EXPECT_EQ(window.savedFiles()->imagePath, dir.filePath(QStringLiteral("door.png")));
    EXPECT_EQ(window.savedFiles()->scale, 0.5);

    // Another document's files are still asked about.
    window.saveAs();
    dialog = window.findChild<SaveDialog*>();
    ASSERT_NE(dialog, nullptr);
    QFile other(dir.filePath(QStringLiteral("other.pictproj")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("other.png"));
    QMetaObject::invokeMethod(dialog, "accept");
    EXPECT_EQ(questions.asked, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("other.png"))));
}

TEST(EditorWindowController, ANewCaptureAsksOnceThenSavesInPlace) {
    QTemporaryDir dir;
    auto model = std::make_unique<EditorModel>(solidImage(300, 200));
    EditorModel* m = model.get();
    EditorWindowController window(std::move(model));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    m->commit(annotation(EditorTool::line, {{1, 1}, {50, 50}}), true);
    window.save();
    auto* dialog = window.findChild<SaveDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->format(), FlatExport::Format::png);
    EXPECT_EQ(dialog->scale(), 1.0);
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(dir.filePath(QStringLiteral("cap.png")));
    QMetaObject::invokeMethod(dialog, "accept");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(QFile::exists(dir.filePath(QStringLiteral("cap.png"))));
    m->commit(annotation(EditorTool::line, {{5, 5}, {60, 60}}), true);
    window.save();
    EXPECT_EQ(window.findChild<SaveDialog*>(), nullptr);
    EXPECT_FALSE(m->isDirty());
    EXPECT_EQ(ProjectIO::load(dir.filePath(QStringLiteral("cap.pictproj")))->annotations.size(), 2);
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
    // Where the window has room, the field's text starts on the text's place.
    EXPECT_EQ(field->mapTo(window.get(), field->textOrigin()), view->mapTo(window.get(), QPoint(299, 199)));

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
    EXPECT_EQ(field->mapTo(area->viewport(), field->textOrigin()).y(),
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

// Copy Text leaves out what redactions hide, and the boxes are not read as letters nor spoil the
// words beside them.
TEST(EditorWindowController, CopyTextReadsAroundRedactions) {
    struct Line {
        QString before, secret, after;
    };
    const QList<Line> lines{{QStringLiteral("Password is "), QStringLiteral("hunter2-secret-77"), QStringLiteral(" for the gateway")},
                            {QStringLiteral("API key "), QStringLiteral("sk-ABCD1234EFGH"), QStringLiteral(" please rotate")},
                            {QStringLiteral("Mail to "), QStringLiteral("j.smith@example.com"), QStringLiteral(" today")}};
    QImage page(640, 170, QImage::Format_RGB32);
    page.fill(Qt::white);
    QList<Annotation> redactions;
    {
        QPainter p(&page);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(14);
        p.setFont(font);
        p.setPen(QColor(30, 30, 30));
        const QFontMetrics metrics(font);
        int baseline = 30;
        for (const Line& line : lines) {
            p.drawText(20, baseline, line.before + line.secret + line.after);
            const int left = 20 + metrics.horizontalAdvance(line.before);
            const QRect secret(left, baseline - metrics.ascent(), metrics.horizontalAdvance(line.secret), metrics.height());
            redactions << annotation(EditorTool::redact, {QPointF(secret.topLeft()) - QPointF(2, 2),
                                                          QPointF(secret.bottomRight()) + QPointF(2, 2)});
            baseline += 50;
        }
    }
    EditorWindowController window(std::make_unique<EditorModel>(page, redactions), QStringLiteral("page.png"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    window.copyText();
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::clipboard()->text() != QLatin1String("before"); }, 30000));
    QStringList read = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& l : read) l = l.simplified();
    EXPECT_EQ(read, (QStringList{QStringLiteral("Password is for the gateway"), QStringLiteral("API key please rotate"),
                                 QStringLiteral("Mail to today")}))
        << QApplication::clipboard()->text().toStdString();
}
