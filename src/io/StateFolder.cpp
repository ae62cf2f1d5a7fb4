#include "io/StateFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace StateFolder {

QString path(const QString& name) {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/Pictavo/") + name);
}

Result<QString> ensurePrivate(const QString& folder) {
    const auto failure = [&folder](const QString& why) {
        return IoError{IoError::Kind::writeError, QStringLiteral("Couldn't use “%1”: %2").arg(folder, why)};
    };
    // Parents made here are private too: ~/.local/state may not exist yet.
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder && !QFileInfo::exists(parent)) {
        if (Result<QString> made = ensurePrivate(parent); !made) return made.error();
    }
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) return failure(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(info.st_mode)) return failure(QStringLiteral("it is a link, not a folder"));
    if (!S_ISDIR(info.st_mode)) return failure(QStringLiteral("it is not a folder"));
    if (info.st_uid != ::geteuid()) return failure(QStringLiteral("it belongs to another user"));
    if ((info.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
    return folder;
}

} // namespace StateFolder
