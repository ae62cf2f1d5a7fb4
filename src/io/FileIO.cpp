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

Result<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return IoError{IoError::Kind::readError,
                       QStringLiteral("Couldn't open “%1”: %2").arg(path, file.errorString())};
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
    if (!write(file)) {
        file.cancelWriting();
        if (file.error() != QFileDevice::NoError) return writeError(path, file);
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
