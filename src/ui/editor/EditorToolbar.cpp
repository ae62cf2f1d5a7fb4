#include "ui/editor/EditorToolbar.h"

#include "editor/EditorModel.h"
#include "editor/ObjectManipulation.h"
#include "model/Palette.h"
#include "ui/Icons.h"
#include "ui/editor/BadgeNumberField.h"
#include "ui/editor/CanvasPopover.h"
#include "ui/editor/ColorPopover.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/RotatePopover.h"
#include "ui/editor/StampPicker.h"
#include "ui/editor/ToolbarFlowLayout.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleValidator>
#include <QFrame>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionToolButton>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace {

constexpr int kSliderWidthScale = 120;
constexpr int kArrowHeadSliderWidth = 70;
constexpr int kFieldWidth = 44;
constexpr int kRightGap = 16;

// The accessible name and the tooltip every control carries. The object name stays English in
// every language.
template <typename W>
W* labelled(W* widget, const QString& objectName, const QString& name, const QString& help = QString()) {
    widget->setAccessibleName(name);
    widget->setObjectName(objectName);
    if (!help.isEmpty()) {
        widget->setToolTip(help);
        widget->setAccessibleDescription(help);
    }
    return widget;
}

// A control named by one of the toolbar's English texts (marked with QT_TR_NOOP), translated.
template <typename W> W* named(W* widget, const char* name, const QString& help = QString()) {
    return labelled(widget, QString::fromUtf8(name), EditorToolbar::tr(name), help);
}

// A small group of controls shown and hidden together.
QWidget* group(std::initializer_list<QWidget*> widgets, int spacing = 4) {
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* w : widgets)
        layout->addWidget(w);
    return box;
}

QLabel* iconLabel(const QIcon& icon, const QString& name) {
    auto* label = new QLabel;
    label->setPixmap(icon.pixmap(18, 18));
    label->setAccessibleName(name);
    return label;
}

// A checkable icon button of a two-way choice ("segmented picker").
QToolButton* segment(const QIcon& icon, const char* name, const QString& help) {
    auto* button = named(new QToolButton, name, help);
    button->setIcon(icon);
    button->setText(button->accessibleName());
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return button;
}

