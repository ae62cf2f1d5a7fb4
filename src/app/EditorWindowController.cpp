#include "app/EditorWindowController.h"
#include "io/ErrorTexts.h"

#include "Version.h"
#include "editor/EditorModel.h"
#include "editor/SensitiveText.h"
#include "editor/Redaction.h"
#include "io/FileIO.h"
#include "ui/editor/CanvasArea.h"
#include "ui/editor/EditorView.h"
#include "ui/editor/EditorActions.h"
#include "ui/editor/EditorToolbar.h"
#include "ui/editor/SaveDialog.h"
#include "ui/ErrorAlert.h"
#include "ui/SystemClipboard.h"
#include "app/ActivationPolicy.h"
#include "app/TextReading.h"
#include "app/WindowGeometry.h"
#include "render/EditorRenderer.h"

#include <QDir>
#include <QFrame>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

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

namespace {

QList<EditorWindowController*>& openWindows() {
    static QList<EditorWindowController*> windows;
    return windows;
}

} // namespace

EditorWindowController::EditorWindowController(std::unique_ptr<EditorModel> model, const QString& filePath,
                                               QWidget* parent)
    : QMainWindow(parent), m_model(std::move(model)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAccessibleName(tr("Edit Screenshot"));
    m_model->setClipboard(&SystemClipboard::instance());
    m_view = new EditorView(*m_model);
    m_area = new CanvasArea(m_view);
    m_actions = new EditorActions(this, *m_model, *m_view);
    m_toolbar = new EditorToolbar(*m_model, *m_view, *m_actions);

    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* bar = new QWidget;
    bar->setAutoFillBackground(true);
    bar->setBackgroundRole(QPalette::Window);
    auto* barLayout = new QVBoxLayout(bar);
    barLayout->setContentsMargins(10, 8, 10, 8);
    barLayout->addWidget(m_toolbar);
    column->addWidget(bar);
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    column->addWidget(line);
    column->addWidget(m_area, 1);
    setCentralWidget(central);

    m_sizeLabel = new QLabel;
    m_messageLabel = new QLabel;
    m_messageLabel->setTextFormat(Qt::RichText);
    m_messageLabel->setOpenExternalLinks(true);
    m_messageLabel->setAccessibleName(tr("Status"));
    m_versionLabel = new QLabel(tr("v%1").arg(QString::fromLatin1(Pictavo::kVersion)));
    for (QLabel* label : {m_sizeLabel, m_versionLabel})
        label->setForegroundRole(QPalette::PlaceholderText);
    statusBar()->addWidget(m_sizeLabel);
    statusBar()->addWidget(m_messageLabel, 1);
    statusBar()->addPermanentWidget(m_versionLabel);
    connect(m_model.get(), &EditorModel::documentChanged, this, &EditorWindowController::refreshStatus);
    connect(m_model.get(), &EditorModel::refused, this, [this](const QString& message) {
        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Pictavo"), message, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    setFilePath(filePath);
    if (FlatExport::isProjectPath(filePath))
        m_files = SaveCommand::filesOfProject(filePath, m_model->baseImage().size());
    refreshStatus();

    connect(m_view, &EditorView::textEntryChanged, this, [this] {
        if (m_actions->isTyping())
            statusBar()->showMessage(tr("Shift+Return for a new line"));
        else
            statusBar()->clearMessage();
    });
    m_actions->onSave = [this] { save(); };
    m_actions->onSaveAs = [this] { saveAs(); };
    m_actions->onCopyImage = [this] { copyImage(); };
    m_actions->onCopyText = [this] { copyText(); };
    m_actions->onFindSensitiveText = [this] { findSensitiveText(); };
    m_actions->onExpandCanvas = [this] { m_toolbar->openCanvasPopover(); };
    m_actions->onRotateImage = [this] { m_toolbar->openRotatePopover(); };
    m_actions->onClose = [this] { close(); };
    m_actions->onZoomToFit = [this] { m_view->setZoom(m_area->fittingZoom()); };

    askToSave = [this] {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pictavo"),
                        tr("Save changes to this screenshot?"), QMessageBox::NoButton, this);
        box.setInformativeText(tr("Your annotations will be lost if you close without saving."));
        QPushButton* saveButton = box.addButton(tr("Save…"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(tr("Don't Save"), QMessageBox::DestructiveRole);
        box.addButton(tr("Cancel"), QMessageBox::RejectRole);
        box.setDefaultButton(saveButton);
        box.exec();
        if (box.clickedButton() == saveButton) return CloseChoice::save;
        if (box.clickedButton() == discard) return CloseChoice::discard;
        return CloseChoice::cancel;
    };

    // The picture at its physical size where the screen allows, in a window sized to it and to
    // the chrome around it as measured.
    const WindowGeometry::EditorFit fit =
        WindowGeometry::editorFit(WindowGeometry::metricsOf(screen()), m_model->baseImage().size(), measuredChrome());
    m_view->setZoom(fit.zoom);
    resize(fit.window);
    // Centred on its screen, a step aside from the editors already there; window managers that
    // place windows themselves may still move it.
    if (const QScreen* s = screen()) {
        QList<QPoint> taken;
        for (const EditorWindowController* other : openWindows())
            taken.append(other->m_placedAt);
        m_placedAt = WindowGeometry::cascadedPosition(s->availableGeometry(), size(), taken);
        move(m_placedAt);
    }
    auto* quit = new QAction(this);
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::WindowShortcut);
    connect(quit, &QAction::triggered, this, [] {
        if (quitHandler) quitHandler();
    });
    addAction(quit);
    // "Saved … in …" is true only until the next edit.
    connect(m_model.get(), &EditorModel::documentChanged, this, [this] {
        if (m_model->isDirty() && !m_savedMessage.isEmpty() && m_messageLabel->text() == m_savedMessage)
            m_messageLabel->clear();
    });
}

EditorWindowController* EditorWindowController::show(const QImage& image, const QList<Annotation>& annotations,
                                                     const QString& filePath) {
    auto* window = new EditorWindowController(std::make_unique<EditorModel>(image, annotations), filePath);
    openWindows().append(window);
    if (openedHandler) openedHandler(window);
    ActivationPolicy::shared().windowOpened(window);
    window->QMainWindow::show();
    // Window managers that place new windows themselves (openbox) ignore the position asked for
    // before the window maps; asked again once it is up, they keep editors from covering each
    // other exactly.
    QTimer::singleShot(0, window, [window] {
        if (window->pos() != window->m_placedAt) window->move(window->m_placedAt);
    });
    return window;
}

const QList<EditorWindowController*>& EditorWindowController::active() {
    return openWindows();
}

void EditorWindowController::leaveActive() {
    if (openWindows().removeAll(this) > 0) ActivationPolicy::shared().windowClosed();
}

EditorWindowController::~EditorWindowController() {
    leaveActive();
    // The view refers to the model: take it down first.
    delete takeCentralWidget();
}

void EditorWindowController::setFilePath(const QString& path) {
    m_filePath = path;
    setWindowTitle(WindowGeometry::editorTitle(path));
}

// Lays the window out at a trial size, before it is shown, and measures what lies around the canvas.
WindowGeometry::EditorChrome EditorWindowController::measuredChrome() {
    const QSize trial(1200, 900);
    resize(trial);
    // A hidden window's layouts run only when asked, each giving its children their places.
    const std::function<void(QWidget*)> layOut = [&layOut](QWidget* widget) {
        if (widget->layout()) widget->layout()->activate();
        for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->isWindow()) layOut(child);
    };
    layOut(this);
    // The viewport as it is without scroll bars: the picture may not fit the trial size.
    const QSize viewport = m_area->maximumViewportSize();
    const int toolbarSide = trial.width() - m_toolbar->width();
    WindowGeometry::EditorChrome chrome;
    chrome.fixed = QSize(trial.width() - viewport.width() + 2 * CanvasArea::kMargin,
                         trial.height() - viewport.height() - m_toolbar->height() + 2 * CanvasArea::kMargin);
    chrome.toolbarHeight = [toolbar = m_toolbar, toolbarSide](int width) {
        return toolbar->heightForWidth(std::max(1, width - toolbarSide));
    };
    return chrome;
}

void EditorWindowController::copyImage() {
    m_view->interaction().commitPendingText();
    // As a saved picture: blur beside a redaction spreads nothing of what it covers.
    const QImage flat = EditorRenderer::compose(Redaction::hiding(m_model->scene()));
    if (flat.isNull()) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(flat);
    m_toolbar->showCopied();
}

QRect EditorWindowController::textArea() const {
    const std::optional<int> index = m_model->selectedIndex();
    if (!index || m_model->selectedIDs().size() != 1) return {};
    const Annotation& a = m_model->annotations()[*index];
    if (a.tool != EditorTool::rect || std::abs(a.rotation) > 1e-9) return {};
    // Inside its outline: the outline read as letters would add "|" and "l" to the text.
    const double inset = a.filled ? 0 : a.width / 2 + 1;
    return a.rect().normalized().adjusted(inset, inset, -inset, -inset).toAlignedRect().intersected(
        QRect(QPoint(0, 0), m_model->baseImage().size()));
}

void EditorWindowController::copyText() {
    if (m_readingText) {
        // The button says "Cancel Reading" meanwhile.
        if (m_stopReading) *m_stopReading = true;
        return;
    }
    m_view->interaction().commitPendingText();
    // Redaction boxes read as letters and spoil the words beside them: the reader sees the ground.
    QImage flat = Redaction::forReading(EditorRenderer::compose(m_model->scene()), m_model->annotations());
    if (flat.isNull()) return;
    const QRect area = textArea();
    if (!area.isEmpty()) flat = flat.copy(area);
    m_readingText = true;
    m_toolbar->showReadingText(true);
    m_messageLabel->setText(tr("Reading the text…"));
    m_stopReading = TextReading::read(this, std::move(flat), {}, [this, area](const Result<RecognizedText>& read) {
        m_readingText = false;
        m_toolbar->showReadingText(false);
        if (!read)
            return m_messageLabel->setText(TextReading::wasCancelled(read.error())
                                               ? tr("Reading cancelled")
                                               : ErrorTexts::translated(read.error().message).toHtmlEscaped());
        const RecognizedText text = Redaction::uncovered(*read, m_model->annotations(), area.topLeft());
        const int lines = text.lineCount();
        if (lines > 0) TextReading::copy(text);
        m_messageLabel->setText(TextReading::copiedMessage(lines));
    });
}

void EditorWindowController::findSensitiveText() {
    if (m_readingText) return;
    m_view->interaction().commitPendingText();
    QImage flat = Redaction::forReading(EditorRenderer::compose(m_model->scene()), m_model->annotations());
    if (flat.isNull()) return;
    m_readingText = true;
    m_toolbar->showReadingText(true);
    m_messageLabel->setText(tr("Looking for sensitive text…"));
    // Boxes found on one picture belong on that picture only: a crop or turn meanwhile moves them.
    const qint64 picture = m_model->baseImage().cacheKey();
    const QRect bounds = flat.rect();
    m_stopReading = TextReading::read(this, std::move(flat), {}, [this, picture, bounds](const Result<RecognizedText>& text) {
        m_readingText = false;
        m_toolbar->showReadingText(false);
        if (!text)
            return m_messageLabel->setText(TextReading::wasCancelled(text.error())
                                               ? tr("Reading cancelled")
                                               : ErrorTexts::translated(text.error().message).toHtmlEscaped());
        if (m_model->baseImage().cacheKey() != picture)
            return m_messageLabel->setText(
                tr("The picture changed while its text was read: nothing was covered. Try again."));
        // What is covered already is not found again.
        const QList<SensitiveText::Finding> findings =
            SensitiveText::find(Redaction::withRedactionsAsWords(*text, m_model->annotations()), bounds);
        QList<QRectF> boxes;
        for (const SensitiveText::Finding& finding : findings) boxes.append(QRectF(finding.box));
        const QString summary = SensitiveText::summary(findings).toHtmlEscaped();
        // A refusal (the project could not be reopened with them) is shown by the model's alert.
        if (!boxes.isEmpty() && m_model->addRedactions(boxes) == 0)
            return m_messageLabel->setText(tr("%1 — not covered").arg(summary));
        m_messageLabel->setText(findings.isEmpty() ? summary : tr("%1 — check before sending").arg(summary));
    });
}

void EditorWindowController::save(std::function<void()> onSaved) {
    m_view->interaction().commitPendingText();
    if (!m_files) return saveAs(std::move(onSaved));
    if (auto error = saveTo(m_files->imagePath, m_files->format, m_files->scale, std::move(onSaved), m_files->burnBlur))
        ErrorAlert::present(*error, this);
}

void EditorWindowController::saveAs(std::function<void()> onSaved) {
    m_view->interaction().commitPendingText();
    auto* dialog = new SaveDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (m_files) {
        dialog->propose(m_files->imagePath, true);
        dialog->setScale(m_files->scale);
        dialog->setOwnProject(SaveCommand::projectPathFor(m_files->imagePath));
    } else {
        // A page of a PDF is saved as a picture of its own: proposing the PDF would replace the
        // whole document with one flat page.
        const QFileInfo source(m_filePath);
        dialog->propose(source.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0
                            ? source.completeBaseName() + QStringLiteral(".png")
                            : m_filePath,
                        false);
    }
    // Remembered for the document: saving in place asks nothing.
    const QList<Annotation>& list = m_model->annotations();
    dialog->offerBurningBlur(
        std::any_of(list.cbegin(), list.cend(), [](const Annotation& a) { return a.tool == EditorTool::blur; }),
        m_files && m_files->burnBlur);
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, onSaved] {
        if (dialog->imagePath().isEmpty()) return;
        if (auto error = saveTo(dialog->imagePath(), dialog->format(), dialog->scale(), onSaved, dialog->burnBlur()))
            ErrorAlert::present(*error, this);
    });
    dialog->open(); // a sheet on this window
}

