#pragma once

#include "io/IoError.h"
#include "io/RecognizedText.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// Reading a picture's text for the windows: off the UI thread, cancelled when the window that
// asked goes, its result put on the clipboard.
namespace TextReading {

using Done = std::function<void(const Result<RecognizedText>&)>;

// `done` runs on `context`'s thread, unless `context` has gone (which ends the reading at once).
// Setting the flag returned ends it too: `done` then hears "Cancelled".
std::shared_ptr<std::atomic<bool>> read(QObject* context, QImage image, const QString& languages, Done done,
                                        const QString& name = {});
// Whether a reading's error is that it was cancelled.
bool wasCancelled(const IoError& error);
// The text as plain text on the clipboard.
void copy(const RecognizedText& text);
// "Copied 3 lines of text", "No text found".
QString copiedMessage(int lines);

} // namespace TextReading
