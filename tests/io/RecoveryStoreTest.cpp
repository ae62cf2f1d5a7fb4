// The journal's files: written as a pair and private, read back strictly, bounded by age and size.
#include "io/RecoveryStore.h"
#include "io/StateFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUuid>

#include <sys/stat.h>
#include <utime.h>

namespace {

RecoveryStore::Entry entryAt(const QDateTime& time, const QString& title = QStringLiteral("Edit Screenshot")) {
    RecoveryStore::Entry entry;
    entry.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    entry.title = title;
    entry.filePath = QStringLiteral("/home/me/shot.png");
    entry.time = time;
    entry.pid = 4242;
    return entry;
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void age(const QString& path, qint64 seconds) {
    const time_t when = time(nullptr) - seconds;
    struct utimbuf times {when, when};
    ::utime(QFile::encodeName(path).constData(), &times);
}

} // namespace

TEST(RecoveryStore, EntriesAreWrittenPrivatelyAndListedNewestFirst) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("state/Pictavo/recovery"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    RecoveryStore::Entry older = entryAt(now.addSecs(-120), QStringLiteral("older"));
    older.saved = RecoveryStore::SavedFiles{QStringLiteral("/home/me/out.pdf"), QStringLiteral("pdf"), 0.75, true};
    const RecoveryStore::Entry newer = entryAt(now, QStringLiteral("newer"));
    ASSERT_FALSE(RecoveryStore::write(folder, older, QByteArray(100, 'a')));
    ASSERT_FALSE(RecoveryStore::write(folder, newer, QByteArray(50, 'b')));

    // Every folder made on the way is private, and so are the files.
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(dir.filePath(QStringLiteral("state/Pictavo"))), 0700u);
    EXPECT_EQ(modeOf(RecoveryStore::projectPath(folder, older.id)), 0600u);
    EXPECT_EQ(modeOf(RecoveryStore::indexPath(folder, older.id)), 0600u);

    const QList<RecoveryStore::Entry> entries = RecoveryStore::list(folder);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].title, QStringLiteral("newer"));
    EXPECT_EQ(entries[1].title, QStringLiteral("older"));
    EXPECT_EQ(entries[1].id, older.id);
    EXPECT_EQ(entries[1].pid, 4242);
    EXPECT_EQ(entries[1].filePath, QStringLiteral("/home/me/shot.png"));
    EXPECT_EQ(entries[1].time, older.time);
    ASSERT_TRUE(entries[1].saved.has_value());
    EXPECT_EQ(entries[1].saved->format, QStringLiteral("pdf"));
    EXPECT_DOUBLE_EQ(entries[1].saved->scale, 0.75);
    EXPECT_TRUE(entries[1].saved->burnBlur);
    EXPECT_FALSE(entries[0].saved.has_value());
    EXPECT_EQ(entries[1].bytes, 100 + QFile(RecoveryStore::indexPath(folder, older.id)).size());

    // Written again: replaced, not added.
    ASSERT_FALSE(RecoveryStore::write(folder, older, QByteArray(10, 'c')));
    EXPECT_EQ(RecoveryStore::list(folder).size(), 2);
    RecoveryStore::remove(folder, older.id);
    EXPECT_FALSE(QFile::exists(RecoveryStore::projectPath(folder, older.id)));
    ASSERT_EQ(RecoveryStore::list(folder).size(), 1);
    EXPECT_EQ(RecoveryStore::list(folder)[0].id, newer.id);
}