QToolButton* textSegment(const QString& text, const char* name, const QString& help) {
    auto* button = named(new QToolButton, name, help);
    button->setText(text);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QButtonGroup* exclusive(QObject* owner, std::initializer_list<QAbstractButton*> buttons) {
    auto* g = new QButtonGroup(owner);
    g->setExclusive(true);
    int id = 0;
    for (QAbstractButton* b : buttons)
        g->addButton(b, id++);
    return g;
}

// The colour well: a circle of the model's colour ringed in the secondary colour.
class ColorWell : public QToolButton {
public:
    explicit ColorWell(EditorModel& model) : m_model(model) {
        setAutoRaise(true);
        setFixedSize(28, 26);
        setText(EditorToolbar::tr("Color"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        // The button's hover and press look without its text: the text is for screen readers.
        QPainter p(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.text.clear();
        option.icon = QIcon();
        style()->drawComplexControl(QStyle::CC_ToolButton, &option, &p, this);
        p.setRenderHint(QPainter::Antialiasing, true);
        QColor ring = palette().color(QPalette::WindowText);
        ring.setAlphaF(0.6f);
        p.setPen(QPen(ring, 1));
        p.setBrush(m_model.color());
        const QRectF circle(QPointF(width() / 2.0 - 9, height() / 2.0 - 9), QSizeF(18, 18));
        p.drawEllipse(circle);
    }

private:
    EditorModel& m_model;
};

} // namespace

EditorToolbar::EditorToolbar(EditorModel& model, EditorView& view, EditorActions& actions, QWidget* parent)
    : QWidget(parent), m_model(model), m_view(view), m_actions(actions) {
    setAccessibleName(tr("Toolbar"));
    build();
    // Each part listens to what it shows: a pointer move of a drag touches none of the settings.
    connect(&m_model, &EditorModel::toolSettingsChanged, this, [this] {
        refreshSettings();
        refreshSelection(); // they show under the select tool only
    });
    connect(&m_model, &EditorModel::selectionChanged, this, &EditorToolbar::refreshSelection);
    connect(&m_model, &EditorModel::documentChanged, this, [this] {
        refreshSelection();
        refreshNextNumber();
    });
    connect(&m_view, &EditorView::zoomChanged, this, &EditorToolbar::refreshZoom);
    connect(&m_view, &EditorView::textEntryChanged, this, &EditorToolbar::refreshSelection);
    refreshSettings();
    refreshSelection();
    refreshZoom();
}

EditorToolbar::~EditorToolbar() = default;

QToolButton* EditorToolbar::commandButton(EditorCommand command) {
    QAction* action = m_actions.action(command);
    auto* button = new QToolButton;
    m_commandButtons.insert(command, button);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setIconSize(QSize(18, 18));
    button->setToolButtonStyle(action->icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    return labelled(button, QString::fromUtf8(EditorCommands::info(command).text), action->text(),
                    action->toolTip());
}

QWidget* EditorToolbar::divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(22);
    line->setAccessibleName(tr("Divider"));
    return line;
}

void EditorToolbar::build() {
    m_flowHost = new QWidget(this);
    m_flow = new ToolbarFlowLayout(m_flowHost);
    auto add = [this](QWidget* w) {
        m_flow->addWidget(w);
        m_items.append(w);
        return w;
    };

    // Tools
    auto* toolRow = new QWidget;
    auto* toolLayout = new QHBoxLayout(toolRow);
    toolLayout->setContentsMargins(0, 0, 0, 0);
    toolLayout->setSpacing(2);
    m_tools = new QButtonGroup(this);
    m_tools->setExclusive(true);
    for (EditorTool tool : EditorTools::toolbarCases()) {
        auto* button = new QToolButton;
        const std::optional<QChar> key = EditorTools::key(tool);
        const QString help = EditorCommands::toolHelp(tool);
        labelled(button, EditorTools::name(tool), EditorCommands::toolName(tool),
                 key ? EditorCommands::toolTip(help, QKeySequence(QString(*key))) : help);
        button->setIcon(Icons::tool(tool));
        button->setIconSize(QSize(18, 18));
        button->setText(button->accessibleName());
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFixedSize(30, 28);
        m_tools->addButton(button, int(tool));
        toolLayout->addWidget(button);
        if (tool == EditorTool::redact) {
            QToolButton* find = commandButton(EditorCommand::findSensitiveText);
            find->setFixedSize(30, 28);
            toolLayout->addWidget(find);
        }
        // Toggled, not clicked: a screen reader's Toggle action emits only this.
        connect(button, &QToolButton::toggled, this, [this, tool](bool on) {
            if (!on || m_refreshing || m_model.tool() == tool) return;
            m_view.interaction().commitPendingText();
            m_model.setTool(tool);
            if (tool != EditorTool::select) m_model.setSelectedID(std::nullopt);
        });
    }
    toolRow->setAccessibleName(tr("Tools"));
    add(toolRow);
    add(divider());

    // Colour
    m_colorButton =
        named(new ColorWell(m_model), QT_TR_NOOP("Color"), tr("Color — recolors the selected element too"));
    connect(m_colorButton, &QToolButton::clicked, this, &EditorToolbar::openColorPopover);
    add(m_colorButton);

    // Stroke width
    m_widthSlider =
        named(new QSlider(Qt::Horizontal), QT_TR_NOOP("Size"), tr("Size in image pixels — same at any zoom"));
    m_widthSlider->setRange(1, 50);
    m_widthSlider->setSingleStep(1);
    m_widthSlider->setFixedWidth(kSliderWidthScale);
    connect(m_widthSlider, &QSlider::valueChanged, this, [this](int v) {
        if (!m_refreshing) m_model.chooseStrokeWidth(v);
    });
    m_widthField =
        named(new QLineEdit, QT_TR_NOOP("Size in pixels"), tr("Type a size in image pixels (1–200)"));
    m_widthField->setValidator(new QIntValidator(0, 9999, m_widthField));
    m_widthField->setFixedWidth(kFieldWidth);
    m_widthField->setAlignment(Qt::AlignRight);
    connect(m_widthField, &QLineEdit::editingFinished, this, &EditorToolbar::commitWidthField);
    m_width = add(group({iconLabel(Icons::action(Icons::Action::strokeWidth), tr("Stroke width")),
                         m_widthSlider, m_widthField, new QLabel(tr("px"))}));

    // Arrowhead size
    m_arrowHeadSlider =
        named(new QSlider(Qt::Horizontal), QT_TR_NOOP("Arrowhead size"), tr("Arrowhead size"));
    m_arrowHeadSlider->setRange(5, 30); // tenths
    m_arrowHeadSlider->setFixedWidth(kArrowHeadSliderWidth);
    connect(m_arrowHeadSlider, &QSlider::valueChanged, this, [this](int v) {
        if (!m_refreshing) m_model.setArrowHeadScale(v / 10.0);
    });
    m_arrowHead =
        add(group({iconLabel(Icons::action(Icons::Action::arrowHead), tr("Arrowhead")), m_arrowHeadSlider}));

    // Shape fill of new shapes
    const QString fillHelp = tr("Hollow outline or solid fill");
    auto* outlined = segment(Icons::action(Icons::Action::shapeOutlined), QT_TR_NOOP("Outline"), fillHelp);
    auto* filled = segment(Icons::action(Icons::Action::shapeFilled), QT_TR_NOOP("Fill"), fillHelp);
    m_shapeFillGroup = exclusive(this, {outlined, filled});
    connect(m_shapeFillGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !m_refreshing) m_model.setShapeFilled(id == 1);
    });
    m_shapeFill = add(group({outlined, filled}, 0));

    // Icon of the stamp tool
    m_stampButton = named(new QToolButton, QT_TR_NOOP("Icon"), StampPicker::tr(StampPicker::kHelp));
    m_stampButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // No popup mode: a tool button in InstantPopup mode without a menu offers no action on the
    // accessibility bus.
    m_stampButton->setIconSize(QSize(20, 20));
    connect(m_stampButton, &QToolButton::clicked, this, &EditorToolbar::openStampPicker);
    // As wide as the longest title, so choosing a stamp never rewraps the rows.
    int widest = 0;
    for (StampType type : allCases<StampType>()) {
        m_stampButton->setText(StampPicker::shownTitle(type));
        widest = std::max(widest, m_stampButton->sizeHint().width());
    }
    m_stampButton->setMinimumWidth(widest);
    add(m_stampButton);

    // Names
    m_names =
        named(new QCheckBox(tr("Names")), QT_TR_NOOP("Names"), tr("Show the icon's name below new stamps"));
    connect(m_names, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_refreshing) m_model.setStampShowName(on);
    });
    add(m_names);

    // Badge style and next number
    const QString styleHelp = tr("Solid or hollow badge");
    auto* solid = segment(Icons::action(Icons::Action::badgeSolid), QT_TR_NOOP("Solid"), styleHelp);
    auto* hollow = segment(Icons::action(Icons::Action::badgeHollow), QT_TR_NOOP("Hollow"), styleHelp);
    m_badgeStyleGroup = exclusive(this, {solid, hollow});
    connect(m_badgeStyleGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !m_refreshing) m_model.setDotStyle(id == 1 ? DotStyle::hollow : DotStyle::solid);
    });
    m_nextNumber = named(new BadgeNumberField, QT_TR_NOOP("Next number"), tr("Number for the next dot"));
    m_nextNumber->setFixedWidth(kFieldWidth + 22);
    connect(m_nextNumber, &BadgeNumberField::valueEdited, this, [this](int64_t v) {
        if (!m_refreshing) m_model.setNextDotNumber(v);
    });
    m_badgeSettings =
        add(group({solid, hollow, m_nextNumber, commandButton(EditorCommand::renumberBadges)}, 2));

    add(divider());
    // The picture
    add(commandButton(EditorCommand::pasteImage));
    add(commandButton(EditorCommand::expandCanvas));
    add(commandButton(EditorCommand::rotateImage));
    add(divider());
    // Zoom
    m_zoomReadout = named(new QLabel, QT_TR_NOOP("Zoom"));
    m_zoomReadout->setMinimumWidth(m_zoomReadout->fontMetrics().horizontalAdvance(QStringLiteral("100.5%")) +
                                   8);
    m_zoomReadout->setAlignment(Qt::AlignCenter);
    add(group({commandButton(EditorCommand::zoomOut), m_zoomReadout, commandButton(EditorCommand::zoomIn),
               commandButton(EditorCommand::actualSize), commandButton(EditorCommand::zoomToFit)},
              2));
    add(divider());
    // History
    add(group({commandButton(EditorCommand::undo), commandButton(EditorCommand::redo)}, 2));

    // Fill of the selected shape
    auto* selOutlined =
        segment(Icons::action(Icons::Action::shapeOutlined), QT_TR_NOOP("Selection outline"), fillHelp);
    auto* selFilled =
        segment(Icons::action(Icons::Action::shapeFilled), QT_TR_NOOP("Selection fill"), fillHelp);
    m_selectionFillGroup = exclusive(this, {selOutlined, selFilled});
    connect(m_selectionFillGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !m_refreshing) m_model.setSelectionFlag(SelectionFlag::filled, id == 1);
    });
    m_selectionFill = add(group({selOutlined, selFilled}, 0));

    // Name of the selected stamp
    m_selectionName =
        named(new QCheckBox(tr("Name")), QT_TR_NOOP("Name"), tr("Show this stamp's name below it"));
    connect(m_selectionName, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_refreshing) m_model.setSelectionFlag(SelectionFlag::showName, on);
    });
    add(m_selectionName);

    // Number placement of the selected badge
    const QString placeHelp = tr("Number inside or outside the circle");
    auto* in = textSegment(tr("In"), QT_TR_NOOP("Number in"), placeHelp);
    auto* out = textSegment(tr("Out"), QT_TR_NOOP("Number out"), placeHelp);
    m_numberPlacementGroup = exclusive(this, {in, out});
    connect(m_numberPlacementGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !m_refreshing) m_model.setSelectionFlag(SelectionFlag::labelOutside, id == 1);
    });
    m_numberPlacement = add(group({in, out, commandButton(EditorCommand::renumberBadges)}, 0));

    // Selection commands
    for (EditorCommand c :
         {EditorCommand::copyObjects, EditorCommand::rotateLeft, EditorCommand::rotateRight})
        m_selectionCommands.append(add(commandButton(c)));
    auto* fineLeft = commandButton(EditorCommand::fineRotateLeft);
    auto* fineRight = commandButton(EditorCommand::fineRotateRight);
    fineLeft->defaultAction()->setIconText(QStringLiteral("−1°"));
    fineRight->defaultAction()->setIconText(QStringLiteral("+1°"));
    fineLeft->setText(QStringLiteral("−1°"));
    fineRight->setText(QStringLiteral("+1°"));
    auto* fine = group({fineLeft, fineRight}, 0);
    fine->setAccessibleName(tr("Fine rotate"));
    m_selectionCommands.append(add(fine));

    // Rotation of the single selection
    m_rotationField = named(new QLineEdit, QT_TR_NOOP("Rotation"), tr("Rotation in degrees"));
    m_rotationField->setPlaceholderText(QStringLiteral("0"));
    m_rotationField->setValidator(new QDoubleValidator(-100000, 100000, 2, m_rotationField));
    m_rotationField->setFixedWidth(kFieldWidth);
    m_rotationField->setAlignment(Qt::AlignRight);
    connect(m_rotationField, &QLineEdit::editingFinished, this, &EditorToolbar::commitRotationField);
    m_rotation = add(group({m_rotationField, new QLabel(QStringLiteral("°"))}, 2));

    // Delete and flatten
    for (EditorCommand c : {EditorCommand::deleteSelection, EditorCommand::flatten})
        m_selectionCommands.append(add(commandButton(c)));

    // Right-aligned: Copy and Save.
    m_copyButton = named(new QPushButton(tr("Copy")), QT_TR_NOOP("Copy"),
                         m_actions.action(EditorCommand::copyImage)->toolTip());
    connect(m_copyButton, &QPushButton::clicked, m_actions.action(EditorCommand::copyImage),
            &QAction::trigger);
    m_saveButton = named(new QPushButton(tr("Save…")), QT_TR_NOOP("Save…"),
                         m_actions.action(EditorCommand::save)->toolTip());
    connect(m_saveButton, &QPushButton::clicked, m_actions.action(EditorCommand::save), &QAction::trigger);
    m_copyTextButton = named(new QPushButton(tr("Copy Text")), QT_TR_NOOP("Copy Text"),
                             m_actions.action(EditorCommand::copyText)->toolTip());
    connect(m_copyTextButton, &QPushButton::clicked, m_actions.action(EditorCommand::copyText),
            &QAction::trigger);
    m_right = group({m_copyTextButton, m_copyButton, m_saveButton}, 8);
    m_right->setParent(this);
    m_copyButton->setMinimumWidth(m_copyButton->fontMetrics().horizontalAdvance(tr("Copied!")) + 24);
    // Wide enough for the text it shows while reading, whichever is longer in the language.
    const QFontMetrics metrics = m_copyTextButton->fontMetrics();
    m_copyTextButton->setMinimumWidth(
        std::max(metrics.horizontalAdvance(tr("Cancel Reading")), metrics.horizontalAdvance(tr("Copy Text"))) + 24);
}

