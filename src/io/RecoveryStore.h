#pragma once

#include "io/IoError.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The journal of unsaved edits on disk: per editor a project (ID.pictproj) and a small index
// (ID.json) saying what the editor was, written as a pair. Only the running program writes here;
// what it reads back is checked like any file, since a crash may leave anything behind.
namespace RecoveryStore {

// Where the editor's saves went, so that a restored editor saves in place again.
struct SavedFiles {
    QString imagePath;
    QString format; // "png", "jpeg" or "pdf"
    double scale = 1.0;
    bool burnBlur = false;
};

struct Entry {
    QString id; // a UUID without braces: the files' base name
    QString title;
    QString filePath; // where the picture came from, if anywhere
    std::optional<SavedFiles> saved;
    QDateTime time;
    qint64 pid = 0; // the process that wrote it
    QString run;    // the run of Pictavo that wrote it (a UUID), empty in entries that do not say
    QString history; // the capture history entry the editor keeps its project in, if any
    qint64 bytes = 0; // both files, as found on disk
};

inline constexpr qint64 kMaxIndexBytes = 64 * 1024;
inline constexpr int kMaxAgeDays = 14;
inline constexpr qint64 kMaxTotalBytes = qint64(2) << 30;

// $XDG_STATE_HOME/Pictavo/recovery
QString defaultFolder();
QString projectPath(const QString& folder, const QString& id);
QString indexPath(const QString& folder, const QString& id);
bool isValidId(const QString& id);

// The folder made if needed and checked, with its parent, to be this user's alone (a looser mode
// tightened); nothing is read from or written to a folder that fails.
Result<QString> checkedFolder(const QString& folder);
// Makes the folder private if needed and replaces the entry's two files, both or neither.
std::optional<IoError> write(const QString& folder, const Entry& entry, const QByteArray& project);
void remove(const QString& folder, const QString& id);
// The entries whose index reads and whose project is there, newest first; others are skipped.
QList<Entry> list(const QString& folder);
// Removes entries older than `maxAgeDays` before `now`, then the oldest beyond `maxBytes` in all,
// and stray files of half-written entries older than a minute.
void prune(const QString& folder, const QDateTime& now, int maxAgeDays = kMaxAgeDays,
           qint64 maxBytes = kMaxTotalBytes);

// A run holds its lock for as long as it lives, so that another run can tell its entries from
// those of a run that ended (pids are reused, and the same in every run inside a container).
// Returns the lock's descriptor, or -1; closing it ends the run.
int lockRun(const QString& folder, const QString& run);
// Whether a live run holds `run`'s lock (this process's own included).
bool isRunLive(const QString& folder, const QString& run);

// The index as stored, and read back (absent when it is not one).
QByteArray encodeIndex(const Entry& entry);
std::optional<Entry> decodeIndex(const QByteArray& json);

} // namespace RecoveryStore
