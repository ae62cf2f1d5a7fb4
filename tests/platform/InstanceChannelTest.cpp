#include "platform/InstanceChannel.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <atomic>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Each test gets its own runtime folder, so it never meets a real instance.
class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_dir.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_saved); }
    QTemporaryDir m_dir;
    QByteArray m_saved;
};

} // namespace

TEST(InstanceChannelFrames, MessagesRoundTripAndBadBytesAreRefused) {
    const QJsonObject request{{QStringLiteral("command"), QStringLiteral("open")},
                              {QStringLiteral("files"), QJsonArray{QStringLiteral("/tmp/a b.png")}}};
    QByteArray bytes = InstanceChannel::frame(request) + InstanceChannel::frame({{QStringLiteral("x"), 1}});
    QByteArray partial = bytes.left(7);
    bool malformed = true;
    EXPECT_FALSE(InstanceChannel::takeMessage(partial, &malformed).has_value());
    EXPECT_FALSE(malformed);
    EXPECT_EQ(InstanceChannel::takeMessage(bytes, &malformed), request);
    EXPECT_EQ(InstanceChannel::takeMessage(bytes, &malformed), QJsonObject({{QStringLiteral("x"), 1}}));
    EXPECT_TRUE(bytes.isEmpty());

    // Longer than allowed: refused from its length alone, before anything is buffered.
    QByteArray huge(4, '\0');
    qToBigEndian(quint32(InstanceChannel::kMaxMessage + 1), huge.data());
    EXPECT_FALSE(InstanceChannel::takeMessage(huge, &malformed).has_value());
    EXPECT_TRUE(malformed);
    QByteArray notJson = InstanceChannel::frame({}).left(4);
    qToBigEndian(quint32(5), notJson.data());
    notJson += "[1,2]";
    EXPECT_FALSE(InstanceChannel::takeMessage(notJson, &malformed).has_value());
    EXPECT_TRUE(malformed);
}

TEST_F(InstanceChannelTest, OneInstanceListensAndAnswersWhatIsHandedOver) {
    InstanceServer first;
    ASSERT_EQ(first.start(), InstanceServer::Start::listening);
    EXPECT_EQ(first.path(), QDir(m_dir.path()).filePath(QStringLiteral("pictavo.socket")));
    EXPECT_TRUE(InstanceChannel::isListening(first.path()));
    InstanceServer second;
    EXPECT_EQ(second.start(), InstanceServer::Start::anotherInstance);

    QObject::connect(&first, &InstanceServer::requestReceived, [](const QJsonObject& request, InstanceReply* reply) {
        if (request.value(QStringLiteral("command")) == QStringLiteral("open"))
            reply->finish(true);
        else
            reply->finish(false, QStringLiteral("unknown"));
    });
    // The client blocks as a later launch does; the server's event loop runs here meanwhile.
    InstanceClient::Answer answers[2];
    std::thread client([&] {
        for (int i = 0; i < 2; ++i) {
            std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(first.path());
            if (!socket) return;
            answers[i] = InstanceClient::exchange(
                *socket, {{QStringLiteral("command"), i == 0 ? QStringLiteral("open") : QStringLiteral("fly")}});
        }
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !answers[1].error.isEmpty(); }, 5000));
    client.join();
    EXPECT_TRUE(answers[0].ok) << answers[0].error.toStdString();
    EXPECT_FALSE(answers[1].ok);
    EXPECT_EQ(answers[1].error, QStringLiteral("unknown"));
}

TEST_F(InstanceChannelTest, GarbageIsDroppedAndTheServerKeepsListening) {
    InstanceServer server;
    ASSERT_EQ(server.start(), InstanceServer::Start::listening);
    int requests = 0;
    QObject::connect(&server, &InstanceServer::requestReceived, [&](const QJsonObject&, InstanceReply* reply) {
        ++requests;
        reply->finish(true);
    });
    QLocalSocket garbage;
    garbage.connectToServer(server.path());
    ASSERT_TRUE(garbage.waitForConnected(1000));
    garbage.write(QByteArray("\xff\xff\xff\xffnonsense", 12));
    garbage.flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return garbage.state() == QLocalSocket::UnconnectedState; }, 3000));
    EXPECT_EQ(requests, 0);
    EXPECT_TRUE(InstanceChannel::isListening(server.path()));
}

