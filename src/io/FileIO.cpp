#include "io/FileIO.h"

#include "io/SaveFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIO {

namespace {

std::function<int(const QString&)> g_refusal, g_writeFailure, g_renameFailure;

int injected(const std::function<int(const QString&)>& fault, const QString& path) {
    return fault ? fault(path) : 0;
}

bool isRefusal(int osError) {
    return osError == EACCES || osError == EPERM || osError == EROFS;
}

// Symbolic links followed before giving up, as the kernel does.
constexpr int kMaxLinks = 40;

struct FdCloser {
    int fd = -1;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

// Another user may plant or swap entries here: anyone but its owner (or root) may write it.
bool othersMayWrite(const struct stat& folder) {
    if (folder.st_uid != ::geteuid() && folder.st_uid != 0) return true;
    if (folder.st_mode & S_IWOTH) return true;
    return (folder.st_mode & S_IWGRP) && folder.st_gid != ::getegid();
}

IoError linkRefused(const QString& link, const QString& why) {
    return IoError{IoError::Kind::noPermission,
                   QStringLiteral("“%1” is %2; Pictavo does not write through it").arg(link, why)};
}

// Where a write goes: the folder (open), the name in it, and what is there now.
struct Destination {
    FdCloser folder;
    QByteArray name;
    std::optional<struct stat> existing;
};

int openFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder one may write and enter but not list still takes files.
    if (fd < 0 && errno == EACCES) return ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd;
}

// A link on the way to the folder is as dangerous as one at the name: `/tmp/shared/sub`, planted
// as a link to the victim's folder, turns `/tmp/shared/sub/shot.png` into a file there. The
// kernel follows these links itself (fs.protected_symlinks, where it is on, guards sticky folders
// only), so each one is checked here first, by the same rule as the name's own.
std::optional<IoError> checkFolderLinks(const QByteArray& folder) {
    QByteArray walked = folder.startsWith('/') ? QByteArray() : QByteArray(".");
    for (const QByteArray& part : folder.split('/')) {
        if (part.isEmpty() || part == ".") continue;
        const QByteArray parent = walked.isEmpty() ? QByteArray("/") : walked;
        walked += '/' + part;
        struct stat entry {};
        if (::lstat(walked.constData(), &entry) != 0 || !S_ISLNK(entry.st_mode)) continue;
        const QString shown = QFile::decodeName(walked);
        if (entry.st_uid != ::geteuid() && entry.st_uid != 0)
            return linkRefused(shown, QStringLiteral("a link owned by another user"));
        struct stat holder {};
        if (::stat(parent.constData(), &holder) != 0 || othersMayWrite(holder))
            return linkRefused(shown, QStringLiteral("a link in a folder other users may write"));
    }
    return std::nullopt;
}

// Follows the links at `path` by hand, refusing the ones another user could have planted.
Result<std::shared_ptr<Destination>> resolve(const QString& path) {
    if (const int refused = injected(g_refusal, path)) return writeError(path, refused);
    QByteArray current = QFile::encodeName(path);
    QString shown = path;
    for (int hop = 0;; ++hop) {
        if (hop > kMaxLinks) return writeError(path, ELOOP);
        const qsizetype slash = current.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : current.left(slash);
        auto destination = std::make_shared<Destination>();
        destination->name = current.mid(slash + 1);
        if (destination->name.isEmpty() || destination->name == "." || destination->name == "..")
            return writeError(path, EISDIR);
        if (auto refused = checkFolderLinks(folder)) return *refused;
        destination->folder.fd = openFolder(folder);
        if (destination->folder.fd < 0) return writeError(path, errno);
        const long maxName = ::fpathconf(destination->folder.fd, _PC_NAME_MAX);
        if (maxName > 0 && destination->name.size() > maxName) return writeError(path, ENAMETOOLONG);
        struct stat entry {};
        if (::fstatat(destination->folder.fd, destination->name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) return writeError(path, errno);
            return destination;
        }
        if (S_ISDIR(entry.st_mode)) return writeError(path, EISDIR);
        if (!S_ISLNK(entry.st_mode)) {
            // A file made read-only is protected from editors, though its folder would allow the
            // rename over it.
            if (::faccessat(destination->folder.fd, destination->name.constData(), W_OK, AT_EACCESS) != 0 &&
                isRefusal(errno))
                return writeError(path, errno);
            destination->existing = entry;
            return destination;
        }
        // The kernel's own guard (fs.protected_symlinks) covers only sticky folders and only
        // when the link is opened: a rename over its target passes it by.
        if (entry.st_uid != ::geteuid() && entry.st_uid != 0)
            return linkRefused(shown, QStringLiteral("a link owned by another user"));
        struct stat folderInfo {};
        if (::fstat(destination->folder.fd, &folderInfo) != 0) return writeError(path, errno);
        if (othersMayWrite(folderInfo))
            return linkRefused(shown, QStringLiteral("a link in a folder other users may write"));
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length =
            ::readlinkat(destination->folder.fd, destination->name.constData(), target.data(), size_t(target.size()));
        if (length < 0) return writeError(path, errno);
        target.truncate(length);
        current = target.startsWith('/') ? target : folder + '/' + target;
        shown = QFile::decodeName(current);
    }
}

// Files written into the save folder are for their owner alone, whatever the umask.
bool isSaveFolder(const struct stat& folder) {
    const std::optional<QString> saveFolder = SaveFolder::configuredPath();
    if (!saveFolder) return false;
    struct stat info {};
    return ::stat(QFile::encodeName(*saveFolder).constData(), &info) == 0 && info.st_dev == folder.st_dev &&
           info.st_ino == folder.st_ino;
}

// Writes straight to the descriptor and keeps the OS's reason for a failure.
class DescriptorDevice final : public QIODevice {
public:
    DescriptorDevice(int fd, int injectedError) : m_fd(fd), m_injected(injectedError) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    int osError() const { return m_error; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_injected) {
            m_error = m_injected;
            return -1;
        }
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, size_t(size - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                m_error = n < 0 ? errno : ENOSPC;
                return -1;
            }
            done += n;
        }
        return done;
    }

