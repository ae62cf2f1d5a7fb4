// `pictavo FILE` on a real display: the picture opens in a window named after the file.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

TEST(OpenFile, APictureOpensInAWindow) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) GTEST_SKIP() << "needs a real display";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wiring closet.png"));
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(path));

    QProcess pictavo;
    pictavo.start(QStringLiteral(PICTAVO_BINARY), {path});
    ASSERT_TRUE(pictavo.waitForStarted());
    QProcess search;
    search.start(QStringLiteral("timeout"),
                 {QStringLiteral("15"), QStringLiteral("xdotool"), QStringLiteral("search"),
                  QStringLiteral("--sync"), QStringLiteral("--name"), QStringLiteral("wiring closet.png")});
    search.waitForFinished(20000);
    const QString windows = QString::fromLatin1(search.readAllStandardOutput()).trimmed();
    EXPECT_FALSE(windows.isEmpty()) << pictavo.readAllStandardError().toStdString();
    EXPECT_EQ(pictavo.state(), QProcess::Running);
    pictavo.terminate();
    pictavo.waitForFinished(5000);
}

TEST(OpenFile, AnUnreadableFileSaysWhyAndExits) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) GTEST_SKIP() << "needs a real display";
    QTemporaryDir dir;
    QProcess pictavo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")); // no alert box to dismiss
    pictavo.setProcessEnvironment(env);
    pictavo.start(QStringLiteral(PICTAVO_BINARY), {dir.filePath(QStringLiteral("gone.png"))});
    ASSERT_TRUE(pictavo.waitForFinished(20000) || (pictavo.kill(), false));
    EXPECT_EQ(pictavo.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(pictavo.readAllStandardError()).contains(QStringLiteral("Pictavo: ")));
}