TEST(RecoveryStore, ALooseFolderIsTightenedAndALinkedOneRefused) {
    QTemporaryDir dir;
    const QString loose = dir.filePath(QStringLiteral("loose"));
    ASSERT_TRUE(QDir().mkdir(loose));
    ::chmod(QFile::encodeName(loose).constData(), 0755);
    ASSERT_FALSE(RecoveryStore::write(loose, entryAt(QDateTime::currentDateTimeUtc()), "x"));
    EXPECT_EQ(modeOf(loose), 0700u);

    // A link planted where the folder goes: nothing is written through it.
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    const QString linked = dir.filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(elsewhere, linked));
    EXPECT_TRUE(RecoveryStore::write(linked, entryAt(QDateTime::currentDateTimeUtc()), "x").has_value());
    EXPECT_TRUE(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    EXPECT_FALSE(StateFolder::ensurePrivate(linked).ok());

    // Inside a folder others may write (as /tmp is) it is refused, and that folder left as it is.
    const QString shared = dir.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkdir(shared));
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    const QString inShared = QDir(shared).filePath(QStringLiteral("recovery"));
    EXPECT_TRUE(RecoveryStore::write(inShared, entryAt(QDateTime::currentDateTimeUtc()), "x").has_value());
    EXPECT_EQ(modeOf(shared), 01777u);
    EXPECT_TRUE(RecoveryStore::list(inShared).isEmpty());
}

TEST(RecoveryStore, WhatDoesNotReadIsSkipped) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    const RecoveryStore::Entry good = entryAt(QDateTime::currentDateTimeUtc());
    ASSERT_FALSE(RecoveryStore::write(folder, good, "project"));
    const auto id = [] { return QUuid::createUuid().toString(QUuid::WithoutBraces); };

    // Garbage, an index naming another entry, an index without its project, a huge index, an index
    // that is a link, a name that is no id.
    const QString garbage = id();
    write(RecoveryStore::indexPath(folder, garbage), "{not json");
    write(RecoveryStore::projectPath(folder, garbage), "p");
    const QString other = id();
    write(RecoveryStore::indexPath(folder, other), RecoveryStore::encodeIndex(entryAt(QDateTime::currentDateTimeUtc())));
    write(RecoveryStore::projectPath(folder, other), "p");
    RecoveryStore::Entry alone = entryAt(QDateTime::currentDateTimeUtc());
    write(RecoveryStore::indexPath(folder, alone.id), RecoveryStore::encodeIndex(alone));
    RecoveryStore::Entry huge = entryAt(QDateTime::currentDateTimeUtc(), QString(RecoveryStore::kMaxIndexBytes, u'x'));
    write(RecoveryStore::indexPath(folder, huge.id), RecoveryStore::encodeIndex(huge));
    write(RecoveryStore::projectPath(folder, huge.id), "p");
    const QString linkedId = id();
    ASSERT_TRUE(QFile::link(RecoveryStore::indexPath(folder, good.id), RecoveryStore::indexPath(folder, linkedId)));
    write(RecoveryStore::projectPath(folder, linkedId), "p");
    write(QDir(folder).filePath(QStringLiteral("notes.json")), RecoveryStore::encodeIndex(good));

    const QList<RecoveryStore::Entry> entries = RecoveryStore::list(folder);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].id, good.id);
}

TEST(RecoveryStore, IndexFieldsAreCheckedOneByOne) {
    const RecoveryStore::Entry entry = entryAt(QDateTime::currentDateTimeUtc());
    ASSERT_TRUE(RecoveryStore::decodeIndex(RecoveryStore::encodeIndex(entry)).has_value());
    const auto withField = [&](const char* key, const QByteArray& value) {
        QByteArray json = RecoveryStore::encodeIndex(entry);
        json.chop(1);
        return RecoveryStore::decodeIndex(json + ",\"" + key + "\":" + value + "}");
    };
    EXPECT_FALSE(withField("version", "2"));
    EXPECT_FALSE(withField("id", "\"../../x\""));
    EXPECT_FALSE(withField("title", "7"));
    EXPECT_FALSE(withField("time", "\"yesterday\""));
    EXPECT_FALSE(withField("pid", "-1"));
    EXPECT_FALSE(withField("saved", "\"x\""));
    EXPECT_FALSE(withField("saved", R"({"image":"/a.png","format":"png","scale":2,"burnBlur":false})"));
    EXPECT_FALSE(withField("saved", R"({"image":"","format":"png","scale":1,"burnBlur":false})"));
    EXPECT_FALSE(withField("saved", R"({"image":"/a.png","format":"png","scale":0,"burnBlur":false})"));
    EXPECT_TRUE(withField("saved", R"({"image":"/a.png","format":"png","scale":0.25,"burnBlur":false})"));
    EXPECT_TRUE(withField("saved", "null"));
    // The capture history entry is optional: anything but one of its names is left out, not refused.
    EXPECT_EQ(withField("history", "\"20261209-101500-123\"")->history, QStringLiteral("20261209-101500-123"));
    EXPECT_TRUE(withField("history", "\"../../etc/passwd\"")->history.isEmpty());
    EXPECT_TRUE(withField("history", "5")->history.isEmpty());
    // Each field it needs, left out.
    for (const char* key : {"id", "title", "file", "time", "pid", "version"}) {
        QJsonObject index = QJsonDocument::fromJson(RecoveryStore::encodeIndex(entry)).object();
        index.remove(QLatin1String(key));
        EXPECT_FALSE(RecoveryStore::decodeIndex(QJsonDocument(index).toJson())) << key;
    }
}

