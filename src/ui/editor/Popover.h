#pragma once

#include <QPointer>
#include <QPushButton>
#include <QWindow>
#include <QWidget>

class QLabel;

// A small panel that opens below a toolbar button. A frameless tool window rather than a
// Qt::Popup: popup windows are not published on the accessibility bus. It closes on Escape and
// as soon as it loses activation, the way a click outside dismisses a popup.
class Popover : public QWidget {
    Q_OBJECT

public:
    // `title` is the accessible name of the window; `parent` is the window it belongs to.
    explicit Popover(const QString& title, QWidget* parent);

    // Shows the popover below `anchor` (above it when the screen has no room below), kept on the
    // anchor's screen, and gives it the keyboard focus.
    void openBelow(QWidget* anchor);
    // What a toolbar button does: opens, or closes an open popover. A click on the anchor that
    // itself dismissed the popover (by taking the activation) does not reopen it.
    void toggleBelow(QWidget* anchor);

    // Where the popover's top left goes for an anchor and popover size, in global coordinates:
    // centred below the anchor (or at its left edge, as a list drops down), flipped above it when
    // it would leave the available area at the bottom, then moved inside that area.
    static QPoint placement(const QRect& anchor, const QSize& size, const QRect& available, bool leftAligned = false);
    // Lists open at their button's left edge, panels centred under it.
    void setLeftAligned(bool leftAligned) { m_leftAligned = leftAligned; }

    // The button that Return presses unless a button has the focus (that one is pressed).
    void setDefaultButton(QPushButton* button);
    QPushButton* defaultButton() const { return m_defaultButton; }

    // The colour of captions and swatch rings, as the window's other secondary texts.
    static QColor secondaryColor(const QPalette& palette);

signals:
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // The control that takes the focus when the popover opens.
    virtual QWidget* initialFocus() const { return nullptr; }
    // Brings the content up to date just before the popover is placed and shown.
    virtual void aboutToOpen() {}

    // The parts popovers are built from.
    static QLabel* heading(const QString& text);
    static QLabel* caption(const QString& text);
    static QWidget* divider();

private:
    QPointer<QPushButton> m_defaultButton;
    void focusWindowChanged(QWindow* window);

    QPointer<QWidget> m_anchor;
    bool m_leftAligned = false;
    // Whether the popover has had the focus since it opened: until then, the focus moving between
    // other windows says nothing about it.
    bool m_hadFocus = false;
    // When the popover last closed because it lost activation, in ms since the epoch.
    qint64 m_deactivatedAt = 0;
};
