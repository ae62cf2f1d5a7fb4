#pragma once

#include "io/FileIO.h"
#include "io/IoError.h"
#include "io/PngWriter.h"

#include <QImage>
#include <QString>

#include <optional>

// The flat image of a project or picture, written as PNG, JPEG or one-page PDF at a size.
namespace FlatExport {

enum class Format { png, jpeg, pdf };

// By the file name's extension, any case: png, jpg/jpeg, pdf.
std::optional<Format> formatForPath(const QString& path);
bool isProjectPath(const QString& path);

// Loads a .pictproj (annotations composed in drawing order) or any image. `droppedRecords`
// receives how many annotations of a project could not be read and were left out.
// `undrawn` receives how many the drawing budget left out.
Result<QImage> flatImage(const QString& inputPath, int* droppedRecords = nullptr, int* undrawn = nullptr);

// The encoded file content of a flat image (PNG and JPEG).
std::optional<QByteArray> encode(const QImage& flat, Format format);

// Scales by `scale` (1, 0.75, 0.5, 0.25) and writes atomically. A picture moved in (held nowhere
// else) may be overwritten on the way. `pngLevel` as PngWriter's.
std::optional<IoError> write(QImage flat, const QString& outputPath, Format format, double scale,
                             int pngLevel = PngWriter::kDefaultLevel);
// The same, written beside its place and not yet put there (FileIO::PendingFile::commit does).
Result<FileIO::PendingFile> prepare(QImage flat, const QString& outputPath, Format format, double scale,
                                    int pngLevel = PngWriter::kDefaultLevel);

} // namespace FlatExport
