// Drives the gesture engine as the canvas does, without a widget, and checks what the model ends
// up holding. Locations are canvas points at zoom 1, the engine's default scale.
#include "editor/EditorInteraction.h"
#include "editor/EditorModel.h"
#include "editor/ObjectManipulation.h"
#include "model/AnnotationGeometry.h"
#include "model/Palette.h"
#include "render/EditorRenderer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>

using TestSupport::annotation;
using TestSupport::expectNear;
using TestSupport::solidImage;

namespace {

class GestureTest : public ::testing::Test {
protected:
    void open(const QList<Annotation>& annotations = {}, QImage image = solidImage(400, 300)) {
        model = std::make_unique<EditorModel>(image, annotations);
        interaction = std::make_unique<EditorInteraction>(*model);
    }

    // What the canvas does with a press, a move with the button down, a release; after Escape the
    // rest of the press is ignored.
    void press(QPointF p, Qt::KeyboardModifiers mods = {}) {
        pressedAt = p;
        pressed = true;
        interaction->dragChanged(p, p, mods & Qt::ShiftModifier);
    }
    void move(QPointF p, Qt::KeyboardModifiers mods = {}) {
        if (pressed) interaction->dragChanged(pressedAt, p, mods & Qt::ShiftModifier);
    }
    void release(QPointF p) {
        if (std::exchange(pressed, false)) interaction->dragEnded(p);
    }
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers mods = {}) {
        press(from, mods);
        for (int i = 1; i <= 4; ++i)
            move(from + (to - from) * (i / 4.0), mods);
        release(to);
    }
    // Both clicks are gestures of their own; the double-click acts after the second.
    void doubleClick(QPointF p) {
        press(p);
        release(p);
        press(p);
        release(p);
        interaction->handleDoubleClick(p);
    }
    void cancelDrag() {
        pressed = false;
        interaction->cancelDrag();
    }
    const Annotation& last() const { return model->annotations().last(); }

    std::unique_ptr<EditorModel> model;
    std::unique_ptr<EditorInteraction> interaction;
    QPointF pressedAt;
    bool pressed = false;
};

} // namespace

TEST_F(GestureTest, EveryDrawingToolCommitsOneObjectPerGesture) {
    open();
    const EditorTool tools[] = {EditorTool::pen,   EditorTool::highlighter, EditorTool::line,
                                EditorTool::arrow, EditorTool::rect,        EditorTool::ellipse,
                                EditorTool::blur,  EditorTool::stamp,       EditorTool::dot,
                                EditorTool::check, EditorTool::polygon};
    int count = 0;
    for (EditorTool tool : tools) {
        model->setTool(tool);
        drag(QPointF(50, 60), QPointF(150, 120));
        ++count;
        ASSERT_EQ(model->annotations().size(), count) << rawValue(tool).toStdString();
        EXPECT_EQ(model->undoStack().size(), count);
        EXPECT_EQ(last().tool, tool);
        EXPECT_FALSE(model->draft().has_value());
    }
    const QList<Annotation>& list = model->annotations();
    EXPECT_EQ(list[0].points.size(), 6); // the press and four moves
    EXPECT_EQ(list[4].points, (QList<QPointF>{{50, 60}, {150, 120}}));
    EXPECT_EQ(list[8].points, QList<QPointF>{QPointF(150, 120)}); // a badge lands where released
    EXPECT_EQ(list[7].text, QStringLiteral("1"));                 // the number-circle stamp counts
    EXPECT_EQ(list[8].text, QStringLiteral("2"));
    EXPECT_EQ(list[9].text, QStringLiteral("✓"));
    EXPECT_EQ(model->nextDotNumber(), 3);
}

