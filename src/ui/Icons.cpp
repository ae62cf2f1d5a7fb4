#include "ui/Icons.h"

#include "render/EditorRenderer.h"
#include "render/StampGlyphs.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>

namespace Icons {

namespace {

// One drawing on a 24-unit grid, painted in device pixels. The stroke is a whole number of device
// pixels and `s` puts stroke centres where that stroke covers whole pixels, so straight edges stay
// sharp at every size and ratio (what font hinting does for text).
class Pen {
public:
    Pen(QPainter& painter, int devicePixels, const QColor& color)
        : m_p(painter), m_k(devicePixels / 24.0), m_color(color) {
        // 1 px at 16 @1x, 2 px at 20 and 24 @1x, 2, 3 and 4 px @2x.
        m_w = std::max(1.0, std::round(1.85 * m_k));
        m_p.setRenderHint(QPainter::Antialiasing);
        setWidth(m_w);
    }

    QPainter& painter() { return m_p; }
    double k() const { return m_k; }
    double width() const { return m_w; }
    const QColor& color() const { return m_color; }

    // Stroke centre, edge and free coordinates from grid units.
    double s(double u) const {
        const double v = u * m_k;
        return int(m_w) % 2 ? std::floor(v) + 0.5 : std::round(v);
    }
    double e(double u) const { return std::round(u * m_k); }
    QPointF p(double x, double y) const { return {s(x), s(y)}; }
    QPointF f(double x, double y) const { return {x * m_k, y * m_k}; }

