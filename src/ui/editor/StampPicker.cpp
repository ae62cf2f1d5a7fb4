#include "ui/editor/StampPicker.h"

#include "editor/EditorModel.h"
#include "ui/Icons.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {

// Headings carry their title here instead of in the display role, so type-ahead only finds stamps.
constexpr int kHeadingRole = Qt::UserRole + 1;
constexpr int kStampRole = Qt::UserRole + 2;
constexpr int kRecentRole = Qt::UserRole + 3;
// The title and category as shown, which the search matches besides the English ones.
constexpr int kShownWordsRole = Qt::UserRole + 4;
constexpr int kIconSize = 20;
constexpr int kMaxHeight = 440;
constexpr int kInset = 4; // the highlight's distance from the list's edges
constexpr int kGap = 8;   // between glyph and title

// The model keeps the stamp and category titles in English (the search matches them, pictures
// carry them); they are translated where the picker and the toolbar show them, and this list is
// where lupdate finds them.
[[maybe_unused]] constexpr const char* kShownTitles[] = {
    QT_TRANSLATE_NOOP("Stamps", "Number Circle"),
    QT_TRANSLATE_NOOP("Stamps", "Check Mark"),
    QT_TRANSLATE_NOOP("Stamps", "Check Box"),
    QT_TRANSLATE_NOOP("Stamps", "Check Circle"),
    QT_TRANSLATE_NOOP("Stamps", "Circle Slash"),
    QT_TRANSLATE_NOOP("Stamps", "Door Contact"),
    QT_TRANSLATE_NOOP("Stamps", "Motion Detector"),
    QT_TRANSLATE_NOOP("Stamps", "Glass Break"),
    QT_TRANSLATE_NOOP("Stamps", "Keypad"),
    QT_TRANSLATE_NOOP("Stamps", "Siren / Sounder"),
    QT_TRANSLATE_NOOP("Stamps", "Panic Button"),
    QT_TRANSLATE_NOOP("Stamps", "Alarm Panel"),
    QT_TRANSLATE_NOOP("Stamps", "Beam Sensor"),
    QT_TRANSLATE_NOOP("Stamps", "Access Reader"),
    QT_TRANSLATE_NOOP("Stamps", "Access Door"),
    QT_TRANSLATE_NOOP("Stamps", "Maglock"),
    QT_TRANSLATE_NOOP("Stamps", "Strike"),
    QT_TRANSLATE_NOOP("Stamps", "Rim Strike"),
    QT_TRANSLATE_NOOP("Stamps", "Push Button"),
    QT_TRANSLATE_NOOP("Stamps", "Request to Exit"),
    QT_TRANSLATE_NOOP("Stamps", "Biometric Reader"),
    QT_TRANSLATE_NOOP("Stamps", "Intercom"),
    QT_TRANSLATE_NOOP("Stamps", "Turnstile"),
    QT_TRANSLATE_NOOP("Stamps", "Power Transfer (EPT)"),
    QT_TRANSLATE_NOOP("Stamps", "Camera (Box)"),
    QT_TRANSLATE_NOOP("Stamps", "Camera (360°)"),
    QT_TRANSLATE_NOOP("Stamps", "Camera (Dome)"),
    QT_TRANSLATE_NOOP("Stamps", "Camera (PTZ)"),
    QT_TRANSLATE_NOOP("Stamps", "Camera (Bullet)"),
    QT_TRANSLATE_NOOP("Stamps", "Camera (Thermal)"),
    QT_TRANSLATE_NOOP("Stamps", "Smoke Detector"),
    QT_TRANSLATE_NOOP("Stamps", "Heat Detector"),
    QT_TRANSLATE_NOOP("Stamps", "Pull Station"),
    QT_TRANSLATE_NOOP("Stamps", "Horn / Strobe"),
    QT_TRANSLATE_NOOP("Stamps", "Fire Panel (FACP)"),
    QT_TRANSLATE_NOOP("Stamps", "Sprinkler Head"),
    QT_TRANSLATE_NOOP("Stamps", "Fire Extinguisher"),
    QT_TRANSLATE_NOOP("Stamps", "Equipment Rack"),
    QT_TRANSLATE_NOOP("Stamps", "Network Switch"),
    QT_TRANSLATE_NOOP("Stamps", "Router"),
    QT_TRANSLATE_NOOP("Stamps", "Wireless AP"),
    QT_TRANSLATE_NOOP("Stamps", "Server"),
    QT_TRANSLATE_NOOP("Stamps", "Workstation"),
    QT_TRANSLATE_NOOP("Stamps", "Data Outlet"),
    QT_TRANSLATE_NOOP("Stamps", "NVR / Recorder"),
    QT_TRANSLATE_NOOP("Stamps", "UPS"),
    QT_TRANSLATE_NOOP("Stamps", "Relay Coil"),
    QT_TRANSLATE_NOOP("Stamps", "Relay Contact (NO)"),
    QT_TRANSLATE_NOOP("Stamps", "Relay Contact (NC)"),
    QT_TRANSLATE_NOOP("Stamps", "Switch (SPST)"),
    QT_TRANSLATE_NOOP("Stamps", "Push Button (NO)"),
    QT_TRANSLATE_NOOP("Stamps", "Resistor"),
    QT_TRANSLATE_NOOP("Stamps", "Capacitor"),
    QT_TRANSLATE_NOOP("Stamps", "Diode"),
    QT_TRANSLATE_NOOP("Stamps", "LED"),
    QT_TRANSLATE_NOOP("Stamps", "Inductor / Coil"),
    QT_TRANSLATE_NOOP("Stamps", "Fuse"),
    QT_TRANSLATE_NOOP("Stamps", "Transistor (NPN)"),
    QT_TRANSLATE_NOOP("Stamps", "Transistor (PNP)"),
    QT_TRANSLATE_NOOP("Stamps", "Ground"),
    QT_TRANSLATE_NOOP("Stamps", "Battery / DC"),
    QT_TRANSLATE_NOOP("Stamps", "Terminal"),
    // The categories
    QT_TRANSLATE_NOOP("Stamps", "General"),
    QT_TRANSLATE_NOOP("Stamps", "Security"),
    QT_TRANSLATE_NOOP("Stamps", "Access"),
    QT_TRANSLATE_NOOP("Stamps", "Cameras"),
    QT_TRANSLATE_NOOP("Stamps", "Fire"),
    QT_TRANSLATE_NOOP("Stamps", "IT / Network"),
    QT_TRANSLATE_NOOP("Stamps", "Electrical / Circuit"),
};
static_assert(std::size(kShownTitles) == caseCount<StampType>() + caseCount<StampCategory>());

