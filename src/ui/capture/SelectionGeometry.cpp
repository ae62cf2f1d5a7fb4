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

} // namespace SelectionGeometry
