// The editor window and the preview as a person uses them: toolbar items, keys, copy, close.
#include "app/EditorWindowController.h"
#include "app/PreviewWindowController.h"
#include "editor/EditorModel.h"
#include "io/ProjectIO.h"
#include "model/Palette.h"
#include "ui/editor/CanvasArea.h"
#include "ui/editor/ColorPopover.h"
#include "ui/editor/EditorActions.h"
#include "ui/editor/EditorToolbar.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/TextEntryField.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

#include <QAbstractButton>
#include <QAccessible>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QToolButton>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QFontInfo>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

using TestSupport::annotation;
using TestSupport::solidImage;

namespace {

struct Window {
    EditorModel* model;
    std::unique_ptr<EditorWindowController> window;
    EditorToolbar* toolbar() const { return window->toolbar(); }
    bool shows(const QString& name) const {
        QWidget* w = toolbar()->item(name);
        return w && w->isVisibleTo(window.get());
    }
};

Window openWindow(const QList<Annotation>& annotations = {}, QSize picture = QSize(400, 300)) {
    auto model = std::make_unique<EditorModel>(solidImage(picture.width(), picture.height()), annotations);
    EditorModel* m = model.get();
    auto window = std::make_unique<EditorWindowController>(std::move(model), QStringLiteral("/tmp/door14.png"));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->askToSave = [] { return EditorWindowController::CloseChoice::discard; };
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return {m, std::move(window)};
}

void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->click();
    else
        QTest::mouseClick(widget, Qt::LeftButton);
}

void clickCanvas(EditorView* view, QPointF p) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, p, view->mapToGlobal(p), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
}

Annotation stampOf(StampType type, QPointF at) {
    Annotation a = annotation(EditorTool::stamp, {at}, Palette::standardRed(), 6);
    a.stamp = type;
    if (type == StampType::numberCircle) a.text = QStringLiteral("1");
    return a;
}

} // namespace

TEST(EditorWindow, TheTitleNamesThePictureAndMarksUnsavedEdits) {
    Window w = openWindow();
    EXPECT_EQ(w.window->windowTitle(), QStringLiteral("Edit Screenshot — door14.png[*]"));
    EXPECT_FALSE(w.window->isWindowModified());
    w.model->commit(annotation(EditorTool::rect, {{10, 10}, {50, 50}}), true);
    EXPECT_TRUE(w.window->isWindowModified());
}

// However narrow the window is made, no tool is cut off: the row of tools is never squeezed beside
// Copy and Save (in English the crop tool was, for a small picture; longer texts cut more).
TEST(EditorWindow, EveryToolStaysWhollyOnTheToolbarAtTheNarrowestWindow) {
    Window w = openWindow({}, QSize(200, 100));
    w.window->resize(1, w.window->height());
    QTest::qWait(50);
    ASSERT_LT(w.window->width(), 900);
    int tools = 0;
    for (EditorTool tool : EditorTools::toolbarCases()) {
        QAbstractButton* button = w.toolbar()->toolButton(tool);
        ASSERT_NE(button, nullptr);
        ++tools;
        EXPECT_EQ(button->visibleRegion(), QRegion(button->rect())) << EditorTools::name(tool).toStdString();
    }
    EXPECT_GT(tools, 10);
}

TEST(EditorWindow, ToolSettingsAppearWithTheirTool) {
    Window w = openWindow();
    struct Case {
        EditorTool tool;
        QStringList shown, hidden;
    };
    const Case cases[] = {
        {EditorTool::pen, {"Color", "Size", "Paste Image", "Undo"}, {"Arrowhead size", "Fill", "Icon", "Names"}},
        {EditorTool::arrow, {"Arrowhead size"}, {"Fill", "Icon"}},
        {EditorTool::rect, {"Outline", "Fill"}, {"Arrowhead size", "Icon"}},
        {EditorTool::ellipse, {"Fill"}, {"Names"}},
        {EditorTool::redact, {"Color"}, {"Size", "Fill", "Arrowhead size", "Icon"}},
        {EditorTool::stamp, {"Icon", "Names", "Next number"}, {"Fill", "Arrowhead size"}},
    };
    for (const Case& c : cases) {
        click(w.toolbar()->toolButton(c.tool));
        EXPECT_EQ(w.model->tool(), c.tool);
        for (const QString& name : c.shown)
            EXPECT_TRUE(w.shows(name)) << name.toStdString() << " with " << rawValue(c.tool).toStdString();
        for (const QString& name : c.hidden)
            EXPECT_FALSE(w.shows(name)) << name.toStdString() << " with " << rawValue(c.tool).toStdString();
    }
    // The badge settings only for the number circle.
    w.model->setStampType(StampType::cameraBox);
    EXPECT_FALSE(w.shows(QStringLiteral("Next number")));
    EXPECT_TRUE(w.shows(QStringLiteral("Icon")));
}

