#include "io/RecoveryStore.h"

#include "io/CaptureHistory.h"
#include "io/FileIO.h"
#include "io/StateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>
#include <cmath>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RecoveryStore {

namespace {

constexpr int kIndexVersion = 1;

// A regular file of ours, not followed through a link; its size, or absent.
std::optional<qint64> regularFileSize(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return qint64(info.st_size);
}

} // namespace

QString defaultFolder() {
    return StateFolder::path(QStringLiteral("recovery"));
}

bool isValidId(const QString& id) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return pattern.match(id).hasMatch();
}

QString projectPath(const QString& folder, const QString& id) {
    return QDir(folder).filePath(id + QStringLiteral(".pictproj"));
}

QString indexPath(const QString& folder, const QString& id) {
    return QDir(folder).filePath(id + QStringLiteral(".json"));
}

QByteArray encodeIndex(const Entry& entry) {
    QJsonObject index;
    index.insert(QStringLiteral("version"), kIndexVersion);
    index.insert(QStringLiteral("id"), entry.id);
    index.insert(QStringLiteral("title"), entry.title);
    index.insert(QStringLiteral("file"), entry.filePath);
    index.insert(QStringLiteral("time"), entry.time.toUTC().toString(Qt::ISODateWithMs));
    index.insert(QStringLiteral("pid"), entry.pid);
    if (!entry.run.isEmpty()) index.insert(QStringLiteral("run"), entry.run);
    if (!entry.history.isEmpty()) index.insert(QStringLiteral("history"), entry.history);
    if (entry.saved) {
        QJsonObject saved;
        saved.insert(QStringLiteral("image"), entry.saved->imagePath);
        saved.insert(QStringLiteral("format"), entry.saved->format);
        saved.insert(QStringLiteral("scale"), entry.saved->scale);
        saved.insert(QStringLiteral("burnBlur"), entry.saved->burnBlur);
        index.insert(QStringLiteral("saved"), saved);
    }
    return QJsonDocument(index).toJson(QJsonDocument::Compact);
}

std::optional<Entry> decodeIndex(const QByteArray& json) {
    if (json.size() > kMaxIndexBytes) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject index = document.object();
    const auto text = [&index](const char* key) -> std::optional<QString> {
        const QJsonValue value = index.value(QLatin1String(key));
        return value.isString() ? std::optional(value.toString()) : std::nullopt;
    };
    Entry entry;
    if (index.value(QStringLiteral("version")).toInt() != kIndexVersion) return std::nullopt;
    const auto id = text("id"), title = text("title"), file = text("file"), time = text("time");
    if (!id || !isValidId(*id) || !title || !file || !time) return std::nullopt;
    entry.id = *id;
    entry.title = *title;
    entry.filePath = *file;
    entry.time = QDateTime::fromString(*time, Qt::ISODateWithMs);
    if (!entry.time.isValid()) return std::nullopt;
    const QJsonValue pid = index.value(QStringLiteral("pid"));
    if (!pid.isDouble() || pid.toDouble() < 0 || pid.toDouble() > 4194304) return std::nullopt;
    entry.pid = qint64(pid.toDouble());
    // Optional, and only ever a name in the history folder: nothing else is trusted there.
    const QJsonValue history = index.value(QStringLiteral("history"));
    if (history.isString() && CaptureHistory::isId(history.toString())) entry.history = history.toString();
    const QJsonValue run = index.value(QStringLiteral("run"));
    if (run.isString() && isValidId(run.toString()))
        entry.run = run.toString();
    else if (!run.isUndefined())
        return std::nullopt;
    const QJsonValue savedValue = index.value(QStringLiteral("saved"));
    if (savedValue.isObject()) {
        const QJsonObject saved = savedValue.toObject();
        SavedFiles files;
        const QJsonValue image = saved.value(QStringLiteral("image")), format = saved.value(QStringLiteral("format")),
                         scale = saved.value(QStringLiteral("scale")), burn = saved.value(QStringLiteral("burnBlur"));
        if (!image.isString() || image.toString().isEmpty() || !format.isString() || !scale.isDouble() ||
            !burn.isBool())
            return std::nullopt;
        files.imagePath = image.toString();
        files.format = format.toString();
        files.scale = scale.toDouble();
        files.burnBlur = burn.toBool();
        if (!std::isfinite(files.scale) || files.scale <= 0 || files.scale > 1) return std::nullopt;
        entry.saved = files;
    } else if (!savedValue.isUndefined() && !savedValue.isNull()) {
        return std::nullopt;
    }
    return entry;
}