private:
    int m_fd;
    int m_injected;
    int m_error = 0;
};

QByteArray temporaryName() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name(".pictavo-XXXXXX");
    for (qsizetype i = name.size() - 6; i < name.size(); ++i)
        name[i] = letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return name;
}

} // namespace

struct PendingFile::State {
    QString path;
    std::shared_ptr<Destination> destination;
    QByteArray temporary; // empty once renamed
    ~State() {
        if (!temporary.isEmpty()) ::unlinkat(destination->folder.fd, temporary.constData(), 0);
    }
};

PendingFile::PendingFile() = default;
PendingFile::PendingFile(std::unique_ptr<State> state) : m_state(std::move(state)) {}
PendingFile::PendingFile(PendingFile&&) noexcept = default;
PendingFile& PendingFile::operator=(PendingFile&&) noexcept = default;
PendingFile::~PendingFile() = default;

const QString& PendingFile::path() const {
    static const QString none;
    return m_state ? m_state->path : none;
}

std::optional<IoError> PendingFile::commit() {
    if (!m_state || m_state->temporary.isEmpty())
        return IoError{IoError::Kind::writeError, QStringLiteral("Couldn't write “%1”: nothing to write").arg(path())};
    const int fd = m_state->destination->folder.fd;
    const QByteArray& name = m_state->destination->name;
    if (const int failure = injected(g_renameFailure, m_state->path)) return writeError(m_state->path, failure);
    if (::renameat(fd, m_state->temporary.constData(), fd, name.constData()) != 0)
        return writeError(m_state->path, errno);
    m_state->temporary.clear();
    // The new name must outlive a power cut as the content does; a folder opened without read
    // access cannot be synced and keeps the OS's usual guarantees.
    ::fsync(fd);
    return std::nullopt;
}

IoError::Kind writeErrorKind(int osError) {
    return isRefusal(osError) ? IoError::Kind::noPermission : IoError::Kind::writeError;
}

IoError writeError(const QString& path, int osError) {
    const QString reason = osError == ENOSPC || osError == EDQUOT
                               ? QStringLiteral("there is not enough space on the disk")
                               : QString::fromLocal8Bit(std::strerror(osError));
    return IoError{writeErrorKind(osError), QStringLiteral("Couldn't write “%1”: %2").arg(path, reason)};
}

namespace Testing {
void setWriteRefusal(std::function<int(const QString& path)> refusal) {
    g_refusal = std::move(refusal);
}
void setWriteFailure(std::function<int(const QString& path)> failure) {
    g_writeFailure = std::move(failure);
}
void setRenameFailure(std::function<int(const QString& path)> failure) {
    g_renameFailure = std::move(failure);
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

std::optional<IoError> checkDestination(const QString& path) {
    Result<std::shared_ptr<Destination>> destination = resolve(path);
    if (!destination) return destination.error();
    return std::nullopt;
}

Result<PendingFile> prepare(const QString& path, const std::function<bool(QIODevice&)>& write) {
    Result<std::shared_ptr<Destination>> resolved = resolve(path);
    if (!resolved) return resolved.error();
    auto state = std::make_unique<PendingFile::State>();
    state->path = path;
    state->destination = *resolved;
    const Destination& destination = *state->destination;
    if (destination.existing && !S_ISREG(destination.existing->st_mode))
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: it is not a regular file").arg(path)};

    mode_t mode = 0666; // the umask applies
    if (!destination.existing) {
        struct stat folder {};
        if (::fstat(destination.folder.fd, &folder) == 0 && isSaveFolder(folder)) mode = 0600;
    }
    FdCloser file;
    for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
        state->temporary = temporaryName();
        file.fd = ::openat(destination.folder.fd, state->temporary.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (file.fd < 0 && errno != EEXIST) break;
    }
    if (file.fd < 0) {
        const int reason = errno;
        state->temporary.clear(); // not ours to remove
        return writeError(path, reason);
    }
    if (const auto& old = destination.existing) {
        // A replaced file keeps who may read it. Root keeps its owner too; a group this user is
        // not in cannot be kept, and then the group's rights are not handed to another group.
        mode_t keep = old->st_mode & 0777;
        if (::fchown(file.fd, ::geteuid() == 0 ? old->st_uid : uid_t(-1), old->st_gid) != 0) keep &= ~mode_t(0070);
        ::fchmod(file.fd, keep);
    }
    DescriptorDevice device(file.fd, injected(g_writeFailure, path));
    const bool written = write(device);
    if (device.osError()) return writeError(path, device.osError());
    if (!written)
        return IoError{IoError::Kind::writeError,
                       QStringLiteral("Couldn't write “%1”: the data could not be encoded").arg(path)};
    // The content must be on the disk before the name points at it, or a crash could leave an
    // empty file where the old one was.
    if (::fsync(file.fd) != 0) return writeError(path, errno);
    if (::close(file.release()) != 0) return writeError(path, errno);
    return PendingFile(std::move(state));
}

Result<PendingFile> prepare(const QString& path, const QByteArray& bytes) {
    return prepare(path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

std::optional<IoError> writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write) {
    Result<PendingFile> pending = prepare(path, write);
    if (!pending) return pending.error();
    return pending->commit();
}

std::optional<IoError> writeFileAtomically(const QString& path, const QByteArray& bytes) {
    return writeFileAtomically(path,
                               [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

} // namespace FileIO
