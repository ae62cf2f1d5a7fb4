#include "editor/EditorModel.h"
#include "model/Palette.h"
#include "render/EditorRenderer.h"

#include "TestSupport.h"
#include "io/Bombs.h"
#include "io/DecodingChild.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <cmath>

using TestSupport::annotation;
using TestSupport::expectNear;
using TestSupport::solidImage;

namespace {

Annotation badge(int n) {
    return annotation(EditorTool::dot, {QPointF(10 * n, 10)}, Palette::standardRed(), 8, QString::number(n));
}

} // namespace

TEST(EditorSelection, SingleSelectionNeedsExactlyOneExistingObject) {
    const Annotation a = annotation(EditorTool::rect, {{0, 0}, {5, 5}}, Palette::standardRed(), 8),
                     b = annotation(EditorTool::rect, {{1, 1}, {6, 6}}, Palette::standardRed(), 8);
    EditorModel m(solidImage(64, 48), {a, b});
    EXPECT_EQ(m.selectedID(), std::nullopt);
    m.setSelectedID(b.id);
    EXPECT_EQ(m.selectedIndex(), 1);
    m.toggleSelection(a.id);
    EXPECT_EQ(m.selectedIDs().size(), 2);
    EXPECT_EQ(m.selectedID(), std::nullopt);
    EXPECT_EQ(m.selectedIndex(), std::nullopt);
    m.toggleSelection(b.id);
    EXPECT_EQ(m.selectedIndex(), 0);
    m.setSelectedID(QUuid::createUuid()); // selected, but matches nothing
    EXPECT_TRUE(m.selectedID().has_value());
    EXPECT_EQ(m.selectedIndex(), std::nullopt);
    m.setSelectedID(std::nullopt);
    EXPECT_TRUE(m.selectedIDs().isEmpty());
}

TEST(EditorSelection, ColourAndWidthChangesCoalescePerObject) {
    const Annotation text =
        annotation(EditorTool::text, {{5, 5}}, Palette::standardRed(), 8, QStringLiteral("Hi"));
    const Annotation rect = annotation(EditorTool::rect, {{0, 0}, {9, 9}}, Palette::standardRed(), 8);
    EditorModel m(solidImage(64, 48), {text, rect});
    // Several selected take a colour together, in one step, and again in the same step; a width
    // goes to one object only.
    m.setSelectedIDs({text.id, rect.id});
    m.applyColorToSelection(Palette::named("blue"));
    m.applyWidthToSelection(3);
    EXPECT_EQ(m.annotations()[0].color, Palette::named("blue"));
    EXPECT_EQ(m.annotations()[1].color, Palette::named("blue"));
    EXPECT_DOUBLE_EQ(m.annotations()[1].width, 8);
    m.applyColorToSelection(Palette::named("green"));
    EXPECT_EQ(m.undoStack().size(), 1);
    m.undo();
    EXPECT_EQ(m.annotations()[0].color, Palette::standardRed());
    EXPECT_EQ(m.annotations()[1].color, Palette::standardRed());
    EXPECT_TRUE(m.undoStack().isEmpty());

    m.setSelectedID(text.id);
    QSignalSpy spy(&m, &EditorModel::documentChanged);
    for (const char* name : {"blue", "green", "pink"})
        m.applyColorToSelection(Palette::named(name));
    EXPECT_EQ(m.undoStack().size(), 1);
    EXPECT_GE(spy.count(), 3);
    m.applyColorToSelection(QColor()); // no hex form: refused
    EXPECT_EQ(m.annotations()[0].color, Palette::named("pink"));

    m.applyWidthToSelection(4);
    EXPECT_DOUBLE_EQ(m.annotations()[0].fontSize, 12);
    m.applyWidthToSelection(1);
    EXPECT_DOUBLE_EQ(m.annotations()[0].fontSize, 6);
    EXPECT_DOUBLE_EQ(m.annotations()[0].width, text.width);
    m.applyWidthToSelection(std::nan(""));
    EXPECT_EQ(m.undoStack().size(), 2);

    m.undo();
    m.undo();
    EXPECT_EQ(m.annotations()[0].color, text.color);
    EXPECT_DOUBLE_EQ(m.annotations()[0].fontSize, text.fontSize);

    m.setSelectedID(rect.id);
    m.applyWidthToSelection(4);
    EXPECT_DOUBLE_EQ(m.annotations()[1].width, 4);
}

