#pragma once

#include "io/IoError.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QFile;
class QIODevice;

namespace FileIO {

// Files larger than this are refused before reading: no project or image we write comes close.
inline constexpr qint64 kMaxReadBytes = qint64(4) << 30;

// Opens a regular file for reading; devices and pipes are refused.
std::optional<IoError> openRegularFile(QFile& file);
Result<QByteArray> readFile(const QString& path);

// A file written completely into a temporary file beside its destination, flushed and synced,
// and not yet in place. commit() renames it over the destination; dropping it uncommitted removes
// the temporary file, so the destination is never touched. Two of them make a pair that is
// replaced only when both could be written.
class PendingFile {
public:
    PendingFile();
    PendingFile(PendingFile&&) noexcept;
    PendingFile& operator=(PendingFile&&) noexcept;
    ~PendingFile();

    const QString& path() const;
    std::optional<IoError> commit();

    struct State;

private:
    explicit PendingFile(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
    friend Result<PendingFile> prepare(const QString&, const std::function<bool(QIODevice&)>&);
};

// Where `path` would be written, checked before anything is encoded: the folder is there, the
// name is not too long for it, and no symbolic link is followed that another user could have
// planted (a link in a folder other users may write, or one owned by another user). One's own
// link elsewhere is followed and its target replaced, as editors do.
std::optional<IoError> checkDestination(const QString& path);

// Writes through a temporary file created with O_EXCL | O_NOFOLLOW in the destination's folder.
// A file that is replaced keeps its mode and group; a new file in the save folder is private to
// its owner. `write` returns false when it could not produce its content.
Result<PendingFile> prepare(const QString& path, const std::function<bool(QIODevice&)>& write);
Result<PendingFile> prepare(const QString& path, const QByteArray& bytes);

// prepare() and commit() in one: a failure never leaves a half-written file behind.
std::optional<IoError> writeFileAtomically(const QString& path, const QByteArray& bytes);
std::optional<IoError> writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);

// What a write that failed for this OS reason (an errno value) counts as: refused (no permission,
// read-only file system), so the user may choose another folder, or failed.
IoError::Kind writeErrorKind(int osError);
// "Couldn't write “path”: reason", the reason in words (a full disk is named as such).
IoError writeError(const QString& path, int osError);

namespace Testing {
// Makes every write whose path this answers with a non-zero errno fail as if the OS had refused
// it with that reason, before any file is touched; an empty function ends it.
void setWriteRefusal(std::function<int(const QString& path)> refusal);
// The same, failing while the temporary file is written (a full disk), or when it is renamed
// into place.
void setWriteFailure(std::function<int(const QString& path)> failure);
void setRenameFailure(std::function<int(const QString& path)> failure);
} // namespace Testing

} // namespace FileIO