bool isEntry(const QModelIndex& index) {
    return index.isValid() && index.data(kStampRole).isValid();
}

class StampList final : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    // Moves between stamps only: a heading in the way is stepped over in the direction of travel.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        const QModelIndex moved = QListWidget::moveCursor(action, modifiers);
        if (!moved.isValid() || isEntry(moved)) return moved;
        int step = moved.row() < currentIndex().row() ? -1 : 1;
        if (action == MoveHome) step = 1;
        if (action == MoveEnd) step = -1;
        for (int direction : {step, -step}) {
            for (int row = moved.row(); row >= 0 && row < count(); row += direction) {
                const QModelIndex index = model()->index(row, 0);
                if (isEntry(index)) return index;
            }
        }
        return currentIndex();
    }
};

class PickerDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QString heading = index.data(kHeadingRole).toString();
        painter->save();
        const QRect r = option.rect;
        if (heading.isEmpty()) {
            paintEntry(painter, option, index);
            painter->restore();
            return;
        }
        if (index.row() > 0) {
            QColor rule = option.palette.color(QPalette::Text);
            rule.setAlphaF(0.12f);
            painter->fillRect(QRect(r.left() + kInset + 6, r.top() + 3, r.width() - 2 * kInset - 12, 1),
                              rule);
        }
        QFont font = option.font;
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 0.9);
        painter->setFont(font);
        QColor text = option.palette.color(QPalette::Text);
        text.setAlphaF(0.6f);
        painter->setPen(text);
        painter->drawText(r.adjusted(kInset + 6, 6, -kInset, 0), Qt::AlignLeft | Qt::AlignVCenter, heading);
        painter->restore();
    }

    // A rounded highlight inset from the edges, the glyph and the title; no focus frame (the list
    // always has the focus, the highlight already shows where it is).
    static void paintEntry(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF band = QRectF(r).adjusted(kInset, 1, -kInset, -1);
        if (selected) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(palette.color(QPalette::Highlight));
            painter->drawRoundedRect(band, 4, 4);
        } else if (option.state & QStyle::State_MouseOver) {
            QColor hover = palette.color(QPalette::Text);
            hover.setAlphaF(0.07f);
            painter->setPen(Qt::NoPen);
            painter->setBrush(hover);
            painter->drawRoundedRect(band, 4, 4);
        }
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        const QRect iconRect(r.left() + kInset + 6, r.top() + (r.height() - kIconSize) / 2, kIconSize,
                             kIconSize);
        icon.paint(painter, iconRect, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);
        painter->setFont(option.font);
        painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect textRect = r.adjusted(iconRect.right() + 1 - r.left() + kGap, 0, -kInset - 6, 0);
        const QString text =
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (!index.data(kHeadingRole).toString().isEmpty()) {
            QFont font = option.font;
            font.setBold(true);
            const QFontMetrics metrics(font);
            size.setWidth(metrics.horizontalAdvance(index.data(kHeadingRole).toString()) + 20);
            size.setHeight(metrics.height() + 12);
        } else {
            size.setHeight(std::max(option.fontMetrics.height(), kIconSize) + 8);
            size.setWidth(2 * kInset + 6 + kIconSize + kGap +
                          option.fontMetrics.horizontalAdvance(index.data().toString()) + 12);
        }
        return size;
    }
};

} // namespace