TEST(EditorSelection, DeletingABadgeLowersTheCounterOnlyFromTheTop) {
    const QList<Annotation> badges{badge(1), badge(2), badge(3), badge(4), badge(5)};
    EditorModel m(solidImage(64, 48), badges);
    m.deleteSelected();
    m.setSelectedID(QUuid::createUuid());
    m.deleteSelected();
    EXPECT_TRUE(m.undoStack().isEmpty());

    m.setSelectedID(badges[4].id);
    m.deleteSelected();
    EXPECT_EQ(m.nextDotNumber(), 5);
    EXPECT_EQ(m.annotations().size(), 4);
    EXPECT_TRUE(m.selectedIDs().isEmpty());
    EXPECT_EQ(m.undoStack().size(), 1);

    m.undo();
    m.setSelectedIDs({badges[1].id, badges[0].id});
    m.deleteSelected();
    EXPECT_EQ(m.nextDotNumber(), 6);
    ASSERT_EQ(m.annotations().size(), 3);
    EXPECT_EQ(m.annotations()[2].text, QStringLiteral("5"));
}

// A badge taken out to edit its number and put back moves the counter on only past its number.
TEST(EditorSelection, ABadgeEditedInPlaceMovesTheCounterOnlyForward) {
    EditorModel m(solidImage(64, 48), {badge(1), badge(2), badge(3), badge(4), badge(5)});
    ASSERT_EQ(m.nextDotNumber(), 6);
    std::optional<Annotation> taken = m.takeTextForEditing(1);
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(m.annotations().size(), 4);
    m.putBack(1, *taken);
    EXPECT_EQ(m.nextDotNumber(), 6);
    EXPECT_EQ(m.annotations().at(1).text, QStringLiteral("2"));
    taken = m.takeTextForEditing(1);
    ASSERT_TRUE(taken.has_value());
    taken->text = QStringLiteral("9");
    m.putBack(1, *taken);
    EXPECT_EQ(m.nextDotNumber(), 10);

    // Positions that are no object change nothing and record nothing.
    const qsizetype steps = m.undoStack().size();
    for (int index : {-1, 5, 99}) {
        EXPECT_FALSE(m.takeTextForEditing(index).has_value()) << index;
        EXPECT_FALSE(m.insertVertex(index, 0, QPointF(1, 1))) << index;
        EXPECT_FALSE(m.convertToPolygon(index, QPointF(1, 1), 4)) << index;
    }
    EXPECT_EQ(m.undoStack().size(), steps);
    EXPECT_EQ(m.annotations().size(), 5);
}

TEST(EditorSelection, RotationTurnsPointsOrTheRotationField) {
    const Annotation rect = annotation(EditorTool::rect, {{0, 0}, {40, 20}}, Palette::standardRed(), 8);
    const Annotation arrow =
        annotation(EditorTool::arrow, {{100, 100}, {200, 100}}, Palette::standardRed(), 8);
    EditorModel m(solidImage(64, 48), {rect, arrow});
    m.setSelectedIDs({rect.id, arrow.id});
    m.rotateSelection(M_PI / 2, false);
    EXPECT_DOUBLE_EQ(m.annotations()[0].rotation, M_PI / 2);
    EXPECT_DOUBLE_EQ(m.annotations()[1].rotation, 0);
    expectNear(m.annotations()[1].points[0], QPointF(150, 50), 1e-9);
    expectNear(m.annotations()[1].points[1], QPointF(150, 150), 1e-9);

    m.setSelectedID(arrow.id);
    m.setSelectionRotation(45);
    EXPECT_DOUBLE_EQ(m.annotations()[1].rotation, 0);
    m.setSelectedID(rect.id);
    m.setSelectionRotation(45);
    EXPECT_DOUBLE_EQ(m.annotations()[0].rotation, M_PI / 4);
}

TEST(EditorSelection, FineRotationsShareOneStepUntilAnotherEdit) {
    const Annotation rect = annotation(EditorTool::rect, {{0, 0}, {40, 20}}, Palette::standardRed(), 8);
    EditorModel m(solidImage(64, 48), {rect});
    m.setSelectedID(rect.id);
    m.setSelectionRotation(10);
    for (int i = 0; i < 3; ++i)
        m.rotateSelection(M_PI / 180, true);
    EXPECT_EQ(m.undoStack().size(), 1);
    EXPECT_NEAR(m.annotations()[0].rotation, 13 * M_PI / 180, 1e-12);

    m.applyWidthToSelection(2); // a recorded edit ends the run
    m.rotateSelection(M_PI / 180, true);
    EXPECT_EQ(m.undoStack().size(), 3);
    m.rotateSelection(M_PI / 2, false);
    m.rotateSelection(M_PI / 180, true);
    EXPECT_EQ(m.undoStack().size(), 5);
    m.undo();
    m.undo();
    m.undo();
    EXPECT_DOUBLE_EQ(m.annotations()[0].width, 2);
    EXPECT_NEAR(m.annotations()[0].rotation, 13 * M_PI / 180, 1e-12);
}

