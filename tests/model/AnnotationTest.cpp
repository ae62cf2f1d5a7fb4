#include "model/Annotation.h"

#include <gtest/gtest.h>

#include <QSet>

TEST(Annotation, RectIsNormalisedFromFirstAndLastPoint) {
    Annotation a;
    EXPECT_EQ(a.rect(), QRectF());
    a.points = {QPointF(5, 7)};
    EXPECT_EQ(a.rect(), QRectF(5, 7, 0, 0));
    a.points = {QPointF(50, 60), QPointF(999, 999), QPointF(10, 20)};
    EXPECT_EQ(a.rect(), QRectF(10, 20, 40, 40)); // middle points are ignored
}

TEST(Annotation, NumberBadgeIsDotOrNumberCircleStamp) {
    Annotation a;
    a.tool = EditorTool::dot;
    EXPECT_TRUE(a.isNumberBadge());
    a.tool = EditorTool::check;
    EXPECT_FALSE(a.isNumberBadge());
    a.tool = EditorTool::stamp;
    a.stamp = StampType::numberCircle;
    EXPECT_TRUE(a.isNumberBadge());
    a.stamp = StampType::checkMark;
    EXPECT_FALSE(a.isNumberBadge());
}

TEST(Annotation, ToolTablesAndToolbarOrder) {
    const QList<EditorTool> expected{EditorTool::select,  EditorTool::pen,    EditorTool::highlighter,
                                     EditorTool::line,    EditorTool::arrow,  EditorTool::rect,
                                     EditorTool::ellipse, EditorTool::stamp,  EditorTool::blur,
                                     EditorTool::redact,  EditorTool::text,   EditorTool::crop};
    EXPECT_EQ(EditorTools::toolbarCases(), expected);
    QSet<EditorTool> editable;
    for (EditorTool t : allCases<EditorTool>())
        if (EditorTools::isVertexEditable(t)) editable.insert(t);
    EXPECT_EQ(editable, (QSet<EditorTool>{EditorTool::line, EditorTool::arrow, EditorTool::polygon}));
    EXPECT_EQ(EditorTools::help(EditorTool::stamp),
              QStringLiteral("Icon stamp — pick the icon from the dropdown"));
}

TEST(Annotation, RawValuesRoundTripAndAreCaseSensitive) {
    for (EditorTool t : allCases<EditorTool>())
        EXPECT_EQ(fromRawValue<EditorTool>(rawValue(t)), t);
    for (StampType t : allCases<StampType>())
        EXPECT_EQ(fromRawValue<StampType>(rawValue(t)), t);
    for (StampCategory c : allCases<StampCategory>())
        EXPECT_EQ(fromRawValue<StampCategory>(rawValue(c)), c);
    for (CanvasBackground b : allCases<CanvasBackground>())
        EXPECT_EQ(fromRawValue<CanvasBackground>(rawValue(b)), b);
    EXPECT_EQ(fromRawValue<DotStyle>(u"hollow"), DotStyle::hollow);

    EXPECT_EQ(rawValue(StampType::camera360), QStringLiteral("camera360"));
    EXPECT_EQ(fromRawValue<StampType>(u"Camera360"), std::nullopt);
    EXPECT_EQ(fromRawValue<EditorTool>(u""), std::nullopt);
    EXPECT_EQ(fromRawValue<EditorTool>(u"pen "), std::nullopt);
}

TEST(Annotation, StampCategoriesAreAFixedTable) {
    QHash<StampCategory, int> counts;
    for (StampType t : allCases<StampType>())
        ++counts[StampTypes::category(t)];
    for (StampCategory c : allCases<StampCategory>())
        EXPECT_GT(counts.value(c), 0) << rawValue(c).toStdString();
    EXPECT_EQ(counts[StampCategory::circuit], 16);
    EXPECT_EQ(counts[StampCategory::general], 5);
    EXPECT_EQ(StampTypes::category(StampType::ups), StampCategory::network);
    EXPECT_EQ(StampTypes::category(StampType::relayCoil), StampCategory::circuit);
    EXPECT_EQ(StampTypes::title(StampType::camera360), QStringLiteral("Camera (360°)"));
    EXPECT_EQ(StampTypes::menuSymbol(StampType::terminal), QStringLiteral("circle.circle"));
    EXPECT_EQ(StampCategories::title(StampCategory::network), QStringLiteral("IT / Network"));
}