    void setWidth(double w) {
        QPen pen(m_color, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        m_p.setPen(pen);
        m_p.setBrush(Qt::NoBrush);
    }
    void setAlpha(double alpha) { m_p.setOpacity(alpha); }

    void line(double x1, double y1, double x2, double y2) { m_p.drawLine(p(x1, y1), p(x2, y2)); }
    QPainterPath path(std::initializer_list<QPointF> grid, bool closed = false) const {
        QPainterPath path;
        for (const QPointF& u : grid) {
            if (path.elementCount() == 0)
                path.moveTo(p(u.x(), u.y()));
            else
                path.lineTo(p(u.x(), u.y()));
        }
        if (closed) path.closeSubpath();
        return path;
    }
    void poly(std::initializer_list<QPointF> grid, bool closed = false) { m_p.drawPath(path(grid, closed)); }
    void fillPoly(std::initializer_list<QPointF> grid) {
        const QPainterPath shape = path(grid, true);
        m_p.fillPath(shape, m_color);
        m_p.drawPath(shape);
    }
    QRectF strokeRect(double x, double y, double w, double h) const {
        return QRectF(p(x, y), p(x + w, y + h));
    }
    void rect(double x, double y, double w, double h, double radius) {
        m_p.drawRoundedRect(strokeRect(x, y, w, h), radius * m_k, radius * m_k);
    }
    void fillRect(double x, double y, double w, double h, double radius) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(QPointF(e(x), e(y)), QPointF(e(x + w), e(y + h))), radius * m_k,
                             radius * m_k);
        m_p.fillPath(shape, m_color);
    }
    // Pixels cleared under a later drawing, so an overlapped outline does not show through.
    void clearRect(QRectF deviceRect, double radius) {
        QPainterPath shape;
        shape.addRoundedRect(deviceRect, radius * m_k, radius * m_k);
        const auto mode = m_p.compositionMode();
        m_p.setCompositionMode(QPainter::CompositionMode_Clear);
        m_p.fillPath(shape, Qt::black);
        m_p.setCompositionMode(mode);
    }
    QRectF circleRect(double cx, double cy, double r) const {
        const double rr = std::max(1.0, std::round(r * m_k));
        return QRectF(s(cx) - rr, s(cy) - rr, 2 * rr, 2 * rr);
    }
    void circle(double cx, double cy, double r) { m_p.drawEllipse(circleRect(cx, cy, r)); }
    void ellipse(double cx, double cy, double rx, double ry) {
        const double ex = std::round(rx * m_k), ey = std::round(ry * m_k);
        m_p.drawEllipse(QPointF(s(cx), s(cy)), ex, ey);
    }
    void fillCircle(double cx, double cy, double r) {
        QPainterPath shape;
        shape.addEllipse(f(cx, cy), r * m_k, r * m_k);
        m_p.fillPath(shape, m_color);
    }
    // An open arrowhead: two strokes meeting at `tip`, coming from direction `angle` (degrees,
    // y down), each `length` units long.
    void head(QPointF tip, double angle, double length) {
        const double a = qDegreesToRadians(angle);
        const QPointF t = tip;
        for (double side : {-40.0, 40.0}) {
            const double b = a + qDegreesToRadians(side);
            m_p.drawLine(t, t - QPointF(std::cos(b), std::sin(b)) * length * m_k);
        }
    }
    // An arc about (cx, cy) from angle a0 to a1 (degrees, increasing clockwise on screen) with an
    // arrowhead at its end.
    void arcArrow(double cx, double cy, double r, double a0, double a1, double headLength) {
        const QPointF c = p(cx, cy);
        const double rr = std::round(r * m_k);
        const QRectF square(c.x() - rr, c.y() - rr, 2 * rr, 2 * rr);
        QPainterPath arc;
        arc.arcMoveTo(square, -a0);
        arc.arcTo(square, -a0, -(a1 - a0));
        m_p.drawPath(arc);
        const double a = qDegreesToRadians(a1);
        const QPointF end = c + QPointF(std::cos(a), std::sin(a)) * rr;
        // The direction of travel at the end of the arc.
        const double dir = a1 > a0 ? a1 + 90 : a1 - 90;
        head(end, dir, headLength);
    }
    // Draws `draw` mirrored left to right.
    void mirrored(const std::function<void()>& draw) {
        m_p.save();
        m_p.translate(24 * m_k, 0);
        m_p.scale(-1, 1);
        draw();
        m_p.restore();
    }

private:
    QPainter& m_p;
    double m_k;
    double m_w = 1;
    QColor m_color;
};

using Drawing = std::function<void(Pen&)>;

// A pencil or marker lying from bottom left to top right, drawn along its own axis.
void drawAlong(Pen& pen, double cx, double cy, const std::function<void(Pen&, double k)>& body) {
    QPainter& p = pen.painter();
    p.save();
    p.translate(pen.f(cx, cy));
    p.rotate(-45);
    body(pen, pen.k());
    p.restore();
}

void picture(Pen& pen, double x, double y, double w, double h) {
    // Mountains and a sun, the sign for a picture.
    pen.rect(x, y, w, h, 2);
    pen.poly({{x + 0.5, y + h - 2.5}, {x + w * 0.35, y + h * 0.45}, {x + w * 0.6, y + h - 3.5},
              {x + w * 0.75, y + h * 0.62}, {x + w - 0.5, y + h - 2}});
    pen.fillCircle(x + w * 0.72, y + h * 0.3, 1.4);
}

void magnifier(Pen& pen, bool plus) {
    pen.circle(10.5, 10.5, 6.5);
    pen.line(15.5, 15.5, 20.5, 20.5);
    pen.line(7.5, 10.5, 13.5, 10.5);
    if (plus) pen.line(10.5, 7.5, 10.5, 13.5);
}

void undoArrow(Pen& pen) {
    QPainterPath path;
    const QPointF a = pen.p(4, 9.5), b = pen.p(14, 9.5), bottom = pen.p(14, 19.5);
    const double r = (bottom.y() - b.y()) / 2;
    path.moveTo(a);
    path.lineTo(b);
    path.arcTo(QRectF(b.x() - r, b.y(), 2 * r, 2 * r), 90, -180);
    path.lineTo(pen.p(9, 19.5));
    pen.painter().drawPath(path);
    pen.head(a, 180, 4.5);
}

void overlappedSquares(Pen& pen, const std::function<void(Pen&)>& front) {
    pen.rect(8.5, 3.5, 12, 12, 2);
    pen.clearRect(pen.strokeRect(3.5, 8.5, 12, 12).adjusted(-pen.width(), -pen.width(), pen.width(), pen.width()),
                  2.5);
    front(pen);
}

Drawing toolDrawing(EditorTool tool) {
    switch (tool) {
    case EditorTool::select:
        return [](Pen& pen) {
            pen.poly({{6.5, 3}, {6.5, 19}, {10.5, 15.2}, {13.2, 21}, {15.8, 19.8}, {13.1, 14.2}, {18.5, 14.2}},
                     true);
        };
    case EditorTool::pen:
        return [](Pen& pen) {
            drawAlong(pen, 12.5, 11.5, [](Pen& pen, double k) {
                QPainter& p = pen.painter();
                p.drawRoundedRect(QRectF(-5 * k, -2.7 * k, 14.5 * k, 5.4 * k), 1 * k, 1 * k);
                QPainterPath tip;
                tip.moveTo(-5 * k, -2.7 * k);
                tip.lineTo(-10 * k, 0);
                tip.lineTo(-5 * k, 2.7 * k);
                p.drawPath(tip);
                p.drawLine(QPointF(5.5 * k, -2.7 * k), QPointF(5.5 * k, 2.7 * k));
            });
        };
    case EditorTool::highlighter:
        return [](Pen& pen) {
            drawAlong(pen, 13.5, 9.5, [](Pen& pen, double k) {
                QPainter& p = pen.painter();
                p.drawRoundedRect(QRectF(-3 * k, -3.3 * k, 12 * k, 6.6 * k), 1 * k, 1 * k);
                QPainterPath tip;
                tip.moveTo(-3 * k, -3.3 * k);
                tip.lineTo(-7 * k, -1.6 * k);
                tip.lineTo(-7 * k, 1.6 * k);
                tip.lineTo(-3 * k, 3.3 * k);
                p.drawPath(tip);
            });
            pen.setAlpha(0.45);
            pen.fillRect(3, 18.5, 18, 3, 1);
            pen.setAlpha(1);
        };
    case EditorTool::line:
        return [](Pen& pen) { pen.line(5, 19, 19, 5); };
    case EditorTool::arrow:
        return [](Pen& pen) {
            pen.line(5, 19, 18.5, 5.5);
            pen.poly({{10.5, 5}, {19, 5}, {19, 13.5}});
        };
    case EditorTool::rect:
        return [](Pen& pen) { pen.rect(3.5, 6, 17, 12, 2); };
    case EditorTool::ellipse:
        return [](Pen& pen) { pen.ellipse(12, 12, 9, 7); };
    case EditorTool::stamp:
        return [](Pen& pen) {
            for (double x : {4.0, 13.5})
                for (double y : {4.0, 13.5})
                    pen.rect(x, y, 6.5, 6.5, 1.5);
        };
    case EditorTool::dot:
        return [](Pen& pen) {
            pen.fillCircle(12, 12, 9.5);
            QPainter& p = pen.painter();
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            pen.poly({{9.5, 9}, {12.5, 7}, {12.5, 17}});
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        };
    case EditorTool::check:
        return [](Pen& pen) {
            pen.circle(12, 12, 9);
            pen.poly({{8, 12.5}, {10.8, 15.2}, {16.2, 9.2}});
        };
    case EditorTool::polygon:
        return [](Pen& pen) {
            QPolygonF pentagon;
            for (int i = 0; i < 5; ++i) {
                const double a = qDegreesToRadians(-90.0 + 72.0 * i);
                pentagon << pen.f(12 + 9.5 * std::cos(a), 12.8 + 9.5 * std::sin(a));
            }
            pen.painter().drawPolygon(pentagon);
        };
    case EditorTool::blur:
        return [](Pen& pen) {
            // Dots fading towards the corners: softened detail.
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j) {
                    const int edge = (i != 1) + (j != 1);
                    pen.setAlpha(edge == 0 ? 1.0 : edge == 1 ? 0.7 : 0.4);
                    pen.fillCircle(6 + 6 * i, 6 + 6 * j, edge == 0 ? 2.6 : edge == 1 ? 2.1 : 1.6);
                }
            }
            pen.setAlpha(1);
        };
    case EditorTool::redact:
        return [](Pen& pen) {
            // Lines of text, the middle one under a solid bar.
            pen.line(4, 5.5, 20, 5.5);
            pen.fillRect(3, 9, 18, 6, 1);
            pen.line(4, 18.5, 14, 18.5);
        };
    case EditorTool::text:
        return [](Pen& pen) {
            pen.line(5, 5, 19, 5);
            pen.line(12, 5, 12, 19.5);
            pen.line(9, 19.5, 15, 19.5);
            pen.line(5, 5, 5, 7.5);
            pen.line(19, 5, 19, 7.5);
        };
    case EditorTool::crop:
        return [](Pen& pen) {
            pen.poly({{7, 2.5}, {7, 17}, {21.5, 17}});
            pen.poly({{2.5, 7}, {17, 7}, {17, 21.5}});
        };
    case EditorTool::image:
        return [](Pen& pen) { picture(pen, 3, 5, 18, 14); };
    }
    return {};
}