TEST(EditorSelection, LayeredOrderIsStableByLayer) {
    const Annotation text =
        annotation(EditorTool::text, {{0, 0}}, Palette::standardRed(), 8, QStringLiteral("t"));
    const Annotation blur = annotation(EditorTool::blur, {{0, 0}, {5, 5}}, Palette::standardRed(), 8);
    const Annotation rect = annotation(EditorTool::rect, {{0, 0}, {5, 5}}, Palette::standardRed(), 8);
    const Annotation image =
        annotation(EditorTool::image, {{0, 0}, {5, 0}, {5, 5}}, Palette::standardRed(), 8);
    const Annotation pen = annotation(EditorTool::pen, {{0, 0}, {5, 5}}, Palette::standardRed(), 8);
    const Annotation redaction = annotation(EditorTool::redact, {{0, 0}, {5, 5}}, Qt::black, 8);
    EditorModel m(solidImage(64, 48), {text, blur, rect, redaction, image, pen});
    QList<QUuid> order;
    for (const Annotation& a : m.layeredAnnotations())
        order.append(a.id);
    // A redaction hides the picture, blur and pasted pictures; marks drawn after go over it.
    EXPECT_EQ(order, (QList<QUuid>{blur.id, image.id, redaction.id, rect.id, pen.id, text.id}));
}

TEST(EditorSelection, SnapPointAcceptsTheRadiusAndPrefersTheLastVisited) {
    const Annotation a = annotation(EditorTool::line, {{0, 0}, {100, 0}}, Palette::standardRed(), 8);
    const Annotation b = annotation(EditorTool::line, {{20, 0}, {100, 50}}, Palette::standardRed(), 8);
    Annotation turned = annotation(EditorTool::rect, {{200, 200}, {220, 210}}, Palette::standardRed(), 8);
    turned.rotation = M_PI / 2; // centre (210, 205): the top-left corner lands at (215, 195)
    EditorModel m(solidImage(64, 48), {a, b, turned});
    EXPECT_EQ(m.snapPoint({10, 0}, std::nullopt, 10), QPointF(20, 0));
    EXPECT_EQ(m.snapPoint({10, 0}, b.id, 10), QPointF(0, 0));
    EXPECT_EQ(m.snapPoint({10, 0}, std::nullopt, 9.99), std::nullopt);
    EXPECT_EQ(m.snapPoint({20, 1}, b.id, 5), std::nullopt); // never onto itself
    const std::optional<QPointF> corner = m.snapPoint({215, 195.5}, std::nullopt, 1);
    ASSERT_TRUE(corner.has_value());
    expectNear(*corner, QPointF(215, 195), 1e-9);
}

TEST(EditorSelection, FlattenBurnsTheObjectIntoTheBaseImage) {
    const QImage base = solidImage(40, 40);
    Annotation rect = annotation(EditorTool::rect, {{10, 10}, {30, 30}}, Palette::standardRed(), 8);
    rect.filled = true;
    rect.color = QColor::fromRgb(0, 0, 255);
    EditorModel m(base, {rect, badge(3)});
    m.flattenSelected();
    EXPECT_TRUE(m.undoStack().isEmpty());

    m.setSelectedID(rect.id);
    m.flattenSelected();
    EXPECT_EQ(m.baseImage().pixel(20, 20), qRgb(0, 0, 255));
    EXPECT_EQ(m.baseImage().pixel(2, 2), qRgb(255, 255, 255));
    ASSERT_EQ(m.annotations().size(), 1);
    EXPECT_TRUE(m.selectedIDs().isEmpty());
    EXPECT_EQ(m.undoStack().size(), 1);
    EXPECT_EQ(m.nextDotNumber(), 4);
    m.undo();
    EXPECT_EQ(m.baseImage().cacheKey(), base.cacheKey());
    EXPECT_EQ(m.annotations().size(), 2);
}

TEST(EditorSelection, ARecolourAfterUndoIsItsOwnStep) {
    EditorModel m(solidImage(64, 48),
                  {annotation(EditorTool::rect, {{0, 0}, {9, 9}}, Palette::standardRed(), 8)});
    m.setSelectedID(m.annotations()[0].id);
    const QColor original = m.annotations()[0].color;
    m.applyColorToSelection(Palette::named("blue"));
    m.undo();
    m.applyColorToSelection(Palette::named("green"));
    ASSERT_EQ(m.undoStack().size(), 1);
    EXPECT_TRUE(m.redoStack().isEmpty()); // a redo can no longer overwrite the new colour
    m.undo();
    EXPECT_EQ(m.annotations()[0].color, original);
}

