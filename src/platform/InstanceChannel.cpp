#include "platform/InstanceChannel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <pwd.h>
#include <sys/resource.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "pictavo")

namespace InstanceChannel {

namespace {

QString g_sharedTemporary;

QString ownerName(uid_t uid) {
    if (const struct passwd* user = ::getpwuid(uid)) return QString::fromLocal8Bit(user->pw_name);
    return QStringLiteral("uid %1").arg(uid);
}

QString modeText(mode_t mode) {
    return QStringLiteral("0%1").arg(mode & 07777, 3, 8, QLatin1Char('0'));
}

// Why `folder` may not hold the socket: another user could put their own there to receive our
// requests (paths of files, where captures go) and answer "ok".
QString privacyProblem(const QString& folder, const struct stat& info) {
    if (!S_ISDIR(info.st_mode)) return QStringLiteral("%1 is not a folder").arg(folder);
    if (info.st_uid != ::getuid())
        return QStringLiteral("%1 belongs to user %2, not to you").arg(folder, ownerName(info.st_uid));
    if (info.st_mode & 077)
        return QStringLiteral("%1 is open to other users (mode %2)").arg(folder, modeText(info.st_mode));
    return {};
}

// Empty when $XDG_RUNTIME_DIR serves, else what is wrong with it.
QString runtimeProblem(const QString& runtime) {
    const QByteArray native = QFile::encodeName(runtime);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0)
        return QStringLiteral("cannot use XDG_RUNTIME_DIR %1: %2").arg(runtime, QString::fromLocal8Bit(std::strerror(errno)));
    if (const QString problem = privacyProblem(runtime, info); !problem.isEmpty())
        return QStringLiteral("XDG_RUNTIME_DIR %1").arg(problem);
    if (::access(native.constData(), W_OK | X_OK) != 0)
        return QStringLiteral("cannot create pictavo.socket in %1: %2").arg(runtime, QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

} // namespace

namespace Testing {
void setSharedTemporaryFolder(const QString& folder) {
    g_sharedTemporary = folder;
}
} // namespace Testing

QString runtimeFolder(QString* error, QString* notice) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString passedOver = runtime.isEmpty() ? QString() : runtimeProblem(runtime);
    if (!runtime.isEmpty() && passedOver.isEmpty()) return runtime;
    // Our own folder under /tmp, made private and checked to be ours: another user could have
    // made it first to catch our requests.
    const QString shared = g_sharedTemporary.isEmpty() ? QStringLiteral("/tmp") : g_sharedTemporary;
    const QString folder = QStringLiteral("%1/pictavo-%2").arg(shared).arg(::getuid());
    const QByteArray native = QFile::encodeName(folder);
    ::mkdir(native.constData(), 0700);
    struct stat info {};
    QString problem;
    if (::lstat(native.constData(), &info) != 0)
        problem = QStringLiteral("cannot create %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    else if (S_ISLNK(info.st_mode))
        problem = QStringLiteral("%1 is a link, not a folder").arg(folder);
    else
        problem = privacyProblem(folder, info);
    if (!problem.isEmpty()) {
        if (error) {
            *error = passedOver.isEmpty() ? QString() : passedOver + QStringLiteral(", and ");
            if (S_ISDIR(info.st_mode) && info.st_uid != ::getuid())
                *error += problem + QStringLiteral(": another user may be waiting for Pictavo's requests there. "
                                                   "Ask them or an administrator to remove it, or set "
                                                   "XDG_RUNTIME_DIR to a folder only you may use.");
            else
                *error += problem + QStringLiteral(": remove it (Pictavo makes it again, private), or set "
                                                   "XDG_RUNTIME_DIR to a folder only you may use.");
        }
        return {};
    }
    if (notice && !passedOver.isEmpty()) *notice = QStringLiteral("%1; using %2 instead").arg(passedOver, folder);
    return folder;
}

void raiseDescriptorLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

QString socketPath(QString* error) {
    const QString folder = runtimeFolder(error);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("pictavo.socket"));
}

bool isListening(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    if (native.isEmpty() || size_t(native.size()) >= sizeof(address.sun_path)) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    // Without blocking: a listener whose queue is full (busy, or flooded) is there all the same,
    // and asking must not wait for it.
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const bool listening =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 || errno == EAGAIN;
    close(fd);
    return listening;
}

QByteArray frame(const QJsonObject& message) {
    const QByteArray body = QJsonDocument(message).toJson(QJsonDocument::Compact);
    QByteArray bytes(4, '\0');
    qToBigEndian(quint32(body.size()), bytes.data());
    return bytes + body;
}

std::optional<QJsonObject> takeMessage(QByteArray& buffer, bool* malformed) {
    if (malformed) *malformed = false;
    if (buffer.size() < 4) return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > quint32(kMaxMessage)) {
        if (malformed) *malformed = true;
        return std::nullopt;
    }
    if (buffer.size() < qsizetype(4 + length)) return std::nullopt;
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(buffer.mid(4, length), &parse);
    buffer.remove(0, 4 + length);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        if (malformed) *malformed = true;
        return std::nullopt;
    }
    return document.object();
}

} // namespace InstanceChannel