QWidget* EditorToolbar::item(const QString& accessibleName) const {
    for (QWidget* w : findChildren<QWidget*>())
        if (w->accessibleName() == accessibleName) return w;
    return nullptr;
}

QAbstractButton* EditorToolbar::toolButton(EditorTool tool) const {
    return m_tools->button(int(tool));
}

void EditorToolbar::showCopied() {
    m_copyButton->setText(tr("Copied!"));
    m_copyButton->setAccessibleName(m_copyButton->text()); // read out too
    // One timer: a second copy restarts the 1.5 s instead of being cut short by the first.
    if (!m_copiedTimer) {
        m_copiedTimer = new QTimer(this);
        m_copiedTimer->setSingleShot(true);
        connect(m_copiedTimer, &QTimer::timeout, m_copyButton, [button = m_copyButton] {
            button->setText(tr("Copy"));
            button->setAccessibleName(button->text());
        });
    }
    m_copiedTimer->start(kCopiedMs);
}

void EditorToolbar::showReadingText(bool reading) {
    // While text is read, the same button stops it.
    m_copyTextButton->setText(reading ? tr("Cancel Reading") : tr("Copy Text"));
    m_copyTextButton->setAccessibleName(m_copyTextButton->text());
    m_copyTextButton->setToolTip(reading ? tr("Stop reading the text")
                                         : m_actions.action(EditorCommand::copyText)->toolTip());
}

