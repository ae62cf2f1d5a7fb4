#pragma once

#include "model/Annotation.h"
#include "ui/editor/Popover.h"

#include <array>

class EditorModel;
class QButtonGroup;
class QLineEdit;
class QPushButton;

// The expand canvas popover: space to add on each side, in image pixels, and what fills it.
class CanvasPopover : public Popover {
    Q_OBJECT

public:
    enum Side { top, bottom, left, right };

    CanvasPopover(EditorModel& model, QWidget* parent);

    // The amount for one side; an empty field counts as 0.
    double amount(Side side) const;
    CanvasBackground fill() const;
    void setFill(CanvasBackground fill);

    QLineEdit* field(Side side) const { return m_fields[side]; }
    QButtonGroup* fillButtons() const { return m_fill; }
    QPushButton* expandButton() const { return m_expand; }

protected:
    QWidget* initialFocus() const override;
    void changeEvent(QEvent* event) override;

private:
    void expand();
    void tintFill();

    EditorModel& m_model;
    std::array<QLineEdit*, 4> m_fields{};
    QButtonGroup* m_fill;
    QPushButton* m_expand;
};
