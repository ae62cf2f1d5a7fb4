#pragma once

#include "io/IoError.h"

#include <QString>

// Pictavo's own state beside the settings: $XDG_STATE_HOME/Pictavo (~/.local/state/Pictavo).
// What lies there (unsaved edits, past captures) is as private as the pictures themselves.
namespace StateFolder {

// $XDG_STATE_HOME/Pictavo/`name`; a relative XDG_STATE_HOME is ignored, as the XDG rules ask.
QString path(const QString& name);

// Makes `folder` (and missing parents) and returns it once it is a real folder of this user that
// only this user may enter: a looser mode is tightened, a link or another user's folder refused.
Result<QString> ensurePrivate(const QString& folder);

} // namespace StateFolder
