#include "ui/editor/BadgeNumberField.h"

#include "editor/EditorModel.h"

#include <QLineEdit>

#include <algorithm>

BadgeNumberField::BadgeNumberField(QWidget* parent) : QAbstractSpinBox(parent) {
    lineEdit()->setPlaceholderText(QStringLiteral("1"));
    lineEdit()->setText(QStringLiteral("1"));
    setAlignment(Qt::AlignRight);
    connect(this, &QAbstractSpinBox::editingFinished, this, &BadgeNumberField::commitText);
}

void BadgeNumberField::setValue(int64_t value) {
    m_value = std::max<int64_t>(value, 1);
    lineEdit()->setText(QString::number(m_value));
    update(); // the stepper's arrows follow the value
}

bool BadgeNumberField::isBeingTyped() const {
    return lineEdit()->isModified();
}

QValidator::State BadgeNumberField::validate(QString& input, int&) const {
    if (input.isEmpty()) return QValidator::Intermediate;
    for (QChar c : input)
        if (!c.isDigit() || c.unicode() > u'9') return QValidator::Invalid;
    const std::optional<int64_t> number = EditorModel::parseBadgeNumber(input);
    if (!number) return QValidator::Invalid; // past the largest number a badge can carry
    return *number >= 1 ? QValidator::Acceptable : QValidator::Intermediate;
}

void BadgeNumberField::fixup(QString& input) const {
    input = QString::number(m_value);
}

void BadgeNumberField::stepBy(int steps) {
    // The arrows never count up past 999; from a larger number they only count down.
    const int64_t stepped = std::clamp<int64_t>(m_value + steps, 1, std::max(kStepperMaximum, m_value));
    const int64_t next = steps > 0 && stepped > kStepperMaximum ? m_value : stepped;
    if (next == m_value) return;
    setValue(next);
    emit valueEdited(next);
}

QAbstractSpinBox::StepEnabled BadgeNumberField::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (m_value < kStepperMaximum) enabled |= StepUpEnabled;
    if (m_value > 1) enabled |= StepDownEnabled;
    return enabled;
}

void BadgeNumberField::commitText() {
    const std::optional<int64_t> typed = EditorModel::parseBadgeNumber(lineEdit()->text());
    if (!typed || *typed < 1) {
        setValue(m_value);
        return;
    }
    if (*typed == m_value) return;
    setValue(*typed);
    emit valueEdited(*typed);
}