// Redact sits after Blur and is picked with X; its box shows where it lies in the picture (the
// canvas's own place in the window does not move it); a selected one offers a turn but no size.
TEST(EditorWindow, TheRedactToolSitsAfterBlurAndItsBoxShowsWhereItLies) {
    Window w = openWindow({annotation(EditorTool::redact, {{10, 10}, {80, 60}}, Palette::named("blue"))});
    QAbstractButton* blur = w.toolbar()->toolButton(EditorTool::blur);
    QAbstractButton* redact = w.toolbar()->toolButton(EditorTool::redact);
    const QList<QAbstractButton*> row = blur->parentWidget()->findChildren<QAbstractButton*>();
    EXPECT_EQ(row.indexOf(redact), row.indexOf(blur) + 1);
    EXPECT_EQ(redact->accessibleName(), QStringLiteral("Redact"));
    EXPECT_EQ(redact->toolTip(),
              QStringLiteral("Redact — an opaque box that hides what is under it, in the image and in the project (X)"));
    EXPECT_EQ(blur->accessibleName(), QStringLiteral("Blur"));
    EXPECT_EQ(blur->toolTip(), QStringLiteral("Blur — blurred text can sometimes be read back; use Redact to hide it (B)"));
    QTest::keyClick(w.window.get(), Qt::Key_X);
    EXPECT_EQ(w.model->tool(), EditorTool::redact);

    const QImage shown = w.window->grab().toImage();
    const double s = w.window->view()->scale();
    auto at = [&](QPointF p) { return shown.pixel(w.window->view()->mapTo(w.window.get(), (p * s).toPoint())); };
    EXPECT_EQ(at({45, 35}), Palette::named("blue").rgb());
    EXPECT_EQ(at({45, 70}), qRgb(255, 255, 255));
    EXPECT_EQ(at({90, 35}), qRgb(255, 255, 255));

    QTest::keyClick(w.window.get(), Qt::Key_V);
    w.model->setSelectedID(w.model->annotations().first().id);
    EXPECT_TRUE(w.shows(QStringLiteral("Rotation")));
    EXPECT_FALSE(w.shows(QStringLiteral("Size")));
}

TEST(EditorWindow, SelectionControlsFollowTheSelection) {
    Annotation rect = annotation(EditorTool::rect, {{10, 10}, {80, 60}});
    Annotation stamp = stampOf(StampType::cameraBox, {200, 100});
    Annotation badge = stampOf(StampType::numberCircle, {300, 200});
    Annotation line = annotation(EditorTool::line, {{20, 200}, {120, 250}});
    Window w = openWindow({rect, stamp, badge, line});
    w.model->setTool(EditorTool::select);
    const QStringList commands{"Copy Objects", "Rotate Left", "Rotate Right", "Fine rotate", "Delete", "Flatten"};
    for (const QString& name : commands + QStringList{"Selection fill", "Name", "Number in", "Rotation"})
        EXPECT_FALSE(w.shows(name)) << name.toStdString();

    w.model->setSelectedID(rect.id);
    for (const QString& name : commands + QStringList{"Selection fill", "Rotation"})
        EXPECT_TRUE(w.shows(name)) << name.toStdString();
    EXPECT_FALSE(w.shows(QStringLiteral("Name")));
    // The fill choice of the selection is one undo step, and choosing the same again is none.
    click(w.toolbar()->item(QStringLiteral("Selection fill")));
    EXPECT_TRUE(w.model->annotations()[0].filled);
    EXPECT_EQ(w.model->undoStack().size(), 1);
    click(w.toolbar()->item(QStringLiteral("Selection fill")));
    EXPECT_EQ(w.model->undoStack().size(), 1);

    w.model->setSelectedID(stamp.id);
    EXPECT_TRUE(w.shows(QStringLiteral("Name")));
    EXPECT_FALSE(w.shows(QStringLiteral("Number in")));
    w.model->setSelectedID(badge.id);
    EXPECT_TRUE(w.shows(QStringLiteral("Number in")));
    click(w.toolbar()->item(QStringLiteral("Number out")));
    EXPECT_TRUE(w.model->annotations()[2].labelOutside);
    // Lines turn by their points: no rotation field.
    w.model->setSelectedID(line.id);
    EXPECT_FALSE(w.shows(QStringLiteral("Rotation")));
    EXPECT_TRUE(w.shows(QStringLiteral("Delete")));
    // Two selected: flatten is there but disabled.
    w.model->setSelectedIDs({rect.id, stamp.id});
    EXPECT_TRUE(w.shows(QStringLiteral("Flatten")));
    EXPECT_FALSE(w.window->actions().action(EditorCommand::flatten)->isEnabled());
    // Another tool hides them all.
    click(w.toolbar()->toolButton(EditorTool::pen));
    for (const QString& name : commands)
        EXPECT_FALSE(w.shows(name)) << name.toStdString();
}

TEST(EditorWindow, ASelectionShowsItsColourAndWidthWithoutBeingEdited) {
    Annotation text = annotation(EditorTool::text, {{20, 20}}, Palette::named("blue"), 1);
    text.text = QStringLiteral("Reader");
    text.fontSize = 40;
    Annotation arrow = annotation(EditorTool::arrow, {{50, 150}, {200, 180}}, Palette::named("green"), 2.5);
    arrow.headScale = 2.25;
    Window w = openWindow({text, arrow});
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(text.id);
    EXPECT_EQ(w.model->strokeWidth(), 13); // 40 / 3 rounded
    EXPECT_EQ(w.model->color(), Palette::named("blue"));
    QTest::qWait(0);
    EXPECT_EQ(w.model->annotations()[0].fontSize, 40);
    EXPECT_TRUE(w.model->undoStack().isEmpty());

    w.model->setSelectedID(arrow.id);
    EXPECT_EQ(w.model->strokeWidth(), 3);
    EXPECT_EQ(w.model->arrowHeadScale(), 2.25);
    QTest::qWait(0);
    EXPECT_EQ(w.model->annotations()[1].width, 2.5);
    EXPECT_TRUE(w.model->undoStack().isEmpty());

    // Now a width chosen on the toolbar is an edit of the selection.
    auto* size = qobject_cast<QSlider*>(w.toolbar()->item(QStringLiteral("Size")));
    ASSERT_NE(size, nullptr);
    size->setValue(6);
    EXPECT_EQ(w.model->annotations()[1].width, 6);
    EXPECT_EQ(w.model->undoStack().size(), 1);
}

