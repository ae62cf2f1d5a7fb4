#include "io/CaptureHistory.h"

#include "io/FileIO.h"
#include "io/ImageDecoder.h"
#include "io/PngWriter.h"
#include "io/StateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QSettings>

#include <algorithm>
#include <cmath>

#include <sys/stat.h>
#include <unistd.h>

namespace CaptureHistory {

namespace {

const QString kIdFormat = QStringLiteral("yyyyMMdd-HHmmss-zzz");
const QString kPicture = QStringLiteral(".png");
const QString kThumbnail = QStringLiteral(".thumb.png");
const QString kProject = QStringLiteral(".pictproj");
// A thumbnail is written at most kThumbnailSide on its longer side; anything much larger in that
// place was not written by us and is not decoded on the menu's thread.
constexpr qint64 kMaxThumbnailBytes = 1 << 20;
constexpr int kMaxThumbnailSide = 4 * kThumbnailSide;

// The history folder, made and checked at each use: private to this user at both levels (a link
// at Pictavo/ would lead history/ anywhere as well), a looser mode tightened.
Result<QString> checkedFolder() {
    if (const Result<QString> state = StateFolder::ensurePrivate(StateFolder::path(QString())); !state)
        return state.error();
    return StateFolder::ensurePrivate(StateFolder::path(QStringLiteral("history")));
}

// Read by hand: every name of the folder is asked at each opening of the menu, and
// QDateTime::fromString consults the local time zone for each.
QDateTime timeOf(const QString& id) {
    if (id.size() != 19 || id[8] != QLatin1Char('-') || id[15] != QLatin1Char('-')) return {};
    const auto number = [&id](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            if (id[i] < QLatin1Char('0') || id[i] > QLatin1Char('9')) return -1;
            value = value * 10 + (id[i].unicode() - '0');
        }
        return value;
    };
    const int parts[] = {number(0, 4), number(4, 2), number(6, 2), number(9, 2), number(11, 2), number(13, 2), number(16, 3)};
    if (std::any_of(std::begin(parts), std::end(parts), [](int part) { return part < 0; })) return {};
    const QDate date(parts[0], parts[1], parts[2]);
    const QTime time(parts[3], parts[4], parts[5], parts[6]);
    if (!date.isValid() || !time.isValid()) return {};
    return QDateTime(date, time, Qt::UTC);
}

QString idOf(const QDateTime& time) {
    return time.toUTC().toString(kIdFormat);
}

// The files of each ID in the folder, whatever they are (links and empty files included).
struct Names {
    QStringList pictures, thumbnails, projects;
};
QMap<QString, Names> namesIn(const QString& folder) {
    QMap<QString, Names> byId;
    const QStringList all = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : all) {
        for (const auto& [suffix, list] : {std::pair{kThumbnail, &Names::thumbnails}, std::pair{kPicture, &Names::pictures},
                                           std::pair{kProject, &Names::projects}}) {
            if (!name.endsWith(suffix)) continue;
            const QString id = name.chopped(suffix.size());
            if (isId(id)) (byId[id].*list).append(name);
            break; // "X.thumb.png" is a thumbnail, never the picture of "X.thumb"
        }
    }
    return byId;
}

bool isRegularFile(const QString& path, qint64* size = nullptr) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (size) *size = qint64(info.st_size);
    return true;
}

// FileIO keeps a replaced file's mode and gives a new one the umask's; ours are for their owner.
void makePrivate(const QString& path) {
    ::chmod(QFile::encodeName(path).constData(), 0600);
}

// What is at `path` before we write there, when it is not a plain file: a link would be followed.
void clearWay(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        ::unlink(QFile::encodeName(path).constData());
}

void removeAll(const QString& folder, const QStringList& names) {
    for (const QString& name : names) ::unlink(QFile::encodeName(folder + QLatin1Char('/') + name).constData());
}

std::optional<IoError> commitPrivately(FileIO::PendingFile& file) {
    if (std::optional<IoError> error = file.commit()) return error;
    makePrivate(file.path());
    return std::nullopt;
}

} // namespace

bool isEnabled() {
    return QSettings().value(QString::fromLatin1(kEnabledKey), true).toBool();
}

void setEnabled(bool keep) {
    QSettings().setValue(QString::fromLatin1(kEnabledKey), keep);
}

int limit() {
    bool ok = false;
    const int value = QSettings().value(QString::fromLatin1(kLimitKey), kDefaultLimit).toInt(&ok);
    return ok ? std::clamp(value, 1, kMaxLimit) : kDefaultLimit;
}

QString folder() {
    return StateFolder::path(QStringLiteral("history"));
}

bool isId(const QString& id) {
    return timeOf(id).isValid();
}

QList<Entry> entries(int most) {
    if (!QFileInfo::exists(folder())) return {}; // nothing kept yet: a look makes no folder
    const Result<QString> dir = checkedFolder();
    if (!dir) return {};
    const QMap<QString, Names> byId = namesIn(*dir);
    QList<Entry> list;
    // Newest first: IDs sort as their times.
    for (auto it = byId.constEnd(); it != byId.constBegin();) {
        --it;
        if (most > 0 && list.size() >= most) break;
        const QString base = *dir + QLatin1Char('/') + it.key();
        qint64 size = 0;
        if (!isRegularFile(base + kPicture, &size) || size == 0) continue;
        Entry entry{it.key(), base + kPicture, base + kThumbnail, {}, timeOf(it.key())};
        if (isRegularFile(base + kProject)) entry.projectPath = base + kProject;
        list.append(entry);
    }
    return list;
}

