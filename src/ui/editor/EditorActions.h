#pragma once

#include "ui/Icons.h"

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class EditorModel;
class EditorView;
class QAction;
class QKeyEvent;
class QMenu;
class QWidget;

// Every command of the editor window, declared once: its text, help, icon and keys feed the
// toolbar buttons, the context menus and the shortcuts alike.
enum class EditorCommand {
    pasteImage,
    expandCanvas,
    rotateImage,
    zoomOut,
    zoomIn,
    actualSize,
    undo,
    redo,
    copyObjects,
    rotateLeft,
    rotateRight,
    fineRotateLeft,
    fineRotateRight,
    deleteSelection,
    flatten,
    copyImage,
    save,
    selectAll,
    closeWindow,
    renumberBadges,
    zoomToFit,
    saveAs,
    copyText,
    findSensitiveText,
};

struct CommandInfo {
    EditorCommand command;
    // In English, translated where shown (context "EditorActions").
    const char* text; // the button's label and accessible name
    const char* help; // the tooltip's text, without the keys
    QList<QKeySequence> keys;
    std::optional<Icons::Action> icon;
};

namespace EditorCommands {
const QList<CommandInfo>& all();
const CommandInfo& info(EditorCommand command);
// The tooltip: the help followed by the first key sequence in its Linux form, "Zoom in (Ctrl+=)".
QString toolTip(const QString& help, const QKeySequence& key);
// A tool's name ("Blur") and help ("Blur — blurred text can…") as shown: the model's English
// text, translated.
QString toolName(EditorTool tool);
QString toolHelp(EditorTool tool);
} // namespace EditorCommands

// The window's actions: one QAction per command, and one per key sequence (Qt fires neither of
// two actions that share one), kept enabled by the model's state.
class EditorActions : public QObject {
    Q_OBJECT

public:
    // The actions go on `window`, so their keys work wherever the focus is in it; text fields
    // keep their own editing keys.
    EditorActions(QWidget* window, EditorModel& model, EditorView& view);

    QAction* action(EditorCommand command) const;
    // The action that picks `tool` by its letter, if it has one.
    QAction* toolAction(EditorTool tool) const;

    // What the window does for the commands that open dialogs or popovers.
    std::function<void()> onSave, onSaveAs, onCopyImage, onExpandCanvas, onRotateImage, onClose, onZoomToFit,
        onCopyText, onFindSensitiveText;

    // Whether a text entry is open (its field keeps the keys then).
    bool isTyping() const;
    // Enabled states from the model and the view.
    void refresh();

    // The canvas's context menu for a point of the canvas in view points (absent: outside the
    // picture). On an object: its own commands, and it becomes the selection unless it is part
    // of it. Elsewhere: paste and zoom.
    void fillContextMenu(QMenu& menu, std::optional<QPointF> canvasPoint);

    // Keys belong to the control that has the focus first: in a popover or the stamp picker every
    // plain key does (Escape closes it), and arrows move in sliders, number fields and lists. Only
    // what they leave reaches the editor's one-key shortcuts.
    static bool keyBelongsToFocus(const QWidget* focus, const QWidget* editorWindow, const QKeyEvent& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run(EditorCommand command);
    void pickTool(EditorTool tool);
    void nudge(QPointF delta);

    QWidget* m_window;
    EditorModel& m_model;
    EditorView& m_view;
    QList<QAction*> m_actions; // in EditorCommand order
    QList<std::pair<EditorTool, QAction*>> m_toolActions;
};