TEST(EditorSelection, CopyAndPasteBetweenTwoModels) {
    TestSupport::MemoryClipboard clipboard;
    // Well inside the picture, so the pastes below only step aside.
    auto inside = [](Annotation a) {
        EditorModel::translate(a, QPointF(100, 100));
        return a;
    };
    EditorModel source(solidImage(400, 300),
                       {inside(badge(3)), inside(annotation(EditorTool::arrow, {{10, 10}, {40, 20}}, Palette::standardRed(), 8)),
                        inside(badge(4))});
    source.setClipboard(&clipboard);
    source.setSelectedIDs({source.annotations()[0].id, source.annotations()[1].id});
    source.copySelectedToPasteboard();
    EXPECT_EQ(source.undoStack().size(), 0); // copying changes nothing

    EditorModel target(solidImage(400, 300), {inside(badge(7))});
    target.setClipboard(&clipboard);
    ASSERT_TRUE(target.pasteObjectsFromPasteboard());
    ASSERT_TRUE(target.pasteObjectsFromPasteboard());
    const QList<Annotation>& list = target.annotations();
    ASSERT_EQ(list.size(), 5);
    EXPECT_EQ(list[1].text, QStringLiteral("8")); // renumbered from the target's counter
    EXPECT_EQ(list[3].text, QStringLiteral("9"));
    EXPECT_EQ(target.nextDotNumber(), 10);
    EXPECT_EQ(list[1].points[0], source.annotations()[0].points[0] + QPointF(24, 24));
    EXPECT_EQ(list[4].points[1], QPointF(140 + 48, 120 + 48));
    EXPECT_NE(list[2].id, source.annotations()[1].id);
    EXPECT_EQ(target.tool(), EditorTool::select);
    EXPECT_EQ(target.selectedIDs(), (QSet<QUuid>{list[3].id, list[4].id}));
    EXPECT_EQ(target.undoStack().size(), 2);

    // A new copy starts the offsets again.
    target.setSelectedID(list[0].id);
    target.copySelectedToPasteboard();
    ASSERT_TRUE(target.pasteObjectsFromPasteboard());
    EXPECT_EQ(target.annotations().last().points[0], list[0].points[0] + QPointF(24, 24));

    clipboard.clear();
    EXPECT_FALSE(target.pasteObjectsFromPasteboard());
    EXPECT_EQ(target.undoStack().size(), 3);
}

TEST(EditorSelection, MergedChangesAfterASaveStillCountAsUnsaved) {
    EditorModel m(solidImage(64, 48),
                  {annotation(EditorTool::rect, {{0, 0}, {9, 9}}, Palette::standardRed(), 8)});
    m.setSelectedID(m.annotations()[0].id);
    m.applyColorToSelection(Palette::named("blue"));
    m.applyWidthToSelection(3);
    m.rotateSelection(0.1, true);
    m.markSaved();
    m.applyColorToSelection(Palette::named("green"));
    EXPECT_TRUE(m.isDirty());
    m.markSaved();
    m.applyWidthToSelection(5);
    EXPECT_TRUE(m.isDirty());
    m.markSaved();
    m.rotateSelection(0.1, true);
    EXPECT_TRUE(m.isDirty());
}

TEST(EditorSelection, FineRotationAfterUndoIsItsOwnStep) {
    EditorModel m(solidImage(64, 48),
                  {annotation(EditorTool::rect, {{0, 0}, {9, 9}}, Palette::standardRed(), 8)});
    m.setSelectedID(m.annotations()[0].id);
    m.rotateSelection(0.1, true);
    m.undo();
    m.rotateSelection(0.1, true);
    EXPECT_EQ(m.undoStack().size(), 1);
    EXPECT_TRUE(m.redoStack().isEmpty());
    m.undo();
    EXPECT_DOUBLE_EQ(m.annotations()[0].rotation, 0);
}

TEST(EditorSelection, AWidthChangeAfterUndoOrRedoIsItsOwnStep) {
    EditorModel m(solidImage(64, 48),
                  {annotation(EditorTool::rect, {{0, 0}, {9, 9}}, Palette::standardRed(), 8)});
    m.setSelectedID(m.annotations()[0].id);
    m.applyWidthToSelection(10);
    m.undo();
    m.applyWidthToSelection(12);
    ASSERT_EQ(m.undoStack().size(), 1);
    EXPECT_TRUE(m.redoStack().isEmpty()); // a redo can no longer overwrite the new width
    m.undo();
    EXPECT_DOUBLE_EQ(m.annotations()[0].width, 8);

    // Redo, then change the width again: undoing that goes back to the redone width, not further.
    m.redo();
    EXPECT_DOUBLE_EQ(m.annotations()[0].width, 12);
    m.applyWidthToSelection(20);
    m.undo();
    EXPECT_DOUBLE_EQ(m.annotations()[0].width, 12);
}