TEST(RecoveryStore, PruningDropsTheTooOldThenTheOldestBeyondTheSizeAndStrayFiles) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const RecoveryStore::Entry stale = entryAt(now.addDays(-15));
    const RecoveryStore::Entry oldest = entryAt(now.addDays(-3));
    const RecoveryStore::Entry middle = entryAt(now.addDays(-2));
    const RecoveryStore::Entry newest = entryAt(now.addDays(-1));
    for (const RecoveryStore::Entry& entry : {stale, oldest, middle, newest})
        ASSERT_FALSE(RecoveryStore::write(folder, entry, QByteArray(1000, 'p')));
    const qint64 each = RecoveryStore::list(folder).first().bytes;

    // Room for two: the stale one goes for its age, the oldest of the rest for the size.
    RecoveryStore::prune(folder, now, RecoveryStore::kMaxAgeDays, 2 * each);
    QStringList kept;
    for (const RecoveryStore::Entry& entry : RecoveryStore::list(folder)) kept.append(entry.id);
    EXPECT_EQ(kept, (QStringList{newest.id, middle.id}));
    EXPECT_FALSE(QFile::exists(RecoveryStore::projectPath(folder, stale.id)));
    EXPECT_FALSE(QFile::exists(RecoveryStore::projectPath(folder, oldest.id)));

    // Exactly at the bound both stay.
    RecoveryStore::prune(folder, now, RecoveryStore::kMaxAgeDays, 2 * each);
    EXPECT_EQ(RecoveryStore::list(folder).size(), 2);

    // Half-written left-overs go once they are a minute old; a fresh one may still be written.
    const QString temporary = QDir(folder).filePath(QStringLiteral(".pictavo-abcdef"));
    const QString strayProject = RecoveryStore::projectPath(folder, QUuid::createUuid().toString(QUuid::WithoutBraces));
    const QString fresh = QDir(folder).filePath(QStringLiteral(".pictavo-ghijkl"));
    for (const QString& path : {temporary, strayProject, fresh}) write(path, "x");
    age(temporary, 120);
    age(strayProject, 120);
    RecoveryStore::prune(folder, QDateTime::currentDateTimeUtc());
    EXPECT_FALSE(QFile::exists(temporary));
    EXPECT_FALSE(QFile::exists(strayProject));
    EXPECT_TRUE(QFile::exists(fresh));
    EXPECT_EQ(RecoveryStore::list(folder).size(), 2);
}

TEST(StateFolder, FollowsXdgStateHomeOnlyWhenAbsolute) {
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/var/tmp/state");
    EXPECT_EQ(StateFolder::path(QStringLiteral("recovery")), QStringLiteral("/var/tmp/state/Pictavo/recovery"));
    qputenv("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(StateFolder::path(QStringLiteral("history")), QDir::homePath() + QStringLiteral("/.local/state/Pictavo/history"));
    if (saved.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", saved);
}
