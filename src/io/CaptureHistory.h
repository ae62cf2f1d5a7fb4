#pragma once

#include "io/IoError.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

// The captures a person made (those that opened a preview or an editor), kept in
// $XDG_STATE_HOME/Pictavo/history (~/.local/state/Pictavo/history): for each its picture
// (ID.png), a small thumbnail for menus (ID.thumb.png) and, once edited and saved, its project
// (ID.pictproj). ID is the capture's UTC time to the millisecond ("20250314-093015-042"), so names
// sort as the captures were made. Screenshots show whatever was on the screen: the folder is its
// user's alone (0700, files 0600); one that is a link or belongs to another user is never read
// or written.
namespace CaptureHistory {

inline constexpr const char* kEnabledKey = "PictavoKeepCaptureHistory";
inline constexpr const char* kLimitKey = "PictavoCaptureHistoryLimit";
inline constexpr int kDefaultLimit = 50;
inline constexpr int kMaxLimit = 1000;
// The longer side of a thumbnail, in pixels.
inline constexpr int kThumbnailSide = 64;

struct Entry {
    QString id;
    QString picturePath;
    QString thumbnailPath;
    QString projectPath; // empty while it has none
    QDateTime time;      // when it was captured, UTC
};

// "Keep Capture History": on unless turned off.
bool isEnabled();
void setEnabled(bool keep);
// How many entries are kept: kLimitKey within 1 ... kMaxLimit, kDefaultLimit without it.
int limit();

// $XDG_STATE_HOME/Pictavo/history. Every use makes it (and its missing parents) private to this
// user, tightening a looser mode, and refuses a link, something else than a folder, or another
// user's folder.
QString folder();

// The entries with a picture, newest first, at most `most` (every one with 0). Nothing from a
// folder that is refused; names that are not entries, links and empty files are passed over.
QList<Entry> entries(int most = 0);

// A fresh ID for a capture made at `when`: later than every entry there and every ID given
// before, so a clock set back never files a new capture among old ones.
QString newId(const QDateTime& when = QDateTime::currentDateTimeUtc());
bool isId(const QString& id);

// Writes the picture and its thumbnail as entry `id` (the thumbnail first: an entry is there
// once its picture is), then deletes the oldest entries beyond limit().
Result<Entry> add(const QString& id, const QImage& picture);
// Keeps `project` as entry `id`'s project, while the entry is there.
std::optional<IoError> addProject(const QString& id, const QByteArray& project);
// Deletes the entries beyond the newest `keep`, oldest first, and files left of entries without
// their picture; how many entries went.
int prune(int keep);
// Deletes every entry; how many went.
int clear();

// The picture reduced to at most kThumbnailSide on its longer side.
QImage makeThumbnail(const QImage& picture);
// An entry's thumbnail; null when it is missing, is not a small picture or does not decode.
QImage thumbnail(const Entry& entry);

} // namespace CaptureHistory
