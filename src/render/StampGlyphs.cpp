#include "render/StampGlyphs.h"

#include <QRectF>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace StampGlyphs {

namespace {

// Every coordinate below is an offset from the centre in units of the radius, so one table of
// numbers serves every stamp size.
struct Builder {
    QPointF c;
    double r;
    StampGlyph g;

    QPointF pt(QPointF u) const { return c + u * r; }
    QRectF box(double x, double y, double w, double h) const {
        return QRectF(pt({x, y}), QSizeF(w * r, h * r));
    }
    QPainterPath rect(double x, double y, double w, double h) const {
        QPainterPath p;
        p.addRect(box(x, y, w, h));
        return p;
    }
    QPainterPath ellipse(double x, double y, double w, double h) const {
        QPainterPath p;
        p.addEllipse(box(x, y, w, h));
        return p;
    }
    // Circular corners stand in for a smooth-curvature corner; at icon sizes they look the same.
    QPainterPath rounded(double x, double y, double w, double h, double k) const {
        QPainterPath p;
        p.addRoundedRect(box(x, y, w, h), k * r, k * r, Qt::AbsoluteSize);
        return p;
    }
    QPainterPath line(std::initializer_list<QPointF> points, bool closed = false) const {
        QPainterPath p;
        for (const QPointF& u : points) {
            if (p.elementCount() == 0)
                p.moveTo(pt(u));
            else
                p.lineTo(pt(u));
        }
        if (closed) p.closeSubpath();
        return p;
    }
    QPainterPath poly(std::initializer_list<QPointF> points) const { return line(points, true); }
    // Angles turn from +x towards +y (down the screen); Qt turns the other way, hence the signs.
    QPainterPath arc(QPointF centre, double rho, double a0, double a1) const {
        const QPointF m = pt(centre);
        const QRectF square(m.x() - rho * r, m.y() - rho * r, 2 * rho * r, 2 * rho * r);
        QPainterPath p;
        p.arcMoveTo(square, -a0);
        p.arcTo(square, -a0, -(a1 - a0));
        return p;
    }
    QPainterPath tip(QPointF from, QPointF to, double size) const {
        return arrowTip(pt(from), pt(to), size * r);
    }
    void label(const char* text, double size, QPointF at) {
        g.label = QString::fromLatin1(text);
        g.labelSize = size * r;
        g.labelCenter = pt(at);
    }

    // Shared drawings.
    void labelled(QPainterPath outline, const char* text, double size, QPointF at = {}) {
        g.labelFrame = outline.boundingRect();
        g.stroke << outline;
        label(text, size, at);
    }
    void check() { g.stroke << line({{-0.5, 0.05}, {-0.12, 0.45}, {0.55, -0.4}}); }
    // Two rays from a corner with concentric arcs between them (motion detector, exit request).
    void fan(QPointF corner, double length, double a0, double a1, std::initializer_list<double> radii) {
        g.stroke << line({corner, corner + polar(length, a1)}) << line({corner, corner + polar(length, a0)});
        for (double rho : radii)
            g.stroke << arc(corner, rho, a0, a1);
    }
    void cameraBody(double x0) {
        const double x1 = x0 + 1.3;
        g.stroke << rect(x0, -0.5, 1.3, 1) << poly({{x1, -0.3}, {1, -0.55}, {1, 0.55}, {x1, 0.3}});
    }
    void contacts() {
        g.stroke << line({{-1, 0}, {-0.49, 0}}) << line({{0.49, 0}, {1, 0}})
                 << ellipse(-0.49, -0.09, 0.18, 0.18) << ellipse(0.31, -0.09, 0.18, 0.18);
    }
    void diode(double dy) {
        g.stroke << line({{-1, dy}, {-0.4, dy}}) << line({{0.35, dy}, {1, dy}});
        g.fill << poly({{-0.4, dy - 0.45}, {-0.4, dy + 0.45}, {0.35, dy}});
        g.stroke << line({{0.35, dy - 0.45}, {0.35, dy + 0.45}});
    }
    void transistor(bool pnp) {
        g.stroke << ellipse(-0.95, -0.95, 1.9, 1.9) << line({{-0.3, -0.5}, {-0.3, 0.5}})
                 << line({{-1.1, 0}, {-0.3, 0}}) << line({{-0.3, -0.25}, {0.5, -0.8}})
                 << line({{-0.3, 0.25}, {0.5, 0.8}});
        g.fill << (pnp ? tip({0.5, 0.8}, {-0.05, 0.42}, 0.32) : tip({-0.3, 0.25}, {0.5, 0.8}, 0.32));
    }

