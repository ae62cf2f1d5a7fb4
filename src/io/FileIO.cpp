#include "io/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace FileIO {

namespace {

std::function<int(const QString&)> g_refusal;

bool isRefusal(int osError) {
    return osError == EACCES || osError == EPERM || osError == EROFS;
}

// QSaveFile reports a read-only folder as an open error and a read-only file as a write error,
// so its own error code never says "permission": the reason is the OS's. errno right after the
// failed call normally holds it; when Qt's clean-up lost it on the way, the OS is asked again
// whether this process may write the file and create files in its folder.
int osReason(int captured, const QString& path) {
    if (isRefusal(captured)) return captured;
    const QByteArray file = QFile::encodeName(path);
    if (::faccessat(AT_FDCWD, file.constData(), F_OK, AT_EACCESS) == 0 &&
        ::faccessat(AT_FDCWD, file.constData(), W_OK, AT_EACCESS) != 0 && isRefusal(errno))
        return errno;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0 && isRefusal(errno))
        return errno;
    return captured;
}

IoError writeError(const QString& path, int osError, const QString& reason) {
    return IoError{writeErrorKind(osError), QStringLiteral("Couldn't write “%1”: %2").arg(path, reason)};
}

IoError writeError(const QString& path, const QFileDevice& file, int captured) {
    return writeError(path, osReason(captured, path), file.errorString());
}

} // namespace

IoError::Kind writeErrorKind(int osError) {
    return isRefusal(osError) ? IoError::Kind::noPermission : IoError::Kind::writeError;
}

namespace Testing {
void setWriteRefusal(std::function<int(const QString& path)> refusal) {
    g_refusal = std::move(refusal);
}
} // namespace Testing

std::optional<IoError> openRegularFile(QFile& file) {
    const QString path = file.fileName();
    // Pipes and devices report no size and may never end: only regular files are read.
    if (const QFileInfo info(path); info.exists() && !info.isFile())
        return IoError{IoError::Kind::readError,
                       QStringLiteral("Couldn't open “%1”: it is not a regular file").arg(path)};
    if (!file.open(QIODevice::ReadOnly))
        return IoError{IoError::Kind::readError,
                       QStringLiteral("Couldn't open “%1”: %2").arg(path, file.errorString())};
    return std::nullopt;
}

Result<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (auto error = openRegularFile(file)) return *error;
    if (file.size() > kMaxReadBytes)
        return IoError{IoError::Kind::readError,
                       QStringLiteral("Couldn't open “%1”: the file is too large").arg(path)};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return IoError{IoError::Kind::readError,
                       QStringLiteral("Couldn't read “%1”: %2").arg(path, file.errorString())};
    return bytes;
}

std::optional<IoError> writeFileAtomically(const QString& path,
                                           const std::function<bool(QIODevice&)>& write) {
    if (g_refusal) {
        if (const int refused = g_refusal(path))
            return writeError(path, refused, QString::fromLocal8Bit(std::strerror(refused)));
    }
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) return writeError(path, file, errno);
    const bool written = write(file);
    // QSaveFile keeps small writes buffered and its commit() does not report a failed final flush
    // (a full disk): flush here so the real reason is seen before the file is replaced.
    if (!written || !file.flush() || file.error() != QFileDevice::NoError) {
        const int captured = errno;
        std::optional<IoError> error;
        if (file.error() != QFileDevice::NoError)
            error = writeError(path, file, captured); // before cancel clears it
        file.cancelWriting();
        if (error) return error;
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: the data could not be encoded").arg(path)};
    }
    errno = 0;
    if (!file.commit()) return writeError(path, file, errno);
    return std::nullopt;
}

std::optional<IoError> writeFileAtomically(const QString& path, const QByteArray& bytes) {
    return writeFileAtomically(path,
                               [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

} // namespace FileIO
