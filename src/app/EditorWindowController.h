#pragma once

#include "editor/FlatExport.h"
#include "io/IoError.h"

#include <QMainWindow>

#include <functional>

#include <memory>

class CanvasArea;
class EditorModel;
class EditorView;
class QLabel;

// A plain window with the editor canvas on one picture: tools from the context menu, the zoom
// keys, undo and the object clipboard. The full editor window with its toolbar builds on this.
class EditorWindowController : public QMainWindow {
    Q_OBJECT

public:
    EditorWindowController(std::unique_ptr<EditorModel> model, const QString& title, QWidget* parent = nullptr);
    ~EditorWindowController() override;

    EditorModel& model() { return *m_model; }
    EditorView* view() const { return m_view; }
    // Asks where and how to save, then saves the flat image and its project; `onSaved` runs after
    // a successful save.
    void save(std::function<void()> onSaved = {});

    // What to do with unsaved edits when the window closes; the alert by default, tests replace it.
    enum class CloseChoice { save, discard, cancel };
    std::function<CloseChoice()> askToSave;
    // The work after the dialog; errors are returned, not shown. `onSaved` runs once the model
    // counts as saved: at once, or after the project found a place in a second dialog.
    std::optional<IoError> saveTo(const QString& imagePath, FlatExport::Format format, double scale,
                                  std::function<void()> onSaved = {});

    // The status bar's two texts: the picture's size and the version.
    QString sizeText() const;
    QString versionText() const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void addShortcut(const QKeySequence& keys, const std::function<void()>& action);
    void refreshStatus();
    void placeProjectElsewhere(const QByteArray& project, const QString& suggestedPath,
                               std::function<void()> onSaved);

    std::unique_ptr<EditorModel> m_model;
    EditorView* m_view;
    CanvasArea* m_area;
    QLabel* m_sizeLabel;
    QLabel* m_versionLabel;
};
