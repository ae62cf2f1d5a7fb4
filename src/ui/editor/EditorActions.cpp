#include "ui/editor/EditorActions.h"

#include "editor/EditorModel.h"
#include "editor/ObjectManipulation.h"
#include "ui/editor/EditorView.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>

#include <cmath>

namespace EditorCommands {

namespace {

// The model's tool table stays English (other code relies on it); its texts are translated where
// they are shown, and this list is where lupdate finds them.
[[maybe_unused]] constexpr const char* kToolTexts[] = {
    QT_TRANSLATE_NOOP("Tools", "Select — drag to move/resize, double-click a line for a vertex"),
    QT_TRANSLATE_NOOP("Tools", "Pencil"),
    QT_TRANSLATE_NOOP("Tools", "Highlighter"),
    QT_TRANSLATE_NOOP("Tools", "Line"),
    QT_TRANSLATE_NOOP("Tools", "Arrow"),
    QT_TRANSLATE_NOOP("Tools", "Rectangle"),
    QT_TRANSLATE_NOOP("Tools", "Ellipse"),
    QT_TRANSLATE_NOOP("Tools", "Icon stamp — pick the icon from the dropdown"),
    QT_TRANSLATE_NOOP("Tools", "Numbered dot"),
    QT_TRANSLATE_NOOP("Tools", "Checkmark badge"),
    QT_TRANSLATE_NOOP("Tools", "Blur — blurred text can sometimes be read back; use Redact to hide it"),
    QT_TRANSLATE_NOOP("Tools",
                      "Redact — an opaque box that hides what is under it, in the image and in the project"),
    QT_TRANSLATE_NOOP("Tools", "Text"),
    QT_TRANSLATE_NOOP("Tools", "Crop"),
    QT_TRANSLATE_NOOP("Tools", "Polygon"),
    QT_TRANSLATE_NOOP("Tools", "Pasted image"),
    // The names of the tools whose help says more than their name
    QT_TRANSLATE_NOOP("Tools", "Select"),
    QT_TRANSLATE_NOOP("Tools", "Icon stamp"),
    QT_TRANSLATE_NOOP("Tools", "Blur"),
    QT_TRANSLATE_NOOP("Tools", "Redact"),
};
static_assert(std::size(kToolTexts) >= caseCount<EditorTool>());

QString translatedTool(const QString& english) {
    return QCoreApplication::translate("Tools", english.toUtf8().constData());
}

QKeySequence keys(const char* text) {
    return QKeySequence(QString::fromLatin1(text));
}

QList<CommandInfo> makeCommands() {
    using C = EditorCommand;
    using I = Icons::Action;
    return {
        {C::pasteImage,
         QT_TRANSLATE_NOOP("EditorActions", "Paste Image"),
         QT_TRANSLATE_NOOP("EditorActions", "Paste image from clipboard as an object"),
         {keys("Ctrl+V")},
         I::pasteImage},
        {C::expandCanvas,
         QT_TRANSLATE_NOOP("EditorActions", "Expand Canvas"),
         QT_TRANSLATE_NOOP("EditorActions", "Expand canvas — add space around the image"),
         {},
         I::expandCanvas},
        {C::rotateImage,
         QT_TRANSLATE_NOOP("EditorActions", "Rotate Image"),
         QT_TRANSLATE_NOOP("EditorActions", "Rotate image — turn or straighten the whole screenshot"),
         {},
         I::rotateImage},
        {C::zoomOut,
         QT_TRANSLATE_NOOP("EditorActions", "Zoom Out"),
         QT_TRANSLATE_NOOP("EditorActions", "Zoom out"),
         {keys("Ctrl+-"),
          QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus))},
         I::zoomOut},
        {C::zoomIn,
         QT_TRANSLATE_NOOP("EditorActions", "Zoom In"),
         QT_TRANSLATE_NOOP("EditorActions", "Zoom in"),
         {keys("Ctrl+="), keys("Ctrl++"),
          QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus))},
         I::zoomIn},
        {C::actualSize,
         QT_TRANSLATE_NOOP("EditorActions", "1:1"),
         QT_TRANSLATE_NOOP("EditorActions", "Actual size — 100%"),
         {keys("Ctrl+0")},
         {}},
        {C::undo,
         QT_TRANSLATE_NOOP("EditorActions", "Undo"),
         QT_TRANSLATE_NOOP("EditorActions", "Undo"),
         {keys("Ctrl+Z")},
         I::undo},
        {C::redo,
         QT_TRANSLATE_NOOP("EditorActions", "Redo"),
         QT_TRANSLATE_NOOP("EditorActions", "Redo"),
         {keys("Ctrl+Shift+Z"), keys("Ctrl+Y")},
         I::redo},
        {C::copyObjects,
         QT_TRANSLATE_NOOP("EditorActions", "Copy Objects"),
         QT_TRANSLATE_NOOP("EditorActions", "Copy selected object(s) — Ctrl+V pastes a duplicate"),
         {keys("Ctrl+C")},
         I::copyObjects},
        {C::rotateLeft,
         QT_TRANSLATE_NOOP("EditorActions", "Rotate Left"),
         QT_TRANSLATE_NOOP("EditorActions", "Rotate 90° left"),
         {keys("Ctrl+Shift+R")},
         I::rotateLeft},
        {C::rotateRight,
         QT_TRANSLATE_NOOP("EditorActions", "Rotate Right"),
         QT_TRANSLATE_NOOP("EditorActions", "Rotate 90° right"),
         {keys("Ctrl+R")},
         I::rotateRight},
        {C::fineRotateLeft,
         QT_TRANSLATE_NOOP("EditorActions", "Fine Rotate Left"),
         QT_TRANSLATE_NOOP("EditorActions", "Fine rotate — 1° per step"),
         {},
         {}},
        {C::fineRotateRight,
         QT_TRANSLATE_NOOP("EditorActions", "Fine Rotate Right"),
         QT_TRANSLATE_NOOP("EditorActions", "Fine rotate — 1° per step"),
         {},
         {}},
        {C::deleteSelection,
         QT_TRANSLATE_NOOP("EditorActions", "Delete"),
         QT_TRANSLATE_NOOP("EditorActions", "Delete selected element(s)"),
         {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::Key_Backspace)},
         I::trash},
        {C::flatten,
         QT_TRANSLATE_NOOP("EditorActions", "Flatten"),
         QT_TRANSLATE_NOOP("EditorActions", "Flatten selected element into the image (no longer editable)"),
         {},
         I::flatten},
        {C::copyImage,
         QT_TRANSLATE_NOOP("EditorActions", "Copy"),
         QT_TRANSLATE_NOOP("EditorActions", "Copy the flat image to the clipboard"),
         {keys("Ctrl+Shift+C")},
         {}},
        {C::save,
         QT_TRANSLATE_NOOP("EditorActions", "Save…"),
         QT_TRANSLATE_NOOP("EditorActions", "Saves the flat PNG plus an editable .pictproj project"),
         {keys("Ctrl+S")},
         {}},
        {C::selectAll,
         QT_TRANSLATE_NOOP("EditorActions", "Select All"),
         QT_TRANSLATE_NOOP("EditorActions", "Select every object"),
         {keys("Ctrl+A")},
         {}},
        {C::closeWindow,
         QT_TRANSLATE_NOOP("EditorActions", "Close"),
         QT_TRANSLATE_NOOP("EditorActions", "Close this window"),
         {keys("Ctrl+W")},
         {}},
        {C::renumberBadges,
         QT_TRANSLATE_NOOP("EditorActions", "Renumber Badges"),
         QT_TRANSLATE_NOOP(
             "EditorActions",
             "Number the selected badges (two or more), or all of them, 1, 2, 3… in drawing order"),
         {},
         {}},
        {C::zoomToFit,
         QT_TRANSLATE_NOOP("EditorActions", "Fit"),
         QT_TRANSLATE_NOOP("EditorActions", "Zoom to fit the window"),
         {keys("Ctrl+9")},
         {}},
        {C::saveAs,
         QT_TRANSLATE_NOOP("EditorActions", "Save As…"),
         QT_TRANSLATE_NOOP("EditorActions",
                           "Save the picture and its project under another name, format or size"),
         {keys("Ctrl+Shift+S")},
         {}},
        {C::copyText,
         QT_TRANSLATE_NOOP("EditorActions", "Copy Text"),
         QT_TRANSLATE_NOOP("EditorActions",
                           "Copy the text of the picture, or of the selected rectangle, to the clipboard — "
                           "recognition can miss text, check what matters"),
         {keys("Ctrl+Alt+C")},
         {}},
        {C::findSensitiveText,
         QT_TRANSLATE_NOOP("EditorActions", "Find Sensitive Text"),
         QT_TRANSLATE_NOOP(
             "EditorActions",
             "Find Sensitive Text — covers e-mail and IP addresses, keys, serial numbers and the like with "
             "redactions; recognition can miss text, check before sending"),
         {keys("Ctrl+Shift+X")},
         I::findSensitive},
    };
}

} // namespace