void EditorToolbar::refreshSettings() {
    m_refreshing = true;
    const EditorTool tool = m_model.tool();
    if (QAbstractButton* b = m_tools->button(int(tool))) b->setChecked(true);
    m_colorButton->update();

    const int width = int(std::min(m_model.strokeWidth(), 50.0));
    m_widthSlider->setValue(std::max(width, 1));
    // A number being typed stays; otherwise the field shows the model, also while it has the focus
    // (after an undo it must not keep, and later apply, the undone width).
    if (!m_widthField->isModified()) m_widthField->setText(QString::number(qint64(m_model.strokeWidth())));
    m_arrowHeadSlider->setValue(int(std::lround(m_model.arrowHeadScale() * 10)));
    m_shapeFillGroup->button(m_model.shapeFilled() ? 1 : 0)->setChecked(true);
    if (m_stampShown != m_model.stampType()) {
        // Drawing the glyph is the dearest part of a refresh: only when the stamp changed.
        m_stampShown = m_model.stampType();
        m_stampButton->setIcon(Icons::stamp(m_model.stampType(), palette().color(QPalette::ButtonText)));
        m_stampButton->setText(StampPicker::shownTitle(m_model.stampType()));
    }
    m_names->setChecked(m_model.stampShowName());
    m_badgeStyleGroup->button(m_model.dotStyle() == DotStyle::hollow ? 1 : 0)->setChecked(true);
    m_refreshing = false;
    refreshNextNumber();
    show(shownFor(tool, m_model.stampType(), selectionView()));
}

