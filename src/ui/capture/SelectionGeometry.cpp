#include "ui/capture/SelectionGeometry.h"

#include <algorithm>
#include <cmath>

namespace SelectionGeometry {

QRectF normalized(QPointF a, QPointF b) {
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
}

bool isLargeEnough(const QRectF& rect) {
    return rect.width() >= kMinSide && rect.height() >= kMinSide;
}

QString sizeLabel(const QRectF& rect, double devicePixelRatio) {
    const double s = devicePixelRatio > 0 ? devicePixelRatio : 1;
    return QStringLiteral("%1 \u00d7 %2").arg(qint64(rect.width() * s)).arg(qint64(rect.height() * s));
}

QRectF labelBox(const QRectF& selection, QSizeF text, const QRectF& bounds) {
    const QSizeF box(text.width() + 12, text.height() + 6);
    double x = selection.right() - box.width();
    double y = selection.bottom() + 4;
    if (y + box.height() > bounds.bottom()) y = selection.bottom() - 4 - box.height();
    if (x < bounds.left()) x = selection.left();
    return QRectF(QPointF(x, y), box);
}

QRect captureRect(const QRectF& selection, const QRect& screenGeometry, double devicePixelRatio) {
    const double s = devicePixelRatio > 0 ? devicePixelRatio : 1;
    const QPointF origin = (selection.topLeft() - QPointF(screenGeometry.topLeft())) * s;
    const QRect rect(int(std::floor(origin.x())), int(std::floor(origin.y())),
                     std::max(1, int(selection.width() * s)), std::max(1, int(selection.height() * s)));
    const QRect picture(QPoint(), screenGeometry.size() * s);
    return rect.intersected(picture);
}

QList<QRectF> handles(const QRectF& s) {
    QList<QRectF> boxes;
    for (double y : {s.top(), s.center().y(), s.bottom()})
        for (double x : {s.left(), s.center().x(), s.right()}) {
            if (x == s.center().x() && y == s.center().y()) continue;
            boxes.append(QRectF(x - kHandle / 2, y - kHandle / 2, kHandle, kHandle));
        }
    return boxes;
}

int handleAt(const QRectF& s, QPointF p) {
    const double reach = kHandle / 2 + 2;
    auto near = [reach](double a, double b) { return std::abs(a - b) <= reach; };
    int edges = 0;
    const bool withinX = p.x() >= s.left() - reach && p.x() <= s.right() + reach;
    const bool withinY = p.y() >= s.top() - reach && p.y() <= s.bottom() + reach;
    if (!withinX || !withinY) return 0;
    const bool midX = near(p.x(), s.center().x()), midY = near(p.y(), s.center().y());
    const bool atLeft = near(p.x(), s.left()), atRight = !atLeft && near(p.x(), s.right());
    const bool atTop = near(p.y(), s.top()), atBottom = !atTop && near(p.y(), s.bottom());
    if ((atLeft || atRight) && (atTop || atBottom || midY)) edges |= atLeft ? left : right;
    if ((atTop || atBottom) && (atLeft || atRight || midX)) edges |= atTop ? top : bottom;
    return edges;
}

QRectF resized(const QRectF& s, int edges, QPointF p) {
    double l = s.left(), r = s.right(), t = s.top(), b = s.bottom();
    if (edges & left) l = p.x();
    if (edges & right) r = p.x();
    if (edges & top) t = p.y();
    if (edges & bottom) b = p.y();
    return normalized(QPointF(l, t), QPointF(r, b));
}

QRectF keptInside(const QRectF& s, const QRectF& bounds) {
    QRectF moved = s;
    if (moved.right() > bounds.right()) moved.moveRight(bounds.right());
    if (moved.bottom() > bounds.bottom()) moved.moveBottom(bounds.bottom());
    if (moved.left() < bounds.left()) moved.moveLeft(bounds.left());
    if (moved.top() < bounds.top()) moved.moveTop(bounds.top());
    return moved;
}

} // namespace SelectionGeometry
