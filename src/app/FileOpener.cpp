#include "app/FileOpener.h"

#include "app/EditorWindowController.h"
#include "editor/FlatExport.h"
#include "io/ImageDecoder.h"
#include "io/PdfSupport.h"
#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"
#include "ui/PdfPagePicker.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace FileOpener {

namespace {

bool isPdfPath(const QString& path) {
    return path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
}

// One page opens at once; of several the person picks one. Nothing when the picker is cancelled.
// A page of several is named for its page ("Site plan page 2.pdf"), so the editor's title says which
// and each page is proposed a file name of its own.
std::optional<Result<ProjectIO::Project>> openPdf(const QString& file, QString* editorPath) {
    const Result<int> pages = PdfSupport::pageCount(file);
    if (!pages) return Result<ProjectIO::Project>(pages.error());
    int index = 0;
    if (*pages > 1) {
        const std::optional<int> picked = PdfPagePicker::pick(file);
        if (!picked) return std::nullopt;
        index = *picked;
        const QFileInfo info(file);
        *editorPath = info.absoluteDir().filePath(
            QStringLiteral("%1 page %2.%3").arg(info.completeBaseName()).arg(index + 1).arg(info.suffix()));
    }
    Result<QImage> page = PdfSupport::renderPage(file, index);
    if (!page) return Result<ProjectIO::Project>(page.error());
    return Result<ProjectIO::Project>(ProjectIO::Project{*page, {}});
}

} // namespace

Outcome open(const QStringList& files) {
    Outcome outcome;
    for (const QString& file : files) {
        std::optional<Result<ProjectIO::Project>> opened;
        QString editorPath = QFileInfo(file).absoluteFilePath();
        if (isPdfPath(file)) {
            opened = openPdf(file, &editorPath);
            if (!opened) { // the person chose no page: nothing to tell them, but the launch hears of it
                outcome.cancelled.append(file);
                continue;
            }
        } else if (FlatExport::isProjectPath(file)) {
            opened = ProjectIO::load(file);
        } else {
            Result<QImage> image = ImageDecoder::decodeFile(file);
            opened = image ? Result<ProjectIO::Project>(ProjectIO::Project{*image, {}})
                           : Result<ProjectIO::Project>(image.error());
        }
        Result<ProjectIO::Project>& project = *opened;
        if (!project) {
            outcome.errors.append(project.error().message);
            if (outcome.firstFailure.isEmpty()) outcome.firstFailure = project.error().message;
            continue;
        }
        if (project->droppedRecords > 0)
            outcome.errors.append(QStringLiteral("“%1” was opened without %2 of its objects: they could not be read.")
                                      .arg(QFileInfo(file).fileName())
                                      .arg(project->droppedRecords));
        if (const qsizetype undrawn =
                EditorRenderer::beyondDrawingBudget(project->annotations, QSizeF(project->baseImage.size())).size())
            outcome.errors.append(QStringLiteral("%1 objects of “%2” would take too long to draw and are not shown.")
                                      .arg(undrawn)
                                      .arg(QFileInfo(file).fileName()));
        EditorWindowController::show(project->baseImage, project->annotations, editorPath);
        ++outcome.opened;
    }
    if (!outcome.errors.isEmpty()) {
        auto* box = new QMessageBox(outcome.firstFailure.isEmpty() ? QMessageBox::Warning : QMessageBox::Critical,
                                    QStringLiteral("Pictavo"), outcome.errors.join(QLatin1Char('\n')));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        // In front of the windows that did open.
        box->raise();
        box->activateWindow();
    }
    return outcome;
}

} // namespace FileOpener