Drawing actionDrawing(Action action) {
    switch (action) {
    case Action::strokeWidth:
        return [](Pen& pen) {
            // Three bars of growing weight, each a whole number of device pixels high.
            double previous = 0;
            double y = 4.5;
            for (double units : {1.0, 2.0, 3.5}) {
                const double h = std::max(previous + 1, std::round(units * pen.k()));
                previous = h;
                QPainterPath bar;
                bar.addRoundedRect(QRectF(pen.e(3.5), std::round(y * pen.k()), pen.e(20.5) - pen.e(3.5), h),
                                   h / 2, h / 2);
                pen.painter().fillPath(bar, pen.color());
                y += 6.5;
            }
        };
    case Action::arrowHead:
        return [](Pen& pen) {
            pen.line(3, 12, 12, 12);
            pen.fillPoly({{11, 5.5}, {21, 12}, {11, 18.5}});
        };
    case Action::shapeOutlined:
        return [](Pen& pen) { pen.rect(5, 5, 14, 14, 2.5); };
    case Action::shapeFilled:
        return [](Pen& pen) {
            pen.rect(5, 5, 14, 14, 2.5);
            QPainterPath inner;
            inner.addRoundedRect(pen.strokeRect(5, 5, 14, 14), 2.5 * pen.k(), 2.5 * pen.k());
            pen.painter().fillPath(inner, pen.color());
        };
    case Action::badgeSolid:
        return [](Pen& pen) { pen.fillCircle(12, 12, 7.5); };
    case Action::badgeHollow:
        return [](Pen& pen) {
            pen.setWidth(pen.width() + std::max(1.0, std::round(0.75 * pen.k())));
            pen.circle(12, 12, 6.5);
        };
    case Action::pasteImage:
        return [](Pen& pen) {
            pen.rect(4.5, 4.5, 15, 17, 2);
            pen.clearRect(pen.strokeRect(8.5, 2.5, 7, 4).adjusted(-1, -1, 1, 1), 1);
            pen.rect(8.5, 2.5, 7, 4, 1);
            QPainterPath mountain = pen.path({{8, 18}, {11.2, 12.5}, {13.6, 15.6}, {14.8, 14.2}, {16, 18}}, true);
            pen.painter().fillPath(mountain, pen.color());
            pen.painter().drawPath(mountain);
        };
    case Action::expandCanvas:
        return [](Pen& pen) {
            pen.poly({{3, 8}, {3, 3}, {8, 3}});
            pen.poly({{16, 3}, {21, 3}, {21, 8}});
            pen.poly({{21, 16}, {21, 21}, {16, 21}});
            pen.poly({{8, 21}, {3, 21}, {3, 16}});
            pen.rect(8, 8, 8, 8, 1);
        };
    case Action::rotateImage:
        return [](Pen& pen) {
            pen.rect(3, 11, 10, 10, 1.5);
            pen.arcArrow(12, 12, 8.5, -155, -12, 3.5);
        };
    case Action::rotateLeft:
        return [](Pen& pen) { pen.arcArrow(12, 12.5, 8, 90, -150, 4); };
    case Action::rotateRight:
        return [](Pen& pen) { pen.mirrored([&] { pen.arcArrow(12, 12.5, 8, 90, -150, 4); }); };
    case Action::zoomOut:
        return [](Pen& pen) { magnifier(pen, false); };
    case Action::zoomIn:
        return [](Pen& pen) { magnifier(pen, true); };
    case Action::undo:
        return [](Pen& pen) { undoArrow(pen); };
    case Action::redo:
        return [](Pen& pen) { pen.mirrored([&] { undoArrow(pen); }); };
    case Action::findSensitive:
        return [](Pen& pen) {
            // A magnifier over two lines of text, the lower one covered.
            pen.line(3, 5, 12, 5);
            pen.rect(3, 9, 9, 3.5, 0.5);
            pen.circle(15, 13, 5);
            pen.line(18.5, 16.5, 22, 20);
        };
    case Action::copyObjects:
        return [](Pen& pen) { overlappedSquares(pen, [](Pen& pen) { pen.rect(3.5, 8.5, 12, 12, 2); }); };
    case Action::copy:
        return [](Pen& pen) { overlappedSquares(pen, [](Pen& pen) { picture(pen, 3.5, 8.5, 12, 12); }); };
    case Action::fineRotate:
        return [](Pen& pen) {
            // A protractor with its needle a little off the vertical.
            QPainter& p = pen.painter();
            const QPointF c = pen.p(12, 18);
            const double r = std::round(9 * pen.k());
            QPainterPath arc;
            arc.moveTo(c.x() - r, c.y());
            arc.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 180, -180);
            arc.closeSubpath();
            p.drawPath(arc);
            const double a = qDegreesToRadians(-70.0);
            p.drawLine(c, c + QPointF(std::cos(a), std::sin(a)) * 6.5 * pen.k());
        };
    case Action::trash:
        return [](Pen& pen) {
            pen.line(3.5, 6.5, 20.5, 6.5);
            pen.poly({{9, 6.5}, {9, 3.5}, {15, 3.5}, {15, 6.5}});
            pen.poly({{6, 6.5}, {7, 20.5}, {17, 20.5}, {18, 6.5}});
            pen.line(10, 10.5, 10, 16.5);
            pen.line(14, 10.5, 14, 16.5);
        };
    case Action::flatten:
        return [](Pen& pen) {
            pen.line(12, 2.5, 12, 10.5);
            pen.head(pen.p(12, 10.5), 90, 4);
            pen.poly({{3, 16.5}, {12, 12.5}, {21, 16.5}, {12, 20.5}}, true);
        };
    case Action::save:
        return [](Pen& pen) {
            pen.poly({{4, 14}, {4, 20}, {20, 20}, {20, 14}});
            pen.line(12, 3.5, 12, 15);
            pen.head(pen.p(12, 15), 90, 5);
        };
    case Action::captureSelection:
        return [](Pen& pen) {
            // A dashed frame: corners and a dash in the middle of each side, with gaps that stay
            // open at 16 pixels.
            pen.poly({{3, 6.5}, {3, 3}, {6.5, 3}});
            pen.poly({{17.5, 3}, {21, 3}, {21, 6.5}});
            pen.poly({{21, 17.5}, {21, 21}, {17.5, 21}});
            pen.poly({{6.5, 21}, {3, 21}, {3, 17.5}});
            pen.line(10.5, 3, 13.5, 3);
            pen.line(10.5, 21, 13.5, 21);
            pen.line(3, 10.5, 3, 13.5);
            pen.line(21, 10.5, 21, 13.5);
        };
    case Action::captureWindow:
        return [](Pen& pen) {
            pen.rect(3, 4.5, 18, 15, 2);
            pen.line(3, 9, 21, 9);
            pen.fillCircle(6.2, 6.8, 0.9);
            pen.fillCircle(9, 6.8, 0.9);
        };
    case Action::captureScreen:
        return [](Pen& pen) {
            pen.rect(2.5, 3.5, 19, 13, 1.5);
            pen.line(12, 16.5, 12, 20);
            pen.line(7.5, 20.5, 16.5, 20.5);
        };
    case Action::captureText:
        return [](Pen& pen) {
            // Corners of a selection around a letter T.
            pen.poly({{3, 7}, {3, 3}, {7, 3}});
            pen.poly({{17, 3}, {21, 3}, {21, 7}});
            pen.poly({{21, 17}, {21, 21}, {17, 21}});
            pen.poly({{7, 21}, {3, 21}, {3, 17}});
            pen.line(8, 8, 16, 8);
            pen.line(12, 8, 12, 17);
        };
    case Action::openImage:
        return [](Pen& pen) {
            picture(pen, 2.5, 4, 15, 12);
            // A plus badge on the corner, with a gap around it.
            pen.clearRect(QRectF(pen.f(13, 13), pen.f(23.5, 23.5)), 5);
            pen.line(18, 14.5, 18, 21.5);
            pen.line(14.5, 18, 21.5, 18);
        };
    case Action::recent:
        return [](Pen& pen) {
            pen.circle(12, 12, 8.5);
            pen.poly({{12, 6.5}, {12, 12}, {15.5, 14.5}});
        };
    case Action::folder:
        return [](Pen& pen) {
            pen.poly({{3, 19.5}, {3, 5}, {9, 5}, {11, 7.5}, {21, 7.5}, {21, 19.5}}, true);
            pen.line(3, 10.5, 21, 10.5);
        };
    }
    return {};
}

