#include "io/FileIO.h"
#include "io/SaveFolder.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
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

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writePlain(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

bool isLink(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

struct stat statOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

} // namespace

// Another user plants `ln -s ~victim/thesis.txt /tmp/shared/shot.png`: writing shot.png must not
// turn the thesis into a picture. One's own links elsewhere are followed, as editors do.
TEST(FileIO, LinksAnotherUserCouldHavePlantedAreNotWrittenThrough) {
    const std::optional<TestSupport::OtherUser> other = TestSupport::otherUser();
    if (!other) GTEST_SKIP() << "needs root to make a second user";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString home = dir.filePath(QStringLiteral("home"));
    const QString sticky = dir.filePath(QStringLiteral("sticky"));
    const QString open = dir.filePath(QStringLiteral("open"));
    for (const auto& [folder, mode] : {std::pair{home, 0700}, {sticky, 01777}, {open, 0777}}) {
        ASSERT_TRUE(QDir().mkpath(folder));
        ::chmod(QFile::encodeName(folder).constData(), mode_t(mode));
    }
    const QString thesis = QDir(home).filePath(QStringLiteral("thesis.txt"));
    writePlain(thesis, "my thesis");
    const QString planted = QDir(sticky).filePath(QStringLiteral("shot.png"));
    const QString plantedOpen = QDir(open).filePath(QStringLiteral("shot.png"));
    ASSERT_EQ(TestSupport::runAs(*other, QStringLiteral("ln"), {QStringLiteral("-s"), thesis, planted}), 0);
    ASSERT_EQ(TestSupport::runAs(*other, QStringLiteral("ln"), {QStringLiteral("-s"), thesis, plantedOpen}), 0);

    for (const QString& link : {planted, plantedOpen}) {
        const std::optional<IoError> error = FileIO::writeFileAtomically(link, QByteArray("PNG"));
        ASSERT_TRUE(error) << link.toStdString();
        EXPECT_EQ(error->kind, IoError::Kind::noPermission);
        EXPECT_EQ(error->message,
                  QStringLiteral("“%1” is a link owned by another user; Pictavo does not write through it").arg(link));
        EXPECT_TRUE(isLink(link));
    }
    // Reached through a link of one's own, the planted one is refused all the same.
    const QString hop = QDir(home).filePath(QStringLiteral("hop.png"));
    ASSERT_EQ(::symlink(QFile::encodeName(planted).constData(), QFile::encodeName(hop).constData()), 0);
    std::optional<IoError> error = FileIO::writeFileAtomically(hop, QByteArray("PNG"));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->message.startsWith(QStringLiteral("“%1” is a link owned by another user").arg(planted)))
        << error->message.toStdString();
    // A link planted one folder higher leads there just as well: refused in a sticky folder (whatever
    // fs.protected_symlinks says) and in an open one, the file behind it untouched.
    for (const QString& folder : {sticky, open}) {
        const QString sub = QDir(folder).filePath(QStringLiteral("sub"));
        ASSERT_EQ(TestSupport::runAs(*other, QStringLiteral("ln"), {QStringLiteral("-s"), home, sub}), 0);
        const std::optional<IoError> above =
            FileIO::writeFileAtomically(QDir(sub).filePath(QStringLiteral("thesis.txt")), QByteArray("PNG"));
        ASSERT_TRUE(above) << "wrote through " << sub.toStdString();
        EXPECT_EQ(above->kind, IoError::Kind::noPermission);
        EXPECT_EQ(above->message,
                  QStringLiteral("“%1” is a link owned by another user; Pictavo does not write through it").arg(sub));
        EXPECT_EQ(contentOf(thesis), QByteArray("my thesis"));
    }
    // One's own link in a folder others may write: they could swap it, so it is refused too.
    const QString mine = QDir(sticky).filePath(QStringLiteral("mine.png"));
    ASSERT_EQ(::symlink(QFile::encodeName(thesis).constData(), QFile::encodeName(mine).constData()), 0);
    error = FileIO::writeFileAtomically(mine, QByteArray("PNG"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message,
              QStringLiteral("“%1” is a link in a folder other users may write; Pictavo does not write through it")
                  .arg(mine));
    EXPECT_EQ(contentOf(thesis), QByteArray("my thesis"));

    // A plain file there is replaced as usual, and one's own link at home replaces its target.
    const QString plain = QDir(sticky).filePath(QStringLiteral("plain.png"));
    writePlain(plain, "old");
    EXPECT_FALSE(FileIO::writeFileAtomically(plain, QByteArray("new")));
    EXPECT_EQ(contentOf(plain), QByteArray("new"));
    const QString shortcut = QDir(home).filePath(QStringLiteral("latest.txt"));
    ASSERT_EQ(::symlink("thesis.txt", QFile::encodeName(shortcut).constData()), 0);
    EXPECT_FALSE(FileIO::writeFileAtomically(shortcut, QByteArray("chapter 2")));
    EXPECT_TRUE(isLink(shortcut));
    EXPECT_EQ(contentOf(thesis), QByteArray("chapter 2"));
    // So does one's own link to a folder, on the way there.
    const QString desk = dir.filePath(QStringLiteral("desk"));
    ASSERT_EQ(::symlink(QFile::encodeName(home).constData(), QFile::encodeName(desk).constData()), 0);
    EXPECT_FALSE(FileIO::writeFileAtomically(QDir(desk).filePath(QStringLiteral("thesis.txt")), QByteArray("chapter 3")));
    EXPECT_EQ(contentOf(thesis), QByteArray("chapter 3"));
}

// A replaced file keeps who may read it; a new one follows the umask, except in the save folder,
// which is its owner's alone.
TEST(FileIO, FilesKeepTheirModeAndGroupAndSavedOnesArePrivate) {
    QTemporaryDir dir;
    const QString shared = dir.filePath(QStringLiteral("team.png"));
    writePlain(shared, "old");
    ::chmod(QFile::encodeName(shared).constData(), 0640);
    const gid_t group = 65534; // nogroup: any group but this process's own
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(shared).constData(), uid_t(-1), group), 0);
    }
    ASSERT_FALSE(FileIO::writeFileAtomically(shared, QByteArray("new")));
    EXPECT_EQ(contentOf(shared), QByteArray("new"));
    EXPECT_EQ(statOf(shared).st_mode & 07777, 0640u);
    if (::geteuid() == 0) {
        EXPECT_EQ(statOf(shared).st_gid, group);
    }

    const mode_t mask = ::umask(022);
    ::umask(mask);
    const QString fresh = dir.filePath(QStringLiteral("fresh.png"));
    ASSERT_FALSE(FileIO::writeFileAtomically(fresh, QByteArray("x")));
    EXPECT_EQ(statOf(fresh).st_mode & 07777, 0666 & ~mask);

    const QString saves = dir.filePath(QStringLiteral("Pictures/Pictavo"));
    SaveFolder::set(saves);
    EXPECT_EQ(statOf(saves).st_mode & 07777, 0700u); // made by Pictavo: private
    ASSERT_FALSE(FileIO::writeFileAtomically(QDir(saves).filePath(QStringLiteral("shot.png")), QByteArray("x")));
    EXPECT_EQ(statOf(QDir(saves).filePath(QStringLiteral("shot.png"))).st_mode & 07777, 0600u);
    // A folder that was there keeps its mode.
    const QString existing = dir.filePath(QStringLiteral("existing"));
    ASSERT_TRUE(QDir().mkpath(existing));
    ::chmod(QFile::encodeName(existing).constData(), 0755);
    SaveFolder::set(existing);
    EXPECT_EQ(statOf(existing).st_mode & 07777, 0755u);
    SaveFolder::set(dir.filePath(QStringLiteral("elsewhere")));
}

