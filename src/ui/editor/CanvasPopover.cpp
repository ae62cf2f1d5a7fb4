#include "ui/editor/CanvasPopover.h"

#include "editor/EditorModel.h"
#include "model/Palette.h"

#include <QButtonGroup>
#include <QDoubleValidator>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// More than this is refused by the model anyway, with its reason.
constexpr double kMaxAmount = 100000;

} // namespace

CanvasPopover::CanvasPopover(EditorModel& model, QWidget* parent)
    : Popover(tr("Expand Canvas"), parent), m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    layout->addWidget(heading(tr("Expand Canvas")));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    const struct {
        Side side;
        const char* label;
        const char* help;
    } sides[] = {
        {top, QT_TR_NOOP("Top"), QT_TR_NOOP("Pixels to add above the image")},
        {bottom, QT_TR_NOOP("Bottom"), QT_TR_NOOP("Pixels to add below the image")},
        {left, QT_TR_NOOP("Left"), QT_TR_NOOP("Pixels to add left of the image")},
        {right, QT_TR_NOOP("Right"), QT_TR_NOOP("Pixels to add right of the image")},
    };
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit;
        field->setPlaceholderText(QStringLiteral("0"));
        field->setFixedWidth(60);
        field->setAlignment(Qt::AlignRight);
        auto* validator = new QDoubleValidator(0, kMaxAmount, 2, field);
        validator->setNotation(QDoubleValidator::StandardNotation);
        field->setValidator(validator);
        field->setAccessibleName(tr(sides[i].label));
        field->setToolTip(tr(sides[i].help));
        auto* label = new QLabel(tr(sides[i].label));
        label->setBuddy(field);
        grid->addWidget(label, i / 2, (i % 2) * 2, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(field, i / 2, (i % 2) * 2 + 1);
        m_fields[sides[i].side] = field;
    }
    // Space between the two columns of fields.
    grid->setColumnMinimumWidth(2, 56);
    layout->addLayout(grid);

    m_fill = new QButtonGroup(this);
    m_fill->setExclusive(true);
    auto* fill = new QHBoxLayout;
    fill->setSpacing(0);
    auto* fillLabel = new QLabel(tr("Fill"));
    fill->addWidget(fillLabel);
    fill->addSpacing(8);
    for (CanvasBackground background : allCases<CanvasBackground>()) {
        QString text, help;
        switch (background) {
        case CanvasBackground::transparent:
            text = tr("Transparent");
            help = tr("Leave the added space transparent");
            break;
        case CanvasBackground::white:
            text = tr("White");
            help = tr("Fill the added space with white");
            break;
        case CanvasBackground::black:
            text = tr("Black");
            help = tr("Fill the added space with black");
            break;
        }
        auto* b = new QPushButton(text);
        b->setCheckable(true);
        b->setAccessibleName(text);
        b->setToolTip(help);
        m_fill->addButton(b, int(background));
        fill->addWidget(b);
    }
    fill->addStretch(1);
    connect(m_fill, &QButtonGroup::idToggled, this, &CanvasPopover::tintFill);
    setFill(CanvasBackground::transparent);
    layout->addLayout(fill);

    m_expand = new QPushButton(tr("Expand"));
    m_expand->setAccessibleName(m_expand->text());
    m_expand->setToolTip(tr("Add the space around the image"));
    connect(m_expand, &QPushButton::clicked, this, &CanvasPopover::expand);
    setDefaultButton(m_expand);
    auto* actions = new QHBoxLayout;
    actions->addWidget(caption(tr("pixels")));
    actions->addStretch(1);
    actions->addWidget(m_expand);
    layout->addLayout(actions);
}

void CanvasPopover::tintFill() {
    // Some themes draw a checked button barely different from the others: the chosen fill is
    // tinted with the accent colour.
    const QPalette base = palette();
    const QColor button = base.color(QPalette::Button), accent = base.color(QPalette::Highlight);
    auto mix = [](int a, int b) { return (a * 65 + b * 35) / 100; };
    const QColor tinted(mix(button.red(), accent.red()), mix(button.green(), accent.green()),
                        mix(button.blue(), accent.blue()));
    for (QAbstractButton* b : m_fill->buttons()) {
        QPalette p = base;
        if (b->isChecked()) p.setColor(QPalette::Button, tinted);
        b->setPalette(p);
    }
}

void CanvasPopover::changeEvent(QEvent* event) {
    Popover::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) tintFill();
}

QWidget* CanvasPopover::initialFocus() const {
    return m_fields[top];
}

double CanvasPopover::amount(Side side) const {
    const QLineEdit* field = m_fields[side];
    bool ok = false;
    const double value = field->locale().toDouble(field->text(), &ok);
    return ok ? value : 0;
}

CanvasBackground CanvasPopover::fill() const {
    const int id = m_fill->checkedId();
    return id < 0 ? CanvasBackground::transparent : static_cast<CanvasBackground>(id);
}

void CanvasPopover::setFill(CanvasBackground fill) {
    if (QAbstractButton* b = m_fill->button(int(fill))) b->setChecked(true);
}

void CanvasPopover::expand() {
    std::optional<QColor> background;
    switch (fill()) {
    case CanvasBackground::transparent:
        break;
    case CanvasBackground::white:
        background = Palette::white();
        break;
    case CanvasBackground::black:
        background = Palette::black();
        break;
    }
    const double t = amount(top), l = amount(left), b = amount(bottom), r = amount(right);
    close();
    m_model.expandCanvas(t, l, b, r, background);
}