    static QPointF polar(double rho, double degrees) {
        const double t = qDegreesToRadians(degrees);
        return {rho * std::cos(t), rho * std::sin(t)};
    }
};

} // namespace

QPainterPath arrowTip(QPointF from, QPointF to, double size) {
    const QPointF d = to - from;
    const double len = std::max(std::hypot(d.x(), d.y()), 0.001);
    const QPointF u = d / len;
    QPainterPath p;
    p.moveTo(to);
    p.lineTo(to - size * QPointF(0.9 * u.x() - 0.45 * u.y(), 0.9 * u.y() + 0.45 * u.x()));
    p.lineTo(to - size * QPointF(0.9 * u.x() + 0.45 * u.y(), 0.9 * u.y() - 0.45 * u.x()));
    p.closeSubpath();
    return p;
}

StampGlyph glyph(StampType type, QPointF center, double radius) {
    Builder b{center, radius, {}};
    StampGlyph& g = b.g;
    g.lineWidth = std::max(0.14 * radius, 1.5);
    const auto polar = Builder::polar;

    switch (type) {
    case StampType::numberCircle: // drawn as a badge by the renderer
        break;
    case StampType::checkMark:
        g.lineWidth = std::max(0.22 * radius, 2.0);
        g.stroke << b.line({{-0.85, 0.1}, {-0.2, 0.75}, {0.9, -0.65}});
        break;
    case StampType::checkBox:
        g.stroke << b.rounded(-0.9, -0.9, 1.8, 1.8, 0.18);
        b.check();
        break;
    case StampType::checkCircle:
        g.stroke << b.ellipse(-1, -1, 2, 2);
        b.check();
        break;
    case StampType::circleSlash:
        g.stroke << b.ellipse(-1, -1, 2, 2) << b.line({{-0.71, -0.71}, {0.71, 0.71}});
        break;
    case StampType::doorContact:
        g.fill << b.rect(-0.55, -0.8, 0.45, 1.6);
        g.stroke << b.rect(0.1, -0.8, 0.45, 1.6);
        break;
    case StampType::motionDetector:
        b.fan({-0.9, 0.9}, 1.9, -75, -15, {0.7, 1.25, 1.8});
        break;
    case StampType::glassBreak:
        b.labelled(b.ellipse(-1, -1, 2, 2), "GB", 0.62);
        break;
    case StampType::keypad:
        g.stroke << b.rounded(-0.75, -0.95, 1.5, 1.9, 0.12);
        for (double y : {-0.62, -0.2, 0.22, 0.64})
            for (double x : {-0.42, 0.0, 0.42})
                g.fill << b.ellipse(x - 0.09, y - 0.09, 0.18, 0.18);
        break;
    case StampType::siren:
        g.stroke << b.rect(-0.95, -0.35, 0.45, 0.7)
                 << b.poly({{-0.5, -0.35}, {0.2, -0.7}, {0.2, 0.7}, {-0.5, 0.35}})
                 << b.arc({0.35, 0}, 0.35, -50, 50) << b.arc({0.35, 0}, 0.62, -50, 50);
        break;
    case StampType::panicButton:
        g.stroke << b.rect(-0.85, -0.85, 1.7, 1.7);
        g.fill << b.ellipse(-0.4, -0.4, 0.8, 0.8);
        break;
    case StampType::alarmPanel:
        b.labelled(b.rect(-0.95, -0.75, 1.9, 1.5), "AP", 0.58);
        break;
    case StampType::beamSensor:
        g.stroke << b.rect(-1, -0.3, 0.4, 0.6) << b.rect(0.6, -0.3, 0.4, 0.6)
                 << b.line({{-0.5, 0}, {-0.28, 0}}) << b.line({{-0.11, 0}, {0.11, 0}})
                 << b.line({{0.28, 0}, {0.5, 0}});
        break;
    case StampType::accessReader:
        g.stroke << b.rounded(-0.95, -0.9, 1, 1.8, 0.15);
        for (double rho : {0.35, 0.6, 0.85})
            g.stroke << b.arc({0.05, 0}, rho, -55, 55);
        break;
    case StampType::accessDoor:
        g.stroke << b.line({{-1, 0.9}, {1, 0.9}}) << b.line({{-0.9, 0.9}, {-0.9, -0.9}})
                 << b.arc({-0.9, 0.9}, 1.8, -90, 0);
        break;
    case StampType::maglock:
        b.labelled(b.rect(-1, -0.45, 2, 0.55), "ML", 0.42, {0, -0.175});
        g.fill << b.rect(-0.6, 0.25, 1.2, 0.3);
        break;
    case StampType::strike:
        b.labelled(b.rect(-0.55, -0.9, 1.1, 1.8), "S", 0.8);
        break;
    case StampType::rimStrike:
        b.labelled(b.rect(-0.62, -0.9, 1.24, 1.8), "RS", 0.52);
        break;
    case StampType::button:
        g.stroke << b.ellipse(-1, -1, 2, 2);
        g.fill << b.ellipse(-0.45, -0.45, 0.9, 0.9);
        break;
    case StampType::rex:
        b.fan({-0.85, 0.55}, 1.5, -70, -20, {0.6, 1.1});
        b.label("REX", 0.38, {-0.1, 0.85});
        break;
    case StampType::biometric:
        g.stroke << b.ellipse(-0.6, -0.85, 1.2, 1.7) << b.ellipse(-0.4, -0.57, 0.8, 1.14)
                 << b.ellipse(-0.2, -0.29, 0.4, 0.58);
        g.fill << b.ellipse(-0.07, -0.1, 0.14, 0.2);
        break;
    case StampType::intercom:
        g.stroke << b.rounded(-0.75, -0.95, 1.5, 1.9, 0.15);
        g.fill << b.ellipse(-0.3, -0.65, 0.6, 0.6);
        for (double y : {0.35, 0.55, 0.75})
            g.stroke << b.line({{-0.45, y}, {0.45, y}});
        break;
    case StampType::turnstile:
        g.fill << b.ellipse(-0.18, -0.18, 0.36, 0.36);
        for (double t : {-90.0, 30.0, 150.0})
            g.stroke << b.line({polar(0.18, t), polar(0.95, t)});
        break;
    case StampType::ept:
        b.labelled(b.rect(-0.35, -0.95, 0.7, 1.9), "EPT", 0.28);
        break;
    case StampType::cameraBox:
        b.cameraBody(-1.1);
        break;
    case StampType::camera360:
        g.stroke << b.ellipse(-1, -1, 2, 2);
        g.fill << b.ellipse(-0.22, -0.22, 0.44, 0.44);
        for (double t = 45; t < 360; t += 90)
            g.stroke << b.line({polar(0.35, t), polar(0.95, t)});
        break;
    case StampType::cameraDome:
        g.stroke << b.line({{-1, -0.55}, {1, -0.55}}) << b.arc({0, -0.55}, 0.75, 0, 180);
        g.fill << b.ellipse(-0.14, -0.3, 0.28, 0.28);
        break;
    case StampType::cameraPTZ:
        g.stroke << b.ellipse(-0.55, -0.55, 1.1, 1.1);
        g.fill << b.ellipse(-0.12, -0.12, 0.24, 0.24);
        for (QPointF d : {QPointF(0, -1), QPointF(0, 1), QPointF(-1, 0), QPointF(1, 0)}) {
            const QPointF side(d.y(), d.x());
            g.stroke << b.line({0.6 * d, 0.82 * d});
            g.fill << b.poly({1.05 * d, 0.8 * d + 0.14 * side, 0.8 * d - 0.14 * side});
        }
        break;
    case StampType::cameraBullet:
        g.stroke << b.rect(-0.95, -0.3, 1.25, 0.6) << b.ellipse(0.3, -0.3, 0.45, 0.6)
                 << b.line({{-0.5, 0.3}, {-0.5, 0.75}}) << b.line({{-0.8, 0.75}, {-0.2, 0.75}});
        break;
    case StampType::cameraThermal:
        b.cameraBody(-1.05);
        b.label("T", 0.55, {-0.4, 0});
        break;
    case StampType::smokeDetector:
        b.labelled(b.ellipse(-1, -1, 2, 2), "S", 0.95);
        break;
    case StampType::heatDetector:
        b.labelled(b.ellipse(-1, -1, 2, 2), "H", 0.95);
        break;
    case StampType::pullStation:
        b.labelled(b.rect(-0.8, -0.8, 1.6, 1.6), "F", 0.42, {0, -0.45});
        g.fill << b.rect(-0.45, -0.1, 0.9, 0.24);
        break;
    case StampType::hornStrobe:
        g.fill << b.ellipse(-0.25, -0.25, 0.5, 0.5);
        for (int k = 0; k < 8; ++k)
            g.stroke << b.line({polar(0.42, k * 45.0), polar(0.9, k * 45.0)});
        break;
    case StampType::facp:
        b.labelled(b.rect(-1, -0.7, 2, 1.4), "FACP", 0.38);
        break;
    case StampType::sprinkler:
        g.stroke << b.ellipse(-0.5, -0.5, 1, 1) << b.line({{-1, 0}, {1, 0}}) << b.line({{0, -1}, {0, 1}});
        break;
    case StampType::fireExtinguisher:
        g.stroke << b.rounded(-0.4, -0.35, 0.8, 1.3, 0.18) << b.line({{0, -0.35}, {0, -0.6}})
                 << b.line({{0, -0.6}, {-0.55, -0.85}});
        b.label("FE", 0.38, {0, 0.3});
        break;
    case StampType::rack:
        g.stroke << b.rect(-0.7, -1, 1.4, 2);
        for (double y : {-0.5, 0.0, 0.5})
            g.stroke << b.line({{-0.7, y}, {0.7, y}});
        break;
    case StampType::networkSwitch:
        g.stroke << b.rect(-1, -0.5, 2, 1) << b.line({{-0.6, -0.18}, {0.4, -0.18}})
                 << b.line({{0.6, 0.18}, {-0.4, 0.18}});
        g.fill << b.poly({{0.65, -0.18}, {0.38, -0.32}, {0.38, -0.04}})
               << b.poly({{-0.65, 0.18}, {-0.38, 0.04}, {-0.38, 0.32}});
        break;
    case StampType::router:
        g.stroke << b.ellipse(-1, -1, 2, 2);
        for (double t = 45; t < 360; t += 90) {
            const QPointF u = polar(1, t), v(u.y(), -u.x());
            g.stroke << b.line({0.15 * u, 0.55 * u});
            g.fill << b.poly({0.8 * u, 0.5 * u + 0.14 * v, 0.5 * u - 0.14 * v});
        }
        break;
    case StampType::wap:
        g.fill << b.ellipse(-0.16, 0.14, 0.32, 0.32);
        g.stroke << b.arc({0, 0.3}, 0.5, -135, -45) << b.arc({0, 0.3}, 0.85, -135, -45);
        break;
    case StampType::server:
        g.stroke << b.rect(-0.7, -1, 1.4, 2) << b.line({{-0.7, -0.33}, {0.7, -0.33}})
                 << b.line({{-0.7, 0.33}, {0.7, 0.33}});
        for (double y : {-0.73, -0.07, 0.59})
            g.fill << b.ellipse(-0.52, y, 0.14, 0.14);
        break;
    case StampType::workstation:
        g.stroke << b.rect(-0.8, -0.85, 1.6, 1) << b.line({{0, 0.15}, {0, 0.45}})
                 << b.line({{-0.4, 0.45}, {0.4, 0.45}});
        break;
    case StampType::dataOutlet:
        g.stroke << b.poly({{0, -0.75}, {0.85, 0.65}, {-0.85, 0.65}});
        break;
    case StampType::nvr:
        b.labelled(b.rect(-1, -0.55, 2, 1.1), "NVR", 0.32, {-0.35, 0});
        g.stroke << b.ellipse(0.35, -0.25, 0.5, 0.5);
        break;
    case StampType::ups:
        b.labelled(b.rect(-0.95, -0.65, 1.9, 1.3), "UPS", 0.45);
        break;
    case StampType::relayCoil:
        b.labelled(b.rect(-0.55, -0.45, 1.1, 0.9), "K", 0.5);
        g.stroke << b.line({{-1, 0}, {-0.55, 0}}) << b.line({{0.55, 0}, {1, 0}});
        break;
    case StampType::relayContactNO:
        b.contacts();
        g.stroke << b.line({{-0.34, -0.06}, {0.55, -0.55}});
        break;
    case StampType::relayContactNC:
        b.contacts();
        g.stroke << b.line({{-0.34, -0.06}, {0.5, -0.42}}) << b.line({{0.4, -0.55}, {0.4, 0.02}});
        break;
    case StampType::switchSPST:
        g.stroke << b.line({{-1, 0}, {-0.45, 0}}) << b.line({{0.45, 0}, {1, 0}})
                 << b.line({{-0.45, 0}, {0.5, -0.6}});
        g.fill << b.ellipse(-0.53, -0.08, 0.16, 0.16) << b.ellipse(0.37, -0.08, 0.16, 0.16);
        break;
    case StampType::pushButtonNO:
        b.contacts();
        g.stroke << b.line({{-0.55, -0.4}, {0.55, -0.4}}) << b.line({{0, -0.4}, {0, -0.75}})
                 << b.line({{-0.22, -0.75}, {0.22, -0.75}});
        break;
    case StampType::resistor:
        g.stroke << b.line({{-1, 0},
                            {-0.6, 0},
                            {-0.5, -0.4},
                            {-0.3, 0.4},
                            {-0.1, -0.4},
                            {0.1, 0.4},
                            {0.3, -0.4},
                            {0.5, 0.4},
                            {0.6, 0},
                            {1, 0}});
        break;
    case StampType::capacitor:
        g.stroke << b.line({{-1, 0}, {-0.18, 0}}) << b.line({{0.18, 0}, {1, 0}})
                 << b.line({{-0.18, -0.55}, {-0.18, 0.55}}) << b.line({{0.18, -0.55}, {0.18, 0.55}});
        break;
    case StampType::diode:
        b.diode(0);
        break;
    case StampType::led:
        b.diode(0.2);
        g.stroke << b.line({{0, -0.35}, {0.35, -0.7}});
        g.fill << b.tip({0, -0.35}, {0.35, -0.7}, 0.22);
        g.stroke << b.line({{-0.35, -0.5}, {0, -0.85}});
        g.fill << b.tip({-0.35, -0.5}, {0, -0.85}, 0.22);
        break;
    case StampType::inductor: {
        QPainterPath p = b.line({{-1, 0}, {-0.8, 0}});
        for (double x : {-0.8, -0.4, 0.0, 0.4})
            p.quadTo(b.pt({x + 0.2, -0.65}), b.pt({x + 0.4, 0}));
        p.lineTo(b.pt({1, 0}));
        g.stroke << p;
        break;
    }
    case StampType::fuse:
        g.stroke << b.line({{-1, 0}, {1, 0}}) << b.rect(-0.6, -0.28, 1.2, 0.56);
        break;
    case StampType::transistorNPN:
        b.transistor(false);
        break;
    case StampType::transistorPNP:
        b.transistor(true);
        break;
    case StampType::ground:
        g.stroke << b.line({{0, -1}, {0, 0}}) << b.line({{-0.6, 0}, {0.6, 0}})
                 << b.line({{-0.38, 0.3}, {0.38, 0.3}}) << b.line({{-0.16, 0.6}, {0.16, 0.6}});
        break;
    case StampType::battery:
        g.stroke << b.line({{-1, 0}, {-0.15, 0}}) << b.line({{0.15, 0}, {1, 0}})
                 << b.line({{-0.15, -0.6}, {-0.15, 0.6}}) << b.line({{0.15, -0.3}, {0.15, 0.3}})
                 << b.line({{-0.62, -0.7}, {-0.42, -0.7}}) << b.line({{-0.52, -0.8}, {-0.52, -0.6}});
        break;
    case StampType::terminal:
        g.stroke << b.line({{-1, 0}, {-0.35, 0}}) << b.ellipse(-0.35, -0.35, 0.7, 0.7)
                 << b.line({{-0.25, -0.25}, {0.25, 0.25}}) << b.line({{-0.25, 0.25}, {0.25, -0.25}});
        break;
    }
    return g;
}

} // namespace StampGlyphs