// A rectangle selected in a fresh editor, and the colour popover opened from the toolbar.
ColorPopover* openColorsOnASelectedRect(Window& w, const Annotation& rect) {
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(rect.id);
    QTest::qWait(0);
    click(w.toolbar()->item(QStringLiteral("Color")));
    return qobject_cast<ColorPopover*>(w.toolbar()->colorPopover());
}

TEST(EditorWindow, TheRotationFieldReadsWithinAHalfTurn) {
    Annotation rect = annotation(EditorTool::rect, {{10, 10}, {80, 60}});
    rect.rotation = 190 * M_PI / 180;
    Window w = openWindow({rect});
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(rect.id);
    auto* field = qobject_cast<QLineEdit*>(w.toolbar()->item(QStringLiteral("Rotation")));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QStringLiteral("-170.0"));

    // Three quarter turns to the right read as a quarter turn to the left.
    w.model->setSelectionRotation(0);
    EXPECT_EQ(field->text(), QString());
    for (int i = 0; i < 3; ++i)
        w.window->actions().action(EditorCommand::rotateRight)->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("-90.0"));
}

TEST(EditorWindow, OnlyObjectsWithARotationOfTheirOwnShowTheRotationField) {
    const QList<EditorTool> withField{EditorTool::rect, EditorTool::ellipse, EditorTool::stamp, EditorTool::dot,
                                      EditorTool::check, EditorTool::blur, EditorTool::text, EditorTool::image};
    const QList<EditorTool> without{EditorTool::pen, EditorTool::highlighter, EditorTool::line, EditorTool::arrow,
                                    EditorTool::polygon};
    QList<Annotation> objects;
    for (EditorTool tool : withField + without) {
        Annotation a = annotation(tool, {{30, 30}, {90, 70}, {40, 80}});
        a.text = QStringLiteral("1");
        objects.append(a);
    }
    Window w = openWindow(objects);
    w.model->setTool(EditorTool::select);
    for (const Annotation& a : objects) {
        w.model->setSelectedID(a.id);
        EXPECT_EQ(w.shows(QStringLiteral("Rotation")), withField.contains(a.tool)) << rawValue(a.tool).toStdString();
    }
}

