// Lays real widgets out in the toolbar's flow layout and checks where each one lands.
#include "ui/editor/ToolbarFlowLayout.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace {

// A control with a known ideal size.
class Box final : public QWidget {
public:
    Box(QSize hint, QWidget* parent) : QWidget(parent), m_hint(hint) {}
    QSize sizeHint() const override { return m_hint; }

private:
    QSize m_hint;
};

class ToolbarFlowLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar = std::make_unique<QWidget>();
        layout = new ToolbarFlowLayout(bar.get());
    }

    Box* add(int w, int h) {
        auto* box = new Box(QSize(w, h), bar.get());
        layout->addWidget(box);
        return box;
    }

    // Shows the bar at `width` and as high as its rows need, as a window would.
    void layOut(int width) {
        bar->resize(width, layout->heightForWidth(width));
        bar->show();
        layout->activate();
        layout->setGeometry(bar->rect());
    }

    std::unique_ptr<QWidget> bar;
    ToolbarFlowLayout* layout = nullptr;
};

TEST_F(ToolbarFlowLayoutTest, WideBarKeepsOneRowCentredVertically) {
    Box* a = add(40, 20);
    Box* b = add(60, 30);
    Box* c = add(50, 25);
    EXPECT_EQ(layout->sizeHint(), QSize(40 + 10 + 60 + 10 + 50, 30));
    layOut(500);
    EXPECT_EQ(a->geometry(), QRect(0, 5, 40, 20));
    EXPECT_EQ(b->geometry(), QRect(50, 0, 60, 30));
    // (30 - 25) / 2 rounds down, as integer pixels must.
    EXPECT_EQ(c->geometry(), QRect(120, 2, 50, 25));
    EXPECT_EQ(layout->heightForWidth(500), 30);
}

TEST_F(ToolbarFlowLayoutTest, NarrowBarWrapsFromTheLeftEdgeWithRowSpacing) {
    Box* a = add(40, 20);
    Box* b = add(60, 30);
    Box* c = add(50, 24);
    Box* d = add(30, 10);
    // 40 + 10 + 60 = 110 fits exactly; the third item would reach 170.
    layOut(110);
    EXPECT_EQ(a->geometry(), QRect(0, 5, 40, 20));
    EXPECT_EQ(b->geometry(), QRect(50, 0, 60, 30));
    EXPECT_EQ(c->geometry(), QRect(0, 36, 50, 24));
    EXPECT_EQ(d->geometry(), QRect(60, 36 + 7, 30, 10));
    EXPECT_EQ(layout->heightForWidth(110), 30 + 6 + 24);
    EXPECT_EQ(bar->heightForWidth(110), 30 + 6 + 24);

    // One pixel less and the second item moves down too.
    layOut(109);
    EXPECT_EQ(b->geometry().topLeft(), QPoint(0, 20 + 6));
    EXPECT_EQ(c->geometry().topLeft(), QPoint(0, 20 + 6 + 30 + 6));
    EXPECT_EQ(layout->heightForWidth(109), 20 + 6 + 30 + 6 + 24);
}

TEST_F(ToolbarFlowLayoutTest, ItemWiderThanTheBarStandsAloneAtItsFullSize) {
    Box* wide = add(200, 16);
    Box* a = add(40, 20);
    Box* b = add(40, 20);
    Box* wider = add(300, 40);
    Box* c = add(40, 20);
    layOut(100);
    EXPECT_EQ(wide->geometry(), QRect(0, 0, 200, 16));
    EXPECT_EQ(a->geometry(), QRect(0, 22, 40, 20));
    EXPECT_EQ(b->geometry(), QRect(50, 22, 40, 20));
    EXPECT_EQ(wider->geometry(), QRect(0, 48, 300, 40));
    EXPECT_EQ(c->geometry(), QRect(0, 94, 40, 20));
    EXPECT_EQ(layout->heightForWidth(100), 16 + 6 + 20 + 6 + 40 + 6 + 20);
    EXPECT_EQ(bar->width(), 100);
}

TEST_F(ToolbarFlowLayoutTest, HiddenItemsTakeNoRoomAndReflowWhenShown) {
    Box* a = add(40, 20);
    Box* optional = add(60, 30);
    Box* c = add(40, 20);
    optional->hide();
    layOut(100);
    EXPECT_EQ(c->geometry(), QRect(50, 0, 40, 20));
    EXPECT_EQ(layout->heightForWidth(100), 20);

    optional->show();
    layOut(100);
    EXPECT_EQ(a->geometry(), QRect(0, 0, 40, 20));
    EXPECT_EQ(optional->geometry(), QRect(0, 26, 60, 30));
    EXPECT_EQ(c->geometry(), QRect(0, 62, 40, 20));
}

// Inside a window above the canvas, the bar grows as the window narrows.
TEST_F(ToolbarFlowLayoutTest, WindowGivesTheBarTheHeightItsRowsNeed) {
    add(40, 20);
    add(60, 30);
    add(50, 24);
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(bar.release());
    QWidget* toolbar = column->itemAt(0)->widget();
    auto* canvas = new QWidget;
    canvas->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    column->addWidget(canvas);

    window.resize(500, 300);
    window.show();
    column->activate();
    EXPECT_EQ(toolbar->height(), 30);

    window.resize(110, 300);
    column->activate();
    EXPECT_EQ(toolbar->height(), 30 + 6 + 24);
    EXPECT_EQ(canvas->y(), 30 + 6 + 24);
}

TEST(ToolbarFlowLayoutRows, RangesWidthsAndHeights) {
    using Row = ToolbarFlowLayout::Row;
    EXPECT_TRUE(ToolbarFlowLayout::rows({}, 100, 10).isEmpty());
    EXPECT_EQ(ToolbarFlowLayout::stackedHeight({}, 6), 0);

    const QList<QSize> sizes{{30, 10}, {30, 12}, {30, 8}, {120, 5}, {10, 9}};
    const QList<Row> rows = ToolbarFlowLayout::rows(sizes, 70, 10);
    const QList<Row> expected{{0, 2, 70, 12}, {2, 3, 30, 8}, {3, 4, 120, 5}, {4, 5, 10, 9}};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(ToolbarFlowLayout::stackedHeight(rows, 6), 12 + 8 + 5 + 9 + 3 * 6);
    // A zero width still gives every item a row rather than looping or dropping any.
    EXPECT_EQ(ToolbarFlowLayout::rows(sizes, 0, 10).size(), 5);
}

} // namespace