Result<QString> checkedFolder(const QString& folder) {
    Result<QString> checked = StateFolder::ensurePrivate(folder);
    if (!checked) return checked;
    // The parent too, without changing it: a link there, or a folder others may write (and so
    // replace ours in), would lead every use of the folder elsewhere.
    const QString parent = QFileInfo(folder).absolutePath();
    struct stat info {};
    if (::lstat(QFile::encodeName(parent).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & 0022) != 0)
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't use “%1”: the folder it is in is not this user's alone").arg(folder)};
    return checked;
}

namespace {

QString lockPath(const QString& folder, const QString& run) {
    return QDir(folder).filePath(QStringLiteral("run-%1.lock").arg(run));
}

} // namespace

int lockRun(const QString& folder, const QString& run) {
    if (!isValidId(run) || !checkedFolder(folder)) return -1;
    const int fd = ::open(QFile::encodeName(lockPath(folder, run)).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool isRunLive(const QString& folder, const QString& run) {
    if (!isValidId(run)) return false;
    const int fd = ::open(QFile::encodeName(lockPath(folder, run)).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    // Another open of a file this process holds conflicts too: our own run counts as live.
    const bool live = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return live;
}

std::optional<IoError> write(const QString& folder, const Entry& entry, const QByteArray& project) {
    if (!isValidId(entry.id))
        return IoError{IoError::Kind::writeError, QStringLiteral("Couldn't write the recovery entry: bad name")};
    if (Result<QString> ready = checkedFolder(folder); !ready) return ready.error();
    // The project first: an index never names a project that is not complete.
    Result<FileIO::PendingFile> projectFile = FileIO::prepare(projectPath(folder, entry.id), project);
    if (!projectFile) return projectFile.error();
    Result<FileIO::PendingFile> indexFile = FileIO::prepare(indexPath(folder, entry.id), encodeIndex(entry));
    if (!indexFile) return indexFile.error();
    if (auto error = projectFile->commit()) return error;
    if (auto error = indexFile->commit()) return error;
    // Nobody else may enter the folder; the files say so too, should they be copied out.
    for (const QString& path : {projectPath(folder, entry.id), indexPath(folder, entry.id)})
        ::chmod(QFile::encodeName(path).constData(), 0600);
    return std::nullopt;
}

void remove(const QString& folder, const QString& id) {
    if (!isValidId(id)) return;
    // The index first: a project without one is only a stray file, never offered.
    QFile::remove(indexPath(folder, id));
    QFile::remove(projectPath(folder, id));
}

QList<Entry> list(const QString& folder) {
    QList<Entry> entries;
    if (!checkedFolder(folder)) return entries;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QString id = name.chopped(5);
        if (!isValidId(id)) continue;
        const std::optional<qint64> indexSize = regularFileSize(indexPath(folder, id));
        const std::optional<qint64> projectSize = regularFileSize(projectPath(folder, id));
        if (!indexSize || !projectSize || *indexSize > kMaxIndexBytes) continue;
        const Result<QByteArray> json = FileIO::readFile(indexPath(folder, id));
        if (!json) continue;
        std::optional<Entry> entry = decodeIndex(*json);
        if (!entry || entry->id != id) continue;
        entry->bytes = *indexSize + *projectSize;
        entries.append(*entry);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.time > b.time; });
    return entries;
}

void prune(const QString& folder, const QDateTime& now, int maxAgeDays, qint64 maxBytes) {
    if (!checkedFolder(folder)) return;
    const QList<Entry> entries = list(folder); // newest first
    qint64 total = 0;
    QSet<QString> kept;
    for (const Entry& entry : entries) {
        if (entry.time.addDays(maxAgeDays) < now || total + entry.bytes > maxBytes) {
            remove(folder, entry.id);
            continue;
        }
        total += entry.bytes;
        kept.insert(entry.id);
    }
    // What a crash left half-written: temporary files and projects without their index.
    const QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = info.fileName();
        const bool temporary = name.startsWith(QLatin1String(".pictavo-"));
        // The lock of a run that ended (one just made may not be taken yet: a minute's grace).
        if (name.startsWith(QLatin1String("run-")) && name.endsWith(QLatin1String(".lock")) &&
            !isRunLive(folder, name.mid(4, name.size() - 9)) && info.lastModified().secsTo(now) > 60) {
            QFile::remove(info.filePath());
            continue;
        }
        const bool strayProject = name.endsWith(QLatin1String(".pictproj")) && !kept.contains(name.chopped(9));
        if ((temporary || strayProject) && info.lastModified().secsTo(now) > 60) QFile::remove(info.filePath());
    }
}

} // namespace RecoveryStore