TEST(EditorWindow, CtrlRTurnsTheSelectionRightAndCtrlShiftRLeft) {
    Annotation rect = annotation(EditorTool::rect, {{10, 10}, {80, 60}});
    Window w = openWindow({rect});
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(rect.id);
    QTest::keyClick(w.window.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(w.model->annotations()[0].rotation, M_PI / 2); // clockwise on screen
    QTest::keyClick(w.window.get(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(w.window.get(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(w.model->annotations()[0].rotation, -M_PI / 2);
}

TEST(EditorWindow, AfterUndoTheToolbarShowsTheSelectionAsItIs) {
    Annotation arrow = annotation(EditorTool::arrow, {{50, 150}, {200, 180}}, Palette::standardRed(), 8);
    Annotation text = annotation(EditorTool::text, {{20, 20}}, Palette::named("green"), 1, QStringLiteral("Door"));
    text.fontSize = 30;
    Window w = openWindow({arrow, text});
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(arrow.id);
    auto* slider = qobject_cast<QSlider*>(w.toolbar()->item(QStringLiteral("Size")));
    auto* field = qobject_cast<QLineEdit*>(w.toolbar()->item(QStringLiteral("Size in pixels")));
    ASSERT_TRUE(slider && field);
    w.model->chooseColor(Palette::named("blue"));
    slider->setValue(14);
    EXPECT_DOUBLE_EQ(w.model->annotations()[0].width, 14);
    QAction* undo = w.window->actions().action(EditorCommand::undo);
    undo->trigger();
    undo->trigger();
    EXPECT_EQ(w.model->annotations()[0].color, Palette::standardRed());
    EXPECT_EQ(field->text(), QStringLiteral("8"));
    EXPECT_EQ(slider->value(), 8);
    EXPECT_EQ(w.model->color(), Palette::standardRed()); // what the colour well paints

    // The size box of a text after its size change is undone.
    w.model->setSelectedID(text.id);
    EXPECT_EQ(field->text(), QStringLiteral("10"));
    slider->setValue(20);
    EXPECT_DOUBLE_EQ(w.model->annotations()[1].fontSize, 60);
    undo->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("10"));
    w.window->actions().action(EditorCommand::redo)->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("20"));
}

// Live changes in "More colors…" recolour the selection; Cancel takes them back without leaving an
// undo step or an unsaved edit behind.
TEST(EditorWindow, CancellingMoreColorsLeavesNoTrace) {
    Annotation rect = annotation(EditorTool::rect, {{10, 10}, {80, 60}});
    Window w = openWindow({rect});
    // An edit undone: its redo step must survive the Cancel.
    w.model->commit(annotation(EditorTool::line, {{1, 1}, {30, 30}}), true);
    w.model->undo();
    w.model->markSaved();
    ASSERT_EQ(w.model->redoStack().size(), 1);
    ColorPopover* popover = openColorsOnASelectedRect(w, rect);
    ASSERT_NE(popover, nullptr);
    QTest::mouseClick(popover->moreColorsButton(), Qt::LeftButton);
    ASSERT_NE(popover->colorDialog(), nullptr);
    popover->colorDialog()->setCurrentColor(QColor(0x20, 0x40, 0x60));
    popover->colorDialog()->setCurrentColor(QColor(0x30, 0x50, 0x70));
    EXPECT_EQ(pictavoHex(w.model->annotations()[0].color), QStringLiteral("305070"));
    EXPECT_EQ(w.model->undoStack().size(), 1);
    EXPECT_TRUE(w.model->redoStack().isEmpty());
    EXPECT_TRUE(w.model->isDirty());
    popover->colorDialog()->reject();
    EXPECT_EQ(w.model->annotations()[0].color, rect.color);
    EXPECT_TRUE(w.model->undoStack().isEmpty());
    EXPECT_FALSE(w.model->isDirty());
    EXPECT_EQ(w.model->color(), rect.color);
    w.model->redo();
    EXPECT_EQ(w.model->annotations().size(), 2);
}

TEST(EditorWindow, ASwatchRecoloursTheSelectionAndBecomesRecent) {
    Annotation rect = annotation(EditorTool::rect, {{10, 10}, {80, 60}});
    Window w = openWindow({rect});
    ColorPopover* popover = openColorsOnASelectedRect(w, rect);
    ASSERT_NE(popover, nullptr);
    QAbstractButton* blue = nullptr;
    for (auto* b : popover->findChildren<QAbstractButton*>())
        if (b->accessibleName() == QStringLiteral("blue")) blue = b;
    ASSERT_NE(blue, nullptr);
    blue->click();
    EXPECT_EQ(w.model->annotations()[0].color, Palette::named("blue"));
    ASSERT_FALSE(w.model->recentColors().isEmpty());
    EXPECT_EQ(w.model->recentColors().first(), Palette::named("blue"));
    EXPECT_EQ(w.model->undoStack().size(), 1);
}

TEST(EditorWindow, TheWidthFieldKeepsToItsRange) {
    Window w = openWindow();
    auto* field = qobject_cast<QLineEdit*>(w.toolbar()->item(QStringLiteral("Size in pixels")));
    ASSERT_NE(field, nullptr);
    for (const auto& [typed, stored] : {std::pair{"500", 200}, std::pair{"0", 1}, std::pair{"37", 37}}) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(typed));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(w.model->strokeWidth(), stored) << typed;
    }
}

TEST(EditorWindow, UndoWhileTypingCommitsTheTextFirst) {
    Window w = openWindow();
    click(w.toolbar()->toolButton(EditorTool::text));
    EditorView* view = w.window->view();
    clickCanvas(view, QPointF(40, 40));
    ASSERT_NE(view->textField(), nullptr);
    QTest::keyClicks(view->textField(), QStringLiteral("hi"));
    EXPECT_FALSE(w.shows(QStringLiteral("Copy Objects")));
    click(w.toolbar()->item(QStringLiteral("Undo")));
    EXPECT_TRUE(w.model->annotations().isEmpty());
    ASSERT_EQ(w.model->redoStack().size(), 1);
    w.model->redo();
    ASSERT_EQ(w.model->annotations().size(), 1);
    EXPECT_EQ(w.model->annotations()[0].text, QStringLiteral("hi"));
}

TEST(EditorWindow, KeysPickToolsDeleteAndNudge) {
    Annotation rect = annotation(EditorTool::rect, {{10, 10}, {80, 60}});
    Window w = openWindow({rect});
    QTest::keyClick(w.window.get(), Qt::Key_R);
    EXPECT_EQ(w.model->tool(), EditorTool::rect);
    QTest::keyClick(w.window.get(), Qt::Key_V);
    EXPECT_EQ(w.model->tool(), EditorTool::select);

    // Arrows nudge: a run of presses is one undo step.
    w.model->setSelectedID(rect.id);
    QTest::keyClick(w.window.get(), Qt::Key_Right);
    QTest::keyClick(w.window.get(), Qt::Key_Right);
    QTest::keyClick(w.window.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(w.model->annotations()[0].points[0], QPointF(12, 20));
    EXPECT_EQ(w.model->undoStack().size(), 1);

    // Delete only with the select tool.
    w.model->setTool(EditorTool::pen);
    QTest::keyClick(w.window.get(), Qt::Key_Delete);
    EXPECT_EQ(w.model->annotations().size(), 1);
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(rect.id);
    QTest::keyClick(w.window.get(), Qt::Key_Backspace);
    EXPECT_TRUE(w.model->annotations().isEmpty());

    // Ctrl+A selects everything.
    w.model->undo();
    QTest::keyClick(w.window.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.model->selectedIDs().size(), 1);
}

TEST(EditorWindow, LettersAndDeleteGoToTheTextBeingTyped) {
    Annotation rect = annotation(EditorTool::rect, {{10, 10}, {80, 60}});
    Window w = openWindow({rect});
    w.model->setTool(EditorTool::text);
    EditorView* view = w.window->view();
    clickCanvas(view, QPointF(200, 200));
    TextEntryField* field = view->textField();
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, QStringLiteral("Rack"));
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->toPlainText(), QStringLiteral("Rac"));
    EXPECT_EQ(w.model->tool(), EditorTool::text);
    EXPECT_EQ(w.model->annotations().size(), 1);
}