StampPicker::StampPicker(EditorModel* model, QWidget* parent)
    : Popover(tr("Icon"), parent), m_model(model), m_search(new QLineEdit(this)),
      m_list(new StampList(this)) {
    const QString help = tr(kHelp);
    setToolTip(help);
    setFocusProxy(m_search);
    setLeftAligned(true);

    m_search->setPlaceholderText(tr("Search"));
    m_search->setAccessibleName(tr("Search symbols"));
    m_search->setToolTip(tr("Type a name or a use: card reader, camera, smoke…"));
    m_search->setAccessibleDescription(m_search->toolTip());
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    connect(m_search, &QLineEdit::textChanged, this, &StampPicker::search);

    m_list->setAccessibleName(tr("Icon"));
    m_list->setAccessibleDescription(help);
    m_list->setToolTip(help);
    m_list->setIconSize(QSize(kIconSize, kIconSize));
    m_list->setItemDelegate(new PickerDelegate(m_list));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setUniformItemSizes(false);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setMouseTracking(true);
    m_list->viewport()->setAttribute(Qt::WA_Hover);
    m_list->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);
    layout->addWidget(m_search);
    layout->addWidget(m_list);

    fill();
    if (m_model) m_current = m_model->stampType();
    setCurrentStamp(m_current);

    connect(m_list, &QListWidget::itemClicked, this, &StampPicker::choose);
    // A screen reader selects an entry without a key or a click reaching the list: such a
    // selection is a choice (keys only move through the list, a click chooses by itself).
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = m_list->selectedItems();
        if (m_inputSeen || m_settingCurrent || !isVisible() || selected.size() != 1) return;
        QTimer::singleShot(0, this, [this, item = selected.first()] { choose(item); });
    });
    // As tall as the list but never taller than a comfortable menu.
    int height = 2 * m_list->frameWidth() + m_search->sizeHint().height() + 8;
    for (int row = 0; row < m_list->count(); ++row)
        height += m_list->sizeHintForRow(row);
    const int width = m_list->sizeHintForColumn(0) + m_list->verticalScrollBar()->sizeHint().width() +
                      2 * m_list->frameWidth() + 8;
    m_size = QSize(std::max(width, 240), std::min(height, kMaxHeight));
    resize(m_size);
}

QString StampPicker::shownTitle(StampType type) {
    return QCoreApplication::translate("Stamps", StampTypes::title(type).toUtf8().constData());
}

QString StampPicker::shownTitle(StampCategory category) {
    return QCoreApplication::translate("Stamps", StampCategories::title(category).toUtf8().constData());
}

void StampPicker::fill() {
    m_list->clear();
    auto heading = [this](const QString& title) {
        auto* item = new QListWidgetItem(m_list);
        item->setData(kHeadingRole, title);
        item->setData(Qt::AccessibleTextRole, title);
        item->setFlags(Qt::ItemIsEnabled);
    };
    auto entry = [this](StampType type, bool recent) {
        const QString title = shownTitle(type);
        auto* item = new QListWidgetItem(title, m_list);
        item->setData(kStampRole, int(type));
        item->setData(kRecentRole, recent);
        item->setData(kShownWordsRole, title + u' ' + shownTitle(StampTypes::category(type)));
        item->setData(Qt::AccessibleTextRole, title);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    };
    QList<StampType> recent;
    for (const QString& raw : QSettings().value(QString::fromLatin1(kRecentStampsKey)).toStringList())
        if (const auto type = fromRawValue<StampType>(raw); type && !recent.contains(*type))
            recent.append(*type);
    if (!recent.isEmpty()) {
        heading(tr("Recent"));
        for (StampType type : recent.mid(0, kMaxRecent))
            entry(type, true);
    }
    for (StampCategory category : allCases<StampCategory>()) {
        heading(shownTitle(category));
        for (StampType type : allCases<StampType>())
            if (StampTypes::category(type) == category) entry(type, false);
    }
    updateIcons();
}