InstanceReply::InstanceReply(QLocalSocket* socket, int heartbeatMs) : QObject(socket), m_socket(socket) {
    connect(socket, &QLocalSocket::disconnected, this, [this] {
        if (!m_finished) emit abandoned();
    });
    auto* heartbeat = new QTimer(this);
    connect(heartbeat, &QTimer::timeout, this, [this, heartbeat] {
        if (m_finished || !m_socket) return heartbeat->stop();
        m_socket->write(InstanceChannel::frame({{QStringLiteral("working"), true}}));
    });
    heartbeat->start(heartbeatMs);
}

void InstanceReply::finish(bool ok, const QString& error, const QString& text) {
    if (m_finished) return;
    m_finished = true;
    if (!m_socket) return; // the client went away: the work is done all the same
    QJsonObject answer{{QStringLiteral("ok"), ok}};
    if (!ok) answer.insert(QStringLiteral("error"), error);
    if (!text.isEmpty()) {
        // Escaped, a character takes at most six bytes: this always fits one message.
        constexpr qsizetype kMaxText = (InstanceChannel::kMaxMessage - 1024) / 6;
        answer.insert(QStringLiteral("text"), text.size() > kMaxText ? text.left(kMaxText) : text);
        if (text.size() > kMaxText) answer.insert(QStringLiteral("cut"), true);
    }
    m_socket->write(InstanceChannel::frame(answer));
    m_socket->flush();
    m_socket->disconnectFromServer();
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer() {
    if (m_listener < 0) return;
    ::close(m_listener);
    ::unlink(QFile::encodeName(m_path).constData());
}

qsizetype InstanceServer::connectionCount() const {
    return std::count_if(m_connections.cbegin(), m_connections.cend(), [](const auto& c) { return !c.isNull(); });
}

InstanceServer::Start InstanceServer::start(QString* error) {
    m_path = InstanceChannel::socketPath(error);
    if (m_path.isEmpty()) return Start::failed;
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    // A lock whose owner has died is taken over; a live owner keeps it however old it is.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError) return Start::anotherInstance;
        if (error) *error = QStringLiteral("Cannot create the lock %1.lock.").arg(m_path);
        return Start::failed;
    }
    InstanceChannel::raiseDescriptorLimit();
    const QByteArray native = QFile::encodeName(m_path);
    sockaddr_un address{};
    auto failed = [&](const QString& why) {
        if (error) *error = QStringLiteral("Cannot listen on %1: %2").arg(m_path, why);
        if (m_listener >= 0) ::close(std::exchange(m_listener, -1));
        return Start::failed;
    };
    if (size_t(native.size()) >= sizeof(address.sun_path)) return failed(QStringLiteral("the path is too long"));
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    // A socket left by a crash: the lock says nobody listens on it.
    ::unlink(native.constData());
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    auto reason = [] { return QString::fromLocal8Bit(std::strerror(errno)); };
    if (m_listener < 0) return failed(reason());
    if (::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) return failed(reason());
    ::chmod(native.constData(), 0700);
    if (::listen(m_listener, 128) != 0) return failed(reason());
    m_notifier = new QSocketNotifier(m_listener, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InstanceServer::accept);
    return Start::listening;
}

bool InstanceServer::dropOldestIdle() {
    m_idle.removeAll(nullptr);
    if (m_idle.isEmpty()) return false;
    QLocalSocket* oldest = m_idle.takeFirst();
    ++m_dropped;
    oldest->abort(); // its descriptor is free at once
    oldest->deleteLater();
    return true;
}

