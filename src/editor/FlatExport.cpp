#include "editor/FlatExport.h"

#include "graphics/GaussianBlur.h"

#include "editor/EditorModel.h"
#include "editor/Redaction.h"
#include "io/FileIO.h"
#include "io/ImageDecoder.h"
#include "io/ImageUtilities.h"
#include "io/PdfSupport.h"
#include "io/PngWriter.h"
#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"

#include <QFileInfo>

#include <memory>

namespace FlatExport {

std::optional<Format> formatForPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) return Format::png;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) return Format::jpeg;
    if (suffix == QLatin1String("pdf")) return Format::pdf;
    return std::nullopt;
}

bool isProjectPath(const QString& path) {
    return QFileInfo(path).suffix().toLower() == QLatin1String("pictproj");
}

Result<QImage> flatImage(const QString& inputPath, int* droppedRecords, int* undrawn) {
    if (droppedRecords) *droppedRecords = 0;
    if (undrawn) *undrawn = 0;
    if (!isProjectPath(inputPath)) return ImageDecoder::decodeFile(inputPath);
    Result<ProjectIO::Project> project = ProjectIO::load(inputPath);
    if (!project) return project.error();
    if (droppedRecords) *droppedRecords = project->droppedRecords;
    // Headless: no editing state, and the blur only when a blur region asks for it.
    const QImage base = project->baseImage;
    auto blurred = std::make_shared<std::optional<QImage>>();
    EditorRenderer::Scene scene{base, EditorModel::layeredAnnotations(project->annotations), [base, blurred] {
                                    if (!*blurred) *blurred = GaussianBlur::blur(base, GaussianBlur::regionSigma(base.size()));
                                    return **blurred;
                                }};
    QImage flat = EditorRenderer::compose(Redaction::hiding(std::move(scene)), undrawn);
    if (flat.isNull())
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't draw “%1”: not enough memory").arg(inputPath)};
    return flat;
}

std::optional<QByteArray> encode(const QImage& flat, Format format) {
    switch (format) {
    case Format::png:
        return PngWriter::encode(flat);
    case Format::jpeg:
        return ImageUtilities::jpegData(flat);
    case Format::pdf:
        break;
    }
    return std::nullopt;
}

Result<FileIO::PendingFile> prepare(QImage flat, const QString& outputPath, Format format, double scale, int pngLevel) {
    QImage image = ImageUtilities::scaled(flat, scale);
    // Now the only reference where the caller gave up theirs (or a scaled copy): the PNG encoder
    // may then write over it instead of taking a second buffer of its size.
    flat = QImage();
    auto undrawable = [&outputPath](const char* why) {
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: the picture could not be %2").arg(outputPath, QLatin1String(why))};
    };
    if (image.isNull()) return undrawable("drawn");
    if (format == Format::pdf)
        return FileIO::prepare(outputPath, [&image, title = QFileInfo(outputPath).fileName()](QIODevice& device) {
            return PdfSupport::writeImage(image, device, title);
        });
    const std::optional<QByteArray> bytes =
        format == Format::png ? PngWriter::encodeConsuming(std::move(image), pngLevel) : encode(image, format);
    if (!bytes) return undrawable("encoded");
    return FileIO::prepare(outputPath, *bytes);
}

std::optional<IoError> write(QImage flat, const QString& outputPath, Format format, double scale, int pngLevel) {
    Result<FileIO::PendingFile> pending = prepare(std::move(flat), outputPath, format, scale, pngLevel);
    if (!pending) return pending.error();
    return pending->commit();
}

} // namespace FlatExport
