#include "ui/editor/ToolbarFlowLayout.h"

#include <QWidget>

#include <algorithm>
#include <limits>

ToolbarFlowLayout::ToolbarFlowLayout(QWidget* parent, int hSpacing, int vSpacing)
    : QLayout(parent), m_hSpacing(hSpacing), m_vSpacing(vSpacing) {
    // The toolbar's frame decides the padding; the style's default margins would double it.
    setContentsMargins(0, 0, 0, 0);
}

ToolbarFlowLayout::~ToolbarFlowLayout() {
    qDeleteAll(m_items);
}

QList<ToolbarFlowLayout::Row> ToolbarFlowLayout::rows(const QList<QSize>& sizes, int maxWidth, int hSpacing) {
    QList<Row> result;
    int x = 0;
    int rowStart = 0;
    int rowHeight = 0;
    const int n = int(sizes.size());
    for (int i = 0; i < n; ++i) {
        const QSize size = sizes[i];
        // Compared in 64 bits: an "unbounded" width must not overflow.
        if (i > rowStart && qint64(x) + size.width() > maxWidth) {
            result.append({rowStart, i, x - hSpacing, rowHeight});
            x = 0;
            rowHeight = 0;
            rowStart = i;
        }
        x += size.width() + hSpacing;
        rowHeight = std::max(rowHeight, size.height());
    }
    if (rowStart < n) result.append({rowStart, n, x - hSpacing, rowHeight});
    return result;
}

int ToolbarFlowLayout::stackedHeight(const QList<Row>& rows, int vSpacing) {
    if (rows.isEmpty()) return 0;
    int height = vSpacing * int(rows.size() - 1);
    for (const Row& row : rows)
        height += row.height;
    return height;
}

void ToolbarFlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

int ToolbarFlowLayout::count() const {
    return int(m_items.size());
}

QLayoutItem* ToolbarFlowLayout::itemAt(int index) const {
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

QLayoutItem* ToolbarFlowLayout::takeAt(int index) {
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations ToolbarFlowLayout::expandingDirections() const {
    return {};
}

bool ToolbarFlowLayout::hasHeightForWidth() const {
    return true;
}

QList<QLayoutItem*> ToolbarFlowLayout::visibleItems() const {
    QList<QLayoutItem*> items;
    for (QLayoutItem* item : m_items)
        if (!item->isEmpty()) items.append(item);
    return items;
}

QList<QSize> ToolbarFlowLayout::hints(const QList<QLayoutItem*>& items) const {
    QList<QSize> sizes;
    sizes.reserve(items.size());
    for (const QLayoutItem* item : items)
        sizes.append(item->sizeHint());
    return sizes;
}

int ToolbarFlowLayout::heightForWidth(int width) const {
    const QMargins m = contentsMargins();
    const int inner = std::max(0, width - m.left() - m.right());
    return stackedHeight(rows(hints(visibleItems()), inner, m_hSpacing), m_vSpacing) + m.top() + m.bottom();
}

QSize ToolbarFlowLayout::sizeHint() const {
    // Unbounded width: everything on one row.
    const QList<Row> all = rows(hints(visibleItems()), std::numeric_limits<int>::max(), m_hSpacing);
    int width = 0;
    for (const Row& row : all)
        width = std::max(width, row.width);
    const QMargins m = contentsMargins();
    return QSize(width, stackedHeight(all, m_vSpacing)).grownBy(m);
}

QSize ToolbarFlowLayout::minimumSize() const {
    // No minimum width: the window may be narrower than the widest item, which then overhangs
    // its own row rather than holding the window wide.
    return QSize(0, 0).grownBy(contentsMargins());
}

void ToolbarFlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    const QList<QLayoutItem*> items = visibleItems();
    const QList<QSize> sizes = hints(items);
    int y = area.top();
    for (const Row& row : rows(sizes, area.width(), m_hSpacing)) {
        int x = area.left();
        for (int i = row.begin; i < row.end; ++i) {
            const QSize size = sizes[i];
            items[i]->setGeometry(QRect(QPoint(x, y + (row.height - size.height()) / 2), size));
            x += size.width() + m_hSpacing;
        }
        y += row.height + m_vSpacing;
    }
}
