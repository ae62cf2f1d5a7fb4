#include "io/DecodingChild.h"

#include "graphics/DrawingSurface.h"
#include "io/PdfSupport.h"
#include "io/TextRecognition.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QPdfDocument>
#include <QThreadPool>

#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#if defined(__SANITIZE_ADDRESS__)
#define PICTAVO_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PICTAVO_UNDER_ASAN 1
#endif
#endif

namespace DecodingChild {

namespace {

std::mutex g_limitsMutex;
Limits g_limits;

// The child's end of the socket pair.
constexpr int kChildSocket = 3;
constexpr qsizetype kMaxMessage = 64 * 1024;
constexpr int kSeals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL;

bool sendMessage(int socket, const QJsonObject& message, int fd = -1) {
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    if (body.size() > kMaxMessage) return false;
    iovec io{const_cast<char*>(body.constData()), size_t(body.size())};
    msghdr header{};
    header.msg_iov = &io;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (fd >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof(control);
        cmsghdr* c = CMSG_FIRSTHDR(&header);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &fd, sizeof(int));
    }
    ssize_t sent;
    do
        sent = ::sendmsg(socket, &header, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == body.size();
}

enum class Received { message, closed, garbage };

// One message and the descriptor that came with it (-1 if none; the caller closes it).
Received receiveMessage(int socket, QJsonObject* message, int* fd) {
    *fd = -1;
    QByteArray body(kMaxMessage, Qt::Uninitialized);
    iovec io{body.data(), size_t(body.size())};
    msghdr header{};
    header.msg_iov = &io;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
    header.msg_control = control;
    header.msg_controllen = sizeof(control);
    ssize_t n;
    do
        n = ::recvmsg(socket, &header, MSG_CMSG_CLOEXEC);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return Received::closed;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int received;
            std::memcpy(&received, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
            if (*fd < 0)
                *fd = received;
            else
                ::close(received); // one descriptor a message, no more
        }
    }
    if (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) return Received::garbage;
    body.truncate(n);
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) return Received::garbage;
    *message = document.object();
    return Received::message;
}

qint64 monotonicMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

QString secondsText(int seconds) {
    return seconds == 1 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(seconds);
}

IoError slow(const QString& name, int seconds) {
    return IoError{IoError::Kind::corruptFile,
                   QStringLiteral("“%1” takes more than %2 to decode").arg(name, secondsText(seconds))};
}

IoError failure(const QString& name, const QString& why) {
    return IoError{IoError::Kind::corruptFile, QStringLiteral("“%1” could not be decoded: %2").arg(name, why)};
}

IoError tooLarge(const QString& name) {
    return IoError{IoError::Kind::corruptFile,
                   QStringLiteral("“%1” needs more memory to decode than Pictavo allows").arg(name)};
}

QJsonObject errorReply(const IoError& error) {
    return {{QStringLiteral("ok"), false},
            {QStringLiteral("kind"), int(error.kind)},
            {QStringLiteral("error"), error.message}};
}

// ---- The child's side --------------------------------------------------------------------------

struct Mapping {
    void* address;
    size_t length;
};

void unmap(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    ::munmap(mapping->address, mapping->length);
    delete mapping;
}

