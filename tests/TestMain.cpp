// Shared main of every test program: a private settings and runtime folder, the offscreen platform
// unless a display was asked for, and one QApplication for the whole run.
#include "io/DecodingChild.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Pictures decoded in a child process run this same test program as the child.
    DecodingChild::serveIfAsked(argc, argv);
    QTemporaryDir home;
    const QString config = QDir(home.path()).filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    // The recovery journal and the capture history too.
    qputenv("XDG_STATE_HOME", QDir(home.path()).filePath(QStringLiteral("state")).toLocal8Bit());
    // The save folder lives under the pictures folder: keep it out of the real one.
    QDir().mkpath(config);
    QFile dirs(QDir(config).filePath(QStringLiteral("user-dirs.dirs")));
    if (dirs.open(QIODevice::WriteOnly))
        dirs.write("XDG_PICTURES_DIR=\"" +
                   QDir(home.path()).filePath(QStringLiteral("Pictures")).toLocal8Bit() + "\"\n");
    dirs.close();
    const QString runtime = QDir(home.path()).filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QApplication::setApplicationName(QStringLiteral("Pictavo"));
    return RUN_ALL_TESTS();
}