TEST_F(GestureTest, ClicksDrawNoInvisibleObjectsButThePenLeavesADot) {
    open({annotation(EditorTool::rect, {{100, 100}, {200, 200}}, Palette::standardRed(), 4)});
    // A click, or a wobble within the dead zone, with a tool that draws by dragging: nothing.
    for (EditorTool tool : {EditorTool::rect, EditorTool::ellipse, EditorTool::line, EditorTool::arrow,
                            EditorTool::blur}) {
        model->setTool(tool);
        press(QPointF(20, 20));
        move(QPointF(21.5, 18.5));
        release(QPointF(21.5, 18.5));
        EXPECT_EQ(model->annotations().size(), 1) << rawValue(tool).toStdString();
        EXPECT_FALSE(model->draft().has_value());
    }
    EXPECT_FALSE(model->isDirty());
    EXPECT_TRUE(model->undoStack().isEmpty());
    // Three points out and back again is a drag: the line is drawn (and is as long as it ends up).
    model->setTool(EditorTool::line);
    press(QPointF(20, 20));
    move(QPointF(23, 20));
    release(QPointF(30, 20));
    EXPECT_EQ(model->annotations().size(), 2);

    for (EditorTool tool : {EditorTool::pen, EditorTool::highlighter}) {
        model->setTool(tool);
        model->setColor(Qt::black);
        model->setStrokeWidth(6);
        const qsizetype before = model->annotations().size();
        press(QPointF(300, 250));
        release(QPointF(300, 250));
        ASSERT_EQ(last().tool, tool);
        // A visible dot of the stroke's width, at the click.
        const QImage flat = EditorRenderer::compose(model->scene());
        EXPECT_LT(qRed(flat.pixel(300, 250)), 140) << rawValue(tool).toStdString();
        EXPECT_LT(qRed(flat.pixel(300, 252)), 140) << rawValue(tool).toStdString();
        EXPECT_EQ(flat.pixel(300, 262), qRgb(255, 255, 255)) << rawValue(tool).toStdString();
        model->undo();
        EXPECT_EQ(model->annotations().size(), before); // undoable
        model->redo();
    }

    model->setTool(EditorTool::select);
    press(QPointF(100, 150)); // on the rectangle's left edge
    release(QPointF(100, 150));
    EXPECT_EQ(model->selectedID(), model->annotations()[0].id);
    const qsizetype steps = model->undoStack().size();
    press(QPointF(300, 30)); // empty canvas clears the selection
    release(QPointF(300, 30));
    EXPECT_TRUE(model->selectedIDs().isEmpty());
    EXPECT_EQ(model->undoStack().size(), steps);
}

// A redaction is drawn by dragging, black whatever the pen's colour, and is solid: a press
// anywhere inside picks it up.
TEST_F(GestureTest, ARedactionIsASolidBoxDrawnInBlack) {
    open();
    model->setColor(Palette::standardRed());
    model->setTool(EditorTool::redact);
    drag(QPointF(250, 200), QPointF(100, 80));
    ASSERT_EQ(model->annotations().size(), 1);
    EXPECT_EQ(last().tool, EditorTool::redact);
    EXPECT_EQ(last().rect(), QRectF(100, 80, 150, 120));
    EXPECT_EQ(last().color, QColor(Qt::black));
    model->setTool(EditorTool::select);
    drag(QPointF(175, 140), QPointF(195, 150));
    EXPECT_EQ(last().rect(), QRectF(120, 90, 150, 120));
}

TEST_F(GestureTest, MovingHasADeadZoneAndOneUndoStep) {
    open({annotation(EditorTool::line, {{100, 100}, {200, 100}}, Palette::standardRed(), 4)});
    model->setTool(EditorTool::select);
    drag(QPointF(150, 100), QPointF(151, 101));
    EXPECT_EQ(model->annotations()[0].points[0], QPointF(100, 100));
    EXPECT_TRUE(model->undoStack().isEmpty());
    press(QPointF(150, 100));
    for (int i = 1; i <= 20; ++i)
        move(QPointF(150 + i, 100 + 2 * i));
    release(QPointF(170, 140));
    EXPECT_EQ(model->annotations()[0].points[0], QPointF(120, 140));
    EXPECT_EQ(model->undoStack().size(), 1);
    // Dragging outside the image keeps the point on the border.
    drag(QPointF(220, 140), QPointF(900, 140));
    EXPECT_LE(model->annotations()[0].points[1].x(), 400);
}