EditorToolbar::Shown EditorToolbar::shownFor(EditorTool tool, StampType stamp,
                                             const SelectionView& selection) {
    const ToolOptions options = EditorTools::traits(tool).options;
    Shown shown;
    // What the width would change: nothing for a redaction or a pasted picture.
    const ToolOptions sized = ToolOption::strokeWidth | ToolOption::font;
    shown.width = bool((selection.single ? EditorTools::traits(*selection.single).options : options) & sized);
    shown.arrowHead = bool(options & ToolOption::arrowHead);
    shown.shapeFill = bool(options & ToolOption::fill);
    shown.stamp = bool(options & ToolOption::stampChoice);
    shown.badgeSettings =
        (options & ToolOption::badgeStyle) && (!shown.stamp || stamp == StampType::numberCircle);
    shown.selectionFill = selection.single && EditorTools::isFillable(*selection.single);
    shown.selectionName = selection.single == EditorTool::stamp;
    shown.numberPlacement = selection.numberBadge;
    shown.selectionCommands = selection.anySelected;
    shown.rotation = selection.single && EditorTools::isRotatable(*selection.single);
    return shown;
}

QList<EditorToolbar::Shown> EditorToolbar::everyShown() {
    QList<Shown> all;
    auto add = [&all](const Shown& shown) {
        if (!all.contains(shown)) all.append(shown);
    };
    for (EditorTool tool : EditorTools::toolbarCases())
        for (StampType stamp : {StampType::numberCircle, StampType::cameraBox})
            add(shownFor(tool, stamp, {}));
    SelectionView anything;
    anything.anySelected = true;
    add(shownFor(EditorTool::select, StampType::numberCircle, anything));
    for (EditorTool kind : allCases<EditorTool>()) {
        if (EditorTools::traits(kind).family == ToolFamily::none) continue;
        for (bool numberBadge : {false, true}) {
            SelectionView one;
            one.anySelected = true;
            one.single = kind;
            one.numberBadge = numberBadge && EditorTools::isBadge(kind);
            add(shownFor(EditorTool::select, StampType::numberCircle, one));
        }
    }
    return all;
}