TEST_F(InstanceChannelTest, ASocketLeftByACrashDoesNotBlockTheNextStart) {
    const QString path = InstanceChannel::socketPath();
    // A crash leaves the socket's file behind with nobody listening.
    QFile leftover(path);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    InstanceServer server;
    EXPECT_EQ(server.start(), InstanceServer::Start::listening);
    EXPECT_TRUE(InstanceChannel::isListening(path));
}

namespace {

// A request whose frame body is exactly `size` bytes of compact JSON.
QJsonObject requestOfSize(qsizetype size) {
    const qsizetype overhead = QJsonDocument(QJsonObject{{QStringLiteral("p"), QString()}}).toJson(QJsonDocument::Compact).size();
    return QJsonObject{{QStringLiteral("p"), QString(size - overhead, QLatin1Char('x'))}};
}

int connectRaw(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // A server that stopped accepting must fail the test, not hang it.
    const timeval limit{2, 0};
    if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Idle connections held by a child process (so they cost this process nothing) until `release`.
struct IdleCrowd {
    pid_t pid = -1;
    int ready[2] = {-1, -1}, release[2] = {-1, -1};

    IdleCrowd(const QString& socket, int count) {
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        const QByteArray path = QFile::encodeName(socket);
        pid = ::fork();
        if (pid != 0) return;
        // The child only makes system calls until it leaves.
        struct rlimit limit {};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        int made = 0;
        while (made < count && connectRaw(path) >= 0)
            ++made;
        const char report = made == count ? 'y' : 'n';
        (void)!::write(ready[1], &report, 1);
        char done;
        (void)!::read(release[0], &done, 1);
        ::_exit(0);
    }
    // Whether every connection was made while the event loop ran, well before the instance drops
    // connections that stay silent for 10 s (which would make room in any case).
    bool connected() {
        char report = 0;
        const bool reported = QTest::qWaitFor([&] {
            pollfd p{ready[0], POLLIN, 0};
            return ::poll(&p, 1, 0) == 1;
        }, 5000);
        return reported && ::read(ready[0], &report, 1) == 1 && report == 'y';
    }
    ~IdleCrowd() {
        if (pid > 0) {
            (void)!::write(release[1], "x", 1);
            ::waitpid(pid, nullptr, 0);
        }
        for (int fd : {ready[0], ready[1], release[0], release[1]})
            if (fd >= 0) ::close(fd);
    }
};

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

InstanceClient::Answer askInThread(const QString& path, const QJsonObject& request) {
    InstanceClient::Answer answer;
    std::atomic<bool> done{false};
    std::thread client([&] {
        if (std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(path)) answer = InstanceClient::exchange(*socket, request);
        done = true;
    });
    // The client gives up on its own (no answer within its limits): wait for it either way.
    if (!QTest::qWaitFor([&] { return bool(done); }, 10000)) answer.error = QStringLiteral("no answer within 10 s");
    client.join();
    return answer;
}

} // namespace

// The limit is 64 KiB of message, inclusive: a request of exactly that is taken, one byte more is not.
TEST_F(InstanceChannelTest, AMessageOfExactlyTheLimitIsTaken) {
    QByteArray exact = InstanceChannel::frame(requestOfSize(InstanceChannel::kMaxMessage));
    ASSERT_EQ(exact.size(), 4 + InstanceChannel::kMaxMessage);
    bool malformed = true;
    EXPECT_EQ(InstanceChannel::takeMessage(exact, &malformed), requestOfSize(InstanceChannel::kMaxMessage));
    EXPECT_FALSE(malformed);
    QByteArray over = InstanceChannel::frame(requestOfSize(InstanceChannel::kMaxMessage + 1));
    EXPECT_FALSE(InstanceChannel::takeMessage(over, &malformed));
    EXPECT_TRUE(malformed);

    InstanceServer server;
    ASSERT_EQ(server.start(), InstanceServer::Start::listening);
    qsizetype received = 0;
    QObject::connect(&server, &InstanceServer::requestReceived, [&](const QJsonObject& request, InstanceReply* reply) {
        received = request.value(QStringLiteral("p")).toString().size();
        reply->finish(true);
    });
    const InstanceClient::Answer answer = askInThread(server.path(), requestOfSize(InstanceChannel::kMaxMessage));
    EXPECT_TRUE(answer.ok) << answer.error.toStdString();
    EXPECT_GT(received, InstanceChannel::kMaxMessage - 16);
}

// Connections that never send anything are bounded: the oldest idle one goes for a new one, and
// a real request is still answered among 300 of them.
TEST_F(InstanceChannelTest, IdleConnectionsAreBoundedAndTheOldestGoes) {
    InstanceServer server;
    ASSERT_EQ(server.start(), InstanceServer::Start::listening);
    QObject::connect(&server, &InstanceServer::requestReceived, [](const QJsonObject&, InstanceReply* reply) {
        reply->finish(true);
    });
    const int first = connectRaw(QFile::encodeName(server.path()));
    ASSERT_GE(first, 0);
    IdleCrowd crowd(server.path(), 300);
    ASSERT_TRUE(crowd.connected());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.connectionCount() == InstanceChannel::kMaxConnections; }, 5000))
        << server.connectionCount();
    // The first connection was the oldest: the instance hung up on it.
    char byte;
    EXPECT_EQ(::recv(first, &byte, 1, MSG_DONTWAIT), 0);
    ::close(first);
    EXPECT_TRUE(askInThread(server.path(), {{QStringLiteral("command"), QStringLiteral("activate")}}).ok);
    EXPECT_LE(server.connectionCount(), InstanceChannel::kMaxConnections);
}