int newMemfd(size_t length) {
    const int fd = ::memfd_create("pictavo-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return -1;
    if (::ftruncate(fd, off_t(length)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Pixels the reader writes straight into shared memory.
class SharedTarget {
public:
    ~SharedTarget() {
        if (m_fd >= 0) ::close(m_fd);
    }
    QImage allocate(QSize size, QImage::Format format) {
        const size_t length = size_t(size.width()) * 4 * size_t(size.height());
        m_fd = newMemfd(length);
        if (m_fd < 0) return {};
        // Mapped whole at once: page by page, a 5K picture cost a tenth more time in faults.
        void* address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, m_fd, 0);
        if (address == MAP_FAILED) return {};
        m_address = address;
        return QImage(static_cast<uchar*>(address), size.width(), size.height(), size.width() * 4, format, unmap,
                      new Mapping{address, length});
    }
    const void* address() const { return m_address; }
    int take() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
    void* m_address = nullptr;
};

// The picture's pixels in a sealed memfd, ready to hand over; -1 when they cannot be had.
int sealedPixels(QImage image, SharedTarget& target) {
    int fd = -1;
    if (image.constBits() == target.address()) {
        image = QImage(); // unmaps: a writable mapping would refuse the write seal
        fd = target.take();
    } else {
        const qint64 length = qint64(image.bytesPerLine()) * image.height();
        fd = newMemfd(size_t(length));
        const char* data = reinterpret_cast<const char*>(image.constBits());
        for (qint64 done = 0; fd >= 0 && done < length;) {
            const ssize_t n = ::write(fd, data + done, size_t(std::min<qint64>(length - done, qint64(1) << 30)));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ::close(fd);
                fd = -1;
            } else {
                done += n;
            }
        }
    }
    if (fd >= 0 && ::fcntl(fd, F_ADD_SEALS, kSeals) != 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

void sendImage(int socket, Result<QImage> decoded, SharedTarget& target, const QString& name) {
    if (!decoded) return void(sendMessage(socket, errorReply(decoded.error())));
    // Moved out, so no copy keeps the shared mapping alive when it must go.
    QImage image = std::move(*decoded);
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = DrawingSurface::toDrawingFormat(image);
    const QJsonObject header{{QStringLiteral("ok"), true},
                             {QStringLiteral("width"), image.width()},
                             {QStringLiteral("height"), image.height()},
                             {QStringLiteral("alpha"), image.format() == QImage::Format_ARGB32_Premultiplied}};
    const int fd = sealedPixels(std::move(image), target);
    if (fd < 0) return void(sendMessage(socket, errorReply(tooLarge(name))));
    sendMessage(socket, header, fd);
    ::close(fd);
}

QByteArray readAll(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size < 0) return {};
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

void setCpuLimit(int seconds) {
    rlimit cpu{};
    ::getrlimit(RLIMIT_CPU, &cpu);
    cpu.rlim_cur = std::min<rlim_t>(rlim_t(seconds), cpu.rlim_max);
    ::setrlimit(RLIMIT_CPU, &cpu);
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

Result<QImage> thumbnail(const QString& path, int index, QSize box) {
    QPdfDocument pdf;
    if (pdf.load(path) != QPdfDocument::Error::None || index < 0 || index >= pdf.pageCount() || box.isEmpty() ||
        box.width() > 4000 || box.height() > 4000)
        return failure(path, QStringLiteral("the page cannot be drawn"));
    const QSize size = PdfSupport::thumbnailSize(pdf.pagePointSize(index), box);
    if (size.isEmpty()) return failure(path, QStringLiteral("the page cannot be drawn"));
    QImage page = PdfSupport::drawPage(pdf, index, size);
    if (page.isNull()) return failure(path, QStringLiteral("the page cannot be drawn"));
    return page;
}

// Words can be many more than a message holds: they go back as bytes in a sealed memfd.
void recognise(const QJsonObject& request, int fd) {
    const int width = request.value(QStringLiteral("width")).toInt(), height = request.value(QStringLiteral("height")).toInt();
    const QString languages = request.value(QStringLiteral("languages")).toString();
    const size_t length = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    struct stat info {};
    if (fd < 0 || width < 1 || height < 1 || width > ImageDecoder::kMaxSide || height > ImageDecoder::kMaxSide ||
        ::fstat(fd, &info) != 0 || size_t(info.st_size) < length)
        return void(sendMessage(kChildSocket, errorReply({IoError::Kind::readError, QStringLiteral("unreadable request")})));
    void* address = ::mmap(nullptr, length, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (address == MAP_FAILED) return void(sendMessage(kChildSocket, errorReply(tooLarge(QStringLiteral("the picture")))));
    const QImage gray(static_cast<const uchar*>(address), width, height, width, QImage::Format_Grayscale8);
    const Result<RecognizedText> text = TextRecognition::recognizeHere(gray, languages);
    ::munmap(address, length);
    if (!text) return void(sendMessage(kChildSocket, errorReply(text.error())));
    const QByteArray bytes = TextRecognition::encode(*text);
    const int out = newMemfd(size_t(bytes.size()));
    bool written = out >= 0;
    for (qsizetype done = 0; written && done < bytes.size();) {
        const ssize_t n = ::pwrite(out, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        done += std::max<ssize_t>(n, 0);
    }
    if (!written || ::fcntl(out, F_ADD_SEALS, kSeals) != 0) {
        if (out >= 0) ::close(out);
        return void(sendMessage(kChildSocket, errorReply(tooLarge(QStringLiteral("the picture")))));
    }
    sendMessage(kChildSocket, {{QStringLiteral("ok"), true}}, out);
    ::close(out);
}

void handle(const QJsonObject& request, int fd) {
    const QString op = request.value(QStringLiteral("op")).toString();
    const QString path = request.value(QStringLiteral("path")).toString();
    const QString name = op == QLatin1String("bytes") ? request.value(QStringLiteral("name")).toString() : path;
    const int index = request.value(QStringLiteral("index")).toInt(-1);
    const qint64 pixels = request.value(QStringLiteral("pixels")).toInteger(-1);
    ImageDecoder::Budget budget{std::min(pixels, ImageDecoder::kMaxPixels)};
    ImageDecoder::Budget* limit = pixels >= 0 ? &budget : nullptr;
    SharedTarget target;
    const ImageDecoder::Allocate allocate = [&target](QSize size, QImage::Format format) {
        return target.allocate(size, format);
    };
    try {
        // A reader that could not allocate says only that it failed: the address-space limit
        // shows in errno.
        errno = 0;
        if (op == QLatin1String("pdfPages")) {
            const Result<int> pages = PdfSupport::pageCount(path);
            sendMessage(kChildSocket, pages    ? QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("pages"), *pages}}
                                      : errno == ENOMEM ? errorReply(tooLarge(name))
                                                        : errorReply(pages.error()));
            return;
        }
        if (op == QLatin1String("text")) {
            recognise(request, fd);
            return;
        }
        // No answer: the parent sends its picture when it has one, and this is read after.
        if (op == QLatin1String("loadText")) {
            const QString languages = request.value(QStringLiteral("languages")).toString();
            try {
                if (!languages.isEmpty() && languages.size() < 300) TextRecognition::loadEngines(languages);
            } catch (const std::bad_alloc&) {
                // The reading loads them again and says why it cannot.
            }
            return;
        }
        Result<QImage> image = tooLarge(name);
        if (op == QLatin1String("file")) {
            image = ImageDecoder::decodeFileHere(path, limit, allocate);
        } else if (op == QLatin1String("bytes")) {
            image = ImageDecoder::decodeHere(fd >= 0 ? readAll(fd) : QByteArray(), name, limit, allocate);
        } else if (op == QLatin1String("pdfPage")) {
            image = PdfSupport::renderPage(path, index);
        } else if (op == QLatin1String("thumbnail")) {
            image = thumbnail(path, index,
                              QSize(request.value(QStringLiteral("width")).toInt(),
                                    request.value(QStringLiteral("height")).toInt()));
        } else {
            sendMessage(kChildSocket, errorReply({IoError::Kind::readError, QStringLiteral("unknown request")}));
            return;
        }
        if (!image && errno == ENOMEM) image = tooLarge(name);
        sendImage(kChildSocket, std::move(image), target, name);
    } catch (const std::bad_alloc&) {
        sendMessage(kChildSocket, errorReply(tooLarge(name)));
    }
}

[[noreturn]] void serve(int cpuSeconds, qint64 addressSpace) {
    // Never a core dump of someone's file. (An orphan ends at the end of its socket or of its CPU
    // time, so no death signal is tied to the thread that started it: a spare outlives it.)
    ::prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    setCpuLimit(cpuSeconds);
#ifndef PICTAVO_UNDER_ASAN
    const rlimit space{rlim_t(addressSpace), rlim_t(addressSpace)};
    ::setrlimit(RLIMIT_AS, &space);
#else
    Q_UNUSED(addressSpace);
#endif
    if (qEnvironmentVariableIntValue("PICTAVO_VERBOSE") != 1) qInstallMessageHandler(quiet);
    for (;;) {
        QJsonObject request;
        int fd = -1;
        const Received received = receiveMessage(kChildSocket, &request, &fd);
        if (received == Received::closed) ::_exit(0);
        if (received == Received::message)
            handle(request, fd);
        else
            sendMessage(kChildSocket, errorReply({IoError::Kind::readError, QStringLiteral("unreadable request")}));
        if (fd >= 0) ::close(fd);
    }
}

} // namespace

Limits limits() {
    std::lock_guard lock(g_limitsMutex);
    return g_limits;
}

ScopedLimits::ScopedLimits(Limits limits) {
    std::lock_guard lock(g_limitsMutex);
    m_previous = std::exchange(g_limits, limits);
}

ScopedLimits::~ScopedLimits() {
    std::lock_guard lock(g_limitsMutex);
    g_limits = m_previous;
}

void serveIfAsked(int argc, char** argv) {
    if (argc != 4 || std::strcmp(argv[1], kArgument) != 0) return;
    const int cpu = std::atoi(argv[2]);
    const long long space = std::atoll(argv[3]);
    serve(cpu > 0 ? cpu : Limits{}.cpuSeconds, space > 0 ? space : Limits{}.addressSpace);
}

IoError slowError(const QString& name) {
    return slow(name, limits().cpuSeconds);
}

QThreadPool& threads() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        // Each thread only waits for its child: more of them than cores is fine.
        p->setMaxThreadCount(8);
        return p;
    }();
    return *pool;
}

// ---- The parent's side -------------------------------------------------------------------------

Session::Session() = default;

Session::Session(Limits limits) : m_fixed(limits) {}

Session::~Session() {
    stop();
}

namespace {

struct Process {
    pid_t pid = -1;
    int socket = -1;
    Limits limits;
};

bool operator==(const Limits& a, const Limits& b) {
    return a.cpuSeconds == b.cpuSeconds && a.wallMs == b.wallMs && a.addressSpace == b.addressSpace;
}

std::optional<Process> spawnChild(const Limits& limits, QString* error) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    // dup2 onto itself would keep the close-on-exec flag.
    if (pair[1] == kChildSocket) {
        const int moved = ::fcntl(pair[1], F_DUPFD_CLOEXEC, kChildSocket + 1);
        ::close(pair[1]);
        pair[1] = moved;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], kChildSocket);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    // Library messages about a broken file stay out of the terminal.
    if (qEnvironmentVariableIntValue("PICTAVO_VERBOSE") != 1)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXCPU);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const QByteArray cpu = QByteArray::number(limits.cpuSeconds), space = QByteArray::number(limits.addressSpace);
    char name[] = "pictavo";
    char* argv[] = {name, const_cast<char*>(kArgument), const_cast<char*>(cpu.constData()),
                    const_cast<char*>(space.constData()), nullptr};
    // OpenMP reads its thread limit once, when it is loaded: Tesseract's threads make it many
    // times slower on screen-sized pictures, and Pictavo shares the cores out itself.
    std::vector<char*> environment;
    static char ompLimit[] = "OMP_THREAD_LIMIT=1";
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "OMP_THREAD_LIMIT=", 17) != 0) environment.push_back(*e);
    environment.push_back(ompLimit);
    environment.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, "/proc/self/exe", &actions, &attributes, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pair[1]);
    if (spawned != 0) {
        ::close(pair[0]);
        *error = QStringLiteral("the decoding process could not be started (%1)")
                     .arg(QString::fromLocal8Bit(std::strerror(spawned)));
        return std::nullopt;
    }
    return Process{pid, pair[0], limits};
}