TEST_F(GestureTest, RotatedObjectsMoveResizeAndRotateInTheirOwnFrame) {
    Annotation rect = annotation(EditorTool::rect, {{150, 100}, {250, 150}}, Palette::standardRed(), 4);
    rect.rotation = M_PI / 2; // a 50 wide, 100 tall bar around (200, 125) on screen
    open({rect});
    model->setTool(EditorTool::select);
    model->setSelectedID(rect.id);
    // The bottom-right handle of the turned rectangle sits on screen at (175, 175).
    const QRectF b = AnnotationGeometry::bounds(rect);
    const QPointF handle = AnnotationGeometry::fromObjectSpace(b.bottomRight(), rect);
    expectNear(handle, QPointF(175, 175));
    drag(handle, handle + QPointF(0, 20)); // down on screen is +x in the object
    const QRectF resized = AnnotationGeometry::bounds(model->annotations()[0]);
    EXPECT_NEAR(resized.width(), 120, 1e-6);
    EXPECT_NEAR(resized.height(), 50, 1e-6);
    EXPECT_EQ(model->undoStack().size(), 1);

    // The knob, 24 points above the top edge in the object frame, turns it.
    const Annotation& now = model->annotations()[0];
    const QPointF knob = AnnotationGeometry::fromObjectSpace(ObjectManipulation::knobPosition(now, 1), now);
    const QPointF c = AnnotationGeometry::bounds(now).center();
    const QPointF target = c + QPointF(-(knob - c).y(), (knob - c).x()); // a quarter turn further
    drag(knob, target);
    EXPECT_NEAR(std::remainder(model->annotations()[0].rotation - M_PI, 2 * M_PI), 0, 1e-6);
    EXPECT_EQ(model->undoStack().size(), 2);
}

TEST_F(GestureTest, TheKnobWinsOverHandlesAndHandlesKeepTheirOrder) {
    open({annotation(EditorTool::rect, {{100, 100}, {104, 104}}, Palette::standardRed(), 4)});
    model->setSelectedID(model->annotations()[0].id);
    const Annotation& a = model->annotations()[0];
    // A 4-pixel rectangle at zoom 1: every handle is within reach of its centre; the first wins.
    EXPECT_EQ(ObjectManipulation::handleMode(a, 0, QPointF(102, 102), 1), DragMode::resize(0, ResizeHandle::topLeft));
    EXPECT_EQ(ObjectManipulation::handleMode(a, 0, QPointF(102, 100 - 24 + 9), 1), DragMode::rotate(0));
    Annotation dot = annotation(EditorTool::dot, {{50, 50}}, Palette::standardRed(), 5); // radius 20
    EXPECT_TRUE(ObjectManipulation::handleMode(dot, 0, QPointF(50, 30), 1).isNone()); // no edge handles on badges
    EXPECT_EQ(ObjectManipulation::handleMode(dot, 0, QPointF(71, 71), 1),
              DragMode::resize(0, ResizeHandle::bottomRight));
    Annotation line = annotation(EditorTool::line, {{0, 0}, {100, 100}}, Palette::standardRed(), 4);
    EXPECT_EQ(ObjectManipulation::handleMode(line, 0, QPointF(100, 0), 1).kind, DragMode::Kind::none);
}

TEST_F(GestureTest, ShiftMarqueeAddsToTheSelection) {
    open({annotation(EditorTool::rect, {{10, 10}, {30, 30}}, Palette::standardRed(), 4),
          annotation(EditorTool::rect, {{100, 10}, {120, 30}}, Palette::standardRed(), 4),
          annotation(EditorTool::rect, {{200, 200}, {220, 220}}, Palette::standardRed(), 4)});
    model->setTool(EditorTool::select);
    drag(QPointF(0, 0), QPointF(50, 50)); // starts beyond the pick tolerance of the first box
    EXPECT_EQ(model->selectedIDs(), QSet<QUuid>{model->annotations()[0].id});
    drag(QPointF(190, 190), QPointF(230, 230), Qt::ShiftModifier);
    EXPECT_EQ(model->selectedIDs(), (QSet<QUuid>{model->annotations()[0].id, model->annotations()[2].id}));
    drag(QPointF(90, 5), QPointF(130, 40)); // a plain marquee replaces
    EXPECT_EQ(model->selectedIDs(), QSet<QUuid>{model->annotations()[1].id});
    // Shift-click toggles without moving anything.
    press(QPointF(10, 20), Qt::ShiftModifier);
    move(QPointF(60, 60), Qt::ShiftModifier);
    release(QPointF(60, 60));
    EXPECT_EQ(model->selectedIDs().size(), 2);
    EXPECT_EQ(model->annotations()[0].points[0], QPointF(10, 10));
    EXPECT_TRUE(model->undoStack().isEmpty());
}

