// `pictavo FILE` on a real display: the picture opens in a window named after the file.
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

// A runtime folder of its own, so the launch starts its own instance; stopped at the end.
struct OwnInstance {
    QTemporaryDir runtime;
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        return env;
    }
    ~OwnInstance() {
        QFile lock(runtime.filePath(QStringLiteral("pictavo.socket.lock")));
        if (lock.open(QIODevice::ReadOnly))
            if (const qint64 pid = lock.readLine().trimmed().toLongLong(); pid > 0) ::kill(pid_t(pid), SIGTERM);
    }
};

} // namespace

TEST(OpenFile, APictureOpensInAWindow) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) GTEST_SKIP() << "needs a real display";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wiring closet.png"));
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(path));

    OwnInstance instance;
    QProcess pictavo;
    pictavo.setProcessEnvironment(instance.environment());
    pictavo.start(QStringLiteral(PICTAVO_BINARY), {path});
    // The launch hands the file to the instance it starts and returns once the window is open.
    ASSERT_TRUE(pictavo.waitForFinished(20000));
    EXPECT_EQ(pictavo.exitCode(), 0) << pictavo.readAllStandardError().toStdString();
    QProcess search;
    search.start(QStringLiteral("timeout"),
                 {QStringLiteral("15"), QStringLiteral("xdotool"), QStringLiteral("search"),
                  QStringLiteral("--sync"), QStringLiteral("--name"), QStringLiteral("wiring closet.png")});
    search.waitForFinished(20000);
    const QString windows = QString::fromLatin1(search.readAllStandardOutput()).trimmed();
    EXPECT_FALSE(windows.isEmpty());
}

TEST(OpenFile, AnUnreadableFileSaysWhyAndExits) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) GTEST_SKIP() << "needs a real display";
    QTemporaryDir dir;
    OwnInstance instance;
    QProcess pictavo;
    QProcessEnvironment env = instance.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")); // no alert box to dismiss
    pictavo.setProcessEnvironment(env);
    pictavo.start(QStringLiteral(PICTAVO_BINARY), {dir.filePath(QStringLiteral("gone.png"))});
    ASSERT_TRUE(pictavo.waitForFinished(20000) || (pictavo.kill(), false));
    EXPECT_EQ(pictavo.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(pictavo.readAllStandardError()).contains(QStringLiteral("Pictavo: ")));
}