const QList<CommandInfo>& all() {
    static const QList<CommandInfo> commands = makeCommands();
    return commands;
}

const CommandInfo& info(EditorCommand command) {
    return all()[int(command)];
}

QString toolTip(const QString& help, const QKeySequence& key) {
    if (key.isEmpty()) return help;
    return QStringLiteral("%1 (%2)").arg(help, key.toString(QKeySequence::NativeText));
}

QString toolName(EditorTool tool) {
    return translatedTool(EditorTools::name(tool));
}

QString toolHelp(EditorTool tool) {
    return translatedTool(EditorTools::help(tool));
}

} // namespace EditorCommands

EditorActions::EditorActions(QWidget* window, EditorModel& model, EditorView& view)
    : QObject(window), m_window(window), m_model(model), m_view(view) {
    // Shortcut overrides are sent to the focus widget before any shortcut fires.
    qApp->installEventFilter(this);
    for (const CommandInfo& c : EditorCommands::all()) {
        auto* action = new QAction(tr(c.text), this);
        const QString help = tr(c.help);
        action->setToolTip(EditorCommands::toolTip(help, c.keys.value(0)));
        action->setStatusTip(help);
        if (c.icon) action->setIcon(Icons::action(*c.icon));
        action->setShortcuts(c.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, command = c.command] { run(command); });
        window->addAction(action);
        m_actions.append(action);
    }
    for (EditorTool tool : EditorTools::toolbarCases()) {
        const std::optional<QChar> key = EditorTools::key(tool);
        if (!key) continue;
        auto* action = new QAction(EditorCommands::toolHelp(tool), this);
        action->setShortcut(QKeySequence(QString(*key)));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, tool] { pickTool(tool); });
        window->addAction(action);
        m_toolActions.append({tool, action});
    }
    // Arrow keys nudge the selection: 1 pixel, 10 with Shift.
    const std::pair<Qt::Key, QPointF> arrows[] = {
        {Qt::Key_Left, {-1, 0}}, {Qt::Key_Right, {1, 0}}, {Qt::Key_Up, {0, -1}}, {Qt::Key_Down, {0, 1}}};
    for (const auto& [key, step] : arrows) {
        for (bool shift : {false, true}) {
            auto* action = new QAction(this);
            action->setShortcut(QKeySequence(shift ? (Qt::SHIFT | key) : QKeyCombination(key)));
            action->setShortcutContext(Qt::WindowShortcut);
            connect(action, &QAction::triggered, this, [this, d = step * (shift ? 10 : 1)] { nudge(d); });
            window->addAction(action);
        }
    }
    // Escape ends what is open: the text being typed (kept, as in every editor), a drag (undone),
    // else the selection.
    auto* escape = new QAction(this);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WindowShortcut);
    connect(escape, &QAction::triggered, this, [this] {
        if (isTyping())
            m_view.interaction().commitPendingText();
        else if (m_view.interaction().isDragging())
            m_view.cancelDrag();
        else
            m_model.setSelectedIDs({});
    });
    window->addAction(escape);
    // Undo and redo follow the history; the selection's commands the selection and the tool.
    for (auto signal :
         {&EditorModel::documentChanged, &EditorModel::selectionChanged, &EditorModel::toolSettingsChanged})
        connect(&m_model, signal, this, &EditorActions::refresh);
    connect(&m_view, &EditorView::textEntryChanged, this, &EditorActions::refresh);
    refresh();
}