TEST_F(GestureTest, DoubleClickInsertsVerticesAndTurnsRectanglesIntoPolygons) {
    Annotation line = annotation(EditorTool::line, {{100, 100}, {200, 100}}, Palette::standardRed(), 4);
    line.rotation = M_PI / 2; // vertical on screen through (150, 100)
    Annotation rect = annotation(EditorTool::rect, {{250, 150}, {350, 250}}, Palette::standardRed(), 4);
    rect.rotation = M_PI / 6;
    open({line, rect});
    model->setTool(EditorTool::select);
    doubleClick(QPointF(150, 80));
    ASSERT_EQ(model->annotations()[0].points.size(), 3);
    expectNear(
        AnnotationGeometry::fromObjectSpace(model->annotations()[0].points[1], model->annotations()[0]),
        QPointF(150, 80), 1e-6);
    EXPECT_EQ(model->selectedID(), line.id);

    // A point on the turned rectangle's top edge, on screen.
    const QPointF edge = AnnotationGeometry::fromObjectSpace(QPointF(300, 150), rect);
    doubleClick(edge);
    const Annotation& polygon = model->annotations()[1];
    EXPECT_EQ(polygon.tool, EditorTool::polygon);
    EXPECT_EQ(polygon.id, rect.id);
    EXPECT_EQ(polygon.rotation, 0);
    ASSERT_EQ(polygon.points.size(), 5);
    expectNear(polygon.points[0], AnnotationGeometry::fromObjectSpace(QPointF(250, 150), rect), 1e-6);
    expectNear(polygon.points[1], edge, 1e-6);
    EXPECT_EQ(model->undoStack().size(), 2);
    model->undo();
    EXPECT_EQ(model->annotations()[1].tool, EditorTool::rect);

    model->setTool(EditorTool::pen); // other tools ignore double-clicks
    const int before = int(model->undoStack().size());
    doubleClick(QPointF(150, 60));
    EXPECT_EQ(model->annotations()[0].points.size(), 3);
    EXPECT_EQ(int(model->undoStack().size()), before + 2); // only the two pen clicks
}

TEST_F(GestureTest, DoubleClicksWorkOnTheFirstObjectOfTheList) {
    Annotation rect = annotation(EditorTool::rect, {{50, 50}, {150, 120}}, Palette::standardRed(), 4);
    Annotation text = annotation(EditorTool::text, {{200, 200}}, Palette::standardRed(), 1, QStringLiteral("Gate"));
    open({rect, text});
    model->setTool(EditorTool::select);
    doubleClick(QPointF(100, 50)); // on the top edge of the first object
    EXPECT_EQ(model->annotations()[0].tool, EditorTool::polygon);
    EXPECT_EQ(model->annotations()[0].points.size(), 5);

    // Reopening a selected text leaves nothing selected, and the text comes back unselected.
    model->setSelectedID(text.id);
    doubleClick(QPointF(205, 205));
    ASSERT_TRUE(interaction->textPosition().has_value());
    EXPECT_TRUE(model->selectedIDs().isEmpty());
    interaction->commitPendingText();
    EXPECT_EQ(model->annotations().last().id, text.id);
    EXPECT_TRUE(model->selectedIDs().isEmpty());
}

