#include "editor/EditorModel.h"
#include "model/Palette.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>

#include <limits>

using TestSupport::solidImage;

namespace {

Annotation badge(QString text, EditorTool tool = EditorTool::dot) {
    Annotation a;
    a.tool = tool;
    a.points = {QPointF(10, 10)};
    a.text = std::move(text);
    return a;
}

Annotation stroke(QColor color = Palette::standardRed()) {
    Annotation a;
    a.tool = EditorTool::pen;
    a.points = {QPointF(1, 1), QPointF(5, 5)};
    a.color = color;
    return a;
}

class EditorModelTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().remove(EditorModel::kRecentColorsKey); }
};

} // namespace

TEST_F(EditorModelTest, ConstructionDefaults) {
    EditorModel m(solidImage(64, 48, Qt::white, true), {stroke()});
    EXPECT_EQ(m.tool(), EditorTool::pen);
    EXPECT_EQ(m.color(), Palette::standardRed());
    EXPECT_DOUBLE_EQ(m.strokeWidth(), 8.0);
    EXPECT_DOUBLE_EQ(m.arrowHeadScale(), 1.5);
    EXPECT_EQ(m.dotStyle(), DotStyle::solid);
    EXPECT_EQ(m.stampType(), StampType::numberCircle);
    EXPECT_EQ(m.annotations().size(), 1);
    EXPECT_EQ(m.imageSize(), QSizeF(64, 48));
    EXPECT_FALSE(m.isDirty());
    EXPECT_EQ(m.nextDotNumber(), 1);
}