// With its descriptors all used, an accept fails; the instance once closed its socket for good
// then, and every later launch failed. It must keep listening and answer once there is room.
TEST_F(InstanceChannelTest, RunningOutOfDescriptorsNeverStopsTheListening) {
    InstanceServer server;
    ASSERT_EQ(server.start(), InstanceServer::Start::listening);
    QObject::connect(&server, &InstanceServer::requestReceived, [](const QJsonObject&, InstanceReply* reply) {
        reply->finish(true);
    });
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    // Room for fewer connections than the instance would keep.
    struct rlimit tight = saved;
    tight.rlim_cur = rlim_t(openDescriptors() + 20);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    bool connected = false;
    {
        IdleCrowd crowd(server.path(), 200);
        connected = crowd.connected();
        ::setrlimit(RLIMIT_NOFILE, &saved);
        EXPECT_TRUE(InstanceChannel::isListening(server.path()));
        EXPECT_TRUE(QFile::exists(server.path()));
        EXPECT_TRUE(askInThread(server.path(), {{QStringLiteral("command"), QStringLiteral("activate")}}).ok);
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_TRUE(connected);
    EXPECT_TRUE(askInThread(server.path(), {{QStringLiteral("command"), QStringLiteral("activate")}}).ok);
}

namespace {

// The folder that stands for /tmp in these tests, so that they never touch the real one.
class RuntimeFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::chmod(QFile::encodeName(shared.path()).constData(), 01777);
        InstanceChannel::Testing::setSharedTemporaryFolder(shared.path());
    }
    void TearDown() override {
        InstanceChannel::Testing::setSharedTemporaryFolder({});
        qputenv("XDG_RUNTIME_DIR", saved);
    }
    QString fallback() const { return QStringLiteral("%1/pictavo-%2").arg(shared.path()).arg(::getuid()); }
    QTemporaryDir shared, runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
};

