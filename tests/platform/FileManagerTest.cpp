// Showing a folder in the file manager, against a private bus with a stand-in file manager: the
// call it gets, and the fallback when nobody (or only a failing one) answers.
#include "platform/FileManager.h"
#include "PrivateBus.h"

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

class FileManagerTest : public PrivateBus {
protected:
    QDBusConnection startFileManager(StandInFileManager& fm) {
        return offer(QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"), &fm);
    }
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
