#include "io/SaveFolder.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

#include <sys/stat.h>

namespace SaveFolder {

namespace {

constexpr quint32 kBookmarkMagic = 0x50564246; // "PVBF"

struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
};

std::optional<FileIdentity> identity(const QString& folder) {
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}

// Screenshots show whatever was on the screen: a folder Pictavo makes is its owner's alone. One
// that is already there keeps the mode its owner gave it.
QString ensureExists(const QString& folder) {
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    if (QFileInfo(absolute).isDir()) return folder;
    QDir().mkpath(QFileInfo(absolute).path()); // a failure (no permission) is noticed when saving there
    ::mkdir(QFile::encodeName(absolute).constData(), 0700);
    return folder;
}

// Where access was last resolved from the bookmark; kept until the folder is changed.
std::optional<QString>& resolvedFolder() {
    static std::optional<QString> folder;
    return folder;
}

bool isListed(const QString& suffix) {
    static const QSet<QString> images{QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                      QStringLiteral("bmp"), QStringLiteral("gif"), QStringLiteral("tiff"),
                                      QStringLiteral("tif"), QStringLiteral("pdf")};
    return images.contains(suffix);
}

} // namespace

QByteArray makeBookmark(const QString& folder) {
    const std::optional<FileIdentity> id = identity(folder);
    if (!id) return {};
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kBookmarkMagic << QFileInfo(folder).absoluteFilePath() << id->device << id->inode;
    return bytes;
}

std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark) {
    QDataStream in(bookmark);
    quint32 magic = 0;
    QString folder;
    quint64 device = 0, inode = 0;
    in >> magic >> folder >> device >> inode;
    if (in.status() != QDataStream::Ok || magic != kBookmarkMagic || folder.isEmpty()) return std::nullopt;
    const std::optional<FileIdentity> id = identity(folder);
    if (!id) return std::nullopt;
    return ResolvedBookmark{folder, id->device != device || id->inode != inode};
}

QString defaultFolder() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) pictures = QDir::homePath();
    return QDir(pictures).filePath(QStringLiteral("Pictavo"));
}

bool isConfigured() {
    QSettings settings;
    return !settings.value(kBookmarkKey).toByteArray().isEmpty() ||
           !settings.value(kPathKey).toString().isEmpty();
}

QString path() {
    if (const std::optional<QString>& resolved = resolvedFolder()) return ensureExists(*resolved);
    QSettings settings;
    const QByteArray bookmark = settings.value(kBookmarkKey).toByteArray();
    if (!bookmark.isEmpty()) {
        if (const std::optional<ResolvedBookmark> r = resolveBookmark(bookmark)) {
            if (r->stale) {
                const QByteArray renewed = makeBookmark(r->folder);
                if (!renewed.isEmpty()) settings.setValue(kBookmarkKey, renewed);
            }
            resolvedFolder() = r->folder;
            return ensureExists(r->folder);
        }
    }
    const QString stored = settings.value(kPathKey).toString();
    return ensureExists(stored.isEmpty() ? defaultFolder() : stored);
}

std::optional<QString> configuredPath() {
    if (const std::optional<QString>& resolved = resolvedFolder()) return *resolved;
    QSettings settings;
    if (const std::optional<ResolvedBookmark> r = resolveBookmark(settings.value(kBookmarkKey).toByteArray()))
        return r->folder;
    const QString stored = settings.value(kPathKey).toString();
    if (stored.isEmpty()) return std::nullopt;
    return stored;
}

void set(const QString& folder) {
    resolvedFolder().reset();
    const QString absolute = QFileInfo(ensureExists(folder)).absoluteFilePath();
    QSettings settings;
    settings.setValue(kPathKey, absolute);
    const QByteArray bookmark = makeBookmark(absolute);
    if (bookmark.isEmpty())
        settings.remove(kBookmarkKey);
    else
        settings.setValue(kBookmarkKey, bookmark);
}

QList<Entry> entries() {
    return entries(path());
}

QList<Entry> entries(const QString& folder) {
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    QList<QFileInfo> kept;
    QSet<QString> projects;
    for (const QFileInfo& file : files) {
        const QString suffix = file.suffix().toLower();
        if (suffix == QLatin1String("pictproj")) {
            projects.insert(file.completeBaseName());
            kept.append(file);
        } else if (isListed(suffix)) {
            kept.append(file);
        }
    }
    // A picture saved with its project is listed once, as its project.
    kept.removeIf([&](const QFileInfo& f) {
        return f.suffix().toLower() != QLatin1String("pictproj") && projects.contains(f.completeBaseName());
    });
    // Each date is read once: a comparison that converted dates made a folder of thousands of
    // screenshots take a sixth of a second at every opening of the menu. Unreadable dates sort last.
    struct Dated {
        qint64 msecs;
        const QFileInfo* file;
    };
    std::vector<Dated> dated;
    dated.reserve(size_t(kept.size()));
    for (const QFileInfo& f : kept) {
        const QDateTime t = f.lastModified();
        dated.push_back({t.isValid() ? t.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(), &f});
    }
    std::stable_sort(dated.begin(), dated.end(), [](const Dated& a, const Dated& b) { return a.msecs > b.msecs; });
    QList<Entry> out;
    for (size_t i = 0; i < std::min(dated.size(), size_t(kMaxEntries)); ++i)
        out.append(Entry{dated[i].file->absoluteFilePath(), dated[i].file->fileName()});
    return out;
}

} // namespace SaveFolder
