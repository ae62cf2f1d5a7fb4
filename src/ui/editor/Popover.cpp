#include "ui/editor/Popover.h"

#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {
// Gap between the anchor and the popover.
constexpr int kGap = 4;
// A click on the anchor arrives this soon after the press that took the activation away.
constexpr qint64 kDismissingClickMs = 400;
} // namespace

Popover::Popover(const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint) {
    setAccessibleName(title);
    setWindowTitle(title);
    setFocusPolicy(Qt::NoFocus);
    // The focus window rather than the widget's activation events: with styles that share
    // activation between a tool window and its parent, the popover never hears it lost it.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Popover::focusWindowChanged);
}

QPoint Popover::placement(const QRect& anchor, const QSize& size, const QRect& available, bool leftAligned) {
    int x = leftAligned ? anchor.left() : anchor.center().x() + 1 - size.width() / 2;
    int y = anchor.bottom() + 1 + kGap;
    if (y + size.height() > available.bottom() + 1 && anchor.top() - kGap - size.height() >= available.top())
        y = anchor.top() - kGap - size.height();
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - size.width()));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
    return {x, y};
}

void Popover::openBelow(QWidget* anchor) {
    m_anchor = anchor;
    // A popover made before its window had one belongs to the anchor's window.
    if (anchor && !parentWidget()) setParent(anchor->window(), windowFlags());
    aboutToOpen();
    adjustSize();
    if (anchor) {
        const QRect global(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
        QScreen* screen = anchor->screen();
        const QRect available = screen ? screen->availableGeometry() : global;
        if (screen) setScreen(screen);
        move(placement(global, size(), available, m_leftAligned));
    }
    m_hadFocus = false;
    show();
    raise();
    activateWindow();
    if (QWidget* first = initialFocus())
        first->setFocus(Qt::TabFocusReason);
    else
        focusNextChild();
}

void Popover::toggleBelow(QWidget* anchor) {
    if (isVisible()) {
        close();
        return;
    }
    const bool dismissedByThisClick =
        anchor == m_anchor && QDateTime::currentMSecsSinceEpoch() - m_deactivatedAt < kDismissingClickMs;
    m_deactivatedAt = 0;
    if (!dismissedByThisClick) openBelow(anchor);
}

void Popover::setDefaultButton(QPushButton* button) {
    if (m_defaultButton) m_defaultButton->setDefault(false);
    m_defaultButton = button;
    if (button) button->setDefault(true);
}

QColor Popover::secondaryColor(const QPalette& palette) {
    return palette.color(QPalette::PlaceholderText);
}

void Popover::focusWindowChanged(QWindow* window) {
    if (!isVisible()) return;
    if (window && window == windowHandle()) {
        // Once the window has the focus: typing replaces what the first field held, as after a
        // Tab into it. (Selected earlier, the selection goes with the focus changes of opening.)
        if (!m_hadFocus)
            if (auto* field = qobject_cast<QLineEdit*>(focusWidget())) field->selectAll();
        m_hadFocus = true;
        return;
    }
    // Another window of ours, a dialog or another program took the focus.
    if (m_hadFocus) {
        m_deactivatedAt = QDateTime::currentMSecsSinceEpoch();
        close();
    }
}

void Popover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Return presses the focused button, as in a dialog, and the default button otherwise.
        auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
        QAbstractButton* target = focused ? focused : m_defaultButton.data();
        if (target && target->isEnabled()) {
            target->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void Popover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void Popover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

QLabel* Popover::heading(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* Popover::caption(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QWidget* Popover::divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}
