#pragma once

#include "io/CaptureHistory.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <functional>

class EditorWindowController;
class QMenu;
class QObject;

// The capture history as the program uses it: captures kept on a worker thread (one at a time, in
// the order they came), the "Recent Captures" menu, an entry opened in an editor, and the project
// an editor of a capture saves kept with it.
namespace RecentCaptures {

// Entries the menu lists.
inline constexpr int kMenuEntries = 10;
// The history entry an editor or a preview shows, as a dynamic property of its window.
inline constexpr const char* kEntryProperty = "pictavoCaptureHistoryId";

// Keeps `picture` when the history is on and returns the ID it is kept under; empty when off.
// Written in the background: the preview does not wait for the PNG encoder.
QString keep(const QImage& picture);
// Waits for every write handed to the worker thread.
void waitForWrites();

// Fills `menu` with the newest entries: their thumbnails, their times; "No Captures Yet" without.
void fill(QMenu* menu);
// Opens an entry in an editor (its project when it has one), tied to the entry; `done` hears
// whether it opened. A failure is shown in an alert.
void open(const CaptureHistory::Entry& entry, std::function<void(bool)> done = {});
// From now on, what `editor` saves is kept as the project of entry `id` (nothing with an empty ID).
void tie(EditorWindowController* editor, const QString& id);

// Turns the history off and deletes every entry once the writes in flight are done; how many went.
int turnOff();

// "Today 14:03:12", "Yesterday 09:15:00", else the date as the locale writes it, with the time.
QString timeText(const QDateTime& utc, const QDateTime& now = QDateTime::currentDateTime());

} // namespace RecentCaptures
