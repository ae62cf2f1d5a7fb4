#include "editor/SaveCommand.h"

#include "editor/EditorModel.h"
#include "editor/Redaction.h"
#include "io/FileIO.h"
#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"

#include <QDateTime>
#include <QDir>
#include <QImageReader>

#include <cmath>
#include <QFileInfo>

namespace SaveCommand {

QString imagePathFor(const QString& typedPath, FlatExport::Format format) {
    const qsizetype slash = typedPath.lastIndexOf(QLatin1Char('/'));
    const QString folder = typedPath.left(slash + 1);
    QString name = typedPath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString typed = dot > 0 ? name.mid(dot + 1).toLower() : QString();
    static const QStringList ours{QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                  QStringLiteral("pdf"), QStringLiteral("pictproj")};
    if (ours.contains(typed)) name.truncate(dot);
    QString suffix;
    switch (format) {
    case FlatExport::Format::png:
        suffix = QStringLiteral("png");
        break;
    case FlatExport::Format::jpeg:
        suffix = typed == QLatin1String("jpeg") ? QStringLiteral("jpeg") : QStringLiteral("jpg");
        break;
    case FlatExport::Format::pdf:
        suffix = QStringLiteral("pdf");
        break;
    }
    return folder + name + QLatin1Char('.') + suffix;
}

QString projectPathFor(const QString& imagePath) {
    const QFileInfo info(imagePath);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(base + QStringLiteral(".pictproj"));
}

SavedFiles filesOfProject(const QString& projectPath, QSize pictureSize) {
    const QFileInfo project(projectPath);
    const QString base = project.dir().filePath(project.completeBaseName());
    SavedFiles files{base + QStringLiteral(".png"), FlatExport::Format::png, 1.0};
    QDateTime newest;
    for (const char* suffix : {".png", ".jpg", ".jpeg", ".pdf"}) {
        const QFileInfo candidate(base + QLatin1String(suffix));
        if (!candidate.isFile() || (newest.isValid() && candidate.lastModified() <= newest)) continue;
        newest = candidate.lastModified();
        files.imagePath = candidate.filePath();
        files.format = FlatExport::formatForPath(files.imagePath).value_or(FlatExport::Format::png);
    }
    files.scale = 1.0;
    // The header alone tells the size the picture was saved at; a PDF's page keeps 100 %.
    if (files.format != FlatExport::Format::pdf && pictureSize.width() > 0 && QFileInfo::exists(files.imagePath)) {
        // Read as what its name says, never as whatever its bytes claim to be.
        QImageReader reader(files.imagePath, files.format == FlatExport::Format::png ? "png" : "jpeg");
        reader.setAutoDetectImageFormat(false);
        const QSize saved = reader.size();
        for (double scale : kScales)
            if (saved.isValid() && std::abs(saved.width() - pictureSize.width() * scale) <= 1.0 &&
                std::abs(saved.height() - pictureSize.height() * scale) <= 1.0) {
                files.scale = scale;
                break;
            }
    }
    return files;
}

Outcome save(EditorModel& model, const QString& typedPath, FlatExport::Format format, double scale,
             bool burnBlur) {
    Outcome outcome;
    const QString imagePath = outcome.imagePath = imagePathFor(typedPath, format);
    outcome.projectPath = projectPathFor(imagePath);
    // Both places first (a name too long for the project fails before anything is encoded).
    if (auto error = FileIO::checkDestination(imagePath)) {
        outcome.error = error;
        return outcome;
    }
    std::optional<IoError> projectRefused = FileIO::checkDestination(outcome.projectPath);
    if (projectRefused && projectRefused->kind != IoError::Kind::noPermission) {
        outcome.error = projectRefused;
        return outcome;
    }
    const auto undrawable = [&imagePath] {
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: the picture could not be drawn").arg(imagePath)};
    };
    // Neither file keeps what a redaction covers.
    const EditorRenderer::Scene scene = Redaction::hiding(model.scene());
    // The project keeps the full-size picture, whatever size the flat image is saved at. Made
    // first: a project that cannot be encoded must not leave a new picture beside the old one.
    const Redaction::Stored stored = Redaction::stored(scene, model.annotations(), burnBlur);
    if (stored.baseImage.isNull()) {
        outcome.error = undrawable();
        return outcome;
    }
    Result<QByteArray> project = ProjectIO::encode(stored.baseImage, stored.annotations);
    if (!project) {
        outcome.error = project.error();
        return outcome;
    }
    const QImage flat = EditorRenderer::compose(scene, &outcome.undrawn);
    if (flat.isNull()) {
        outcome.error = undrawable();
        return outcome;
    }
    // Both files are written completely before either replaces its old one.
    std::optional<FileIO::PendingFile> projectFile;
    if (!projectRefused) {
        Result<FileIO::PendingFile> prepared = FileIO::prepare(outcome.projectPath, *project);
        if (prepared)
            projectFile = std::move(*prepared);
        else if (prepared.error().kind == IoError::Kind::noPermission)
            projectRefused = prepared.error();
        else {
            outcome.error = prepared.error();
            return outcome;
        }
    }
    Result<FileIO::PendingFile> picture = FlatExport::prepare(flat, imagePath, format, scale);
    if (!picture) {
        outcome.error = picture.error();
        return outcome;
    }
    // The project first: it holds everything the picture shows, so a crash between the two
    // leaves the newest work where the recent list opens it.
    if (projectFile) {
        if (auto error = projectFile->commit()) {
            outcome.error = error;
            return outcome;
        }
    }
    if (auto error = picture->commit()) {
        outcome.error = error;
        return outcome;
    }
    if (projectRefused) {
        // Only the project's folder refused: the picture is saved, the project needs a place.
        outcome.projectToPlace = *project;
        return outcome;
    }
    model.markSaved();
    return outcome;
}

} // namespace SaveCommand
