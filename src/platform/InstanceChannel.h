#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class QLocalSocket;
class QSocketNotifier;

// The one running Pictavo per user and the way later launches hand their work to it: a local
// socket in the user's runtime folder, messages of a 4-byte big-endian length and compact JSON.
namespace InstanceChannel {

constexpr qsizetype kMaxMessage = 64 * 1024;
// Connections the instance keeps at once; past it the oldest one still to send its request goes.
constexpr qsizetype kMaxConnections = 64;

// The folder for the socket and the lock: $XDG_RUNTIME_DIR when it is a folder of this user's that
// only they may enter and write, else a 0700 folder of ours under /tmp. Empty with `error` set
// when neither is safe to use; `notice` says why $XDG_RUNTIME_DIR was passed over.
QString runtimeFolder(QString* error = nullptr, QString* notice = nullptr);
QString socketPath(QString* error = nullptr);

// Lets the process hold as many descriptors as the system allows it (the hard limit): every
// connection costs one.
void raiseDescriptorLimit();

namespace Testing {
// Where the fallback folder is made instead of /tmp; empty restores /tmp.
void setSharedTemporaryFolder(const QString& folder);
} // namespace Testing

// Whether something listens on the local socket at `path` (an instance, a compositor); asks the
// kernel directly, so it needs no Qt application.
bool isListening(const QString& path);

QByteArray frame(const QJsonObject& message);
// Takes one complete message off the front of `buffer`. Nothing while the message is incomplete;
// `malformed` is set when the bytes can never become a message (too long, not a JSON object).
std::optional<QJsonObject> takeMessage(QByteArray& buffer, bool* malformed);

} // namespace InstanceChannel

// The answer to one handed-over request; sent at most once, when the work is done. Until then a
// small "working" message every few seconds tells the launch that the instance is alive.
class InstanceReply final : public QObject {
    Q_OBJECT

public:
    static constexpr int kHeartbeatMs = 10000;

    explicit InstanceReply(QLocalSocket* socket, int heartbeatMs = kHeartbeatMs);
    // `text` goes back to be printed (the text a capture read), cut to what one message holds.
    void finish(bool ok, const QString& error = {}, const QString& text = {});
    bool isFinished() const { return m_finished; }

signals:
    // The launch that asked went away (killed, Ctrl+C) before the answer.
    void abandoned();

private:
    QPointer<QLocalSocket> m_socket;
    bool m_finished = false;
};

// The listening side, owned by the running instance.
class InstanceServer final : public QObject {
    Q_OBJECT

public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    enum class Start { listening, anotherInstance, failed };
    // Takes the lock, clears a socket a crash may have left and listens.
    Start start(QString* error = nullptr);
    QString path() const { return m_path; }
    // The connections kept now, at most kMaxConnections.
    qsizetype connectionCount() const;

signals:
    // Emitted from the event loop; call finish() on `reply` once the request is done. It belongs to
    // the connection and is deleted when the launch hangs up, so keep it in a QPointer across
    // anything that runs an event loop.
    void requestReceived(const QJsonObject& request, InstanceReply* reply);

private:
    void accept();
    void adopt(int descriptor);
    bool dropOldestIdle();

    std::unique_ptr<QLockFile> m_lock;
    // Listened on by hand: QLocalServer closes itself for good when an accept fails.
    int m_listener = -1;
    QSocketNotifier* m_notifier = nullptr;
    QString m_path;
    QList<QPointer<QLocalSocket>> m_connections; // oldest first
    QList<QPointer<QLocalSocket>> m_idle;        // still to send their request, oldest first
    int m_dropped = 0;
};

// The handing-over side: a later launch, without an event loop.
namespace InstanceClient {

struct Answer {
    Answer(bool ok = false, QString error = {}, QString text = {}, bool cut = false)
        : ok(ok), error(std::move(error)), text(std::move(text)), cut(cut) {}
    bool ok;
    QString error;
    QString text; // printed by the launch
    bool cut;     // the text was longer than a message holds
};

// Connects to the running instance; null when none listens.
std::unique_ptr<QLocalSocket> connect(const QString& path, int timeoutMs = 1000);
// An instance that has said nothing (not even that it is working) for this long is stuck.
constexpr int kSilenceLimitMs = 30000;

// Sends one request and waits for its answer while the instance keeps saying it is working: a
// capture may wait for the person as long as it takes, a stuck instance fails the launch.
Answer exchange(QLocalSocket& socket, const QJsonObject& request, int silenceLimitMs = kSilenceLimitMs);

} // namespace InstanceClient
