#include "app/FileOpener.h"

#include "app/EditorWindowController.h"
#include "editor/FlatExport.h"
#include "io/ImageDecoder.h"
#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"

#include <QFileInfo>
#include <QMessageBox>

namespace FileOpener {

Outcome open(const QStringList& files) {
    Outcome outcome;
    for (const QString& file : files) {
        Result<ProjectIO::Project> project =
            FlatExport::isProjectPath(file) ? ProjectIO::load(file) : [&]() -> Result<ProjectIO::Project> {
            Result<QImage> image = ImageDecoder::decodeFile(file);
            if (!image) return image.error();
            return ProjectIO::Project{*image, {}};
        }();
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
        EditorWindowController::show(project->baseImage, project->annotations, QFileInfo(file).absoluteFilePath());
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
