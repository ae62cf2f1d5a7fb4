#pragma once
// A session bus of the test's own, so no real desktop service answers and none is started.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusVirtualObject>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class PrivateBus : public ::testing::Test {
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
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        daemon.kill();
        daemon.waitForFinished(2000);
    }
    // A second connection that offers `object` at `path` under the well-known `name`.
    QDBusConnection offer(const QString& name, const QString& path, QDBusVirtualObject* object) {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("service"));
        EXPECT_TRUE(bus.registerVirtualObject(path, object));
        EXPECT_TRUE(bus.registerService(name));
        return bus;
    }

    QTemporaryDir dir;
    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> caller;
};
