#pragma once

#include "editor/FlatExport.h"
#include "io/IoError.h"

#include <QByteArray>
#include <QString>

#include <optional>

class EditorModel;

// The save command without its dialogs: the flat image at the chosen size and format, then the
// project beside it (X.png, X.jpg or X.pdf gives X.pictproj), then the model counts as saved.
namespace SaveCommand {

struct Outcome {
    // Set when the save failed; the model's dirty mark is then unchanged.
    std::optional<IoError> error;
    // The project could not be written beside the picture for lack of permission: these bytes
    // are to be saved elsewhere (the model counts as saved already).
    std::optional<QByteArray> projectToPlace;
    QString projectPath;
};

// The project's location for a flat image: its last extension replaced by "pictproj".
QString projectPathFor(const QString& imagePath);

Outcome save(EditorModel& model, const QString& imagePath, FlatExport::Format format, double scale);

} // namespace SaveCommand