void discard(const Process& process) {
    ::close(process.socket);
    ::kill(process.pid, SIGKILL);
    while (::waitpid(process.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// A child started ahead and waiting for its first request: its start-up (the dynamic loader,
// most of it) is then off the path of the next file opened.
std::mutex g_spareMutex;
bool g_keepSpare = false;
std::optional<Process> g_spare;

std::optional<Process> takeSpare(const Limits& limits) {
    std::lock_guard lock(g_spareMutex);
    std::optional<Process> spare = std::exchange(g_spare, std::nullopt);
    if (!spare) return std::nullopt;
    // One that has gone (killed, or started under other limits) is no use.
    pollfd gone{spare->socket, POLLIN, 0};
    if (!(spare->limits == limits) || ::poll(&gone, 1, 0) != 0) {
        discard(*spare);
        return std::nullopt;
    }
    return spare;
}

void replenishSpare(const Limits& limits) {
    std::lock_guard lock(g_spareMutex);
    if (!g_keepSpare || g_spare) return;
    QString ignored;
    g_spare = spawnChild(limits, &ignored);
}

} // namespace

void keepSpareReady(bool keep) {
    {
        std::lock_guard lock(g_spareMutex);
        g_keepSpare = keep;
        if (!keep && g_spare) discard(*std::exchange(g_spare, std::nullopt));
    }
    if (keep) replenishSpare(limits());
}

std::optional<qint64> spareProcessId() {
    std::lock_guard lock(g_spareMutex);
    return g_spare ? std::optional<qint64>(g_spare->pid) : std::nullopt;
}

bool Session::start(QString* error) {
    m_limits = m_fixed.value_or(limits());
    std::optional<Process> process = m_fixed ? std::nullopt : takeSpare(m_limits);
    if (!process) process = spawnChild(m_limits, error);
    if (!process) return false;
    m_pid = process->pid;
    m_socket = process->socket;
    m_deadline = monotonicMs() + m_limits.wallMs;
    if (!m_fixed) replenishSpare(m_limits);
    return true;
}

int Session::stop() {
    if (m_pid < 0) return 0;
    ::close(m_socket);
    m_socket = -1;
    // Idle or past its budget, it has nothing more to do.
    ::kill(m_pid, SIGKILL);
    int status = 0;
    rusage usage{};
    while (::wait4(m_pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    m_usage = Usage{double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
                    qint64(usage.ru_maxrss) * 1024};
    return status;
}

void Session::renewBudget() {
    // A child of its own: CPU time once used is not given back, and one that ran out just after
    // answering would otherwise be blamed on the next picture.
    stop();
    m_exceeded.reset();
}

Result<Session::Reply> Session::call(const QJsonObject& request, const QString& name, int fd) {
    if (m_exceeded) return *m_exceeded;
    if (m_pid >= 0) {
        // Ended since its last answer (killed, or out of CPU time while it tidied up).
        pollfd gone{m_socket, POLLIN, 0};
        if (::poll(&gone, 1, 0) > 0) return ended(name, false);
    }
    QString why;
    if (m_pid < 0 && !start(&why)) return failure(name, why);
    if (!sendMessage(m_socket, request, fd)) return ended(name, false);
    for (;;) {
        const qint64 remaining = m_deadline - monotonicMs();
        if (remaining <= 0) {
            stop();
            m_exceeded = slow(name, m_limits.cpuSeconds);
            return *m_exceeded;
        }
        if (m_cancel && m_cancel->load()) {
            stop();
            return IoError{IoError::Kind::readError, QStringLiteral("Cancelled")};
        }
        pollfd wait{m_socket, POLLIN, 0};
        // In slices while someone may cancel.
        const int ready = ::poll(&wait, 1, int(std::min<qint64>(remaining, m_cancel ? 100 : INT_MAX)));
        if (ready < 0 && errno != EINTR) return failure(name, QString::fromLocal8Bit(std::strerror(errno)));
        if (ready <= 0) continue;
        Reply reply;
        const Received received = receiveMessage(m_socket, &reply.header, &reply.fd);
        if (received == Received::message) return reply;
        if (reply.fd >= 0) ::close(reply.fd);
        return ended(name, received == Received::garbage);
    }
}

Result<Session::Reply> Session::ended(const QString& name, bool garbage) {
    const int status = stop();
    if (garbage) return failure(name, QStringLiteral("the decoding process answered nonsense"));
    // Past the soft CPU limit the kernel sends SIGXCPU.
    const bool outOfTime = WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU;
    if (outOfTime) {
        m_exceeded = slow(name, m_limits.cpuSeconds);
        return *m_exceeded;
    }
    return failure(name, QStringLiteral("the decoding process stopped"));
}

std::optional<IoError> Session::refusal(const QJsonObject& header, const QString& name) {
    if (header.value(QStringLiteral("ok")).toBool()) return std::nullopt;
    const int kind = header.value(QStringLiteral("kind")).toInt(-1);
    const QString message = header.value(QStringLiteral("error")).toString();
    if (kind < 0 || kind > int(IoError::Kind::noPermission) || message.isEmpty())
        return failure(name, QStringLiteral("the decoding process answered nonsense"));
    return IoError{IoError::Kind(kind), message};
}

Result<QImage> Session::image(Result<Reply> reply, const QString& name) {
    if (!reply) return reply.error();
    const QJsonObject& header = reply->header;
    const int fd = reply->fd;
    auto refuse = [&](const IoError& error) -> Result<QImage> {
        if (fd >= 0) ::close(fd);
        return error;
    };
    if (std::optional<IoError> error = refusal(header, name)) return refuse(*error);
    const int width = header.value(QStringLiteral("width")).toInt(), height = header.value(QStringLiteral("height")).toInt();
    const QImage::Format format = header.value(QStringLiteral("alpha")).toBool() ? QImage::Format_ARGB32_Premultiplied
                                                                               : QImage::Format_RGB32;
    const size_t length = size_t(width) * 4 * size_t(height);
    struct stat info {};
    // Sealed, so nothing can shrink it under our mapping or change the pixels once handed over.
    if (fd < 0 || width < 1 || height < 1 || width > ImageDecoder::kMaxSide || height > ImageDecoder::kMaxSide ||
        ::fstat(fd, &info) != 0 || size_t(info.st_size) < length || (::fcntl(fd, F_GET_SEALS) & kSeals) != kSeals)
        return refuse(failure(name, QStringLiteral("the decoding process answered nonsense")));
    // Read-only: whoever draws on it gets a copy from Qt. Populated here, on a worker thread, not
    // page by page later (a writable private mapping would copy every page to populate it).
    void* address = ::mmap(nullptr, length, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    ::close(fd);
    if (address == MAP_FAILED) return failure(name, QStringLiteral("there is not enough memory to open it"));
    QImage image(static_cast<const uchar*>(address), width, height, width * 4, format, unmap,
                 new Mapping{address, length});
    DrawingSurface::normalizeMetadata(image);
    return image;
}

Result<QImage> Session::decode(const QByteArray& bytes, const QString& name, ImageDecoder::Budget* budget) {
    const int fd = ::memfd_create("pictavo-encoded", MFD_CLOEXEC);
    if (fd < 0) return failure(name, QString::fromLocal8Bit(std::strerror(errno)));
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            return failure(name, QStringLiteral("there is not enough memory to decode it"));
        }
        done += n;
    }
    Result<QImage> image = this->image(call({{QStringLiteral("op"), QStringLiteral("bytes")},
                                             {QStringLiteral("name"), name},
                                             {QStringLiteral("pixels"), budget ? budget->remainingPixels : -1}},
                                            name, fd),
                                       name);
    ::close(fd);
    if (image && budget) budget->remainingPixels -= qint64(image->width()) * image->height();
    return image;
}

Result<QImage> Session::decodeFile(const QString& path, ImageDecoder::Budget* budget) {
    Result<QImage> image = this->image(call({{QStringLiteral("op"), QStringLiteral("file")},
                                             {QStringLiteral("path"), path},
                                             {QStringLiteral("pixels"), budget ? budget->remainingPixels : -1}},
                                            path),
                                       path);
    if (image && budget) budget->remainingPixels -= qint64(image->width()) * image->height();
    return image;
}

Result<int> Session::pdfPageCount(const QString& path) {
    Result<Reply> reply = call({{QStringLiteral("op"), QStringLiteral("pdfPages")}, {QStringLiteral("path"), path}}, path);
    if (!reply) return reply.error();
    if (reply->fd >= 0) ::close(reply->fd);
    if (std::optional<IoError> error = refusal(reply->header, path)) return *error;
    const int pages = reply->header.value(QStringLiteral("pages")).toInt(0);
    if (pages < 1) return failure(path, QStringLiteral("the decoding process answered nonsense"));
    return pages;
}

Result<QImage> Session::pdfPage(const QString& path, int index) {
    return image(call({{QStringLiteral("op"), QStringLiteral("pdfPage")},
                       {QStringLiteral("path"), path},
                       {QStringLiteral("index"), index}},
                      path),
                 path);
}

Result<RecognizedText> Session::recognizeText(const QImage& gray, const QString& languages, const QString& name,
                                              const std::atomic<bool>* cancel) {
    const IoError nonsense{IoError::Kind::readError,
                           QStringLiteral("The text of %1 could not be read: the recognition process answered nonsense").arg(name)};
    if (gray.format() != QImage::Format_Grayscale8 || gray.isNull())
        return IoError{IoError::Kind::readError, QStringLiteral("The text of %1 could not be read").arg(name)};
    const int fd = newMemfd(size_t(gray.width()) * size_t(gray.height()));
    if (fd < 0) return IoError{IoError::Kind::readError, QStringLiteral("There is not enough memory to read the text")};
    bool written = true;
    for (int y = 0; written && y < gray.height(); ++y) {
        const off_t at = off_t(y) * gray.width();
        for (qsizetype done = 0; written && done < gray.width();) {
            const ssize_t n = ::pwrite(fd, gray.constScanLine(y) + done, size_t(gray.width() - done), at + done);
            if (n < 0 && errno == EINTR) continue;
            written = n > 0;
            done += std::max<ssize_t>(n, 0);
        }
    }
    if (!written) {
        ::close(fd);
        return IoError{IoError::Kind::readError, QStringLiteral("There is not enough memory to read the text")};
    }
    m_cancel = cancel;
    Result<Reply> reply = call({{QStringLiteral("op"), QStringLiteral("text")},
                                {QStringLiteral("width"), gray.width()},
                                {QStringLiteral("height"), gray.height()},
                                {QStringLiteral("languages"), languages}},
                               name, fd);
    m_cancel = nullptr;
    ::close(fd);
    if (!reply) return reply.error();
    const int words = reply->fd;
    if (std::optional<IoError> error = refusal(reply->header, name)) {
        if (words >= 0) ::close(words);
        return IoError{error->kind, QStringLiteral("The text of %1 could not be read: %2").arg(name, error->message)};
    }
    struct stat info {};
    // Sealed, and no more than a page of text could ever need.
    if (words < 0 || ::fstat(words, &info) != 0 || info.st_size > (qint64(64) << 20) ||
        (::fcntl(words, F_GET_SEALS) & kSeals) != kSeals) {
        if (words >= 0) ::close(words);
        return nonsense;
    }
    const QByteArray bytes = readAll(words);
    ::close(words);
    Result<RecognizedText> text = TextRecognition::decode(bytes, gray.size());
    if (!text) return nonsense;
    return text;
}

Result<QImage> Session::pdfThumbnail(const QString& path, int index, QSize box) {
    return image(call({{QStringLiteral("op"), QStringLiteral("thumbnail")},
                       {QStringLiteral("path"), path},
                       {QStringLiteral("index"), index},
                       {QStringLiteral("width"), box.width()},
                       {QStringLiteral("height"), box.height()}},
                      path),
                 path);
}

void Session::loadText(const QString& languages) {
    if (m_exceeded) return;
    QString why;
    // Not started, or gone: the reading says why.
    if (m_pid < 0 && !start(&why)) return;
    sendMessage(m_socket, {{QStringLiteral("op"), QStringLiteral("loadText")}, {QStringLiteral("languages"), languages}});
}

namespace {
Limits textLimits() {
    Limits limits;
    limits.wallMs = TextRecognition::kTimeLimitSeconds * 1000;
    // Two recognisers share the time.
    limits.cpuSeconds = 2 * TextRecognition::kTimeLimitSeconds + 5;
    return limits;
}
} // namespace

TextReader::TextReader(const QString& languages)
    : m_languages(TextRecognition::checkedLanguages(languages)), m_session(textLimits()) {
    if (m_languages) m_session.loadText(*m_languages);
}

Result<RecognizedText> TextReader::read(const QImage& image, const QString& name, const std::atomic<bool>* cancel) {
    if (!m_languages) return m_languages.error();
    const QImage gray = TextRecognition::prepared(image);
    if (gray.isNull())
        return IoError{IoError::Kind::readError, QStringLiteral("The text of %1 could not be read: it is empty").arg(name)};
    Result<RecognizedText> text = m_session.recognizeText(gray, *m_languages, name, cancel);
    if (!text && m_session.exceeded())
        return IoError{IoError::Kind::readError, QStringLiteral("Reading the text of %1 takes more than %2 seconds")
                                                     .arg(name)
                                                     .arg(TextRecognition::kTimeLimitSeconds)};
    return text;
}

Result<RecognizedText> readText(const QImage& image, const QString& languages, const QString& name,
                                 const std::atomic<bool>* cancel) {
    return TextReader(languages).read(image, name, cancel);
}

} // namespace DecodingChild