constexpr char kUnwritableRuntime[] = "PICTAVO_UNWRITABLE_RUNTIME";
constexpr char kSharedFolder[] = "PICTAVO_SHARED_FOLDER";

void expectUnwritableRuntimePassedOver(const QString& runtime, const QString& shared) {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    InstanceChannel::Testing::setSharedTemporaryFolder(shared);
    QString error, notice;
    const QString folder = InstanceChannel::runtimeFolder(&error, &notice);
    const QString expected = QStringLiteral("%1/pictavo-%2").arg(shared).arg(::getuid());
    EXPECT_EQ(folder, expected) << error.toStdString();
    EXPECT_EQ(notice, QStringLiteral("cannot create pictavo.socket in %1: Permission denied; using %2 instead")
                          .arg(runtime, expected));
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(expected).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    InstanceChannel::Testing::setSharedTemporaryFolder({});
}

} // namespace

// $XDG_RUNTIME_DIR is used only when it is the user's own, private folder: another user's folder
// or one open to others could hold a fake instance that receives the requests and answers "ok".
TEST_F(RuntimeFolderTest, ARuntimeFolderOthersCouldUseIsPassedOverAndSaysWhy) {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QString error, notice;
    EXPECT_EQ(InstanceChannel::runtimeFolder(&error, &notice), runtime.path());
    EXPECT_TRUE(notice.isEmpty());

    ::chmod(QFile::encodeName(runtime.path()).constData(), 0755);
    EXPECT_EQ(InstanceChannel::runtimeFolder(&error, &notice), fallback());
    EXPECT_EQ(notice, QStringLiteral("XDG_RUNTIME_DIR %1 is open to other users (mode 0755); using %2 instead")
                          .arg(runtime.path(), fallback()));

    if (const std::optional<TestSupport::OtherUser> other = TestSupport::otherUser()) {
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        ASSERT_EQ(::chown(QFile::encodeName(runtime.path()).constData(), other->uid, other->gid), 0);
        notice.clear();
        EXPECT_EQ(InstanceChannel::runtimeFolder(&error, &notice), fallback());
        EXPECT_EQ(notice, QStringLiteral("XDG_RUNTIME_DIR %1 belongs to user %2, not to you; using %3 instead")
                              .arg(runtime.path(), other->name, fallback()));
        ::chown(QFile::encodeName(runtime.path()).constData(), ::getuid(), ::getgid());
    }
    qunsetenv("XDG_RUNTIME_DIR");
    notice.clear();
    EXPECT_EQ(InstanceChannel::runtimeFolder(&error, &notice), fallback());
    EXPECT_TRUE(notice.isEmpty()); // no runtime folder given: nothing to explain
}

