#pragma once

#include "ui/editor/Popover.h"

#include <QAbstractButton>
#include <QList>
#include <QColorDialog>
#include <QPointer>

class EditorModel;
class QLabel;
class QToolButton;
class QVBoxLayout;

// One colour to choose: a circle of the colour, ringed in the secondary colour, with an accent
// ring while it is the current colour. Its accessible name says which colour it is.
class ColorSwatch : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kSide = 22;

    ColorSwatch(const QColor& color, const QString& name, QWidget* parent = nullptr);
    QColor color() const { return m_color; }
    bool isCurrent() const { return m_current; }
    void setCurrent(bool current);
    QSize sizeHint() const override { return {kSide, kSide}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    bool m_current = false;
};

// Swatches in rows of seven; the arrow keys move between them.
class SwatchGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int kColumns = 7;
    static constexpr int kSpacing = 4;

    struct Swatch {
        QColor color;
        QString name;
    };
    explicit SwatchGrid(const QList<Swatch>& swatches, QWidget* parent = nullptr);

    const QList<ColorSwatch*>& swatches() const { return m_swatches; }
    // Marks the swatches whose hex text is that of `color`.
    void setCurrentColor(const QColor& color);

signals:
    void chosen(const QColor& color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<ColorSwatch*> m_swatches;
};

// The colour popover: the palette, the recently used colours, and the colour dialog for any other.
class ColorPopover : public Popover {
    Q_OBJECT

public:
    ColorPopover(EditorModel& model, QWidget* parent);

    SwatchGrid* paletteGrid() const { return m_palette; }
    // Null while no colour has been used.
    SwatchGrid* recentGrid() const { return m_recent; }
    QToolButton* moreColorsButton() const { return m_more; }
    // The colour dialog while it is open.
    QColorDialog* colorDialog() const { return m_dialog; }

    // Closes the popover and opens the colour dialog on its window; the colour applies while it
    // changes, Cancel puts the previous one back, OK records it as used.
    void openColorDialog();

protected:
    QWidget* initialFocus() const override;

private:
    void choose(const QColor& color);
    void refresh();

    EditorModel& m_model;
    QVBoxLayout* m_layout;
    SwatchGrid* m_palette;
    QLabel* m_recentCaption;
    SwatchGrid* m_recent = nullptr;
    QList<QColor> m_recentShown;
    QToolButton* m_more;
    QPointer<QColorDialog> m_dialog;
};
