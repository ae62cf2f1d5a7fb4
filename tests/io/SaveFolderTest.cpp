#include "io/SaveFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

class SaveFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings settings;
        settings.remove(SaveFolder::kBookmarkKey);
        settings.remove(SaveFolder::kPathKey);
        SaveFolder::set(dir.path()); // also forgets any folder resolved earlier in the process
        settings.remove(SaveFolder::kBookmarkKey);
        settings.remove(SaveFolder::kPathKey);
    }

    void touch(const QString& name, int secondsAgo) {
        QFile f(QDir(dir.path()).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo), QFileDevice::FileModificationTime);
    }

    QStringList names() {
        QStringList out;
        for (const SaveFolder::Entry& e : SaveFolder::entries(dir.path()))
            out.append(e.name);
        return out;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(SaveFolderTest, ProjectsHideTheirPicturesAndOthersAreSkipped) {
    touch(QStringLiteral("shot.png"), 10);
    touch(QStringLiteral("shot.pictproj"), 10);
    touch(QStringLiteral("other.JPG"), 20);
    touch(QStringLiteral("notes.txt"), 1);
    touch(QStringLiteral(".hidden.png"), 1);
    touch(QStringLiteral("plan.pdf"), 30);
    touch(QStringLiteral("plan.PICTPROJ"), 40);
    touch(QStringLiteral("shot.final.png"), 5); // only the last extension is replaced
    EXPECT_EQ(names(), (QStringList{"shot.final.png", "shot.pictproj", "other.JPG", "plan.PICTPROJ"}));
}

// A project hides only the picture saved with it: shot.v2.pictproj goes with shot.v2.png, not
// with an unrelated shot.png.
TEST_F(SaveFolderTest, AProjectHidesOnlyThePictureOfItsOwnName) {
    touch(QStringLiteral("shot.v2.pictproj"), 10);
    touch(QStringLiteral("shot.v2.png"), 10);
    touch(QStringLiteral("shot.png"), 20);
    EXPECT_EQ(names(), (QStringList{"shot.v2.pictproj", "shot.png"}));
}

TEST_F(SaveFolderTest, NewestFifteenFirst) {
    for (int i = 0; i < 20; ++i)
        touch(QStringLiteral("capture %1.png").arg(i), 100 * (i + 1));
    const QStringList listed = names();
    ASSERT_EQ(listed.size(), 15);
    EXPECT_EQ(listed.first(), QStringLiteral("capture 0.png"));
    EXPECT_EQ(listed.last(), QStringLiteral("capture 14.png"));
    EXPECT_TRUE(SaveFolder::entries(dir.filePath(QStringLiteral("missing"))).isEmpty());
}

TEST_F(SaveFolderTest, ConfigurationPathAndBookmark) {
    EXPECT_FALSE(SaveFolder::isConfigured());
    QSettings().setValue(SaveFolder::kPathKey, QString());
    EXPECT_FALSE(SaveFolder::isConfigured()); // an empty path does not count

    // Only a path: the folder is created when missing.
    const QString onlyPath = dir.filePath(QStringLiteral("only/path"));
    QSettings().setValue(SaveFolder::kPathKey, onlyPath);
    EXPECT_TRUE(SaveFolder::isConfigured());
    EXPECT_EQ(SaveFolder::path(), onlyPath);
    EXPECT_TRUE(QDir(onlyPath).exists());

    // Setting a folder stores both; a folder recreated at the same path renews a stale bookmark.
    const QString chosen = dir.filePath(QStringLiteral("chosen"));
    SaveFolder::set(chosen);
    EXPECT_EQ(QSettings().value(SaveFolder::kPathKey).toString(), chosen);
    const QByteArray first = QSettings().value(SaveFolder::kBookmarkKey).toByteArray();
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(SaveFolder::resolveBookmark(first)->folder, chosen);
    EXPECT_FALSE(SaveFolder::resolveBookmark(first)->stale);
    SaveFolder::set(chosen); // forget the resolved folder
    // The old folder moves away (keeping its inode), a new one takes its path.
    ASSERT_TRUE(QDir().rename(chosen, dir.filePath(QStringLiteral("moved"))));
    QDir().mkpath(chosen);
    EXPECT_TRUE(SaveFolder::resolveBookmark(first)->stale);
    EXPECT_EQ(SaveFolder::path(), chosen);
    EXPECT_NE(QSettings().value(SaveFolder::kBookmarkKey).toByteArray(), first);

    EXPECT_FALSE(SaveFolder::resolveBookmark("not a bookmark").has_value());
    EXPECT_TRUE(SaveFolder::defaultFolder().endsWith(QStringLiteral("/Pictavo")));
}
