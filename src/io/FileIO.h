#pragma once

#include "io/IoError.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QFile;
class QIODevice;

namespace FileIO {

// Files larger than this are refused before reading: no project or image we write comes close.
inline constexpr qint64 kMaxReadBytes = qint64(4) << 30;

// Opens a regular file for reading; devices and pipes are refused.
std::optional<IoError> openRegularFile(QFile& file);
Result<QByteArray> readFile(const QString& path);

// Writes through a temporary file that replaces `path` only when everything was written, so a
// failure never leaves a half-written file behind.
std::optional<IoError> writeFileAtomically(const QString& path, const QByteArray& bytes);
// The same for writers that stream into a device; `write` returns false on failure.
std::optional<IoError> writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);

// What a write that failed for this OS reason (an errno value) counts as: refused (no permission,
// read-only file system), so the user may choose another folder, or failed.
IoError::Kind writeErrorKind(int osError);

namespace Testing {
// Makes every write whose path this answers with a non-zero errno fail as if the OS had refused
// it with that reason, before any file is touched; an empty function ends it.
void setWriteRefusal(std::function<int(const QString& path)> refusal);
} // namespace Testing

} // namespace FileIO
