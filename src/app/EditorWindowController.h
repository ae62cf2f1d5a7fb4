#pragma once

#include "editor/FlatExport.h"
#include "editor/SaveCommand.h"
#include "io/IoError.h"
#include "app/WindowGeometry.h"
#include "model/Annotation.h"

#include <QMainWindow>

#include <functional>

#include <memory>

class CanvasArea;
class EditorActions;
class EditorModel;
class EditorToolbar;
class EditorView;
class QLabel;

// The editor window: the toolbar above the canvas of one picture, its shortcuts and context
// menus, saving, and the question before unsaved edits are closed away.
class EditorWindowController : public QMainWindow {
    Q_OBJECT

public:
    // `filePath` is where the picture came from, if anywhere: it names the window and is what a
    // save proposes.
    EditorWindowController(std::unique_ptr<EditorModel> model, const QString& filePath = {},
                           QWidget* parent = nullptr);
    ~EditorWindowController() override;

    using QMainWindow::show;
    // The one way to open an editor: builds it, keeps it among the open windows and shows it.
    static EditorWindowController* show(const QImage& image, const QList<Annotation>& annotations,
                                        const QString& filePath = {});
    // Every open editor window.
    static const QList<EditorWindowController*>& active();
    // Ctrl+Q in an editor: the application's quit, with its check for unsaved edits.
    static inline std::function<void()> quitHandler;
    // Hears of every editor show() opens (the recovery journal watches them all).
    static inline std::function<void(EditorWindowController*)> openedHandler;

    EditorModel& model() { return *m_model; }
    EditorView* view() const { return m_view; }
    EditorToolbar* toolbar() const { return m_toolbar; }
    CanvasArea* canvasArea() const { return m_area; }
    EditorActions& actions() const { return *m_actions; }
    QString filePath() const { return m_filePath; }
    // Puts the flat picture on the clipboard and says so on the Copy button.
    void copyImage();
    // The text of the flat picture, or of the one selected rectangle's inside, to the clipboard.
    void copyText();
    // Covers what the picture's text holds that should not be sent with selected redactions.
    void findSensitiveText();
    // Where Copy Text reads: the selected rectangle's inside, or empty for the whole picture.
    QRect textArea() const;
    // Saves the flat image and its project: in place when the document has its files (opened
    // from a project, or saved once), else after asking where and how. `onSaved` runs after a
    // successful save.
    void save(std::function<void()> onSaved = {});
    // Always asks: in the project's folder, with its name, format and size when there is one.
    void saveAs(std::function<void()> onSaved = {});
    // The files a save in place writes, once there are any.
    const std::optional<SaveCommand::SavedFiles>& savedFiles() const { return m_files; }
    // Edits brought back after the program ended without saving them: unsaved, and saved in place
    // to `files` as before when the document had them.
    void restoreUnsaved(const std::optional<SaveCommand::SavedFiles>& files);

    // What to do with unsaved edits when the window closes; the alert by default, tests replace it.
    enum class CloseChoice { save, discard, cancel };
    std::function<CloseChoice()> askToSave;
    // The work after the dialog; errors are returned, not shown. `onSaved` runs once the model
    // counts as saved: at once, or after the project found a place in a second dialog. With
    // `burnBlur` the project's picture gets the blurred pixels, and later saves keep doing so.
    std::optional<IoError> saveTo(const QString& imagePath, FlatExport::Format format, double scale,
                                  std::function<void()> onSaved = {}, bool burnBlur = false);

    // The status bar's texts: the picture's size, the last message and the version.
    QString sizeText() const;
    QString versionText() const;
    QString messageText() const;
    void showMessage(const QString& text);

signals:
    // After a save that wrote the picture (and the project beside it, where it could).
    void documentSaved(const SaveCommand::SavedFiles& files);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void refreshStatus();
    // Leaves the open windows once, when the window closes.
    void leaveActive();
    void setFilePath(const QString& path);
    void saved(const SaveCommand::SavedFiles& files);
    WindowGeometry::EditorChrome measuredChrome();
    void placeProjectElsewhere(const QByteArray& project, const QString& suggestedPath,
                               std::function<void()> onSaved);

    std::unique_ptr<EditorModel> m_model;
    EditorView* m_view;
    CanvasArea* m_area;
    EditorActions* m_actions;
    EditorToolbar* m_toolbar;
    QLabel* m_sizeLabel;
    QLabel* m_messageLabel;
    QString m_savedMessage; // "Saved … in …", cleared from the label by the next edit
    bool m_readingText = false;
    std::shared_ptr<std::atomic<bool>> m_stopReading;
    QLabel* m_versionLabel;
    QString m_filePath;
    QPoint m_placedAt; // where this window was opened, so the next one opens beside it
    // Where the last save went (or the project came from): the next save writes it again.
    std::optional<SaveCommand::SavedFiles> m_files;
};
