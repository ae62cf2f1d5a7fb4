#pragma once

#include <QLayout>
#include <QList>
#include <QSize>

// Wraps the toolbar's items into rows from the left edge, each item at its size hint and centred
// vertically in its row. Hidden items take no room, so conditional controls reflow at once.
class ToolbarFlowLayout : public QLayout {
    Q_OBJECT

public:
    static constexpr int kHorizontalSpacing = 10;
    static constexpr int kRowSpacing = 6;

    // One laid-out row: the items [begin, end) of the sizes given to rows().
    struct Row {
        int begin = 0;
        int end = 0;
        int width = 0;
        int height = 0;
        friend bool operator==(const Row&, const Row&) = default;
    };

    explicit ToolbarFlowLayout(QWidget* parent = nullptr, int hSpacing = kHorizontalSpacing,
                               int vSpacing = kRowSpacing);
    ~ToolbarFlowLayout() override;

    // Breaks items of these sizes into rows no wider than maxWidth; an item wider than that
    // gets a row of its own.
    static QList<Row> rows(const QList<QSize>& sizes, int maxWidth, int hSpacing);
    // The height of those rows stacked with vSpacing between them (0 for none).
    static int stackedHeight(const QList<Row>& rows, int vSpacing);

    int horizontalSpacing() const { return m_hSpacing; }
    int rowSpacing() const { return m_vSpacing; }

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    QList<QLayoutItem*> visibleItems() const;
    QList<QSize> hints(const QList<QLayoutItem*>& items) const;

    QList<QLayoutItem*> m_items;
    int m_hSpacing;
    int m_vSpacing;
};