TEST(EditorSelection, RunsOfEditsMergeOnlyWhileNothingElseIsRecorded) {
    const Annotation a = annotation(EditorTool::rect, {{0, 0}, {9, 9}}, Palette::standardRed(), 8);
    const Annotation b = annotation(EditorTool::rect, {{20, 20}, {29, 29}}, Palette::standardRed(), 8);
    EditorModel m(solidImage(64, 48), {a, b});
    m.setSelectedID(a.id);
    m.applyColorToSelection(Palette::named("blue"));
    m.applyColorToSelection(Palette::named("green"));
    EXPECT_EQ(m.undoStack().size(), 1);
    // Another recorded edit in between: the next colour change of the same object is a new step,
    // so undoing it does not also take back the edit in between.
    m.commit(annotation(EditorTool::line, {{0, 0}, {5, 5}}), true);
    m.applyColorToSelection(Palette::named("pink"));
    EXPECT_EQ(m.undoStack().size(), 3);
    m.undo();
    EXPECT_EQ(m.annotations().size(), 3);
    EXPECT_EQ(m.annotations()[0].color, Palette::named("green"));

    // Nudges of one selection are one step; nudging another selection starts a new one.
    m.nudgeSelection({1, 0});
    m.nudgeSelection({1, 0});
    EXPECT_EQ(m.undoStack().size(), 3);
    m.setSelectedID(b.id);
    m.nudgeSelection({0, 1});
    EXPECT_EQ(m.undoStack().size(), 4);
    // A width change is another kind of edit, even on the same object.
    m.applyWidthToSelection(3);
    m.applyWidthToSelection(4);
    EXPECT_EQ(m.undoStack().size(), 5);
    m.undo();
    EXPECT_EQ(m.annotations()[1].points[0], b.points[0] + QPointF(0, 1));
    EXPECT_DOUBLE_EQ(m.annotations()[1].width, 8);
}

TEST(EditorSelection, PastedPicturesMoveWithTheirFrame) {
    TestSupport::MemoryClipboard clipboard;
    Annotation picture = annotation(EditorTool::image, {{10, 10}, {50, 10}, {50, 40}, {10, 40}});
    picture.image = solidImage(40, 30, Qt::green);
    picture.imageFrame = QRectF(10, 10, 40, 30);
    EditorModel m(solidImage(200, 150), {picture});
    m.setClipboard(&clipboard);
    m.setSelectedID(picture.id);
    m.copySelectedToPasteboard();
    ASSERT_TRUE(m.pasteObjectsFromPasteboard());
    const Annotation& copy = m.annotations().last();
    ASSERT_EQ(copy.tool, EditorTool::image);
    EXPECT_EQ(copy.points[0], QPointF(34, 34));
    // The picture is drawn in its frame: the frame moves with the outline, or the copy draws over
    // the original while its handles sit 24 pixels away.
    EXPECT_EQ(copy.imageFrame, QRectF(34, 34, 40, 30));
    m.nudgeSelection({-4, 6});
    EXPECT_EQ(m.annotations().last().imageFrame, QRectF(30, 40, 40, 30));
}

TEST(EditorSelection, TheStyleFollowsTheSelectionAfterUndoAndRedo) {
    Annotation arrow = annotation(EditorTool::arrow, {{10, 10}, {60, 40}}, Palette::standardRed(), 8);
    Annotation text = annotation(EditorTool::text, {{5, 30}}, Palette::named("green"), 1, QStringLiteral("Door"));
    text.fontSize = 30;
    EditorModel m(solidImage(200, 150), {arrow, text});
    m.setTool(EditorTool::select);
    m.setSelectedID(arrow.id);
    m.chooseColor(Palette::named("blue"));
    m.chooseStrokeWidth(14);
    EXPECT_EQ(m.annotations()[0].color, Palette::named("blue"));
    EXPECT_DOUBLE_EQ(m.annotations()[0].width, 14);
    m.undo();
    m.undo();
    EXPECT_EQ(m.color(), Palette::standardRed());
    EXPECT_DOUBLE_EQ(m.strokeWidth(), 8);
    m.redo();
    EXPECT_EQ(m.color(), Palette::named("blue"));

    // A text shows the width that gives its size; undoing a size change shows the old one again.
    m.setSelectedID(text.id);
    EXPECT_DOUBLE_EQ(m.strokeWidth(), 10);
    m.chooseStrokeWidth(20);
    EXPECT_DOUBLE_EQ(m.annotations()[1].fontSize, 60);
    m.undo();
    EXPECT_DOUBLE_EQ(m.annotations()[1].fontSize, 30);
    EXPECT_DOUBLE_EQ(m.strokeWidth(), 10);

    // Under another tool the choice is for new objects only.
    m.setTool(EditorTool::pen);
    m.chooseColor(Palette::named("pink"));
    EXPECT_EQ(m.annotations()[1].color, Palette::named("green"));
}

