#include "io/FileIO.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

// Set in the unprivileged run this test starts of itself: the folder prepared by the first run.
constexpr char kFolderVariable[] = "PICTAVO_REFUSED_WRITE_FOLDER";

// A folder nobody but its owner may write into, and a writable one holding a read-only file.
void prepare(const QString& root) {
    QDir(root).mkpath(QStringLiteral("locked"));
    QDir(root).mkpath(QStringLiteral("open"));
    QFile existing(QDir(root).filePath(QStringLiteral("open/kept.pictproj")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();
    const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner |
                     QFile::ExeGroup | QFile::ExeOther;
    QFile::setPermissions(root, all | QFile::WriteOwner);
    QFile::setPermissions(QDir(root).filePath(QStringLiteral("locked")), all);
    QFile::setPermissions(QDir(root).filePath(QStringLiteral("open")),
                          all | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
    existing.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

void expectRefused(const QString& root) {
    const QString inLocked = QDir(root).filePath(QStringLiteral("locked/new.pictproj"));
    const std::optional<IoError> folder = FileIO::writeFileAtomically(inLocked, QByteArray("project"));
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->kind, IoError::Kind::noPermission) << folder->message.toStdString();
    EXPECT_TRUE(folder->message.contains(inLocked));
    EXPECT_TRUE(QDir(QDir(root).filePath(QStringLiteral("locked"))).isEmpty());

    const QString readOnly = QDir(root).filePath(QStringLiteral("open/kept.pictproj"));
    const std::optional<IoError> file = FileIO::writeFileAtomically(readOnly, QByteArray("project"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->kind, IoError::Kind::noPermission) << file->message.toStdString();
    QFile kept(readOnly);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
}

} // namespace

// The real refusal, not a simulated one. Root may write anywhere, so as root (as CI runs) the
// same test runs again under an unprivileged uid on a folder prepared here.
TEST(FileIO, WritesTheOSRefusesAreReportedAsLackOfPermission) {
    if (const QString given = qEnvironmentVariable(kFolderVariable); !given.isEmpty())
        return expectRefused(given);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.filePath(QStringLiteral("shared"));
    prepare(root);
    if (::geteuid() != 0) return expectRefused(root);

    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ExeGroup | QFile::ExeOther);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kFolderVariable), root);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                 QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("--gtest_filter=FileIO.WritesTheOSRefusesAreReportedAsLackOfPermission")});
    ASSERT_TRUE(child.waitForStarted()) << "setpriv is needed to run this test as root";
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test."))) << output.toStdString();
}
