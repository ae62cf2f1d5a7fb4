#pragma once

#include <QAbstractSpinBox>

#include <cstdint>

// The number the next badge gets: any whole number from 1 up that a badge can carry may be typed
// or shown (a project can go on past 999); the stepper's arrows count between 1 and 999.
class BadgeNumberField : public QAbstractSpinBox {
    Q_OBJECT
    // Screen readers read a spin box's number from this property.
    Q_PROPERTY(qint64 value READ value)

public:
    static constexpr int64_t kStepperMaximum = 999;

    explicit BadgeNumberField(QWidget* parent = nullptr);

    int64_t value() const { return m_value; }
    void setValue(int64_t value);
    // A number is being typed and not yet taken.
    bool isBeingTyped() const;

    QValidator::State validate(QString& input, int& position) const override;
    void fixup(QString& input) const override;
    void stepBy(int steps) override;

signals:
    // The user typed or stepped to a new number.
    void valueEdited(int64_t value);

protected:
    StepEnabled stepEnabled() const override;

private:
    void commitText();

    int64_t m_value = 1;
};