void StampPicker::search(const QString& query) {
    const bool all = query.trimmed().isEmpty();
    int headingRow = -1;
    bool sectionShown = false;
    auto closeSection = [&] {
        if (headingRow >= 0) m_list->setRowHidden(headingRow, !sectionShown);
    };
    for (int row = 0; row < m_list->count(); ++row) {
        const QListWidgetItem* item = m_list->item(row);
        const QVariant stamp = item->data(kStampRole);
        if (!stamp.isValid()) {
            closeSection();
            headingRow = row;
            sectionShown = false;
            continue;
        }
        // The recent ones only head the whole list: a search lists each stamp once.
        const bool shown = all || (!item->data(kRecentRole).toBool() &&
                                   StampTypes::matches(StampType(stamp.toInt()), query,
                                                       item->data(kShownWordsRole).toString()));
        m_list->setRowHidden(row, !shown);
        sectionShown |= shown;
    }
    closeSection();
    QListWidgetItem* current = m_list->currentItem();
    if (!current || current->isHidden()) {
        const QScopedValueRollback guard(m_settingCurrent, true);
        m_list->setCurrentItem(nullptr);
        for (int row = 0; row < m_list->count(); ++row)
            if (!m_list->item(row)->isHidden() && isEntry(m_list->model()->index(row, 0))) {
                m_list->setCurrentRow(row);
                break;
            }
    }
    if (m_list->currentItem()) m_list->scrollToItem(m_list->currentItem());
}

void StampPicker::noteUsed(StampType type) {
    QStringList recent = QSettings().value(QString::fromLatin1(kRecentStampsKey)).toStringList();
    recent.removeAll(rawValue(type));
    recent.prepend(rawValue(type));
    QSettings().setValue(QString::fromLatin1(kRecentStampsKey), recent.mid(0, kMaxRecent));
}

void StampPicker::updateIcons() {
    const QPalette& p = m_list->palette();
    const QColor text = p.color(QPalette::Text), selected = p.color(QPalette::HighlightedText);
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        const QVariant stamp = item->data(kStampRole);
        if (stamp.isValid()) item->setIcon(Icons::stamp(StampType(stamp.toInt()), text, selected));
    }
}

int StampPicker::rowOf(StampType type) const {
    for (int row = 0; row < m_list->count(); ++row) {
        const QListWidgetItem* item = m_list->item(row);
        const QVariant stamp = item->data(kStampRole);
        if (stamp.isValid() && StampType(stamp.toInt()) == type && !item->data(kRecentRole).toBool())
            return row;
    }
    return -1;
}

void StampPicker::setCurrentStamp(StampType type) {
    m_current = type;
    QListWidgetItem* item = m_list->item(rowOf(type));
    const QScopedValueRollback guard(m_settingCurrent, true);
    m_list->setCurrentItem(item);
    m_list->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void StampPicker::aboutToOpen() {
    // Each opening starts with the whole list, the last used stamps first.
    fill();
    m_search->clear();
    if (m_model) m_current = m_model->stampType();
    setCurrentStamp(m_current);
}

void StampPicker::showEvent(QShowEvent* event) {
    Popover::showEvent(event);
    // Laid out only now: centre the current stamp in the list as it is shown.
    m_list->scrollToItem(m_list->currentItem(), QAbstractItemView::PositionAtCenter);
}

QWidget* StampPicker::initialFocus() const {
    return m_search;
}

void StampPicker::choose(QListWidgetItem* item) {
    if (!item || !item->data(kStampRole).isValid()) return;
    m_current = StampType(item->data(kStampRole).toInt());
    noteUsed(m_current);
    if (m_model) m_model->setStampType(m_current);
    close();
    emit stampChosen(m_current);
}

bool StampPicker::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((watched == m_list && (type == QEvent::KeyPress || type == QEvent::ShortcutOverride)) ||
        (watched == m_list->viewport() && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                                           type == QEvent::MouseButtonRelease))) {
        // Until the list has handled this event and whatever it posted.
        m_inputSeen = true;
        QTimer::singleShot(0, this, [this] { m_inputSeen = false; });
    }
    if ((watched == m_list || watched == m_search) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            close();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            choose(m_list->currentItem());
            return true;
        }
        // The search field moves through the list as a menu's search does.
        if (watched == m_search && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
                                    key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
            QApplication::sendEvent(m_list, event);
            return true;
        }
        // Typing in the list searches.
        if (watched == m_list && !key->text().isEmpty() && key->text().at(0).isPrint() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            m_search->setFocus(Qt::OtherFocusReason);
            QApplication::sendEvent(m_search, event);
            return true;
        }
    }
    return Popover::eventFilter(watched, event);
}

void StampPicker::changeEvent(QEvent* event) {
    Popover::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) updateIcons();
}