TEST_F(GestureTest, ABadgesNumberIsEditedWhereItIs) {
    QList<Annotation> badges;
    for (int n = 1; n <= 3; ++n)
        badges.append(annotation(EditorTool::dot, {QPointF(60 * n, 60)}, Palette::standardRed(), 5, QString::number(n)));
    open(badges);
    model->setTool(EditorTool::select);
    doubleClick(QPointF(120, 60));
    ASSERT_TRUE(interaction->textPosition().has_value());
    EXPECT_EQ(interaction->textDraft(), QStringLiteral("2"));
    interaction->setTextDraft(QStringLiteral("7"));
    interaction->commitPendingText();
    ASSERT_EQ(model->annotations().size(), 3);
    EXPECT_EQ(model->annotations()[1].id, badges[1].id); // in its place in the drawing order
    EXPECT_EQ(model->annotations()[1].text, QStringLiteral("7"));
    EXPECT_EQ(model->annotations()[1].points, badges[1].points);
    EXPECT_EQ(model->nextDotNumber(), 8);
    const qsizetype steps = model->undoStack().size();
    model->undo();
    EXPECT_EQ(model->annotations()[1].text, QStringLiteral("2"));
    model->redo();

    // Emptied or left as it was: the badge stays, and no step is left.
    for (const QString& typed : {QString(), QStringLiteral("7")}) {
        doubleClick(QPointF(120, 60));
        interaction->setTextDraft(typed);
        interaction->commitPendingText();
        EXPECT_EQ(model->annotations()[1].text, QStringLiteral("7"));
        EXPECT_EQ(model->undoStack().size(), steps);
    }
}

TEST_F(GestureTest, StampsTakeTheirNameSettingAndTextsAreNeverLostToTheNextOne) {
    open();
    model->setTool(EditorTool::stamp);
    model->setStampType(StampType::cameraDome);
    model->setStampShowName(true);
    press(QPointF(50, 50));
    release(QPointF(50, 50));
    EXPECT_TRUE(last().showName);
    EXPECT_EQ(last().stamp, StampType::cameraDome);

    // A second text click while typing commits the first text, even without the canvas around.
    model->setTool(EditorTool::text);
    press(QPointF(100, 100));
    release(QPointF(100, 100));
    interaction->setTextDraft(QStringLiteral("first"));
    press(QPointF(200, 200));
    release(QPointF(200, 200));
    EXPECT_EQ(last().text, QStringLiteral("first"));
    interaction->setTextDraft(QStringLiteral("second"));
    interaction->commitPendingText();
    EXPECT_EQ(last().text, QStringLiteral("second"));
}

TEST_F(GestureTest, ATextFirstInTheListCanBeReopenedWhileAnotherIsTyped) {
    Annotation label = annotation(EditorTool::text, {{20, 20}}, Palette::standardRed(), 1, QStringLiteral("Gate"));
    open({label});
    model->setTool(EditorTool::text);
    press(QPointF(200, 200));
    release(QPointF(200, 200));
    interaction->setTextDraft(QStringLiteral("Exit"));
    model->setTool(EditorTool::select);
    interaction->handleDoubleClick(QPointF(25, 25)); // the first of the list
    ASSERT_TRUE(interaction->textPosition().has_value());
    EXPECT_EQ(interaction->textDraft(), QStringLiteral("Gate"));
    EXPECT_EQ(model->annotations().size(), 1); // the typed one went in, the reopened one came out
    EXPECT_EQ(model->annotations()[0].text, QStringLiteral("Exit"));
}

// What a crash at this moment would keep (the recovery journal): the list with the entry's text in
// it, the model untouched; a text emptied while retyped as it was, a new blank one not at all.
TEST_F(GestureTest, TheListWithTheTypingKeepsAReopenedTextEvenWhileItIsEmpty) {
    Annotation gate = annotation(EditorTool::text, {{20, 20}}, Palette::standardRed(), 1, QStringLiteral("Gate"));
    Annotation arrow = annotation(EditorTool::arrow, {{100, 100}, {150, 150}});
    open({gate, arrow});
    model->setTool(EditorTool::select);
    interaction->handleDoubleClick(QPointF(25, 25));
    ASSERT_EQ(model->annotations().size(), 1); // out while retyped
    interaction->setTextDraft(QString());
    QList<Annotation> kept = interaction->annotationsWithPendingText();
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept[1].text, QStringLiteral("Gate"));
    EXPECT_FALSE(interaction->hasPendingTyping());
    interaction->setTextDraft(QStringLiteral("Gate 2"));
    kept = interaction->annotationsWithPendingText();
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept[1].text, QStringLiteral("Gate 2"));
    EXPECT_TRUE(interaction->hasPendingTyping());
    EXPECT_EQ(model->annotations().size(), 1);
    interaction->commitPendingText();

    model->setTool(EditorTool::text);
    press(QPointF(200, 200));
    release(QPointF(200, 200));
    interaction->setTextDraft(QStringLiteral("   "));
    EXPECT_EQ(interaction->annotationsWithPendingText().size(), 2);
    EXPECT_FALSE(interaction->hasPendingTyping());
}