QString newId(const QDateTime& when) {
    static QMutex mutex;
    static QString last;
    const QMutexLocker lock(&mutex);
    QString latest = last;
    if (const Result<QString> dir = checkedFolder()) {
        const QMap<QString, Names> byId = namesIn(*dir);
        if (!byId.isEmpty() && byId.lastKey() > latest) latest = byId.lastKey();
    }
    QString id = idOf(when);
    if (!latest.isEmpty() && id <= latest) {
        const QString next = idOf(timeOf(latest).addMSecs(1));
        if (isId(next)) id = next; // past the year 9999 the order is given up, not the capture
    }
    last = std::max(last, id);
    return id;
}

Result<Entry> add(const QString& id, const QImage& picture) {
    if (!isId(id) || picture.isNull())
        return IoError{IoError::Kind::writeError, QStringLiteral("Couldn't keep the capture: nothing to keep")};
    const Result<QString> dir = checkedFolder();
    if (!dir) return dir.error();
    const QString base = *dir + QLatin1Char('/') + id;
    const std::optional<QByteArray> thumbnailBytes = PngWriter::encode(makeThumbnail(picture));
    const std::optional<QByteArray> pictureBytes =
        thumbnailBytes ? PngWriter::encode(picture, PngWriter::kQuickLevel) : std::nullopt;
    if (!pictureBytes)
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't keep the capture in “%1”: not enough memory").arg(*dir)};
    clearWay(base + kThumbnail);
    clearWay(base + kPicture);
    // Both written before either is in place: a failure leaves no half of an entry.
    Result<FileIO::PendingFile> thumbnailFile = FileIO::prepare(base + kThumbnail, *thumbnailBytes);
    if (!thumbnailFile) return thumbnailFile.error();
    Result<FileIO::PendingFile> pictureFile = FileIO::prepare(base + kPicture, *pictureBytes);
    if (!pictureFile) return pictureFile.error();
    if (std::optional<IoError> error = commitPrivately(*thumbnailFile)) return *error;
    if (std::optional<IoError> error = commitPrivately(*pictureFile)) {
        ::unlink(QFile::encodeName(base + kThumbnail).constData());
        return *error;
    }
    prune(limit());
    return Entry{id, base + kPicture, base + kThumbnail, {}, timeOf(id)};
}

std::optional<IoError> addProject(const QString& id, const QByteArray& project) {
    if (!isId(id)) return IoError{IoError::Kind::writeError, QStringLiteral("Couldn't keep the project: no capture")};
    const Result<QString> dir = checkedFolder();
    if (!dir) return dir.error();
    const QString base = *dir + QLatin1Char('/') + id;
    // The capture went (pruned, or the history deleted) while its editor was open.
    if (!isRegularFile(base + kPicture)) return std::nullopt;
    clearWay(base + kProject);
    Result<FileIO::PendingFile> file = FileIO::prepare(base + kProject, project);
    if (!file) return file.error();
    return commitPrivately(*file);
}

int prune(int keep) {
    if (!QFileInfo::exists(folder())) return 0;
    const Result<QString> dir = checkedFolder();
    if (!dir) return 0;
    const QMap<QString, Names> byId = namesIn(*dir);
    int kept = 0, removed = 0;
    for (auto it = byId.constEnd(); it != byId.constBegin();) {
        --it;
        const Names& names = it.value();
        if (!names.pictures.isEmpty() && kept < keep) {
            ++kept;
            continue;
        }
        if (!names.pictures.isEmpty()) ++removed;
        // The picture first: the entry is gone from the list before the rest of it.
        removeAll(*dir, names.pictures);
        removeAll(*dir, names.thumbnails + names.projects);
    }
    return removed;
}

int clear() {
    return prune(0);
}

QImage makeThumbnail(const QImage& picture) {
    if (picture.isNull()) return {};
    const int longer = std::max(picture.width(), picture.height());
    if (longer <= kThumbnailSide) return picture;
    const double scale = double(kThumbnailSide) / longer;
    const QSize size(std::max(1, int(std::lround(picture.width() * scale))),
                     std::max(1, int(std::lround(picture.height() * scale))));
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage thumbnail(const Entry& entry) {
    qint64 size = 0;
    if (!isRegularFile(entry.thumbnailPath, &size) || size == 0 || size > kMaxThumbnailBytes) return {};
    const Result<QByteArray> bytes = FileIO::readFile(entry.thumbnailPath);
    if (!bytes) return {};
    // The header is read before any pixel: a thumbnail claiming a huge size is refused unread.
    ImageDecoder::Budget budget{qint64(kMaxThumbnailSide) * kMaxThumbnailSide};
    const Result<QImage> image = ImageDecoder::decode(*bytes, entry.thumbnailPath, &budget);
    if (!image || image->width() > kMaxThumbnailSide || image->height() > kMaxThumbnailSide) return {};
    return *image;
}

} // namespace CaptureHistory
