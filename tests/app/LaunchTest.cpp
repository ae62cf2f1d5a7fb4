// Launches of the real `pictavo` against a running instance of it, as a person's terminal makes them.
#include "platform/InstanceChannel.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A private runtime and settings folder, and no display: the offscreen platform serves.
QProcessEnvironment environmentFor(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

// The soft and hard descriptor limits of a running process, from /proc.
std::pair<qint64, qint64> descriptorLimits(qint64 pid) {
    QFile limits(QStringLiteral("/proc/%1/limits").arg(pid));
    if (!limits.open(QIODevice::ReadOnly)) return {-1, -1};
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Max open files\\s+(\\d+)\\s+(\\d+)")).match(QString::fromLatin1(limits.readAll()));
    return m.hasMatch() ? std::pair{m.captured(1).toLongLong(), m.captured(2).toLongLong()} : std::pair{-1LL, -1LL};
}

} // namespace

// About 1100 idle connections once used up the instance's descriptors: the first failed accept
// closed its socket for good, and every later launch waited 5 s for "did not answer". The instance
// now raises its limit to the hard one, keeps at most 64 connections and never stops listening.
TEST(Launch, AThousandIdleConnectionsLeaveTheInstanceAnswering) {
    struct rlimit own {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &own), 0);
    if (own.rlim_max < 1300) GTEST_SKIP() << "this process may not hold 1100 connections";
    own.rlim_cur = own.rlim_max;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &own), 0);

    QTemporaryDir home;
    ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral("run"))));
    QFile::setPermissions(home.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString socket = home.filePath(QStringLiteral("run/pictavo.socket"));
    QProcess instance;
    instance.setProcessEnvironment(environmentFor(home));
    // Started as a desktop session often starts programs: 1024 descriptors, more allowed.
    const rlim_t hard = std::min<rlim_t>(own.rlim_max, 4096);
    instance.setChildProcessModifier([hard] {
        const struct rlimit limit {1024, hard};
        ::setrlimit(RLIMIT_NOFILE, &limit);
    });
    instance.start(QStringLiteral(PICTAVO_BINARY), {QStringLiteral("--instance-for-command")});
    ASSERT_TRUE(instance.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (!InstanceChannel::isListening(socket) && waited.elapsed() < 20000)
        QThread::msleep(50);
    ASSERT_TRUE(InstanceChannel::isListening(socket));
    EXPECT_EQ(descriptorLimits(instance.processId()), std::pair(qint64(hard), qint64(hard)));

    QList<int> idle;
    const QByteArray path = QFile::encodeName(socket);
    for (int i = 0; i < 1100; ++i) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) break;
        idle.append(fd);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) break;
    }
    EXPECT_EQ(idle.size(), 1100);

    const QString picture = home.filePath(QStringLiteral("door.png"));
    ASSERT_TRUE(TestSupport::solidImage(40, 30, Qt::blue).save(picture));
    QProcess launch;
    launch.setProcessEnvironment(environmentFor(home));
    launch.start(QStringLiteral(PICTAVO_BINARY), {picture});
    ASSERT_TRUE(launch.waitForFinished(30000));
    EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
    // What it keeps is bounded, not what was sent.
    const qsizetype held = QDir(QStringLiteral("/proc/%1/fd").arg(instance.processId()))
                               .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                               .size();
    EXPECT_LT(held, 400);

    for (int fd : idle)
        ::close(fd);
    ::kill(pid_t(instance.processId()), SIGTERM);
    instance.waitForFinished(10000);
}

// `capture last-region` before any region was selected: one "Pictavo: " line, exit 1, no file.
TEST(Launch, CaptureLastRegionWithNoneRememberedSaysSoInOneLine) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir().mkpath(home.filePath(QStringLiteral("run"))));
    QFile::setPermissions(home.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString output = home.filePath(QStringLiteral("again.png"));
    QProcess launch;
    launch.setProcessEnvironment(environmentFor(home));
    launch.start(QStringLiteral(PICTAVO_BINARY), {QStringLiteral("capture"), QStringLiteral("last-region"),
                                                  QStringLiteral("--output"), output});
    ASSERT_TRUE(launch.waitForFinished(30000));
    EXPECT_EQ(launch.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(launch.readAllStandardError()),
              QStringLiteral("Pictavo: there is no last region to capture again: select a region first (pictavo "
                             "capture region)\n"));
    EXPECT_TRUE(launch.readAllStandardOutput().isEmpty());
    EXPECT_FALSE(QFile::exists(output));
}