TEST(EditorWindow, CopyingPutsThePictureOrTheObjectsOnTheClipboard) {
    Annotation rect = annotation(EditorTool::rect, {{100, 100}, {150, 140}}, Palette::named("blue"), 4);
    Window w = openWindow({rect});
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    // Nothing selected: Ctrl+C copies the flat picture.
    QTest::keyClick(w.window.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->image().size(), QSize(400, 300));
    // Said on the button, and to a screen reader by its name.
    QWidget* copied = w.window->toolbar()->item(QStringLiteral("Copied!"));
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->property("text").toString(), QStringLiteral("Copied!"));
    // While text is read, the button beside it stops the reading, its longer name shown whole.
    w.window->toolbar()->showReadingText(true);
    QWidget* cancel = w.window->toolbar()->item(QStringLiteral("Cancel Reading"));
    ASSERT_NE(cancel, nullptr);
    EXPECT_GE(cancel->minimumWidth(), cancel->fontMetrics().horizontalAdvance(QStringLiteral("Cancel Reading")) + 16);
    w.window->toolbar()->showReadingText(false);
    // Objects: our own format, and beside it the objects alone on transparency.
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(rect.id);
    QTest::keyClick(w.window.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = clipboard->mimeData();
    ASSERT_TRUE(data->hasFormat(QString::fromLatin1(ProjectIO::kPasteboardType)));
    const QImage area = clipboard->image();
    EXPECT_GE(area.width(), 50);
    EXPECT_LE(area.width(), 50 + 10); // the outline's reach, no margin of the picture
    EXPECT_EQ(QColor(area.pixel(area.width() / 2, 4)).name(), Palette::named("blue").name()); // top edge
    EXPECT_EQ(qAlpha(area.pixel(area.width() / 2, area.height() / 2)), 0);                    // inside
}