QPixmap render(int logical, int ratio, const std::function<void(QPainter&, int devicePixels)>& paint) {
    QImage image(logical * ratio, logical * ratio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paint(painter, logical * ratio);
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

void fade(QPainter& painter, int devicePixels, double alpha) {
    if (alpha >= 1) return;
    painter.setOpacity(1);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.fillRect(QRect(0, 0, devicePixels, devicePixels), QColor(0, 0, 0, qRound(alpha * 255)));
}

QIcon build(const Drawing& drawing, const QPalette& palette) {
    QIcon icon;
    if (!drawing) return icon;
    const std::pair<QIcon::Mode, QColor> modes[] = {
        {QIcon::Normal, palette.color(QPalette::Active, QPalette::ButtonText)},
        {QIcon::Disabled, palette.color(QPalette::Disabled, QPalette::ButtonText)},
        {QIcon::Selected, palette.color(QPalette::Active, QPalette::HighlightedText)},
    };
    for (const auto& [mode, color] : modes) {
        for (int size : kSizes) {
            for (int ratio : {1, 2}) {
                icon.addPixmap(render(size, ratio,
                                      [&, c = color](QPainter& painter, int device) {
                                          // Opaque ink, faded as a whole afterwards: strokes that
                                          // meet would otherwise darken where they overlap.
                                          Pen pen(painter, device, QColor(c.red(), c.green(), c.blue()));
                                          drawing(pen);
                                          fade(painter, device, c.alphaF());
                                      }),
                               mode);
            }
        }
    }
    return icon;
}

// How far a glyph's paths reach from its centre, in radii.
double pathReach(const StampGlyph& g, double radius) {
    QRectF bounds;
    for (const QPainterPath& path : g.fill)
        bounds |= path.boundingRect();
    for (const QPainterPath& path : g.stroke)
        bounds |= path.boundingRect();
    const double reach = std::max({-bounds.left(), bounds.right(), -bounds.top(), bounds.bottom()}) / radius;
    return reach > 0 ? reach : 1.0;
}

// The radius at which the glyph, with its stroke (which has a minimum width, so it is relatively
// wider when small), fills `half` pixels from the centre.
double fittingRadius(StampType type, double half) {
    const double reach = std::max(pathReach(StampGlyphs::glyph(type, QPointF(), 100), 100), 0.95);
    double radius = half / reach;
    for (int i = 0; i < 3; ++i) {
        const StampGlyph g = StampGlyphs::glyph(type, QPointF(), radius);
        const double extent = reach * radius + (g.stroke.isEmpty() ? 0.0 : g.lineWidth / 2);
        radius -= (extent - half) / reach;
    }
    return radius;
}

void paintStamp(QPainter& painter, int logical, StampType type, const QColor& color) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // The renderer draws a badge of radius 4 x width times the scale; draw one of radius 10 and
    // scale it to the square.
    Annotation a;
    a.tool = EditorTool::stamp;
    a.stamp = type;
    a.color = color;
    a.width = 2.5;
    const double half = logical / 2.0;
    double radius;
    if (type == StampType::numberCircle) {
        a.text = QStringLiteral("1");
        radius = half - 0.5;
    } else {
        // Small glyphs are not blown up past the size of a plain one, so the set looks even.
        radius = fittingRadius(type, half - 0.75);
    }
    const double scale = radius / 10.0;
    a.points = {QPointF(half, half) / scale};
    if (type == StampType::numberCircle)
        EditorRenderer::drawDot(a, painter, scale);
    else
        EditorRenderer::drawStampGlyph(a, painter, scale);
}

// The badge with its white number cut out of the disc, so the number reads on any background
// (a white badge on a dark theme would hide a white number).
void knockOutWhite(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // Drawn in black: the premultiplied red channel is how much white covers the pixel.
            const int alpha = qAlpha(line[x]) - qRed(line[x]);
            line[x] = qRgba(0, 0, 0, std::max(alpha, 0));
        }
    }
}

} // namespace