bool EditorToolbar::isShownIn(QWidget* item, const Shown& shown) const {
    if (item == m_width) return shown.width;
    if (item == m_arrowHead) return shown.arrowHead;
    if (item == m_shapeFill) return shown.shapeFill;
    if (item == m_stampButton || item == m_names) return shown.stamp;
    if (item == m_badgeSettings) return shown.badgeSettings;
    if (item == m_selectionFill) return shown.selectionFill;
    if (item == m_selectionName) return shown.selectionName;
    if (item == m_numberPlacement) return shown.numberPlacement;
    if (item == m_rotation) return shown.rotation;
    if (m_selectionCommands.contains(item)) return shown.selectionCommands;
    return true;
}

void EditorToolbar::show(const Shown& shown) {
    if (m_shown == shown) return;
    m_shown = shown;
    for (QWidget* item : m_items)
        item->setVisible(isShownIn(item, shown));
    layoutRows();
}

QString EditorToolbar::zoomText(double zoom) {
    const double percent = zoom * 100;
    const long whole = std::lround(percent);
    if (whole == 100 && std::abs(percent - 100) >= 0.05)
        // Away from 100, so "100.0%" never stands for a zoom that is not.
        return tr("%1%").arg(
            QLocale().toString((percent < 100 ? std::floor(percent * 10) : std::ceil(percent * 10)) / 10, 'f', 1));
    // In the user's way of writing numbers and percentages ("100,1 %" in German).
    return tr("%1%").arg(QLocale().toString(qlonglong(whole)));
}

void EditorToolbar::refreshZoom() {
    m_zoomReadout->setText(zoomText(m_view.zoom()));
    m_zoomReadout->setAccessibleDescription(m_zoomReadout->text());
}

EditorToolbar::SelectionView EditorToolbar::selectionView() const {
    SelectionView view;
    if (m_model.tool() != EditorTool::select || m_actions.isTyping()) return view;
    const QList<Annotation>& list = m_model.annotations();
    view.anySelected = std::any_of(list.cbegin(), list.cend(),
                                   [&](const Annotation& a) { return m_model.selectedIDs().contains(a.id); });
    const std::optional<int> index = m_model.selectedIndex();
    if (!index) return view;
    const Annotation& a = list[*index];
    view.single = a.tool;
    view.filled = a.filled;
    view.showName = a.showName;
    view.labelOutside = a.labelOutside;
    view.numberBadge = a.isNumberBadge();
    if (EditorTools::isRotatable(a.tool)) {
        const double degrees = ObjectManipulation::rotationDegrees(m_model, *index);
        view.rotation = degrees == 0 ? QString() : QString::number(degrees, 'f', 1);
    }
    return view;
}

void EditorToolbar::refreshSelection() {
    const SelectionView view = selectionView();
    if (m_selectionShown == view) return;
    m_selectionShown = view;
    m_refreshing = true;
    m_selectionFillGroup->button(view.filled ? 1 : 0)->setChecked(true);
    m_selectionName->setChecked(view.showName);
    m_numberPlacementGroup->button(view.labelOutside ? 1 : 0)->setChecked(true);
    if (!m_rotationField->isModified()) m_rotationField->setText(view.rotation);
    m_refreshing = false;
    show(shownFor(m_model.tool(), m_model.stampType(), view));
}