void InstanceServer::accept() {
    // A flood is one line in the log, not one a connection.
    const auto logDropped = qScopeGuard([this] {
        if (m_dropped > 0)
            qCWarning(lcInstance, "Pictavo: too many connections: dropped %d that sent no request",
                      std::exchange(m_dropped, 0));
    });
    for (;;) {
        const int descriptor = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (descriptor >= 0) {
            adopt(descriptor);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return;
        // Out of descriptors: an idle connection makes room. With none to drop, the connection
        // waits in the queue and is tried again shortly; the server never stops listening.
        if ((errno == EMFILE || errno == ENFILE) && dropOldestIdle()) continue;
        qCWarning(lcInstance, "Pictavo: could not accept a connection: %s", std::strerror(errno));
        m_notifier->setEnabled(false);
        QTimer::singleShot(100, m_notifier, [notifier = m_notifier] { notifier->setEnabled(true); });
        return;
    }
}

void InstanceServer::adopt(int descriptor) {
    m_connections.removeAll(nullptr);
    if (m_connections.size() >= InstanceChannel::kMaxConnections) dropOldestIdle();
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(descriptor, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
        ::close(descriptor);
        delete socket;
        return;
    }
    m_connections.append(socket);
    m_idle.append(socket);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<QByteArray>();
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    // A client that never completes its message does not keep a connection forever.
    connect(deadline, &QTimer::timeout, socket, [socket] {
        qCWarning(lcInstance, "Pictavo: dropped a connection that sent no complete request");
        socket->abort();
    });
    deadline->start(10000);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer, deadline] {
        if (!deadline->isActive()) return; // one request per connection, already taken
        buffer->append(socket->readAll());
        bool malformed = false;
        const std::optional<QJsonObject> request = InstanceChannel::takeMessage(*buffer, &malformed);
        if (malformed) {
            qCWarning(lcInstance, "Pictavo: dropped a malformed request");
            deadline->stop();
            socket->abort();
            return;
        }
        if (!request) return;
        deadline->stop();
        m_idle.removeAll(socket); // busy now: its launch waits for the answer
        // Handled from the event loop, not inside the socket's own signal: the work may run a
        // dialog's event loop (the page picker), in which a launch that hangs up has its socket
        // deleted; unwinding back into that socket's code would crash.
        QPointer<InstanceReply> reply(new InstanceReply(socket));
        QMetaObject::invokeMethod(
            this,
            [this, reply, request = *request] {
                if (reply) emit requestReceived(request, reply);
            },
            Qt::QueuedConnection);
    });
}

namespace InstanceClient {

std::unique_ptr<QLocalSocket> connect(const QString& path, int timeoutMs) {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(path);
    if (!socket->waitForConnected(timeoutMs)) return nullptr;
    return socket;
}

Answer exchange(QLocalSocket& socket, const QJsonObject& request, int silenceLimitMs) {
    socket.write(InstanceChannel::frame(request));
    if (!socket.waitForBytesWritten(5000)) return {false, QStringLiteral("could not hand the request to the running Pictavo")};
    QByteArray buffer;
    QElapsedTimer silence;
    silence.start();
    for (;;) {
        bool malformed = false;
        while (std::optional<QJsonObject> answer = InstanceChannel::takeMessage(buffer, &malformed)) {
            if (!answer->contains(QStringLiteral("working")))
                return {answer->value(QStringLiteral("ok")).toBool(), answer->value(QStringLiteral("error")).toString(),
                        answer->value(QStringLiteral("text")).toString(), answer->value(QStringLiteral("cut")).toBool()};
            silence.restart();
        }
        if (malformed) return {false, QStringLiteral("the running Pictavo sent an answer that cannot be read")};
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
            return {false, QStringLiteral("the running Pictavo stopped before it answered")};
        if (silence.elapsed() >= silenceLimitMs)
            return {false, QStringLiteral("the running Pictavo did not answer within %1 s").arg(silenceLimitMs / 1000)};
        socket.waitForReadyRead(int(std::clamp<qint64>(silenceLimitMs - silence.elapsed(), 1, 1000)));
        buffer.append(socket.readAll());
    }
}

} // namespace InstanceClient