QList<Action> allActions() {
    QList<Action> all;
    for (int i = 0; i < kActionCount; ++i)
        all << Action(i);
    return all;
}

QIcon tool(EditorTool t) {
    return tool(t, QApplication::palette());
}
QIcon tool(EditorTool t, const QPalette& palette) {
    return build(toolDrawing(t), palette);
}
QIcon action(Action a) {
    return action(a, QApplication::palette());
}
QIcon action(Action a, const QPalette& palette) {
    return build(actionDrawing(a), palette);
}

QIcon stamp(StampType type, const QColor& color) {
    return stamp(type, color, QColor());
}

QIcon stamp(StampType type, const QColor& color, const QColor& selected) {
    QIcon icon;
    for (int size : kSizes) {
        for (int ratio : {1, 2}) {
            const auto paint = [&](const QColor& c) {
                return render(size, ratio, [&](QPainter& painter, int device) {
                    if (type != StampType::numberCircle) {
                        painter.scale(double(device) / size, double(device) / size);
                        paintStamp(painter, size, type, c);
                        return;
                    }
                    QImage badge(device, device, QImage::Format_ARGB32_Premultiplied);
                    badge.fill(Qt::transparent);
                    {
                        QPainter p(&badge);
                        p.scale(double(device) / size, double(device) / size);
                        paintStamp(p, size, type, Qt::black);
                    }
                    knockOutWhite(badge);
                    QPainter p(&badge);
                    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
                    p.fillRect(badge.rect(), c);
                    p.end();
                    painter.drawImage(0, 0, badge);
                });
            };
            icon.addPixmap(paint(color), QIcon::Normal);
            if (selected.isValid()) icon.addPixmap(paint(selected), QIcon::Selected);
        }
    }
    return icon;
}

} // namespace Icons
