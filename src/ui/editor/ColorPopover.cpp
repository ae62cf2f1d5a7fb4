#include "ui/editor/ColorPopover.h"

#include "editor/EditorModel.h"
#include "model/Palette.h"

#include <QColorDialog>
#include <QConicalGradient>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The palette's names stay English in the model (they name its colours in code); they are
// translated where the swatches show them, and this list is where lupdate finds them.
[[maybe_unused]] constexpr const char* kColorNames[] = {
    QT_TRANSLATE_NOOP("Colors", "black"),  QT_TRANSLATE_NOOP("Colors", "white"),
    QT_TRANSLATE_NOOP("Colors", "gray"),   QT_TRANSLATE_NOOP("Colors", "brown"),
    QT_TRANSLATE_NOOP("Colors", "red"),    QT_TRANSLATE_NOOP("Colors", "orange"),
    QT_TRANSLATE_NOOP("Colors", "yellow"), QT_TRANSLATE_NOOP("Colors", "green"),
    QT_TRANSLATE_NOOP("Colors", "mint"),   QT_TRANSLATE_NOOP("Colors", "teal"),
    QT_TRANSLATE_NOOP("Colors", "blue"),   QT_TRANSLATE_NOOP("Colors", "indigo"),
    QT_TRANSLATE_NOOP("Colors", "purple"), QT_TRANSLATE_NOOP("Colors", "pink"),
};
static_assert(std::size(kColorNames) == Palette::kEntries.size());

bool sameHex(const QColor& a, const QColor& b) {
    const std::optional<QString> ha = pictavoHex(a);
    return ha && ha == pictavoHex(b);
}

// A small colour wheel for the button that opens the colour dialog.
QPixmap colorWheel(qreal dpr) {
    const int side = 16;
    QPixmap pixmap(QSize(side, side) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QConicalGradient wheel(side / 2.0, side / 2.0, 90);
    const int steps = 6;
    for (int i = 0; i <= steps; ++i)
        wheel.setColorAt(double(i) / steps, QColor::fromHsvF(double(i % steps) / steps, 0.85, 1.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(wheel);
    painter.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    // White towards the centre, as on a real colour wheel.
    QRadialGradient centre(side / 2.0, side / 2.0, side / 2.0 - 1);
    centre.setColorAt(0, QColor(255, 255, 255, 230));
    centre.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setBrush(centre);
    painter.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    painter.end();
    return pixmap;
}

// Drawn for each pixel ratio, so the wheel stays crisp on every screen.
QIcon colorWheelIcon() {
    QIcon icon;
    for (qreal dpr : {1.0, 1.5, 2.0, 3.0})
        icon.addPixmap(colorWheel(dpr));
    return icon;
}

QString capitalised(QString text) {
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

} // namespace

ColorSwatch::ColorSwatch(const QColor& color, const QString& name, QWidget* parent)
    : QAbstractButton(parent), m_color(color) {
    setAccessibleName(name);
    setToolTip(capitalised(name));
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(kSide, kSide);
}

void ColorSwatch::setCurrent(bool current) {
    if (m_current == current) return;
    m_current = current;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect());
    // The accent ring sits outside the colour, so the colour itself stays the same size.
    const QRectF dot = box.adjusted(4, 4, -4, -4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    painter.drawEllipse(dot);
    QColor ring = Popover::secondaryColor(palette());
    ring.setAlphaF(0.5);
    painter.setPen(QPen(ring, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(dot.adjusted(0.5, 0.5, -0.5, -0.5));
    if (m_current) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawEllipse(box.adjusted(2, 2, -2, -2));
    }
    if (hasFocus()) {
        // A focus ring of its own: the style's rectangle would not fit a circle.
        QColor focus = palette().color(QPalette::Highlight);
        focus.setAlphaF(m_current ? 0.45 : 0.8);
        painter.setPen(QPen(focus, 1, m_current ? Qt::SolidLine : Qt::DotLine));
        painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 40));
        painter.drawEllipse(dot);
    }
}

SwatchGrid::SwatchGrid(const QList<Swatch>& swatches, QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(kSpacing);
    for (int i = 0; i < swatches.size(); ++i) {
        auto* swatch = new ColorSwatch(swatches[i].color, swatches[i].name, this);
        swatch->installEventFilter(this);
        connect(swatch, &QAbstractButton::clicked, this, [this, swatch] { emit chosen(swatch->color()); });
        grid->addWidget(swatch, i / kColumns, i % kColumns);
        m_swatches.append(swatch);
    }
    // Left-aligned: a short last row does not spread out.
    grid->setColumnStretch(kColumns, 1);
}

void SwatchGrid::setCurrentColor(const QColor& color) {
    for (ColorSwatch* swatch : m_swatches)
        swatch->setCurrent(sameHex(swatch->color(), color));
}

bool SwatchGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int index = m_swatches.indexOf(static_cast<ColorSwatch*>(watched));
    if (index < 0) return false;
    int target = index;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left:
        target = index - 1;
        break;
    case Qt::Key_Right:
        target = index + 1;
        break;
    case Qt::Key_Up:
        target = index - kColumns;
        break;
    case Qt::Key_Down:
        target = index + kColumns;
        break;
    default:
        return false;
    }
    if (target >= 0 && target < m_swatches.size()) m_swatches[target]->setFocus(Qt::TabFocusReason);
    return true;
}

