#pragma once

#include "io/IoError.h"
#include "io/RecognizedText.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>

// Reading a picture's text for the windows: off the UI thread, cancelled when the window that
// asked goes, its result put on the clipboard.
namespace TextReading {

using Done = std::function<void(const Result<RecognizedText>&)>;

// `done` runs on `context`'s thread, unless `context` has gone (which ends the reading at once).
void read(QObject* context, QImage image, const QString& languages, Done done, const QString& name = {});
// The text as plain text on the clipboard.
void copy(const RecognizedText& text);
// "Copied 3 lines of text", "No text found".
QString copiedMessage(int lines);

} // namespace TextReading