void EditorWindowController::closeEvent(QCloseEvent* event) {
    // Text still being typed is an edit too.
    m_view->interaction().commitPendingText();
    if (!m_model->isDirty()) {
        leaveActive();
        return event->accept();
    }
    switch (askToSave ? askToSave() : CloseChoice::cancel) {
    case CloseChoice::discard:
        leaveActive();
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
                                            std::function<void()> onSaved, bool burnBlur) {
    const SaveCommand::Outcome outcome = SaveCommand::save(*m_model, imagePath, format, scale, burnBlur);
    if (outcome.error) return outcome.error;
    if (outcome.projectToPlace) {
        // After this event: the picture is saved, the project needs a folder the user may write.
        // Until it is written the edits are not safe, so the model stays dirty and the window open.
        QTimer::singleShot(0, this,
                           [this, bytes = *outcome.projectToPlace, path = outcome.projectPath, onSaved,
                            files = SaveCommand::SavedFiles{outcome.imagePath, format, scale, burnBlur}] {
                               placeProjectElsewhere(bytes, path, [this, onSaved, files] {
                                   saved(files);
                                   if (onSaved) onSaved();
                               });
                           });
        return std::nullopt;
    }
    saved({outcome.imagePath, format, scale, burnBlur});
    if (outcome.undrawn > 0)
        ErrorAlert::present(
            tr("“%1” was saved without %2 objects that would take too long to draw. "
               "The project beside it keeps them all.")
                .arg(QFileInfo(outcome.imagePath).fileName(), QString::number(outcome.undrawn)),
            this);
    if (onSaved) onSaved();
    return std::nullopt;
}

void EditorWindowController::placeProjectElsewhere(const QByteArray& project, const QString& suggestedPath,
                                         std::function<void()> onSaved) {
    auto* dialog = new QFileDialog(this, tr("Choose where to save the editable .pictproj project"));
    dialog->setObjectName(QStringLiteral("projectDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Nothing may change the document or close its window before the project has a place.
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(tr("Pictavo project (*.pictproj)"));
    dialog->setDefaultSuffix(QStringLiteral("pictproj"));
    dialog->selectFile(QFileInfo(suggestedPath).fileName());
    connect(dialog, &QFileDialog::accepted, this, [this, dialog, project, onSaved] {
        const QStringList files = dialog->selectedFiles();
        if (files.isEmpty()) return;
        if (auto error = FileIO::writeFileAtomically(files.first(), project)) return ErrorAlert::present(*error);
        m_model->markSaved();
        if (onSaved) onSaved();
    });
    dialog->show();
}

// Says where the file went, with its folder as a link; the next save writes the same files.
void EditorWindowController::saved(const SaveCommand::SavedFiles& files) {
    m_files = files;
    emit documentSaved(files);
    setFilePath(files.imagePath);
    const QFileInfo info(files.imagePath);
    m_savedMessage = tr("Saved “%1” in <a href=\"%2\">%3</a>")
                         .arg(info.fileName().toHtmlEscaped(),
                              QUrl::fromLocalFile(info.absolutePath()).toString(QUrl::FullyEncoded),
                              QDir::toNativeSeparators(info.absolutePath()).toHtmlEscaped());
    m_messageLabel->setText(m_savedMessage);
    refreshStatus();
}

void EditorWindowController::restoreUnsaved(const std::optional<SaveCommand::SavedFiles>& files) {
    m_files = files;
    m_model->markUnsaved();
    m_messageLabel->setText(tr("Restored unsaved edits"));
    refreshStatus();
}

void EditorWindowController::showMessage(const QString& text) {
    m_messageLabel->setText(text.toHtmlEscaped());
}

QString EditorWindowController::messageText() const {
    return m_messageLabel->text();
}

QString EditorWindowController::sizeText() const {
    return m_sizeLabel->text();
}
QString EditorWindowController::versionText() const {
    return m_versionLabel->text();
}

void EditorWindowController::refreshStatus() {
    const QSizeF size = m_model->imageSize();
    m_sizeLabel->setText(tr("%1 × %2 px").arg(qint64(size.width())).arg(qint64(size.height())));
    const qsizetype undrawn = m_view->undrawnCount();
    m_sizeLabel->setToolTip(undrawn > 0
                                ? tr("%1 objects would take too long to draw and are not shown").arg(undrawn)
                                : QString());
    if (undrawn > 0)
        m_sizeLabel->setText(
            tr("%1 — %2 objects not shown").arg(m_sizeLabel->text(), QString::number(undrawn)));
    setWindowModified(m_model->isDirty());
}

void EditorWindowController::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const QPoint local = m_view->mapFromGlobal(event->globalPos());
    m_actions->fillContextMenu(menu, m_view->rect().contains(local) ? std::optional(QPointF(local)) : std::nullopt);
    menu.exec(event->globalPos());
}
