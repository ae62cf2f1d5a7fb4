#pragma once

#include "ui/editor/Popover.h"

class EditorModel;
class QLineEdit;
class QPushButton;
class QSlider;

// The rotate popover: quarter and half turns of the whole picture, and straightening by any
// angle up to 45 degrees either way.
class RotatePopover : public Popover {
    Q_OBJECT

public:
    static constexpr double kMaxStraighten = 45;

    RotatePopover(EditorModel& model, QWidget* parent);

    double straightenDegrees() const { return m_degrees; }
    // Clamped to ±45 degrees; moves the slider and the field along.
    void setStraightenDegrees(double degrees);

    QPushButton* leftButton() const { return m_left; }
    QPushButton* rightButton() const { return m_right; }
    QPushButton* halfTurnButton() const { return m_half; }
    QSlider* slider() const { return m_slider; }
    QLineEdit* degreesField() const { return m_field; }
    QPushButton* applyButton() const { return m_apply; }

protected:
    QWidget* initialFocus() const override;
    void changeEvent(QEvent* event) override;

private:
    void updateIcons();
    void turn(double degrees);
    void apply();
    void showDegrees();

    EditorModel& m_model;
    double m_degrees = 0;
    QPushButton* m_left;
    QPushButton* m_right;
    QPushButton* m_half;
    QSlider* m_slider;
    QLineEdit* m_field;
    QPushButton* m_apply;
};
