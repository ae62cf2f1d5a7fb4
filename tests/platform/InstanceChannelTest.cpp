#include "platform/InstanceChannel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <atomic>
#include <thread>

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