namespace {

// What a write that ran out of room must leave: the old file as it was, no other name, and a
// message that says so.
void expectFullDiskHandled(const QString& folder, const std::function<std::optional<IoError>(const QString&)>& write) {
    const QString path = QDir(folder).filePath(QStringLiteral("shot.png"));
    writePlain(path, "old");
    const std::optional<IoError> error = write(path);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind, IoError::Kind::writeError);
    EXPECT_EQ(error->message, QStringLiteral("Couldn't write “%1”: there is not enough space on the disk").arg(path));
    EXPECT_EQ(contentOf(path), QByteArray("old"));
    EXPECT_EQ(TestSupport::everyName(folder), QStringList{QStringLiteral("shot.png")});
}

} // namespace

TEST(FileIO, AFullDiskIsNamedAsSuchAndKeepsTheOldFile) {
    const QByteArray big(1 << 20, 'x');
    QTemporaryDir dir;
    FileIO::Testing::setWriteFailure([](const QString&) { return EDQUOT; });
    expectFullDiskHandled(dir.path(), [&](const QString& path) { return FileIO::writeFileAtomically(path, big); });
    FileIO::Testing::setWriteFailure({});

    const TestSupport::SmallDisk disk(64 * 1024);
    if (!disk.isValid()) GTEST_SKIP() << "cannot mount a small tmpfs here; the injected failure was tried";
    expectFullDiskHandled(disk.path(), [&](const QString& path) { return FileIO::writeFileAtomically(path, big); });
}

