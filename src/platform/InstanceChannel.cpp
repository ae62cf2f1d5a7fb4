#include "platform/InstanceChannel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcInstance, "pictavo")

namespace InstanceChannel {

QString runtimeFolder(QString* error) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
    // Our own folder under /tmp, made private and checked to be ours: another user could have
    // made it first to catch our requests.
    const QString folder = QStringLiteral("/tmp/pictavo-%1").arg(getuid());
    const QByteArray native = QFile::encodeName(folder);
    mkdir(native.constData(), 0700);
    struct stat info {};
    if (lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0) {
        if (error) *error = QStringLiteral("%1 is not a private folder of this user.").arg(folder);
        return {};
    }
    return folder;
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
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool listening = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
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

void InstanceReply::finish(bool ok, const QString& error) {
    if (m_finished) return;
    m_finished = true;
    if (!m_socket) return; // the client went away: the work is done all the same
    QJsonObject answer{{QStringLiteral("ok"), ok}};
    if (!ok) answer.insert(QStringLiteral("error"), error);
    m_socket->write(InstanceChannel::frame(answer));
    m_socket->flush();
    m_socket->disconnectFromServer();
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer() {
    if (m_server) m_server->close();
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
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_path)) {
        if (error) *error = QStringLiteral("Cannot listen on %1: %2").arg(m_path, m_server->errorString());
        return Start::failed;
    }
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::accept);
    return Start::listening;
}

void InstanceServer::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
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
                return {answer->value(QStringLiteral("ok")).toBool(), answer->value(QStringLiteral("error")).toString()};
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
