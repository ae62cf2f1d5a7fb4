#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The folder where saved pictures go by default, remembered across launches, and its most recent
// pictures and projects. The dialogs that choose it live in the UI layer.
namespace SaveFolder {

inline constexpr const char* kBookmarkKey = "PictavoSaveFolderBookmark";
inline constexpr const char* kPathKey = "PictavoSaveFolder";
inline constexpr int kMaxEntries = 15;

struct Entry {
    QString path;
    QString name;
    bool operator==(const Entry&) const = default;
};

// A folder bookmark: the absolute path with the folder's device and inode, so a different folder
// later created at the same path is noticed (stale) and the bookmark renewed.
QByteArray makeBookmark(const QString& folder);
struct ResolvedBookmark {
    QString folder;
    bool stale = false;
};
std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark);

// ~/Pictures/Pictavo (the XDG pictures folder), or ~/Pictavo without one.
QString defaultFolder();
bool isConfigured();
// The save folder, created first (private to its owner) when it is missing.
QString path();
// The save folder as configured, without creating it; absent when none is.
std::optional<QString> configuredPath();
// Stores a new save folder (path and bookmark) and creates it.
void set(const QString& folder);
// The pictures and projects of the save folder, newest first, at most 15; a picture saved with
// its project is listed once, as its project.
QList<Entry> entries();
QList<Entry> entries(const QString& folder);

} // namespace SaveFolder