TEST(FileIO, ANameTooLongIsRefusedBeforeAnythingIsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString(256, QLatin1Char('n')) + QStringLiteral(".png"));
    EXPECT_TRUE(FileIO::checkDestination(dir.filePath(QStringLiteral("fine.png"))) == std::nullopt);
    const std::optional<IoError> checked = FileIO::checkDestination(path);
    ASSERT_TRUE(checked);
    EXPECT_TRUE(checked->message.endsWith(QStringLiteral(": File name too long"))) << checked->message.toStdString();
    EXPECT_TRUE(FileIO::writeFileAtomically(path, QByteArray("x")));
    EXPECT_TRUE(TestSupport::everyName(dir.path()).isEmpty());
}

namespace {

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

} // namespace

// Links that lead round in a circle end in an error, not a hang; whatever happens, no descriptor
// is left open (the instance saves for weeks); a stale errno from earlier calls refuses nothing.
TEST(FileIO, LoopsFailAndNothingIsLeftOpen) {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.png")), b = dir.filePath(QStringLiteral("b.png"));
    ASSERT_EQ(::symlink("b.png", QFile::encodeName(a).constData()), 0);
    ASSERT_EQ(::symlink("a.png", QFile::encodeName(b).constData()), 0);
    const int before = openDescriptors();
    const std::optional<IoError> loop = FileIO::writeFileAtomically(a, QByteArray("x"));
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->message, QStringLiteral("Couldn't write “%1”: %2").arg(a, QString::fromLocal8Bit(std::strerror(ELOOP))));

    const QString plain = dir.filePath(QStringLiteral("plain.png"));
    writePlain(plain, "old");
    for (int i = 0; i < 5; ++i) {
        errno = EACCES; // left by some earlier call
        EXPECT_FALSE(FileIO::writeFileAtomically(plain, QByteArray("new"))) << i;
        FileIO::Testing::setWriteFailure([](const QString&) { return ENOSPC; });
        EXPECT_TRUE(FileIO::writeFileAtomically(plain, QByteArray("lost")));
        FileIO::Testing::setWriteFailure({});
        Result<FileIO::PendingFile> dropped = FileIO::prepare(plain, QByteArray("never committed"));
        EXPECT_TRUE(dropped.ok());
    }
    EXPECT_EQ(contentOf(plain), QByteArray("new"));
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(TestSupport::everyName(dir.path()), (QStringList{"a.png", "b.png", "plain.png"}));
}