// New redactions are black whatever the other tools' colour, until a colour is picked for them:
// with the redact tool or on a selected redaction. The other tools keep theirs.
TEST(EditorSelection, RedactionsHaveAColourOfTheirOwn) {
    const Annotation arrow = annotation(EditorTool::arrow, {{10, 10}, {60, 40}}, Palette::named("green"), 8);
    EditorModel m(solidImage(200, 150), {arrow});
    m.setTool(EditorTool::redact);
    EXPECT_EQ(m.newAnnotation({1, 1}).color, QColor(Qt::black));
    m.chooseColor(Palette::named("pink"));
    m.setStrokeWidth(30);
    m.commit(m.newAnnotation({1, 1}), true);
    EXPECT_EQ(m.annotations().last().color, Palette::named("pink"));
    m.setTool(EditorTool::select);
    m.setSelectedID(arrow.id);
    QSignalSpy settings(&m, &EditorModel::toolSettingsChanged);
    m.setSelectedID(m.annotations().last().id);
    EXPECT_EQ(m.color(), Palette::named("pink"));
    EXPECT_EQ(settings.count(), 1); // the colour well shows it
    EXPECT_DOUBLE_EQ(m.strokeWidth(), 8); // a redaction has no width to follow
    m.chooseColor(Palette::named("orange"));
    EXPECT_EQ(m.annotations().last().color, Palette::named("orange"));
    m.setSelectedID(std::nullopt);
    EXPECT_EQ(m.color(), Palette::named("green"));
    m.setTool(EditorTool::redact);
    EXPECT_EQ(m.color(), Palette::named("orange"));
}

TEST(EditorSelection, FlagsOfTheSelectionAreOneStepEach) {
    Annotation rect = annotation(EditorTool::rect, {{0, 0}, {30, 20}});
    EditorModel m(solidImage(64, 48), {rect});
    m.setSelectionFlag(SelectionFlag::filled, true); // nothing selected
    EXPECT_TRUE(m.undoStack().isEmpty());
    m.setSelectedID(rect.id);
    m.setSelectionFlag(SelectionFlag::filled, false); // already outlined
    EXPECT_TRUE(m.undoStack().isEmpty());
    m.setSelectionFlag(SelectionFlag::filled, true);
    m.setSelectionFlag(SelectionFlag::labelOutside, true);
    EXPECT_TRUE(m.annotations()[0].filled);
    EXPECT_TRUE(m.annotations()[0].labelOutside);
    EXPECT_FALSE(m.annotations()[0].showName);
    EXPECT_EQ(m.undoStack().size(), 2);
    m.undo();
    EXPECT_TRUE(m.annotations()[0].filled);
    EXPECT_FALSE(m.annotations()[0].labelOutside);
}

TEST(EditorSelection, OnlyObjectsWithoutTurnedPointsHaveARotationToSet) {
    // Strokes, lines and polygons carry their turn in their points; the rest turn about their centre.
    const QList<EditorTool> turnedInPoints{EditorTool::pen, EditorTool::highlighter, EditorTool::line,
                                           EditorTool::arrow, EditorTool::polygon};
    const QList<EditorTool> ownRotation{EditorTool::rect,  EditorTool::ellipse, EditorTool::stamp,
                                        EditorTool::dot,   EditorTool::check,   EditorTool::blur,
                                        EditorTool::text,  EditorTool::image};
    for (EditorTool tool : turnedInPoints + ownRotation) {
        Annotation a = annotation(tool, {{10, 10}, {40, 30}});
        a.text = QStringLiteral("1");
        EditorModel m(solidImage(64, 48), {a});
        m.setSelectedID(a.id);
        m.setSelectionRotation(45);
        const bool own = ownRotation.contains(tool);
        EXPECT_EQ(EditorTools::isRotatable(tool), own) << rawValue(tool).toStdString();
        EXPECT_DOUBLE_EQ(m.annotations()[0].rotation, own ? M_PI / 4 : 0) << rawValue(tool).toStdString();
        EXPECT_EQ(m.undoStack().size(), own ? 1 : 0) << rawValue(tool).toStdString();
    }
    EXPECT_FALSE(EditorTools::isRotatable(EditorTool::select));
    EXPECT_FALSE(EditorTools::isRotatable(EditorTool::crop));
}

TEST(EditorSelection, TurnedPointsTurnClockwiseAboutTheCentreOfTheBounds) {
    // A slanted stroke, so both coordinates of every point move.
    const Annotation pen = annotation(EditorTool::pen, {{0, 0}, {40, 20}, {10, 30}});
    EditorModel m(solidImage(64, 48), {pen});
    m.setSelectedID(pen.id);
    m.rotateSelection(M_PI / 2, false); // centre (20, 15); a quarter turn takes (dx, dy) to (-dy, dx)
    expectNear(m.annotations()[0].points[0], QPointF(35, -5), 1e-9);
    expectNear(m.annotations()[0].points[1], QPointF(15, 35), 1e-9);
    expectNear(m.annotations()[0].points[2], QPointF(5, 5), 1e-9);
}

TEST(EditorSelection, TheNextBadgeNumberCanBeSetButNotBelowOne) {
    EditorModel m(solidImage(64, 48), {badge(3)});
    m.setNextDotNumber(12);
    EXPECT_EQ(m.nextDotNumber(), 12);
    EXPECT_FALSE(m.isDirty()); // a setting for the next badge, not an edit
    m.setNextDotNumber(-5);
    EXPECT_EQ(m.nextDotNumber(), 1);
}