QAction* EditorActions::action(EditorCommand command) const {
    return m_actions.value(int(command));
}

QAction* EditorActions::toolAction(EditorTool tool) const {
    for (const auto& [t, action] : m_toolActions)
        if (t == tool) return action;
    return nullptr;
}

bool EditorActions::isTyping() const {
    return m_view.interaction().textPosition().has_value();
}

void EditorActions::refresh() {
    action(EditorCommand::undo)->setEnabled(!m_model.undoStack().isEmpty() || isTyping());
    action(EditorCommand::redo)->setEnabled(!m_model.redoStack().isEmpty());
    const bool selecting = m_model.tool() == EditorTool::select && !isTyping();
    const bool anySelected =
        selecting && std::any_of(m_model.annotations().cbegin(), m_model.annotations().cend(),
                                 [&](const Annotation& a) { return m_model.selectedIDs().contains(a.id); });
    for (EditorCommand c :
         {EditorCommand::rotateLeft, EditorCommand::rotateRight, EditorCommand::fineRotateLeft,
          EditorCommand::fineRotateRight, EditorCommand::deleteSelection})
        action(c)->setEnabled(anySelected);
    action(EditorCommand::flatten)->setEnabled(selecting && m_model.selectedIndex().has_value());
    action(EditorCommand::renumberBadges)
        ->setEnabled(std::any_of(m_model.annotations().cbegin(), m_model.annotations().cend(),
                                 [](const Annotation& a) { return a.isNumberBadge(); }));
}