TEST_F(GestureTest, PastedPicturesFitSixtyPercentOfTheCanvas) {
    open(QList<Annotation>{}, solidImage(1000, 800));
    TestSupport::MemoryClipboard clipboard; // holding no objects
    model->setClipboard(&clipboard);
    QImage wide(4000, 1000, QImage::Format_RGB32);
    wide.fill(Qt::red);
    ASSERT_TRUE(interaction->pasteImage(wide));
    EXPECT_EQ(last().tool, EditorTool::image);
    EXPECT_EQ(last().imageFrame, QRectF(200, 325, 600, 150));
    EXPECT_EQ(last().points.size(), 4);
    EXPECT_EQ(model->tool(), EditorTool::select);
    EXPECT_EQ(model->selectedID(), last().id);
    QImage small(100, 100, QImage::Format_RGB32);
    small.fill(Qt::blue);
    interaction->pasteImage(small);
    EXPECT_EQ(last().imageFrame.size(), QSizeF(100, 100));
    EXPECT_FALSE(interaction->pasteImage(QImage()));
}

TEST_F(GestureTest, LineEndsSnapToAnchorsAndCropNeedsFourPixels) {
    open({annotation(EditorTool::rect, {{100, 100}, {200, 200}}, Palette::standardRed(), 4)});
    model->setTool(EditorTool::line);
    press(QPointF(20, 20));
    move(QPointF(195, 106));
    EXPECT_EQ(model->snapIndicator(), QPointF(200, 100)); // within 12 points of the corner
    release(QPointF(195, 106));
    EXPECT_EQ(last().points.last(), QPointF(200, 100));
    EXPECT_FALSE(model->snapIndicator().has_value());

    model->setTool(EditorTool::crop);
    drag(QPointF(10, 10), QPointF(13, 60));
    EXPECT_EQ(model->baseImage().size(), QSize(400, 300));
    drag(QPointF(10, 10), QPointF(14, 14));
    EXPECT_EQ(model->baseImage().size(), QSize(4, 4));
    EXPECT_FALSE(model->draft().has_value());
}

TEST_F(GestureTest, ShiftKeepsShapesSquareAndLinesAtFortyFiveDegrees) {
    open({annotation(EditorTool::rect, {{300, 20}, {380, 60}}, Palette::standardRed(), 4)});
    model->setTool(EditorTool::rect);
    drag(QPointF(100, 100), QPointF(160, 130), Qt::ShiftModifier);
    EXPECT_EQ(last().rect(), QRectF(100, 100, 60, 60));
    model->setTool(EditorTool::ellipse);
    drag(QPointF(100, 100), QPointF(80, 30), Qt::ShiftModifier); // up and left
    EXPECT_EQ(last().rect(), QRectF(30, 30, 70, 70));
    model->setTool(EditorTool::arrow);
    drag(QPointF(100, 100), QPointF(200, 120), Qt::ShiftModifier); // 11 degrees: flat
    expectNear(last().points.last(), QPointF(100 + std::hypot(100, 20), 100));
    model->setTool(EditorTool::line);
    // Towards the rectangle's corner: the constraint wins over snapping.
    drag(QPointF(240, 100), QPointF(296, 58), Qt::ShiftModifier);
    const QPointF d = last().points.last() - last().points.first();
    EXPECT_NEAR(d.x(), -d.y(), 1e-9);
    EXPECT_NEAR(std::hypot(d.x(), d.y()), 70, 1e-9);
    EXPECT_FALSE(model->snapIndicator().has_value());
}

