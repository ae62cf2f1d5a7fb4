#include "io/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace FileIO {

namespace {

IoError writeError(const QString& path, const QFileDevice& file) {
    const bool denied = file.error() == QFileDevice::PermissionsError;
    return IoError{denied ? IoError::Kind::noPermission : IoError::Kind::writeError,
                   QStringLiteral("Couldn't write “%1”: %2").arg(path, file.errorString())};
}

} // namespace

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return writeError(path, file);
    const bool written = write(file);
    // QSaveFile keeps small writes buffered and its commit() does not report a failed final flush
    // (a full disk): flush here so the real reason is seen before the file is replaced.
    if (!written || !file.flush() || file.error() != QFileDevice::NoError) {
        std::optional<IoError> error;
        if (file.error() != QFileDevice::NoError) error = writeError(path, file); // before cancel clears it
        file.cancelWriting();
        if (error) return error;
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: the data could not be encoded").arg(path)};
    }
    if (!file.commit()) return writeError(path, file);
    return std::nullopt;
}

std::optional<IoError> writeFileAtomically(const QString& path, const QByteArray& bytes) {
    return writeFileAtomically(path,
                               [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

} // namespace FileIO