bool EditorActions::keyBelongsToFocus(const QWidget* focus, const QWidget* editorWindow,
                                      const QKeyEvent& key) {
    if (!focus) return false;
    // Shortcuts with Ctrl or Alt are the editor's wherever the focus is.
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QWidget* window = focus->window();
    // A popover, the stamp picker or the colour dialog of this editor: every plain key is theirs.
    if (window != editorWindow)
        return window->parentWidget() && window->parentWidget()->window() == editorWindow;
    switch (key.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return qobject_cast<const QAbstractSlider*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus) ||
               qobject_cast<const QAbstractItemView*>(focus) || qobject_cast<const QComboBox*>(focus) ||
               qobject_cast<const QLineEdit*>(focus);
    default:
        return false;
    }
}

bool EditorActions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (keyBelongsToFocus(static_cast<QWidget*>(watched), m_window, *key)) {
            key->accept(); // delivered to the widget as a key press instead of firing a shortcut
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void EditorActions::pickTool(EditorTool tool) {
    m_view.interaction().commitPendingText();
    m_model.setTool(tool);
    if (tool != EditorTool::select) m_model.setSelectedID(std::nullopt);
}

void EditorActions::fillContextMenu(QMenu& menu, std::optional<QPointF> canvasPoint) {
    auto add = [&](EditorCommand c) { menu.addAction(action(c)); };
    std::optional<int> hit;
    if (canvasPoint && !isTyping())
        hit =
            ObjectManipulation::hitIndex(m_model, m_view.interaction().toImage(*canvasPoint), m_view.scale());
    if (hit) {
        const QUuid id = m_model.annotations()[*hit].id;
        m_model.setTool(EditorTool::select);
        if (!m_model.selectedIDs().contains(id)) m_model.setSelectedID(id);
        refresh();
        for (EditorCommand c :
             {EditorCommand::copyObjects, EditorCommand::deleteSelection, EditorCommand::flatten,
              EditorCommand::rotateLeft, EditorCommand::rotateRight})
            add(c);
        if (m_model.annotations()[*hit].isNumberBadge()) {
            menu.addSeparator();
            add(EditorCommand::renumberBadges);
        }
        return;
    }
    add(EditorCommand::pasteImage);
    menu.addSeparator();
    for (EditorCommand c :
         {EditorCommand::zoomIn, EditorCommand::zoomOut, EditorCommand::actualSize, EditorCommand::zoomToFit})
        add(c);
    menu.addSeparator();
    add(EditorCommand::saveAs);
}

void EditorActions::nudge(QPointF delta) {
    if (isTyping() || m_model.tool() != EditorTool::select) return;
    m_model.nudgeSelection(delta);
}

void EditorActions::run(EditorCommand command) {
    EditorInteraction& interaction = m_view.interaction();
    switch (command) {
    case EditorCommand::pasteImage:
        if (isTyping()) return; // the text field pastes text itself
        interaction.pasteImage(QGuiApplication::clipboard()->image(), m_view.visibleImageRect());
        return;
    case EditorCommand::expandCanvas:
        if (onExpandCanvas) onExpandCanvas();
        return;
    case EditorCommand::rotateImage:
        if (onRotateImage) onRotateImage();
        return;
    case EditorCommand::zoomOut:
        m_view.zoomOut();
        return;
    case EditorCommand::zoomIn:
        m_view.zoomIn();
        return;
    case EditorCommand::actualSize:
        m_view.actualSize();
        return;
    case EditorCommand::undo:
        interaction.commitPendingText();
        m_model.undo();
        return;
    case EditorCommand::redo:
        m_model.redo();
        return;
    case EditorCommand::copyObjects:
        // With nothing selected, Ctrl+C copies the picture as Ctrl+Shift+C does.
        if (m_model.tool() == EditorTool::select && !m_model.selectedIDs().isEmpty() && !isTyping())
            m_model.copySelectedToPasteboard();
        else if (onCopyImage)
            onCopyImage();
        return;
    case EditorCommand::rotateLeft:
    case EditorCommand::rotateRight:
        if (!action(command)->isEnabled()) return;
        m_model.rotateSelection(command == EditorCommand::rotateLeft ? -M_PI / 2 : M_PI / 2, false);
        return;
    case EditorCommand::fineRotateLeft:
    case EditorCommand::fineRotateRight:
        if (!action(command)->isEnabled()) return;
        m_model.rotateSelection(command == EditorCommand::fineRotateLeft ? -M_PI / 180 : M_PI / 180, true);
        return;
    case EditorCommand::deleteSelection:
        if (!action(command)->isEnabled()) return;
        m_model.deleteSelected();
        return;
    case EditorCommand::flatten:
        if (!action(command)->isEnabled()) return;
        m_model.flattenSelected();
        return;
    case EditorCommand::copyImage:
        interaction.commitPendingText();
        if (onCopyImage) onCopyImage();
        return;
    case EditorCommand::save:
        if (onSave) onSave();
        return;
    case EditorCommand::saveAs:
        if (onSaveAs) onSaveAs();
        return;
    case EditorCommand::selectAll:
        if (isTyping()) return;
        m_model.setTool(EditorTool::select);
        m_model.selectAll();
        return;
    case EditorCommand::closeWindow:
        if (onClose) onClose();
        return;
    case EditorCommand::zoomToFit:
        if (onZoomToFit) onZoomToFit();
        return;
    case EditorCommand::renumberBadges:
        interaction.commitPendingText();
        m_model.renumberBadges();
        return;
    case EditorCommand::copyText:
        interaction.commitPendingText();
        if (onCopyText) onCopyText();
        return;
    case EditorCommand::findSensitiveText:
        interaction.commitPendingText();
        if (onFindSensitiveText) onFindSensitiveText();
        return;
    }
}
