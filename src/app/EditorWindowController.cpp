#include "app/EditorWindowController.h"

#include "Version.h"
#include "editor/EditorModel.h"
#include "io/FileIO.h"
#include "editor/SaveCommand.h"
#include "ui/editor/CanvasArea.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/SaveDialog.h"
#include "ui/SystemClipboard.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

EditorWindowController::EditorWindowController(std::unique_ptr<EditorModel> model, const QString& title, QWidget* parent)
    : QMainWindow(parent), m_model(std::move(model)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    m_model->setClipboard(&SystemClipboard::instance());
    m_view = new EditorView(*m_model);
    m_area = new CanvasArea(m_view);
    setCentralWidget(m_area);

    m_sizeLabel = new QLabel;
    m_versionLabel = new QLabel(QStringLiteral("v%1").arg(QString::fromLatin1(Pictavo::kVersion)));
    for (QLabel* label : {m_sizeLabel, m_versionLabel})
        label->setForegroundRole(QPalette::PlaceholderText);
    statusBar()->addWidget(m_sizeLabel, 1);
    statusBar()->addPermanentWidget(m_versionLabel);
    connect(m_model.get(), &EditorModel::changed, this, &EditorWindowController::refreshStatus);
    connect(m_model.get(), &EditorModel::refused, this, [this](const QString& message) {
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Pictavo"), message, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    refreshStatus();

    askToSave = [this] {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pictavo"),
                        QStringLiteral("Save changes to this screenshot?"), QMessageBox::NoButton, this);
        box.setInformativeText(QStringLiteral("Your annotations will be lost if you close without saving."));
        QPushButton* saveButton = box.addButton(QStringLiteral("Save…"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(QStringLiteral("Don't Save"), QMessageBox::DestructiveRole);
        box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
        box.setDefaultButton(saveButton);
        box.exec();
        if (box.clickedButton() == saveButton) return CloseChoice::save;
        if (box.clickedButton() == discard) return CloseChoice::discard;
        return CloseChoice::cancel;
    };

    // One action per key sequence: Qt fires neither of two that share one.
    addShortcut(QKeySequence(QStringLiteral("Ctrl+=")), [this] { m_view->zoomIn(); });
    addShortcut(QKeySequence(QStringLiteral("Ctrl++")), [this] { m_view->zoomIn(); });
    addShortcut(QKeySequence(QStringLiteral("Ctrl+-")), [this] { m_view->zoomOut(); });
    addShortcut(QKeySequence(QStringLiteral("Ctrl+0")), [this] { m_view->actualSize(); });
    addShortcut(QKeySequence::Undo, [this] {
        m_view->interaction().commitPendingText();
        m_model->undo();
    });
    addShortcut(QKeySequence::Redo, [this] { m_model->redo(); });
    addShortcut(QKeySequence::Copy, [this] { m_model->copySelectedToPasteboard(); });
    addShortcut(QKeySequence::Paste,
                [this] { m_view->interaction().pasteImage(QGuiApplication::clipboard()->image()); });
    addShortcut(QKeySequence::Save, [this] { save(); });
    addShortcut(QKeySequence(Qt::Key_Delete), [this] { m_model->deleteSelected(); });
    addShortcut(QKeySequence(Qt::Key_Backspace), [this] { m_model->deleteSelected(); });

    // Open at the picture's size where the screen allows.
    const QSize wanted = m_view->size() + QSize(2 * CanvasArea::kMargin + 4, 2 * CanvasArea::kMargin + 40);
    const QSize available = screen() ? screen()->availableSize() * 0.9 : QSize(1600, 1000);
    resize(wanted.boundedTo(available).expandedTo(QSize(480, 360)));
}

EditorWindowController::~EditorWindowController() {
    // The view refers to the model: take it down first.
    delete takeCentralWidget();
}

void EditorWindowController::addShortcut(const QKeySequence& keys, const std::function<void()>& action) {
    auto* a = new QAction(this);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, action);
    addAction(a);
}

namespace {

// The standard error alert: the error's own text, not attached to a window.
void presentError(const IoError& error) {
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Pictavo"), error.message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace

void EditorWindowController::save(std::function<void()> onSaved) {
    m_view->interaction().commitPendingText();
    auto* dialog = new SaveDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, onSaved] {
        if (dialog->imagePath().isEmpty()) return;
        if (auto error = saveTo(dialog->imagePath(), dialog->format(), dialog->scale(), onSaved))
            presentError(*error);
    });
    dialog->open(); // a sheet on this window
}

void EditorWindowController::closeEvent(QCloseEvent* event) {
    // Text still being typed is an edit too.
    m_view->interaction().commitPendingText();
    if (!m_model->isDirty()) return event->accept();
    switch (askToSave ? askToSave() : CloseChoice::cancel) {
    case CloseChoice::discard:
        return event->accept();
    case CloseChoice::cancel:
        return event->ignore();
    case CloseChoice::save:
        // The window closes only after a successful save.
        event->ignore();
        save([window = QPointer<EditorWindowController>(this)] {
            if (window) window->close();
        });
        return;
    }
}

std::optional<IoError> EditorWindowController::saveTo(const QString& imagePath, FlatExport::Format format, double scale,
                                            std::function<void()> onSaved) {
    const SaveCommand::Outcome outcome = SaveCommand::save(*m_model, imagePath, format, scale);
    if (outcome.error) return outcome.error;
    if (outcome.projectToPlace) {
        // After this event: the picture is saved, the project needs a folder the user may write.
        // Until it is written the edits are not safe, so the model stays dirty and the window open.
        QTimer::singleShot(0, this,
                           [this, bytes = *outcome.projectToPlace, path = outcome.projectPath, onSaved] {
                               placeProjectElsewhere(bytes, path, onSaved);
                           });
        return std::nullopt;
    }
    if (onSaved) onSaved();
    return std::nullopt;
}

void EditorWindowController::placeProjectElsewhere(const QByteArray& project, const QString& suggestedPath,
                                         std::function<void()> onSaved) {
    auto* dialog =
        new QFileDialog(this, QStringLiteral("Choose where to save the editable .pictproj project"));
    dialog->setObjectName(QStringLiteral("projectDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Nothing may change the document or close its window before the project has a place.
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(QStringLiteral("Pictavo project (*.pictproj)"));
    dialog->setDefaultSuffix(QStringLiteral("pictproj"));
    dialog->selectFile(QFileInfo(suggestedPath).fileName());
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, project, onSaved] {
        const QStringList files = dialog->selectedFiles();
        if (files.isEmpty()) return;
        if (auto error = FileIO::writeFileAtomically(files.first(), project)) return presentError(*error);
        m_model->markSaved();
        if (onSaved) onSaved();
    });
    dialog->show();
}

QString EditorWindowController::sizeText() const {
    return m_sizeLabel->text();
}
QString EditorWindowController::versionText() const {
    return m_versionLabel->text();
}

void EditorWindowController::refreshStatus() {
    const QSizeF size = m_model->imageSize();
    m_sizeLabel->setText(QStringLiteral("%1 × %2 px").arg(qint64(size.width())).arg(qint64(size.height())));
}

void EditorWindowController::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    for (EditorTool tool : allCases<EditorTool>()) {
        QAction* a = menu.addAction(EditorTools::help(tool), this, [this, tool] {
            m_view->interaction().commitPendingText();
            m_model->setTool(tool);
        });
        a->setCheckable(true);
        a->setChecked(m_model->tool() == tool);
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("Zoom In"), QKeySequence(QStringLiteral("Ctrl+=")), m_view,
                   &EditorView::zoomIn);
    menu.addAction(QStringLiteral("Zoom Out"), QKeySequence(QStringLiteral("Ctrl+-")), m_view,
                   &EditorView::zoomOut);
    menu.addAction(QStringLiteral("Actual Size"), QKeySequence(QStringLiteral("Ctrl+0")), m_view,
                   &EditorView::actualSize);
    menu.exec(event->globalPos());
}