ColorPopover::ColorPopover(EditorModel& model, QWidget* parent)
    : Popover(tr("Color"), parent), m_model(model) {
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(12, 12, 12, 12);
    m_layout->setSpacing(8);

    QList<SwatchGrid::Swatch> standard;
    for (const Palette::Entry& entry : Palette::kEntries)
        standard.append({Palette::color(entry), QCoreApplication::translate("Colors", entry.name)});
    m_palette = new SwatchGrid(standard);
    connect(m_palette, &SwatchGrid::chosen, this, &ColorPopover::choose);
    m_layout->addWidget(m_palette);

    m_recentCaption = caption(tr("Recent"));
    // Shown with the first recent colour.
    m_recentCaption->hide();
    m_layout->addWidget(m_recentCaption);
    m_layout->addWidget(divider());

    m_more = new QToolButton;
    m_more->setText(tr("More colors…"));
    m_more->setAccessibleName(m_more->text());
    m_more->setToolTip(tr("Pick any color"));
    m_more->setIcon(colorWheelIcon());
    m_more->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_more->setAutoRaise(true);
    m_more->setFocusPolicy(Qt::StrongFocus);
    m_more->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont small = m_more->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_more->setFont(small);
    connect(m_more, &QToolButton::clicked, this, &ColorPopover::openColorDialog);
    m_layout->addWidget(m_more);

    connect(&m_model, &EditorModel::toolSettingsChanged, this, &ColorPopover::refresh);
    refresh();
}

QWidget* ColorPopover::initialFocus() const {
    for (SwatchGrid* grid : {m_palette, m_recent})
        if (grid)
            for (ColorSwatch* swatch : grid->swatches())
                if (swatch->isCurrent()) return swatch;
    return m_palette->swatches().value(0);
}

void ColorPopover::refresh() {
    if (m_model.recentColors() != m_recentShown) {
        m_recentShown = m_model.recentColors();
        const bool hadFocus = m_recent && m_recent->isAncestorOf(focusWidget());
        if (m_recent) {
            // Later: a click on one of its swatches may be what changed the list.
            m_layout->removeWidget(m_recent);
            m_recent->hide();
            m_recent->deleteLater();
            m_recent = nullptr;
        }
        if (!m_recentShown.isEmpty()) {
            QList<SwatchGrid::Swatch> swatches;
            for (const QColor& color : m_recentShown)
                swatches.append({color, pictavoHex(color).value_or(QString())});
            m_recent = new SwatchGrid(swatches);
            connect(m_recent, &SwatchGrid::chosen, this, &ColorPopover::choose);
            m_layout->insertWidget(m_layout->indexOf(m_recentCaption) + 1, m_recent);
            m_recent->show();
            if (hadFocus) m_recent->swatches().value(0)->setFocus();
        }
        m_recentCaption->setVisible(m_recent != nullptr);
        if (isVisible()) adjustSize();
    }
    m_palette->setCurrentColor(m_model.color());
    if (m_recent) m_recent->setCurrentColor(m_model.color());
}

void ColorPopover::choose(const QColor& color) {
    m_model.chooseColor(color);
    m_model.noteColorUsed(color);
    close();
}

void ColorPopover::openColorDialog() {
    close();
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    QWidget* window = parentWidget() ? parentWidget()->window() : nullptr;
    const QColor before = m_model.color();
    const HistoryMark mark = m_model.markHistory();
    auto* dialog = new QColorDialog(before, window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Colors"));
    m_dialog = dialog;
    connect(dialog, &QColorDialog::currentColorChanged, this, [this](const QColor& color) {
        if (color.isValid()) m_model.chooseColor(color);
    });
    connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor& color) {
        m_model.chooseColor(color);
        m_model.noteColorUsed(color);
    });
    // Cancel leaves no trace: the live changes go, with the step they recorded and the redo steps
    // that step dropped. The picture first, so going back to the old colour recolours nothing.
    connect(dialog, &QDialog::rejected, this, [this, before, mark] {
        m_model.rollBackTo(mark);
        m_model.setColor(before);
    });
    dialog->open();
}
