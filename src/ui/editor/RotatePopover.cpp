#include "ui/editor/RotatePopover.h"

#include "ui/Icons.h"

#include "editor/EditorModel.h"

#include <QDoubleValidator>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The slider moves in tenths of a degree.
constexpr int kSliderSteps = 10;

QString degreesText(const QLocale& locale, double degrees) {
    if (degrees == 0) return QString();
    return locale.toString(std::round(degrees * 100) / 100, 'g', QLocale::FloatingPointShortest);
}

} // namespace

RotatePopover::RotatePopover(EditorModel& model, QWidget* parent)
    : Popover(tr("Rotate Image"), parent), m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    layout->addWidget(heading(tr("Rotate Image")));

    auto button = [](const QString& text, const QString& help) {
        auto* b = new QPushButton(text);
        b->setAccessibleName(text);
        b->setToolTip(help);
        return b;
    };
    m_left = button(tr("90° Left"), tr("Turn the whole image a quarter turn to the left"));
    m_right = button(tr("90° Right"), tr("Turn the whole image a quarter turn to the right"));
    m_half = button(QStringLiteral("180°"), tr("Turn the whole image upside down"));
    updateIcons();
    connect(m_left, &QPushButton::clicked, this, [this] { turn(-90); });
    connect(m_right, &QPushButton::clicked, this, [this] { turn(90); });
    connect(m_half, &QPushButton::clicked, this, [this] { turn(180); });
    auto* turns = new QHBoxLayout;
    turns->setSpacing(6);
    for (QPushButton* b : {m_left, m_right, m_half})
        turns->addWidget(b);
    layout->addLayout(turns);

    layout->addSpacing(2);
    layout->addWidget(divider());
    layout->addSpacing(2);
    layout->addWidget(heading(tr("Straighten")));

    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setRange(int(-kMaxStraighten * kSliderSteps), int(kMaxStraighten * kSliderSteps));
    m_slider->setSingleStep(kSliderSteps / 2);
    m_slider->setPageStep(5 * kSliderSteps);
    m_slider->setFixedWidth(150);
    m_slider->setAccessibleName(tr("Straighten"));
    m_slider->setToolTip(tr("Tilt the whole image by up to 45° either way"));
    connect(m_slider, &QSlider::valueChanged, this,
            [this](int value) { setStraightenDegrees(double(value) / kSliderSteps); });

    m_field = new QLineEdit;
    m_field->setPlaceholderText(QStringLiteral("0"));
    m_field->setFixedWidth(44);
    m_field->setAlignment(Qt::AlignRight);
    // Wider than the slider: a typed 60 is accepted, held at 45 and shown so once typing ends.
    auto* validator = new QDoubleValidator(-999, 999, 2, m_field);
    validator->setNotation(QDoubleValidator::StandardNotation);
    m_field->setValidator(validator);
    m_field->setAccessibleName(tr("Straighten angle in degrees"));
    m_field->setToolTip(tr("Straighten angle in degrees, −45 to 45"));
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const double degrees = text.isEmpty() ? 0 : m_field->locale().toDouble(text, &ok);
        if (!text.isEmpty() && !ok) return;
        // The text stays as typed; only the value and the slider follow.
        m_degrees = std::clamp(degrees, -kMaxStraighten, kMaxStraighten);
        const QSignalBlocker blocker(m_slider);
        m_slider->setValue(int(std::lround(m_degrees * kSliderSteps)));
    });
    connect(m_field, &QLineEdit::editingFinished, this, &RotatePopover::showDegrees);

    auto* straighten = new QHBoxLayout;
    straighten->setSpacing(6);
    straighten->addWidget(m_slider);
    straighten->addWidget(m_field);
    straighten->addWidget(new QLabel(QStringLiteral("°")));
    layout->addLayout(straighten);

    QLabel* note = caption(tr("Canvas grows to fit; corners stay transparent — crop to trim."));
    note->setWordWrap(true);
    layout->addWidget(note);

    m_apply = button(tr("Apply"), tr("Rotate the whole image by the straighten angle"));
    connect(m_apply, &QPushButton::clicked, this, &RotatePopover::apply);
    setDefaultButton(m_apply);
    auto* actions = new QHBoxLayout;
    actions->addStretch(1);
    actions->addWidget(m_apply);
    layout->addLayout(actions);
}

void RotatePopover::updateIcons() {
    m_left->setIcon(Icons::action(Icons::Action::rotateLeft, palette()));
    m_right->setIcon(Icons::action(Icons::Action::rotateRight, palette()));
}

void RotatePopover::changeEvent(QEvent* event) {
    Popover::changeEvent(event);
    // The arrows are drawn in the text colour: a new theme redraws them.
    if (event->type() == QEvent::PaletteChange) updateIcons();
}

QWidget* RotatePopover::initialFocus() const {
    return m_left;
}

void RotatePopover::setStraightenDegrees(double degrees) {
    if (!std::isfinite(degrees)) return;
    m_degrees = std::clamp(degrees, -kMaxStraighten, kMaxStraighten);
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(int(std::lround(m_degrees * kSliderSteps)));
    showDegrees();
}

void RotatePopover::showDegrees() {
    m_field->setText(degreesText(m_field->locale(), m_degrees));
}

void RotatePopover::turn(double degrees) {
    m_model.rotateCanvas(degrees);
}

void RotatePopover::apply() {
    const double degrees = m_degrees;
    setStraightenDegrees(0);
    close();
    m_model.rotateCanvas(degrees);
}