TEST_F(EditorModelTest, NextBadgeNumberParsing) {
    using M = EditorModel;
    EXPECT_EQ(M::nextBadgeNumber({badge("3"), badge("7"), badge("A")}), 8);
    EXPECT_EQ(M::nextBadgeNumber({badge("2"), badge("9"), badge("x")}), 10);
    EXPECT_EQ(M::nextBadgeNumber({badge("-4")}), -3);
    EXPECT_EQ(M::nextBadgeNumber({badge("+12")}), 13);
    EXPECT_EQ(M::nextBadgeNumber({}), 1);
    // Only number badges count: a check badge or an icon stamp never does.
    Annotation stampBadge = badge("40", EditorTool::stamp);
    EXPECT_EQ(M::nextBadgeNumber({stampBadge}), 41);
    stampBadge.stamp = StampType::checkMark;
    EXPECT_EQ(M::nextBadgeNumber({stampBadge, badge("99", EditorTool::check)}), 1);

    EXPECT_EQ(M::parseBadgeNumber(u"007"), 7);
    EXPECT_EQ(M::parseBadgeNumber(u" 7"), std::nullopt);
    EXPECT_EQ(M::parseBadgeNumber(u"7 "), std::nullopt);
    EXPECT_EQ(M::parseBadgeNumber(u"+"), std::nullopt);
    EXPECT_EQ(M::parseBadgeNumber(u"-"), std::nullopt);
    EXPECT_EQ(M::parseBadgeNumber(u""), std::nullopt);
    EXPECT_EQ(M::parseBadgeNumber(u"1e3"), std::nullopt);
    EXPECT_EQ(M::parseBadgeNumber(u"\u0663"), std::nullopt);  // Arabic-Indic three is not ASCII
    EXPECT_EQ(M::parseBadgeNumber(u"\u22124"), std::nullopt); // the Unicode minus is not a sign
    EXPECT_EQ(M::parseBadgeNumber(u"-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(M::parseBadgeNumber(u"9223372036854775808"), std::nullopt);
    EXPECT_EQ(M::parseBadgeNumber(u"-9223372036854775809"), std::nullopt);
    EXPECT_EQ(M::parseBadgeNumber(u"99999999999999999999999"), std::nullopt);

    // The largest badge saturates instead of overflowing.
    EXPECT_EQ(M::nextBadgeNumber({badge("9223372036854775807"), badge("5")}),
              std::numeric_limits<int64_t>::max());
    EXPECT_EQ(M::nextBadgeNumber({badge("9223372036854775808"), badge("5")}), 6);
    EditorModel m(solidImage(64, 48, Qt::white, true), {badge("3"), badge("11")});
    EXPECT_EQ(m.nextDotNumber(), 12);
}

TEST_F(EditorModelTest, UndoRedoAndDirtyTransitions) {
    EditorModel m(solidImage(64, 48, Qt::white, true));
    m.undo();
    EXPECT_FALSE(m.isDirty());
    EXPECT_TRUE(m.redoStack().isEmpty());

    const Annotation a = stroke(), b = stroke();
    m.commit(a, true);
    m.commit(b, true);
    EXPECT_TRUE(m.isDirty());
    EXPECT_EQ(m.undoStack().size(), 2);

    m.markSaved();
    EXPECT_FALSE(m.isDirty());
    m.undo();
    ASSERT_EQ(m.annotations().size(), 1);
    EXPECT_EQ(m.annotations()[0].id, a.id);
    EXPECT_TRUE(m.isDirty()); // an undo after a save is a change again
    EXPECT_EQ(m.redoStack().size(), 1);

    m.redo();
    ASSERT_EQ(m.annotations().size(), 2);
    EXPECT_EQ(m.annotations()[1].id, b.id);
    m.undo();
    m.commit(stroke(), true); // a new edit empties the redo history
    EXPECT_TRUE(m.redoStack().isEmpty());
    m.redo();
    EXPECT_EQ(m.annotations().size(), 2);
}

TEST_F(EditorModelTest, CommitWithoutUndoLeavesHistoryAndDirtyFlag) {
    EditorModel m(solidImage(64, 48, Qt::white, true));
    m.commit(stroke(), false);
    EXPECT_EQ(m.annotations().size(), 1);
    EXPECT_FALSE(m.isDirty());
    EXPECT_TRUE(m.undoStack().isEmpty());
}

TEST_F(EditorModelTest, UndoRestoresImageAnnotationsAndCounterButKeepsSelection) {
    const QImage original = solidImage(64, 48, Qt::white, true);
    EditorModel m(original, {badge("4")});
    const QUuid id = m.annotations()[0].id;
    m.setSelectedIDs({id});
    m.setTool(EditorTool::arrow);
    m.pushUndo();
    EXPECT_EQ(m.undoStack().last().image.cacheKey(), original.cacheKey()); // shared, not copied
    m.commit(badge("5"), false);
    m.undo();
    EXPECT_EQ(m.baseImage().cacheKey(), original.cacheKey());
    EXPECT_EQ(m.annotations().size(), 1);
    EXPECT_EQ(m.nextDotNumber(), 5);
    EXPECT_EQ(m.selectedIDs(), QSet<QUuid>{id});
    EXPECT_EQ(m.tool(), EditorTool::arrow);
}

TEST_F(EditorModelTest, ChangesAreSignalledByWhatChanged) {
    EditorModel m(solidImage(64, 48, Qt::white, true));
    QSignalSpy settings(&m, &EditorModel::toolSettingsChanged);
    QSignalSpy document(&m, &EditorModel::documentChanged);
    QSignalSpy selection(&m, &EditorModel::selectionChanged);
    QSignalSpy draft(&m, &EditorModel::draftChanged);
    m.setTool(EditorTool::pen); // unchanged value: no signal
    EXPECT_EQ(settings.count(), 0);
    m.setTool(EditorTool::rect);
    m.setStrokeWidth(3);
    m.setShapeFilled(true);
    EXPECT_EQ(settings.count(), 3);
    EXPECT_EQ(document.count(), 0);
    settings.clear();
    m.setDraft(stroke());
    m.setSnapIndicator(QPointF(1, 2));
    EXPECT_EQ(draft.count(), 2);
    EXPECT_EQ(document.count(), 0);
    m.commit(stroke(), true);
    EXPECT_GE(document.count(), 1);
    document.clear();
    settings.clear(); // the commit noted its colour as recent
    m.undo();
    EXPECT_EQ(document.count(), 1);
    m.setSelectedID(m.annotations().value(0).id);
    m.setSelectedID(QUuid::createUuid());
    EXPECT_EQ(selection.count(), 2);
    EXPECT_EQ(document.count(), 1);
    EXPECT_EQ(settings.count(), 0); // the selection follows the style only under the select tool
}

TEST_F(EditorModelTest, RecentColoursAreNewestFirstUniqueAndPersisted) {
    EditorModel m(solidImage(64, 48, Qt::white, true));
    const QColor red = Palette::standardRed(), blue = Palette::named("blue");
    m.commit(stroke(red), true);
    m.commit(stroke(blue), true);
    m.commit(stroke(red), true);
    EXPECT_EQ(m.recentColors(), (QList<QColor>{red, blue}));
    EXPECT_EQ(QSettings().value(EditorModel::kRecentColorsKey).toStringList(),
              (QStringList{QStringLiteral("FF3B30"), QStringLiteral("007AFF")}));

    // The colour wells hear of a new list, and of nothing when the list stays as it was.
    QSignalSpy settings(&m, &EditorModel::toolSettingsChanged);
    m.noteColorUsed(red);
    EXPECT_EQ(settings.count(), 0);
    m.noteColorUsed(Palette::named("blue"));
    EXPECT_EQ(settings.count(), 1);

    for (int i = 0; i < 10; ++i)
        m.noteColorUsed(QColor::fromRgb(i, 0, 0));
    EXPECT_EQ(m.recentColors().size(), 10);
    EXPECT_EQ(m.recentColors().first(), QColor::fromRgb(9, 0, 0));
    EXPECT_FALSE(m.recentColors().contains(red)); // the oldest fell off

    m.noteColorUsed(QColor::fromRgb(10, 20, 30, 100));
    EXPECT_EQ(m.recentColors().first(), QColor::fromRgb(10, 20, 30)); // stored opaque

    // A pasted picture is not a colour choice.
    Annotation picture = stroke(QColor::fromRgb(1, 2, 3));
    picture.tool = EditorTool::image;
    m.commit(picture, true);
    EXPECT_NE(m.recentColors().first(), QColor::fromRgb(1, 2, 3));
}

TEST_F(EditorModelTest, RecentColoursLoadSkipsUnreadableEntries) {
    QSettings().setValue(
        EditorModel::kRecentColorsKey,
        QStringList{QStringLiteral("#1A2B3C"), QStringLiteral("12345"), QStringLiteral("00ff00")});
    EditorModel m(solidImage(64, 48, Qt::white, true));
    EXPECT_EQ(m.recentColors(),
              (QList<QColor>{QColor::fromRgb(0x1A, 0x2B, 0x3C), QColor::fromRgb(0, 255, 0)}));
}

TEST_F(EditorModelTest, NewAnnotationTakesTheCurrentToolSettings) {
    EditorModel m(solidImage(64, 48, Qt::white, true));
    m.setTool(EditorTool::arrow);
    m.setColor(Palette::named("green"));
    m.setStrokeWidth(5);
    m.setArrowHeadScale(2);
    const Annotation a = m.newAnnotation(QPointF(3, 4));
    EXPECT_EQ(a.tool, EditorTool::arrow);
    EXPECT_EQ(a.color, Palette::named("green"));
    EXPECT_DOUBLE_EQ(a.width, 5);
    EXPECT_DOUBLE_EQ(a.headScale, 2);
    EXPECT_EQ(a.points, QList<QPointF>{QPointF(3, 4)});
    EXPECT_DOUBLE_EQ(a.fontSize, 24);
    EXPECT_FALSE(a.id.isNull());
    EXPECT_NE(a.id, m.newAnnotation(QPointF()).id);
}