// A /tmp folder of one's own that others may enter is not used either; the message says how to
// have it made again.
TEST_F(RuntimeFolderTest, AnOpenFallbackFolderOfOnesOwnIsNotUsed) {
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(QDir().mkpath(fallback()));
    ::chmod(QFile::encodeName(fallback()).constData(), 0755);
    QString error;
    EXPECT_TRUE(InstanceChannel::runtimeFolder(&error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("%1 is open to other users (mode 0755): remove it (Pictavo makes it again, "
                                    "private), or set XDG_RUNTIME_DIR to a folder only you may use.")
                         .arg(fallback()));
}

// Another user made the /tmp folder first: nothing is used, and the message names its owner and
// what to do.
TEST_F(RuntimeFolderTest, AFallbackFolderMadeByAnotherUserIsNamedWithItsOwner) {
    const std::optional<TestSupport::OtherUser> other = TestSupport::otherUser();
    if (!other) GTEST_SKIP() << "needs root to make a second user";
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(QDir().mkpath(fallback()));
    ::chmod(QFile::encodeName(fallback()).constData(), 0700);
    ASSERT_EQ(::chown(QFile::encodeName(fallback()).constData(), other->uid, other->gid), 0);
    QString error;
    EXPECT_TRUE(InstanceChannel::runtimeFolder(&error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("%1 belongs to user %2, not to you: another user may be waiting for Pictavo's "
                                    "requests there. Ask them or an administrator to remove it, or set "
                                    "XDG_RUNTIME_DIR to a folder only you may use.")
                         .arg(fallback(), other->name));
    EXPECT_TRUE(InstanceChannel::socketPath().isEmpty());
}

// A runtime folder that exists but cannot be written: the reason is said and the private /tmp
// folder serves. Root may write anywhere, so this runs again as the second user.
TEST_F(RuntimeFolderTest, AnUnwritableRuntimeFolderSaysWhyAndFallsBack) {
    if (const QString given = qEnvironmentVariable(kUnwritableRuntime); !given.isEmpty())
        return expectUnwritableRuntimePassedOver(given, qEnvironmentVariable(kSharedFolder));
    if (::geteuid() != 0) {
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0500);
        expectUnwritableRuntimePassedOver(runtime.path(), shared.path());
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        return;
    }
    const std::optional<TestSupport::OtherUser> other = TestSupport::otherUser();
    if (!other) GTEST_SKIP() << "needs a second user";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString unwritable = dir.filePath(QStringLiteral("run"));
    ASSERT_EQ(::mkdir(QFile::encodeName(unwritable).constData(), 0500), 0);
    ASSERT_EQ(::chown(QFile::encodeName(unwritable).constData(), other->uid, other->gid), 0);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kUnwritableRuntime), unwritable);
    env.insert(QString::fromLatin1(kSharedFolder), shared.path());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=%1").arg(other->uid), QStringLiteral("--regid=%1").arg(other->gid),
                 QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("--gtest_filter=RuntimeFolderTest.AnUnwritableRuntimeFolderSaysWhyAndFallsBack")});
    ASSERT_TRUE(child.waitForStarted()) << "setpriv is needed to run this test as root";
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test."))) << output.toStdString();
}

// A launch waits for its answer only while the instance shows it is alive: an instance that says
// nothing for the time limit (stuck in a library, say) fails the launch with a clear message.
TEST_F(InstanceChannelTest, ALaunchGivesUpOnASilentInstance) {
    QLocalServer silent; // accepts, never answers
    ASSERT_TRUE(silent.listen(QDir(m_dir.path()).filePath(QStringLiteral("silent.socket"))));
    std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(silent.fullServerName());
    ASSERT_TRUE(socket);
    QElapsedTimer waited;
    waited.start();
    const InstanceClient::Answer answer =
        InstanceClient::exchange(*socket, {{QStringLiteral("command"), QStringLiteral("open")}}, 1000);
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.error, QStringLiteral("the running Pictavo did not answer within 1 s"));
    EXPECT_GE(waited.elapsed(), 1000);
    EXPECT_LT(waited.elapsed(), 3000);
}

// ... while an instance that keeps saying it is working (a capture waiting for the person) is
// waited for past the limit, and its real answer is the one the launch gets.
TEST_F(InstanceChannelTest, AWorkingInstanceIsWaitedFor) {
    QLocalServer server;
    ASSERT_TRUE(server.listen(QDir(m_dir.path()).filePath(QStringLiteral("busy.socket"))));
    QPointer<InstanceReply> reply;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        reply = new InstanceReply(server.nextPendingConnection(), 100);
        QTimer::singleShot(1200, reply, [&] { reply->finish(false, QStringLiteral("the capture was cancelled")); });
    });
    InstanceClient::Answer answer;
    std::atomic<bool> done{false};
    std::thread client([&] {
        if (std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(server.fullServerName()))
            answer = InstanceClient::exchange(*socket, {{QStringLiteral("command"), QStringLiteral("capture")}}, 500);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(done); }, 8000));
    client.join();
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.error, QStringLiteral("the capture was cancelled"));
}
