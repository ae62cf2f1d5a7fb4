#pragma once

#include "editor/FlatExport.h"
#include "io/IoError.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

class EditorModel;

// The save command without its dialogs: the flat image at the chosen size and format and the
// project beside it (X.png, X.jpg or X.pdf gives X.pictproj), replaced as a pair; then the model
// counts as saved.
namespace SaveCommand {

struct Outcome {
    // Set when the save failed; the model's dirty mark is then unchanged.
    std::optional<IoError> error;
    // The project could not be written beside the picture for lack of permission: these bytes
    // are to be saved elsewhere, and the model counts as saved only once they are.
    std::optional<QByteArray> projectToPlace;
    QString imagePath;
    QString projectPath;
    // Objects the flat image leaves out because drawing them would take too long (the project
    // keeps them all).
    int undrawn = 0;
};

// The flat image's location for a typed one: the chosen format wins. A typed .png, .jpg, .jpeg,
// .pdf or .pictproj (any case) becomes the format's own (.jpeg stays for JPEG); any other name is
// kept whole and gets the format's appended, so "shot.final" is never cut to "shot".
QString imagePathFor(const QString& typedPath, FlatExport::Format format);
// The project's location for a flat image: its last extension replaced by "pictproj".
QString projectPathFor(const QString& imagePath);

// Where a document's files are, once it has them (opened from a project, or saved once): saving
// again writes these, in this format and at this size, without asking.
struct SavedFiles {
    QString imagePath;
    FlatExport::Format format = FlatExport::Format::png;
    double scale = 1.0;
    // Whether the project's picture has the blurred pixels instead of the original ones.
    bool burnBlur = false;
};

// The sizes a flat image can be saved at, largest first.
inline constexpr double kScales[] = {1.0, 0.75, 0.5, 0.25};

// The files of a project opened from `projectPath`: the flat image beside it written last (PNG,
// JPEG or PDF of the same base name), at the size its pixels show when it is a PNG or JPEG of
// the project's `pictureSize`; a PNG at 100 % when there is none.
SavedFiles filesOfProject(const QString& projectPath, QSize pictureSize);

// `imagePath` goes through imagePathFor first: the flat image and the project are never one file.
// Both files have the redactions burnt in; the project's picture has the blurred pixels too with
// `burnBlur`, and the original ones under blur regions without.
Outcome save(EditorModel& model, const QString& imagePath, FlatExport::Format format, double scale,
             bool burnBlur = false);

} // namespace SaveCommand