TEST_F(GestureTest, CancellingADragLeavesEverythingAsItWas) {
    const Annotation box = annotation(EditorTool::rect, {{100, 100}, {200, 200}}, Palette::standardRed(), 4);
    open({box});
    model->setTool(EditorTool::arrow);
    press(QPointF(20, 20));
    move(QPointF(80, 90));
    ASSERT_TRUE(model->draft().has_value());
    cancelDrag();
    move(QPointF(90, 95)); // the rest of the press does nothing
    release(QPointF(90, 95));
    EXPECT_FALSE(model->draft().has_value());
    EXPECT_EQ(model->annotations().size(), 1);

    model->setTool(EditorTool::select);
    const qsizetype steps = model->undoStack().size();
    press(QPointF(100, 150)); // on the outline
    move(QPointF(130, 190));
    ASSERT_NE(last().points, box.points); // moving
    cancelDrag();
    release(QPointF(130, 190));
    EXPECT_EQ(last().points, box.points);
    EXPECT_EQ(model->undoStack().size(), steps); // no step left for a move that never happened

    // A cancelled marquee gives back the selection it replaced.
    model->setSelectedID(box.id);
    press(QPointF(5, 5));
    move(QPointF(60, 60));
    EXPECT_TRUE(model->selectedIDs().isEmpty());
    cancelDrag();
    EXPECT_EQ(model->selectedIDs(), QSet<QUuid>{box.id});
    EXPECT_FALSE(interaction->marqueeRect().has_value());
}

TEST_F(GestureTest, RotationReadsInDegreesWithinAHalfTurn) {
    Annotation a = annotation(EditorTool::rect, {{0, 0}, {10, 10}}, Palette::standardRed(), 4);
    a.rotation = 190 * M_PI / 180;
    Annotation b = a;
    b.rotation = 0.04;
    Annotation c = a;
    c.rotation = -3 * M_PI; // a turn and a half the other way
    open({a, b, c});
    EXPECT_DOUBLE_EQ(ObjectManipulation::rotationDegrees(*model, 0), -170.0);
    EXPECT_DOUBLE_EQ(ObjectManipulation::rotationDegrees(*model, 1), 2.3);
    EXPECT_DOUBLE_EQ(std::abs(ObjectManipulation::rotationDegrees(*model, 2)), 180.0);
    EXPECT_DOUBLE_EQ(ObjectManipulation::rotationDegrees(*model, 7), 0);
}

TEST_F(GestureTest, AnUndoInTheMiddleOfADragNeverOverwritesAnotherObject) {
    const Annotation a = annotation(EditorTool::rect, {{10, 10}, {60, 60}}, Palette::standardRed(), 4);
    const Annotation b = annotation(EditorTool::rect, {{200, 100}, {260, 160}}, Palette::standardRed(), 4);
    open({a, b});
    model->setSelectedID(a.id);
    model->deleteSelected(); // [b]
    model->setTool(EditorTool::select);
    press(QPointF(200, 130));
    move(QPointF(210, 140)); // b moves, one undo step
    model->undo();
    model->undo(); // back to [a, b]: b is no longer first
    move(QPointF(220, 150));
    release(QPointF(220, 150));
    ASSERT_EQ(model->annotations().size(), 2);
    EXPECT_EQ(model->annotations()[0].id, a.id);
    EXPECT_EQ(model->annotations()[0].points[0], QPointF(10, 10));
    EXPECT_EQ(model->annotations()[1].id, b.id);
    // The undo ended the drag: nothing moves any more without an undo step of its own.
    EXPECT_EQ(model->annotations()[1].points[0], QPointF(200, 100));
    EXPECT_EQ(model->redoStack().size(), 2);
}

TEST_F(GestureTest, AToolChangeInTheMiddleOfAGestureFinishesItWithItsOwnTool) {
    open();
    model->setTool(EditorTool::pen);
    press(QPointF(10, 10));
    move(QPointF(30, 30));
    model->setTool(EditorTool::select); // what a paste does
    move(QPointF(50, 40));
    release(QPointF(50, 40));
    ASSERT_EQ(model->annotations().size(), 1);
    EXPECT_EQ(model->annotations()[0].tool, EditorTool::pen);
    EXPECT_EQ(model->annotations()[0].points.size(), 4); // the press (twice: start and current) and two moves
    EXPECT_FALSE(model->draft().has_value());
    // The next gesture starts afresh with the tool now chosen.
    drag(QPointF(300, 200), QPointF(320, 220));
    EXPECT_EQ(model->annotations().size(), 1);
}