void EditorToolbar::refreshNextNumber() {
    if (m_nextNumber->isBeingTyped()) return;
    m_refreshing = true;
    m_nextNumber->setValue(m_model.nextDotNumber());
    m_refreshing = false;
}

void EditorToolbar::commitWidthField() {
    // Leaving the field without typing in it changes nothing.
    if (!m_widthField->isModified()) return;
    bool ok = false;
    const int typed = m_widthField->text().toInt(&ok);
    if (ok) m_model.chooseStrokeWidth(std::clamp(typed, 1, 200));
    m_widthField->setText(QString::number(qint64(m_model.strokeWidth())));
}

void EditorToolbar::commitRotationField() {
    if (!m_rotationField->isModified()) return;
    m_rotationField->setModified(false);
    const QString text = m_rotationField->text().trimmed();
    bool ok = false;
    const double degrees = text.isEmpty() ? 0 : QLocale().toDouble(text, &ok);
    if (!text.isEmpty() && !ok) return;
    m_model.setSelectionRotation(degrees);
}

void EditorToolbar::openColorPopover() {
    if (!m_colorPopover) m_colorPopover = new ColorPopover(m_model, window());
    m_colorPopover->toggleBelow(m_colorButton);
}

void EditorToolbar::openCanvasPopover() {
    if (!m_canvasPopover) m_canvasPopover = new CanvasPopover(m_model, window());
    m_canvasPopover->toggleBelow(m_commandButtons.value(EditorCommand::expandCanvas));
}

void EditorToolbar::openRotatePopover() {
    if (!m_rotatePopover) m_rotatePopover = new RotatePopover(m_model, window());
    m_rotatePopover->toggleBelow(m_commandButtons.value(EditorCommand::rotateImage));
}

void EditorToolbar::openStampPicker() {
    if (!m_stampPicker) m_stampPicker = new StampPicker(&m_model, window());
    m_stampPicker->toggleBelow(m_stampButton);
}

// The flow of items takes the width left of Copy and Save.
void EditorToolbar::layoutRows() {
    const int rightWidth = m_right->sizeHint().width();
    const int flowWidth = std::max(1, width() - rightWidth - kRightGap);
    m_flowHost->setGeometry(0, 0, flowWidth, flowHeightForWidth(flowWidth));
    const QSize right = m_right->sizeHint();
    m_right->setGeometry(width() - right.width(), 0, right.width(), std::max(right.height(), 28));
    if (height() != heightForWidth(width())) updateGeometry();
}

int EditorToolbar::flowHeightForWidth(int width) const {
    QList<QSize> hints;
    for (QWidget* item : m_items)
        hints.append(item->sizeHint());
    int tallest = 0;
    for (const Shown& shown : everyShown()) {
        QList<QSize> sizes;
        for (qsizetype i = 0; i < m_items.size(); ++i)
            if (isShownIn(m_items[i], shown)) sizes.append(hints[i]);
        const auto rows = ToolbarFlowLayout::rows(sizes, width, m_flow->horizontalSpacing());
        tallest = std::max(tallest, ToolbarFlowLayout::stackedHeight(rows, m_flow->rowSpacing()));
    }
    return tallest;
}

int EditorToolbar::heightForWidth(int width) const {
    const int flowWidth = std::max(1, width - m_right->sizeHint().width() - kRightGap);
    return std::max(flowHeightForWidth(flowWidth), m_right->sizeHint().height());
}

QSize EditorToolbar::sizeHint() const {
    return QSize(m_flow->sizeHint().width() + m_right->sizeHint().width() + kRightGap,
                 heightForWidth(width()));
}

// As narrow as the widest item (the row of tools) beside Copy and Save: narrower, it would be cut
// off (longer button texts in some languages leave less room).
QSize EditorToolbar::minimumSizeHint() const {
    int widest = 60;
    for (QWidget* item : m_items) widest = std::max(widest, item->sizeHint().width());
    return QSize(widest + kRightGap + m_right->sizeHint().width(), heightForWidth(width()));
}

void EditorToolbar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutRows();
}
