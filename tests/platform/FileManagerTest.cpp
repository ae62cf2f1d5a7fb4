// Showing a folder in the file manager, against a private bus with a stand-in file manager: the
// call it gets, and the fallback when nobody (or only a failing one) answers.
#include "platform/FileManager.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// org.freedesktop.FileManager1 as file managers offer it: records ShowItems, or refuses it.
class StandInFileManager final : public QDBusVirtualObject {
public:
    bool refuse = false;
    bool silent = false; // takes the call and never answers
    QList<QVariantList> calls;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QLatin1String("org.freedesktop.FileManager1") ||
            message.member() != QLatin1String("ShowItems"))
            return false;
        calls.append(message.arguments());
        if (silent) return true;
        connection.send(refuse ? message.createErrorReply(QDBusError::Failed, QStringLiteral("no window today"))
                               : message.createReply());
        return true;
    }
};

// A session bus of the test's own, so no real file manager answers and none is started.
class FileManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const QString config = dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                                  "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                                  "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                  "<policy context=\"default\"><allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                                  "<allow own=\"*\"/></policy></busconfig>")
                       .arg(dir.path())
                       .toUtf8());
        file.close();
        daemon.setStandardErrorFile(QProcess::nullDevice());
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon.waitForStarted(5000)) << "dbus-daemon is missing: scripts/install-deps installs it";
        ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.canReadLine(); }, 5000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        caller = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("caller")));
        ASSERT_TRUE(caller->isConnected()) << caller->lastError().message().toStdString();
    }
    void TearDown() override {
        caller.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("caller"));
        QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
        daemon.kill();
        daemon.waitForFinished(2000);
    }
    QDBusConnection startFileManager(StandInFileManager& fm) {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("file-manager"));
        EXPECT_TRUE(bus.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &fm));
        EXPECT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
        return bus;
    }

    QTemporaryDir dir;
    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> caller;
};

} // namespace

TEST_F(FileManagerTest, TheFileManagerIsAskedToShowTheFolderSelected) {
    StandInFileManager fm;
    startFileManager(fm);
    const QString folder = dir.filePath(QStringLiteral("My Shots #1"));
    int fallbacks = 0;
    FileManager::showItem(folder, *caller, [&] { ++fallbacks; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fm.calls.isEmpty(); }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(fm.calls.size(), 1);
    ASSERT_EQ(fm.calls[0].size(), 2);
    // A URI, escaped, and no start-up id.
    const QStringList uris = fm.calls[0][0].toStringList();
    ASSERT_EQ(uris.size(), 1);
    EXPECT_TRUE(uris[0].startsWith(QStringLiteral("file:///"))) << uris[0].toStdString();
    EXPECT_TRUE(uris[0].endsWith(QStringLiteral("/My%20Shots%20%231"))) << uris[0].toStdString();
    EXPECT_EQ(QUrl(uris[0]).toLocalFile(), folder);
    EXPECT_EQ(fm.calls[0][1].toString(), QString());
    EXPECT_EQ(fallbacks, 0);
}

TEST_F(FileManagerTest, WithoutAnAnsweringFileManagerTheFallbackRunsOnce) {
    // Nobody owns the name: the bus refuses at once.
    int fallbacks = 0;
    FileManager::showItem(dir.path(), *caller, [&] { ++fallbacks; });
    EXPECT_EQ(fallbacks, 0); // not while the call is under way: it never blocks
    EXPECT_TRUE(QTest::qWaitFor([&] { return fallbacks == 1; }, 5000));

    // One that answers with an error.
    StandInFileManager fm;
    fm.refuse = true;
    startFileManager(fm);
    FileManager::showItem(dir.path(), *caller, [&] { ++fallbacks; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return fallbacks == 2; }, 5000));
    EXPECT_EQ(fm.calls.size(), 1);

    // One that never answers: the fallback after the time-out.
    fm.refuse = false;
    fm.silent = true;
    FileManager::showItem(dir.path(), *caller, [&] { ++fallbacks; }, 300);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fallbacks == 3; }, 5000));
    EXPECT_EQ(fm.calls.size(), 2);

    // No bus at all.
    FileManager::showItem(dir.path(), QDBusConnection(QStringLiteral("never-connected")), [&] { ++fallbacks; });
    EXPECT_EQ(fallbacks, 4);
    QTest::qWait(100);
    EXPECT_EQ(fallbacks, 4);
}