TEST(EditorSelection, RenumberingGivesOneTwoThreeInDrawingOrderAsOneStep) {
    Annotation stamp = annotation(EditorTool::stamp, {{40, 10}}, Palette::standardRed(), 8, QStringLiteral("4"));
    stamp.stamp = StampType::numberCircle;
    const QList<Annotation> list{badge(1), annotation(EditorTool::rect, {{0, 0}, {9, 9}}), badge(3), stamp};
    EditorModel m(solidImage(64, 48), list);
    auto numbers = [&m] {
        QStringList out;
        for (const Annotation& a : m.annotations())
            if (a.isNumberBadge()) out << a.text;
        return out;
    };
    ASSERT_TRUE(m.renumberBadges());
    EXPECT_EQ(numbers(), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(m.nextDotNumber(), 4);
    EXPECT_EQ(m.undoStack().size(), 1);
    EXPECT_FALSE(m.renumberBadges()); // already in order: no step
    EXPECT_EQ(m.undoStack().size(), 1);
    m.undo();
    EXPECT_EQ(numbers(), (QStringList{"1", "3", "4"}));

    // Only the selected ones, when some are: the others keep their numbers.
    m.setSelectedIDs({list[2].id, list[3].id});
    ASSERT_TRUE(m.renumberBadges());
    EXPECT_EQ(numbers(), (QStringList{"1", "1", "2"}));
    EXPECT_EQ(m.nextDotNumber(), 3);

    // One selected badge (what a right-click on it leaves) is no sequence of its own: all are
    // numbered, never that one alone to 1 beside another 1.
    m.undo();
    m.setSelectedIDs({list[3].id});
    ASSERT_TRUE(m.renumberBadges());
    EXPECT_EQ(numbers(), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(m.nextDotNumber(), 4);

    EditorModel none(solidImage(64, 48), {annotation(EditorTool::rect, {{0, 0}, {9, 9}})});
    EXPECT_FALSE(none.renumberBadges());
    EXPECT_TRUE(none.undoStack().isEmpty());
}

TEST(EditorSelection, PastedObjectsLandOnThePictureAndInView) {
    TestSupport::MemoryClipboard clipboard;
    const Annotation arrow = annotation(EditorTool::arrow, {{700, 600}, {900, 700}}, Palette::standardRed(), 6);
    EditorModel big(solidImage(1000, 800), {arrow});
    big.setClipboard(&clipboard);
    big.setSelectedID(arrow.id);
    big.copySelectedToPasteboard();

    // Into a smaller picture: moved in just enough to lie wholly on it.
    EditorModel small(solidImage(400, 300));
    small.setClipboard(&clipboard);
    ASSERT_TRUE(small.pasteObjectsFromPasteboard());
    const QRectF reach = EditorRenderer::paintedReach(small.annotations().last());
    EXPECT_GE(reach.left(), 0);
    EXPECT_GE(reach.top(), 0);
    EXPECT_NEAR(reach.right(), 400, 1e-9);
    EXPECT_NEAR(reach.bottom(), 300, 1e-9);
    // The shape itself is as it was: moved, not changed.
    EXPECT_EQ(small.annotations().last().points[1] - small.annotations().last().points[0], QPointF(200, 100));

    // Pasted where none of it would be seen: centred in what is in view.
    EditorModel wide(solidImage(3000, 2000));
    wide.setClipboard(&clipboard);
    const QRectF view(1800, 1200, 600, 400);
    ASSERT_TRUE(wide.pasteObjectsFromPasteboard(view));
    expectNear(EditorRenderer::paintedReach(wide.annotations().last()).center(), view.center(), 1e-9);
    // In view already: only the usual step aside.
    EditorModel same(solidImage(1000, 800));
    same.setClipboard(&clipboard);
    ASSERT_TRUE(same.pasteObjectsFromPasteboard(QRectF(0, 0, 1000, 800)));
    EXPECT_EQ(same.annotations().last().points[0], QPointF(724, 624));
}

TEST(EditorSelection, CopiedObjectsGoToOtherProgramsAloneOnTransparency) {
    TestSupport::MemoryClipboard clipboard;
    const Annotation rect = annotation(EditorTool::rect, {{50, 40}, {150, 120}}, Palette::standardRed(), 6);
    EditorModel m(solidImage(300, 200, Qt::blue), {rect, annotation(EditorTool::rect, {{0, 0}, {300, 200}}, Qt::green, 30)});
    m.setClipboard(&clipboard);
    m.setSelectedID(rect.id);
    m.copySelectedToPasteboard();
    const QImage picture = clipboard.picture();
    ASSERT_FALSE(picture.isNull());
    const QRect reach = EditorRenderer::paintedReach(rect).toAlignedRect();
    EXPECT_EQ(picture.size(), reach.size());
    const QPoint origin = reach.topLeft();
    EXPECT_EQ(qAlpha(picture.pixel(QPoint(100, 80) - origin)), 0); // inside: neither the blue picture
    EXPECT_EQ(picture.pixelColor(QPoint(50, 80) - origin).rgb(), Palette::standardRed().rgb()); // the outline
    EXPECT_EQ(qAlpha(picture.pixel(QPoint(1, 1))), 0); // nor the other object
}

// A payload's picture is decoded in a limited child: a 20000² PNG of a few kilobytes is refused
// with a reason instead of holding the window for half a minute and gigabytes.
TEST(EditorSelection, APastedPictureBombIsRefusedWithItsReason) {
    const DecodingChild::ScopedLimits limits({1, 1500, DecodingChild::limits().addressSpace});
    TestSupport::MemoryClipboard clipboard;
    const QByteArray bomb = Bombs::plainPng(20000);
    ASSERT_LT(bomb.size(), 2 << 20);
    const QByteArray payload =
        "{\"annotations\":[{\"tool\":\"image\",\"points\":[[0,0],[10,0],[10,10],[0,10]],\"color\":\"FF0000\","
        "\"width\":1,\"text\":\"\",\"fontSize\":16,\"headScale\":1,\"rotation\":0,\"hollow\":false,"
        "\"imageFrame\":[[0,0],[10,10]],\"imagePNG\":\"" +
        bomb.toBase64() + "\"}]}";
    clipboard.setObjects(payload, {});
    EditorModel m(solidImage(200, 150));
    m.setClipboard(&clipboard);
    QSignalSpy refused(&m, &EditorModel::refused);
    EXPECT_TRUE(m.pasteObjectsFromPasteboard()); // our objects were there: no picture pasted instead
    ASSERT_EQ(refused.size(), 1);
    const QString why = refused.first().first().toString();
    EXPECT_TRUE(why.startsWith(QStringLiteral("Couldn't paste the objects: "))) << why.toStdString();
    EXPECT_TRUE(why.contains(QStringLiteral("takes more than 1 second")) || why.contains(QStringLiteral("needs more memory")))
        << why.toStdString();
    EXPECT_TRUE(m.annotations().isEmpty());
    EXPECT_FALSE(m.isDirty());

    // A small picture in a payload still pastes, through the child.
    Annotation picture = annotation(EditorTool::image, {{10, 10}, {50, 10}, {50, 40}, {10, 40}});
    picture.image = solidImage(40, 30, Qt::green);
    picture.imageFrame = QRectF(10, 10, 40, 30);
    EditorModel source(solidImage(200, 150), {picture});
    source.setClipboard(&clipboard);
    source.setSelectedID(picture.id);
    source.copySelectedToPasteboard();
    ASSERT_TRUE(m.pasteObjectsFromPasteboard());
    ASSERT_EQ(m.annotations().size(), 1);
    EXPECT_EQ(m.annotations().first().image.size(), QSize(40, 30));
}

// Found sensitive text becomes redactions: one undo step, all selected, in the redaction colour.
TEST(EditorSelection, FoundRedactionsAreOneStepAndSelected) {
    QImage base(400, 300, QImage::Format_RGB32);
    base.fill(Qt::white);
    EditorModel model(base, {});
    model.setColor(Qt::red); // the drawing colour is not the redactions'
    model.setTool(EditorTool::pen);
    EXPECT_EQ(model.addRedactions({QRectF(10, 10, 50, 12), QRectF(), QRectF(100, 40, 80, 14)}), 2);
    ASSERT_EQ(model.annotations().size(), 2);
    EXPECT_EQ(model.undoStack().size(), 1);
    EXPECT_EQ(model.tool(), EditorTool::select);
    QSet<QUuid> ids;
    for (const Annotation& a : model.annotations()) {
        EXPECT_EQ(a.tool, EditorTool::redact);
        EXPECT_EQ(a.color, QColor(Qt::black));
        ids.insert(a.id);
    }
    EXPECT_EQ(model.selectedIDs(), ids);
    EXPECT_EQ(model.annotations()[1].rect().normalized(), QRectF(100, 40, 80, 14));
    // The colour well shows the redactions' colour and recolours them all; the pen keeps red.
    EXPECT_EQ(model.color(), QColor(Qt::black));
    model.chooseColor(Palette::named("blue"));
    for (const Annotation& a : model.annotations()) EXPECT_EQ(a.color, Palette::named("blue"));
    EXPECT_EQ(model.undoStack().size(), 2);
    model.undo();
    model.setTool(EditorTool::pen);
    EXPECT_EQ(model.color(), QColor(Qt::red));
    model.undo();
    EXPECT_TRUE(model.annotations().isEmpty());
    EXPECT_EQ(model.addRedactions({}), 0);
    EXPECT_EQ(model.undoStack().size(), 0);
}