TEST(EditorWindow, ClosingAsksOnlyWithUnsavedEdits) {
    Window w = openWindow();
    int asked = 0;
    w.window->askToSave = [&asked] {
        ++asked;
        return EditorWindowController::CloseChoice::cancel;
    };
    w.model->commit(annotation(EditorTool::rect, {{10, 10}, {50, 50}}), true);
    QTest::keyClick(w.window.get(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(w.window->isVisible());
    w.window->askToSave = [&asked] {
        ++asked;
        return EditorWindowController::CloseChoice::discard;
    };
    w.window->close();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(w.window->isVisible());
}

TEST(PreviewWindow, CopyLeavesOneImageAndEditOpensTheEditor) {
    QImage picture = solidImage(1280, 800, Qt::green);
    auto* preview = PreviewWindowController::show(picture);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Screenshot"));
    EXPECT_TRUE(preview->editButton()->isDefault());
    QPointer<PreviewWindowController> alive(preview);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    preview->copyButton()->click();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(data->hasImage());
    EXPECT_FALSE(data->hasText());
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), picture.size());
    // The preview says so before it goes.
    EXPECT_EQ(preview->copyButton()->text(), QStringLiteral("Copied!"));
    EXPECT_TRUE(preview->isVisible());
    QTest::qWait(500);
    EXPECT_FALSE(alive.isNull());
    QTRY_VERIFY(alive.isNull()); // closed and gone

    // A preview of a file: a title bar with a close button only; Edit keeps the file's name.
    auto* second = PreviewWindowController::show(picture, QStringLiteral("/tmp/door14.png"));
    EXPECT_TRUE(second->windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_FALSE(second->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    const qsizetype editors = EditorWindowController::active().size();
    second->editButton()->click();
    ASSERT_EQ(EditorWindowController::active().size(), editors + 1);
    EditorWindowController* editor = EditorWindowController::active().last();
    EXPECT_EQ(editor->model().baseImage().size(), picture.size());
    EXPECT_EQ(editor->filePath(), QStringLiteral("/tmp/door14.png"));
    // Centred on its screen.
    EXPECT_LE((editor->geometry().center() - editor->screen()->availableGeometry().center()).manhattanLength(), 8);
    EXPECT_TRUE(PreviewWindowController::active().isEmpty());
    editor->close();
    QTRY_COMPARE(EditorWindowController::active().size(), editors);
}

TEST(PreviewWindow, CtrlWClosesAndSaveProposesTheFilesName) {
    auto* preview = PreviewWindowController::show(solidImage(64, 48), QStringLiteral("/tmp/Site plan page 2.pdf"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    QPointer<PreviewWindowController> alive(preview);
    preview->saveButton()->click();
    auto* dialog = preview->findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
              QStringLiteral("Site plan page 2.png"));
    dialog->reject();
    EXPECT_TRUE(preview->isVisible());
    QTest::keyClick(preview, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(alive.isNull());
}

TEST(EditorWindow, EscapeKeepsTypedTextInOneUndoStepAndThenClearsTheSelection) {
    Annotation label = annotation(EditorTool::text, {{50, 50}}, Palette::standardRed(), 1, QStringLiteral("Door 14"));
    Annotation rect = annotation(EditorTool::rect, {{200, 100}, {300, 200}});
    Window w = openWindow({label, rect});
    EditorView* view = w.window->view();
    auto texts = [&] {
        QStringList out;
        for (const Annotation& a : w.model->annotations())
            if (a.tool == EditorTool::text) out << a.text;
        return out;
    };
    w.model->setTool(EditorTool::text);
    clickCanvas(view, QPointF(150, 250));
    ASSERT_NE(view->textField(), nullptr);
    QTest::keyClicks(view->textField(), QStringLiteral("draft"));
    QTest::keyClick(view->textField(), Qt::Key_Escape);
    EXPECT_EQ(view->textField(), nullptr);
    EXPECT_EQ(texts(), (QStringList{"Door 14", "draft"}));
    EXPECT_EQ(w.model->undoStack().size(), 1);

    // Reopened and edited, then Escape: the edit stays, and one undo takes it back.
    w.model->setTool(EditorTool::select);
    view->interaction().handleDoubleClick(QPointF(55, 55));
    ASSERT_NE(view->textField(), nullptr);
    QTest::keyClicks(view->textField(), QStringLiteral(" changed"));
    QTest::keyClick(view->textField(), Qt::Key_Escape);
    EXPECT_EQ(texts(), (QStringList{"draft", "Door 14 changed"}));
    w.window->actions().action(EditorCommand::undo)->trigger();
    EXPECT_EQ(texts(), (QStringList{"Door 14", "draft"}));

    // A blank text commits nothing.
    w.model->setTool(EditorTool::text);
    clickCanvas(view, QPointF(150, 150));
    QTest::keyClicks(view->textField(), QStringLiteral("  "));
    QTest::keyClick(view->textField(), Qt::Key_Escape);
    EXPECT_EQ(texts().size(), 2);

    // With nothing open, Escape clears the selection.
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(rect.id);
    QTest::keyClick(w.window.get(), Qt::Key_Escape);
    EXPECT_TRUE(w.model->selectedIDs().isEmpty());
}

TEST(EditorWindow, AClickOutsideTheTextFieldKeepsTheTextWhichLooksAsItWill) {
    Window w = openWindow({annotation(EditorTool::rect, {{200, 100}, {300, 200}})});
    EditorView* view = w.window->view();
    w.model->setColor(Palette::named("blue"));
    w.model->setStrokeWidth(10);
    w.model->setTool(EditorTool::text);
    clickCanvas(view, QPointF(40, 40));
    TextEntryField* field = view->textField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(w.window->statusBar()->currentMessage(), QStringLiteral("Shift+Return for a new line"));
    // The label as it will be: blue, semibold, 30 pixels at zoom 1.
    EXPECT_EQ(field->palette().color(QPalette::Text), Palette::named("blue"));
    EXPECT_NEAR(QFontInfo(field->font()).pixelSize(), 30, 1);
    EXPECT_GE(field->font().weight(), QFont::DemiBold);
    QTest::keyClicks(field, QStringLiteral("Door"));

    // Another tool chosen without the toolbar (a key), then a click elsewhere on the picture.
    w.model->setTool(EditorTool::select);
    clickCanvas(view, QPointF(350, 250));
    EXPECT_EQ(view->textField(), nullptr);
    ASSERT_EQ(w.model->annotations().size(), 2);
    EXPECT_EQ(w.model->annotations().last().text, QStringLiteral("Door"));
    EXPECT_EQ(w.model->annotations().last().color, Palette::named("blue"));
    EXPECT_TRUE(w.window->statusBar()->currentMessage().isEmpty());

    // A click beside the picture, in the margin around it, ends the typing too.
    w.model->setTool(EditorTool::text);
    clickCanvas(view, QPointF(40, 150));
    QTest::keyClicks(view->textField(), QStringLiteral("Reader"));
    QWidget* margin = w.window->canvasArea()->viewport();
    QTest::mouseClick(margin, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(view->textField(), nullptr);
    EXPECT_EQ(w.model->annotations().last().text, QStringLiteral("Reader"));
}

TEST(EditorWindow, APictureThatFitsTheScreenOpensAtItsOwnSize) {
    Window w = openWindow({}, QSize(600, 400));
    EditorView* view = w.window->view();
    EXPECT_EQ(view->zoom(), 1);
    EXPECT_EQ(view->size() * view->devicePixelRatioF(), QSize(600, 400));
    // All of it in view: the window was sized to the picture and its chrome as they are.
    QApplication::processEvents();
    EXPECT_GE(w.window->canvasArea()->viewport()->width(), 600 + 2 * CanvasArea::kMargin);
    EXPECT_GE(w.window->canvasArea()->viewport()->height(), 400 + 2 * CanvasArea::kMargin);
    EXPECT_EQ(qobject_cast<QLabel*>(w.toolbar()->item(QStringLiteral("Zoom")))->text(), QStringLiteral("100%"));
}

TEST(EditorWindow, TheReadoutNeverClaimsAZoomItIsNot) {
    EXPECT_EQ(EditorToolbar::zoomText(1), QStringLiteral("100%"));
    EXPECT_EQ(EditorToolbar::zoomText(0.995), QStringLiteral("99.5%"));
    EXPECT_EQ(EditorToolbar::zoomText(0.9996), QStringLiteral("100%")); // within a twentieth of a percent
    EXPECT_EQ(EditorToolbar::zoomText(1.001), QStringLiteral("100.1%"));
    EXPECT_EQ(EditorToolbar::zoomText(0.733), QStringLiteral("73%"));
    EXPECT_EQ(EditorToolbar::zoomText(0.25), QStringLiteral("25%"));
}

TEST(EditorWindow, ThePictureStaysPutWhenTheSelectionOrTheToolChanges) {
    Annotation badge = annotation(EditorTool::dot, {{100, 100}}, Palette::standardRed(), 4, QStringLiteral("1"));
    Annotation stamp = stampOf(StampType::numberCircle, {200, 100});
    Annotation rect = annotation(EditorTool::rect, {{10, 200}, {80, 260}});
    Window w = openWindow({badge, stamp, rect}, QSize(700, 400));
    for (int width : {1400, 900, 700}) {
        w.window->resize(width, w.window->height());
        QApplication::processEvents();
        EditorView* view = w.window->view();
        const QPoint at = view->mapToGlobal(QPoint(0, 0));
        auto stays = [&](const char* what) {
            QApplication::processEvents();
            EXPECT_EQ(view->mapToGlobal(QPoint(0, 0)), at) << what << " at width " << width;
        };
        w.model->setTool(EditorTool::select);
        stays("select tool");
        w.model->setSelectedID(badge.id);
        stays("a badge selected");
        w.model->setSelectedID(stamp.id);
        stays("a number stamp selected");
        w.model->setSelectedIDs({badge.id, rect.id});
        stays("two selected");
        w.model->setSelectedID(std::nullopt);
        stays("nothing selected");
        for (EditorTool tool : EditorTools::toolbarCases()) {
            click(w.toolbar()->toolButton(tool));
            stays(rawValue(tool).toLatin1().constData());
        }
        w.model->setStampType(StampType::relayContactNC);
        stays("a long stamp title");
        w.model->setStampType(StampType::numberCircle);
        stays("the number stamp");
    }
}

TEST(EditorWindow, TheNextNumberFieldNeverWritesBackAnotherNumber) {
    TestSupport::MemoryClipboard clipboard;
    Window w = openWindow({stampOf(StampType::numberCircle, {50, 50})});
    w.model->setClipboard(&clipboard);
    click(w.toolbar()->toolButton(EditorTool::stamp));
    w.model->setNextDotNumber(998);
    w.model->setTool(EditorTool::select);
    w.model->selectAll();
    w.model->copySelectedToPasteboard();
    ASSERT_TRUE(w.model->pasteObjectsFromPasteboard());
    ASSERT_TRUE(w.model->pasteObjectsFromPasteboard());
    EXPECT_EQ(w.model->annotations().last().text, QStringLiteral("999"));
    EXPECT_EQ(w.model->nextDotNumber(), 1000);
}

TEST(EditorWindow, AnUndoneWidthIsNotAppliedAgainWhenTheFieldLosesTheFocus) {
    Annotation arrow = annotation(EditorTool::arrow, {{50, 150}, {200, 180}}, Palette::standardRed(), 8);
    Window w = openWindow({arrow});
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(arrow.id);
    auto* field = qobject_cast<QLineEdit*>(w.toolbar()->item(QStringLiteral("Size in pixels")));
    ASSERT_NE(field, nullptr);
    QApplication::setActiveWindow(w.window.get());
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("14"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(w.model->annotations()[0].width, 14);
    w.window->actions().action(EditorCommand::undo)->trigger();
    EXPECT_EQ(field->text(), QStringLiteral("8"));
    field->clearFocus(); // a click on the canvas takes the focus away
    EXPECT_DOUBLE_EQ(w.model->annotations()[0].width, 8);
    EXPECT_FALSE(w.model->redoStack().isEmpty());
}

TEST(EditorWindow, KeysGoToTheControlWithTheFocusFirst) {
    Annotation rect = annotation(EditorTool::rect, {{50, 50}, {150, 120}});
    Window w = openWindow({rect});
    QApplication::setActiveWindow(w.window.get());
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(rect.id);
    auto focusWindowIs = [](QWidget* window) {
        return QTest::qWaitFor([window] { return QGuiApplication::focusWindow() == window->windowHandle(); }, 2000);
    };
    // The window that took the focus from the editor, once it has.
    auto opened = [&w]() -> QWidget* {
        if (!QTest::qWaitFor([&w] { return QApplication::focusWidget() && QApplication::focusWidget()->window() != w.window.get(); }, 2000))
            return nullptr;
        return QApplication::focusWidget()->window();
    };

    // Escape closes each popover, and only that: the selection stays.
    for (const char* opener : {"Color", "Expand Canvas", "Rotate Image"}) {
        click(w.toolbar()->item(QString::fromLatin1(opener)));
        QWidget* popover = opened();
        ASSERT_TRUE(popover) << opener;
        ASSERT_TRUE(focusWindowIs(popover)) << opener;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(popover->isVisible()) << opener;
        EXPECT_EQ(w.model->selectedIDs(), QSet<QUuid>{rect.id}) << opener;
        QApplication::setActiveWindow(w.window.get());
        ASSERT_TRUE(focusWindowIs(w.window.get()));
    }

    // Typing in the stamp picker searches it; the editor's tool stays.
    click(w.toolbar()->toolButton(EditorTool::stamp));
    click(w.toolbar()->item(QStringLiteral("Icon")));
    QWidget* picker = opened();
    ASSERT_TRUE(picker && focusWindowIs(picker));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("re"));
    EXPECT_EQ(w.model->tool(), EditorTool::stamp);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(w.model->tool(), EditorTool::stamp);

    // Arrows move the slider and step the number field instead of nudging the selection.
    w.model->setTool(EditorTool::select);
    w.model->setSelectedID(rect.id);
    QApplication::setActiveWindow(w.window.get());
    ASSERT_TRUE(focusWindowIs(w.window.get()));
    auto* slider = qobject_cast<QSlider*>(w.toolbar()->item(QStringLiteral("Size")));
    slider->setFocus();
    const int before = slider->value();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), before + 1);
    EXPECT_EQ(w.model->annotations()[0].points[0], rect.points[0]);
    click(w.toolbar()->toolButton(EditorTool::stamp));
    QWidget* number = w.toolbar()->item(QStringLiteral("Next number"));
    number->setFocus();
    QTest::keyClick(number, Qt::Key_Up);
    EXPECT_EQ(w.model->nextDotNumber(), 2);
    EXPECT_EQ(w.model->annotations()[0].points[0], rect.points[0]);
}

TEST(EditorWindow, TheNextNumberFieldShowsAndTakesNumbersPast999) {
    Window w = openWindow({stampOf(StampType::numberCircle, {50, 50})});
    click(w.toolbar()->toolButton(EditorTool::stamp));
    auto* field = qobject_cast<QAbstractSpinBox*>(w.toolbar()->item(QStringLiteral("Next number")));
    ASSERT_NE(field, nullptr);
    w.model->setNextDotNumber(1200); // a project whose badges went on past 999
    EXPECT_EQ(field->text(), QStringLiteral("1200"));
    // A screen reader is told the same number the field shows.
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(field);
    ASSERT_TRUE(reader != nullptr && reader->valueInterface() != nullptr);
    EXPECT_EQ(reader->valueInterface()->currentValue().toLongLong(), 1200);
    QApplication::setActiveWindow(w.window.get());
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("1500"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(w.model->nextDotNumber(), 1500);
    // Only the stepper stops at 999: up does nothing past it, down counts down.
    field->stepUp();
    EXPECT_EQ(w.model->nextDotNumber(), 1500);
    field->stepDown();
    EXPECT_EQ(w.model->nextDotNumber(), 1499);
    w.model->setNextDotNumber(998);
    field->stepUp();
    field->stepUp();
    EXPECT_EQ(w.model->nextDotNumber(), 999);
    EXPECT_EQ(field->text(), QStringLiteral("999"));
    // Letters and zero are no badge numbers.
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("x0"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(w.model->nextDotNumber(), 999);
}

TEST(EditorWindow, RenumberBadgesIsOfferedWithBadgesOnTheToolbarAndInTheMenu) {
    Annotation one = stampOf(StampType::numberCircle, {50, 50}), three = stampOf(StampType::numberCircle, {150, 50});
    three.text = QStringLiteral("3");
    Window w = openWindow({one, three, annotation(EditorTool::rect, {{200, 200}, {300, 260}})});
    // One button among the badge settings of the tool, one among those of a selected badge.
    auto showsRenumber = [&w] {
        for (QWidget* widget : w.toolbar()->findChildren<QWidget*>())
            if (widget->accessibleName() == QStringLiteral("Renumber Badges") && widget->isVisibleTo(w.window.get()))
                return true;
        return false;
    };
    EXPECT_FALSE(showsRenumber());
    click(w.toolbar()->toolButton(EditorTool::stamp));
    EXPECT_TRUE(showsRenumber());
    w.model->setTool(EditorTool::select);
    EXPECT_FALSE(showsRenumber());
    w.model->setSelectedID(three.id);
    EXPECT_TRUE(showsRenumber());
    QMenu onBadge, onRect;
    w.window->actions().fillContextMenu(onBadge, QPointF(150, 50));
    w.window->actions().fillContextMenu(onRect, QPointF(250, 200));
    auto texts = [](const QMenu& menu) {
        QStringList out;
        for (QAction* a : menu.actions())
            out << a->text();
        return out;
    };
    EXPECT_TRUE(texts(onBadge).contains(QStringLiteral("Renumber Badges")));
    EXPECT_FALSE(texts(onRect).contains(QStringLiteral("Renumber Badges")));
    // From the menu of badge 3, which a right-click leaves selected alone: every badge is numbered.
    w.model->setSelectedID(three.id);
    w.window->actions().action(EditorCommand::renumberBadges)->trigger();
    EXPECT_EQ(w.model->annotations()[0].text, QStringLiteral("1"));
    EXPECT_EQ(w.model->annotations()[1].text, QStringLiteral("2"));
}

TEST(EditorWindow, ZoomToFitShowsTheWholePictureAndSitsBesideActualSize) {
    Window w = openWindow({}, QSize(1600, 1000));
    EditorView* view = w.window->view();
    EXPECT_TRUE(w.shows(QStringLiteral("Fit")));
    QApplication::setActiveWindow(w.window.get());
    QTest::keyClick(w.window.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(view->zoom(), 1);
    QTest::keyClick(w.window.get(), Qt::Key_9, Qt::ControlModifier);
    EXPECT_LT(view->zoom(), 1);
    QApplication::processEvents();
    const QSize viewport = w.window->canvasArea()->viewport()->size();
    EXPECT_LE(view->width() + 2 * CanvasArea::kMargin, viewport.width());
    EXPECT_LE(view->height() + 2 * CanvasArea::kMargin, viewport.height());
    // Fitted, not merely smaller: one side fills the room.
    EXPECT_TRUE(viewport.width() - view->width() - 2 * CanvasArea::kMargin <= 2 ||
                viewport.height() - view->height() - 2 * CanvasArea::kMargin <= 2);
}

TEST(EditorWindow, CtrlWheelZoomsAboutThePointer) {
    Window w = openWindow({}, QSize(3000, 2000));
    EditorView* view = w.window->view();
    CanvasArea* area = w.window->canvasArea();
    view->actualSize();
    QCoreApplication::processEvents();
    const QPoint at(200, 150); // in the viewport
    const QPointF before = QPointF(view->mapFrom(area->viewport(), at)) / view->scale();
    const double zoom = view->zoom();
    QWheelEvent wheel(QPointF(at), QPointF(area->viewport()->mapToGlobal(at)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area->viewport(), &wheel);
    EXPECT_GT(view->zoom(), zoom);
    const QPointF after = QPointF(view->mapFrom(area->viewport(), at)) / view->scale();
    EXPECT_NEAR(after.x(), before.x(), 1.5);
    EXPECT_NEAR(after.y(), before.y(), 1.5);
}
