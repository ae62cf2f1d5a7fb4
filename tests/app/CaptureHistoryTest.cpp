// The capture history: what is kept and in which order, its bound, turning it off, captures made
// by scripts, the editor's project kept with its capture, and a history folder someone tampered with.
#include "app/CaptureManager.h"
#include "app/CommandLine.h"
#include "app/EditorWindowController.h"
#include "app/Instance.h"
#include "app/PreviewWindowController.h"
#include "app/RecentCaptures.h"
#include "app/StatusBarController.h"
#include "editor/EditorModel.h"
#include "io/CaptureHistory.h"

#include "TestSupport.h"
#include "io/Bombs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each grab fills every screen with the next of `colours` (the last one again once they run out).
class ColourScreens final : public CaptureBackend {
public:
    explicit ColourScreens(QList<QColor> colours) : m_colours(std::move(colours)) {}
    QString name() const override { return QStringLiteral("colours"); }
    Abilities abilities() const override { return {true, false, true}; }
    void grabScreens(Done done) override {
        QScreen* screen = QGuiApplication::primaryScreen();
        ScreenShot shot{screen->name(), screen->geometry(), screen->devicePixelRatio(), {}};
        shot.image = QImage(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
        shot.image.fill(m_colours.value(std::min(m_grabs++, int(m_colours.size()) - 1)));
        done({{shot}, {}, false});
    }

private:
    QList<QColor> m_colours;
    int m_grabs = 0;
};

CaptureManager::BackendFactory colours(QList<QColor> list) {
    return [list](QString*) { return std::make_unique<ColourScreens>(list); };
}

const QList<QColor> kColours{QColor(200, 30, 30), QColor(30, 160, 40), QColor(40, 60, 210), QColor(220, 200, 20),
                             QColor(120, 20, 160), QColor(20, 180, 190)};

// Captures as the command line asks for them, waited for.
CaptureResult captureNow(CaptureManager& manager, const CaptureRequest& request) {
    std::optional<CaptureResult> result;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
    return result.value_or(CaptureResult(CaptureResult::Status::failed, QStringLiteral("no answer")));
}

CaptureRequest commandLineRequest(const QStringList& arguments) {
    const CommandLine cl = CommandLine::parse(QStringList{QStringLiteral("pictavo")} + arguments);
    EXPECT_EQ(cl.action, CommandLine::Action::capture) << cl.error.toStdString();
    return Instance::captureRequestFor(Instance::requestFor(cl));
}

// A full-screen capture into a preview, as the tray's menu makes it (without the menu's pause).
void captureToPreview(CaptureManager& manager) {
    CaptureRequest request;
    request.mode = CaptureMode::fullScreen;
    request.delaySeconds = 0;
    const qsizetype before = PreviewWindowController::active().size();
    ASSERT_EQ(captureNow(manager, request).status, CaptureResult::Status::done);
    ASSERT_EQ(PreviewWindowController::active().size(), before + 1);
    PreviewWindowController::active().last()->close();
}

QColor centreOf(const QString& picture) {
    const QImage image(picture);
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

QList<QAction*> entryActions(QMenu* menu) {
    QList<QAction*> list;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->data().isValid()) list.append(a);
    return list;
}

// Every test keeps its history in a state folder of its own, on, at the default bound.
class CaptureHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecentCaptures::waitForWrites(); // nothing of an earlier test lands here
        qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
        CaptureHistory::setEnabled(true);
        QSettings().remove(QString::fromLatin1(CaptureHistory::kLimitKey));
    }
    void TearDown() override {
        RecentCaptures::waitForWrites();
        for (PreviewWindowController* preview : PreviewWindowController::active()) preview->close();
        for (EditorWindowController* editor : EditorWindowController::active()) {
            editor->model().markSaved();
            editor->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qputenv("XDG_STATE_HOME", saved);
        CaptureHistory::setEnabled(true);
        QSettings().remove(QString::fromLatin1(CaptureHistory::kLimitKey));
    }
    QString history() const { return state.filePath(QStringLiteral("Pictavo/history")); }
    // What a failed or refused write may have left in the history folder.
    QStringList names() const { return TestSupport::everyName(history()); }

    QTemporaryDir state;
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
};

} // namespace

// Three captures into a preview: kept privately, listed under Recent Captures newest first with
// their thumbnails, and the newest opens in an editor tied to its entry.
TEST_F(CaptureHistoryTest, ThreeCapturesAreListedNewestFirstAndOpenInTheEditor) {
    CaptureManager captures(colours(kColours));
    for (int i = 0; i < 3; ++i) captureToPreview(captures);
    RecentCaptures::waitForWrites();

    EXPECT_EQ(modeOf(state.filePath(QStringLiteral("Pictavo"))), mode_t(0700));
    EXPECT_EQ(modeOf(history()), mode_t(0700));
    ASSERT_EQ(names().size(), 6) << names().join(QLatin1Char(' ')).toStdString(); // a picture and a thumbnail each
    for (const QString& name : names()) EXPECT_EQ(modeOf(QDir(history()).filePath(name)), mode_t(0600)) << name.toStdString();

    StatusBarController tray(captures);
    emit tray.recentCapturesMenu()->aboutToShow();
    const QList<QAction*> items = entryActions(tray.recentCapturesMenu());
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(tray.recentCapturesMenu()->actions().size(), 3); // no "No Captures Yet" beside them
    QStringList ids;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QString id = items[i]->data().toString();
        ids << id;
        // Newest first: the third capture's colour, then the second's, then the first's.
        EXPECT_EQ(centreOf(QDir(history()).filePath(id + QStringLiteral(".png"))), kColours[2 - i]);
        EXPECT_TRUE(items[i]->text().startsWith(QStringLiteral("Today "))) << items[i]->text().toStdString();
        EXPECT_FALSE(items[i]->toolTip().isEmpty());
        // The thumbnail written beside it, of the same capture and at most 64 px.
        const QImage icon = items[i]->icon().pixmap(QSize(16, 16)).toImage();
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.pixelColor(icon.width() / 2, icon.height() / 2), kColours[2 - i]);
        const QImage thumbnail(QDir(history()).filePath(id + QStringLiteral(".thumb.png")));
        EXPECT_EQ(std::max(thumbnail.width(), thumbnail.height()), CaptureHistory::kThumbnailSide);
    }
    EXPECT_GT(ids[0], ids[1]);
    EXPECT_GT(ids[1], ids[2]);

    const qsizetype editors = EditorWindowController::active().size();
    items[0]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return EditorWindowController::active().size() == editors + 1; }, 10000));
    EditorWindowController* editor = EditorWindowController::active().last();
    EXPECT_EQ(editor->model().baseImage().pixelColor(5, 5), kColours[2]);
    EXPECT_EQ(editor->property(RecentCaptures::kEntryProperty).toString(), ids[0]);
    EXPECT_TRUE(editor->filePath().isEmpty()); // a save asks where: never into the history
}

// The oldest go once there are more than the bound (4 here: the 4 newest stay, not 3 or 5); the
// menu lists the newest ten of more.
TEST_F(CaptureHistoryTest, TheOldestGoBeyondTheBoundAndTheMenuListsTheNewestTen) {
    QSettings().setValue(QString::fromLatin1(CaptureHistory::kLimitKey), 4);
    EXPECT_EQ(CaptureHistory::limit(), 4);
    for (int i = 0; i < 6; ++i) RecentCaptures::keep(TestSupport::solidImage(80, 60, kColours[i]));
    RecentCaptures::waitForWrites();
    QList<CaptureHistory::Entry> kept = CaptureHistory::entries();
    ASSERT_EQ(kept.size(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(centreOf(kept[i].picturePath), kColours[5 - i]) << i;
    // The thumbnails of those that went went with them.
    EXPECT_EQ(names().size(), 8) << names().join(QLatin1Char(' ')).toStdString();

    QSettings().setValue(QString::fromLatin1(CaptureHistory::kLimitKey), 0);
    EXPECT_EQ(CaptureHistory::limit(), 1);
    QSettings().setValue(QString::fromLatin1(CaptureHistory::kLimitKey), QStringLiteral("lots"));
    EXPECT_EQ(CaptureHistory::limit(), CaptureHistory::kDefaultLimit);
    QSettings().remove(QString::fromLatin1(CaptureHistory::kLimitKey));

    QStringList made;
    for (int i = 0; i < 8; ++i) made.prepend(RecentCaptures::keep(TestSupport::solidImage(30, 20, Qt::gray)));
    RecentCaptures::waitForWrites();
    EXPECT_EQ(CaptureHistory::entries().size(), 12);
    QMenu menu;
    RecentCaptures::fill(&menu);
    const QList<QAction*> items = entryActions(&menu);
    ASSERT_EQ(items.size(), RecentCaptures::kMenuEntries);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(items[i]->data().toString(), made[i]) << i;
    kept = CaptureHistory::entries();
    EXPECT_EQ(items[8]->data().toString(), kept[8].id);
    EXPECT_EQ(items[9]->data().toString(), kept[9].id);
    EXPECT_EQ(centreOf(kept[9].picturePath), kColours[4]); // the eleventh and twelfth are not listed
}

// A new entry is always the newest: a clock set back does not file it among the old ones.
TEST_F(CaptureHistoryTest, ANewEntryIsNewestEvenWhenTheClockWentBack) {
    const QString first = CaptureHistory::newId();
    ASSERT_TRUE(CaptureHistory::add(first, TestSupport::solidImage(10, 10)));
    const QString earlier = CaptureHistory::newId(QDateTime::currentDateTimeUtc().addSecs(-3600));
    ASSERT_TRUE(CaptureHistory::add(earlier, TestSupport::solidImage(10, 10)));
    const QList<CaptureHistory::Entry> entries = CaptureHistory::entries();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].id, earlier);
    EXPECT_EQ(entries[1].id, first);
    EXPECT_EQ(entries[0].time, entries[1].time.addMSecs(1));
    EXPECT_FALSE(CaptureHistory::isId(QStringLiteral("20250230-120000-000"))); // no such day
    EXPECT_FALSE(CaptureHistory::isId(QStringLiteral("20250101-120000-000.thumb")));
    EXPECT_FALSE(CaptureHistory::isId(QStringLiteral("2025x101-120000-000")));
    EXPECT_FALSE(CaptureHistory::isId(QStringLiteral("20250101-126000-000")));
    EXPECT_TRUE(CaptureHistory::isId(QStringLiteral("20250101-235959-999")));
}

// Turning "Keep Capture History" off asks first: No keeps it all and keeps it on, Yes deletes it
// all; from then on nothing is written, and turning it on again asks nothing.
TEST_F(CaptureHistoryTest, TurningItOffDeletesAfterAYesAndKeepsAfterANo) {
    CaptureManager captures(colours(kColours));
    captureToPreview(captures);
    captureToPreview(captures);
    RecentCaptures::waitForWrites();
    ASSERT_EQ(CaptureHistory::entries().size(), 2);

    StatusBarController tray(captures);
    QAction* keep = nullptr;
    for (QAction* a : tray.preferencesMenu()->actions())
        if (a->text() == QStringLiteral("Keep Capture History")) keep = a;
    ASSERT_NE(keep, nullptr);
    EXPECT_TRUE(keep->isCheckable());
    EXPECT_FALSE(keep->toolTip().isEmpty());
    EXPECT_TRUE(keep->isChecked());
    QList<int> asked;
    bool answer = false;
    tray.askToDeleteHistory = [&](int kept) {
        asked << kept;
        return answer;
    };
    keep->trigger();
    EXPECT_EQ(asked, QList<int>{2});
    EXPECT_TRUE(keep->isChecked());
    EXPECT_TRUE(CaptureHistory::isEnabled());
    EXPECT_EQ(CaptureHistory::entries().size(), 2);

    answer = true;
    keep->trigger();
    EXPECT_EQ(asked, (QList<int>{2, 2}));
    EXPECT_FALSE(keep->isChecked());
    EXPECT_FALSE(CaptureHistory::isEnabled());
    EXPECT_TRUE(CaptureHistory::entries().isEmpty());
    EXPECT_TRUE(names().isEmpty()) << names().join(QLatin1Char(' ')).toStdString();
    emit tray.recentCapturesMenu()->aboutToShow();
    ASSERT_EQ(tray.recentCapturesMenu()->actions().size(), 1);
    EXPECT_EQ(tray.recentCapturesMenu()->actions().first()->text(), QStringLiteral("No Captures Yet"));
    EXPECT_FALSE(tray.recentCapturesMenu()->actions().first()->isEnabled());

    // Off: a capture into a preview, a script's --history and the editor's save keep nothing.
    captureToPreview(captures);
    QTemporaryDir dir;
    EXPECT_EQ(captureNow(captures, commandLineRequest({QStringLiteral("capture"), QStringLiteral("screen"), QStringLiteral("--output"),
                                                       dir.filePath(QStringLiteral("a.png")), QStringLiteral("--history")}))
                  .status,
              CaptureResult::Status::done);
    EXPECT_TRUE(RecentCaptures::keep(TestSupport::solidImage(10, 10)).isEmpty());
    RecentCaptures::waitForWrites();
    EXPECT_TRUE(names().isEmpty()) << names().join(QLatin1Char(' ')).toStdString();

    keep->trigger();
    EXPECT_EQ(asked.size(), 2); // turning it on asks nothing
    EXPECT_TRUE(CaptureHistory::isEnabled());
    captureToPreview(captures);
    RecentCaptures::waitForWrites();
    EXPECT_EQ(CaptureHistory::entries().size(), 1);
}

// Someone who never kept a capture has no history folder: the menu and a deletion read nothing
// into being.
TEST_F(CaptureHistoryTest, LookingAtAnEmptyHistoryMakesNoFolder) {
    CaptureManager captures(colours(kColours));
    StatusBarController tray(captures);
    emit tray.recentCapturesMenu()->aboutToShow();
    EXPECT_EQ(tray.recentCapturesMenu()->actions().first()->text(), QStringLiteral("No Captures Yet"));
    EXPECT_EQ(CaptureHistory::clear(), 0);
    EXPECT_FALSE(QFileInfo::exists(history()));
    captureToPreview(captures);
    RecentCaptures::waitForWrites();
    EXPECT_EQ(CaptureHistory::entries().size(), 1); // the first capture makes it
}

// `capture … --output/--clipboard` is a script's: kept only with --history; a preview always is.
TEST_F(CaptureHistoryTest, ScriptsCapturesAreKeptOnlyWithHistory) {
    const auto parse = [](QStringList args) {
        return CommandLine::parse(QStringList{QStringLiteral("pictavo"), QStringLiteral("capture")} + args);
    };
    EXPECT_FALSE(parse({QStringLiteral("screen"), QStringLiteral("--clipboard")}).history);
    EXPECT_TRUE(parse({QStringLiteral("screen"), QStringLiteral("--clipboard"), QStringLiteral("--history")}).history);
    EXPECT_EQ(parse({QStringLiteral("region"), QStringLiteral("--text"), QStringLiteral("--history")}).action,
              CommandLine::Action::usageError);
    EXPECT_TRUE(Instance::requestFor(parse({QStringLiteral("window"), QStringLiteral("--history")}))
                    .value(QStringLiteral("history"))
                    .toBool());

    QTemporaryDir dir;
    CaptureManager captures(colours(kColours));
    const QString plain = dir.filePath(QStringLiteral("plain.png")), kept = dir.filePath(QStringLiteral("kept.png"));
    CaptureRequest request = commandLineRequest({QStringLiteral("capture"), QStringLiteral("screen"), QStringLiteral("--output"), plain});
    EXPECT_FALSE(request.keptInHistory());
    ASSERT_EQ(captureNow(captures, request).status, CaptureResult::Status::done);
    request = commandLineRequest({QStringLiteral("capture"), QStringLiteral("screen"), QStringLiteral("--clipboard")});
    EXPECT_FALSE(request.keptInHistory());
    ASSERT_EQ(captureNow(captures, request).status, CaptureResult::Status::done);
    RecentCaptures::waitForWrites();
    EXPECT_TRUE(CaptureHistory::entries().isEmpty());
    EXPECT_TRUE(QFile::exists(plain));

    request = commandLineRequest({QStringLiteral("capture"), QStringLiteral("screen"), QStringLiteral("--output"), kept, QStringLiteral("--history")});
    EXPECT_TRUE(request.keptInHistory());
    ASSERT_EQ(captureNow(captures, request).status, CaptureResult::Status::done);
    RecentCaptures::waitForWrites();
    const QList<CaptureHistory::Entry> entries = CaptureHistory::entries();
    ASSERT_EQ(entries.size(), 1);
    // The third grab's picture, in the file and in the history alike.
    EXPECT_EQ(TestSupport::differingPixels(QImage(entries.first().picturePath), QImage(kept)), 0);
    EXPECT_EQ(centreOf(kept), kColours[2]);
    EXPECT_EQ(centreOf(plain), kColours[0]);
}

// What the capture's editor saves is kept with the capture and comes back with Recent Captures.
TEST_F(CaptureHistoryTest, TheProjectSavedFromTheCapturesEditorIsKeptWithIt) {
    CaptureManager captures(colours(kColours));
    CaptureRequest request;
    request.mode = CaptureMode::fullScreen;
    request.delaySeconds = 0;
    ASSERT_EQ(captureNow(captures, request).status, CaptureResult::Status::done);
    PreviewWindowController* preview = PreviewWindowController::active().last();
    const qsizetype editors = EditorWindowController::active().size();
    preview->onEdit();
    ASSERT_EQ(EditorWindowController::active().size(), editors + 1);
    EditorWindowController* editor = EditorWindowController::active().last();
    RecentCaptures::waitForWrites();
    ASSERT_EQ(CaptureHistory::entries().size(), 1);
    const QString id = CaptureHistory::entries().first().id;
    EXPECT_EQ(editor->property(RecentCaptures::kEntryProperty).toString(), id);
    EXPECT_TRUE(CaptureHistory::entries().first().projectPath.isEmpty());

    editor->model().commit(TestSupport::annotation(EditorTool::rect, {{10, 10}, {60, 40}}), true);
    QTemporaryDir dir;
    ASSERT_FALSE(editor->saveTo(dir.filePath(QStringLiteral("door.png")), FlatExport::Format::png, 1.0).has_value());
    RecentCaptures::waitForWrites();
    const CaptureHistory::Entry entry = CaptureHistory::entries().first();
    ASSERT_EQ(entry.id, id);
    ASSERT_FALSE(entry.projectPath.isEmpty());
    EXPECT_EQ(modeOf(entry.projectPath), mode_t(0600));
    // The picture stays the capture as it was; the project has the marks.
    EXPECT_EQ(centreOf(entry.picturePath), kColours[0]);

    std::optional<bool> opened;
    RecentCaptures::open(entry, [&](bool ok) { opened = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 10000));
    ASSERT_TRUE(*opened);
    EditorWindowController* again = EditorWindowController::active().last();
    ASSERT_NE(again, editor);
    EXPECT_EQ(again->model().annotations().size(), 1);
    EXPECT_EQ(again->property(RecentCaptures::kEntryProperty).toString(), id);
}

// A history folder someone tampered with: a link to another folder is neither read nor written
// through, a loose mode is tightened, empty or garbage files named like entries crash nothing, a
// thumbnail claiming a huge size is not decoded, and another user's folder is refused.
TEST_F(CaptureHistoryTest, AHostileHistoryFolderIsNeitherReadNorWrittenThrough) {
    QTemporaryDir elsewhere;
    // Pictavo's state folder itself a link: its history/ is not used either.
    ASSERT_TRUE(QDir(elsewhere.path()).mkdir(QStringLiteral("history")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), state.filePath(QStringLiteral("Pictavo"))));
    RecentCaptures::keep(TestSupport::solidImage(10, 10));
    RecentCaptures::waitForWrites();
    EXPECT_TRUE(TestSupport::everyName(elsewhere.filePath(QStringLiteral("history"))).isEmpty());
    EXPECT_TRUE(CaptureHistory::entries().isEmpty());
    ASSERT_TRUE(QFile::remove(state.filePath(QStringLiteral("Pictavo"))));
    ASSERT_TRUE(QDir(elsewhere.path()).rmdir(QStringLiteral("history")));

    ASSERT_TRUE(QDir().mkpath(state.filePath(QStringLiteral("Pictavo"))));
    ASSERT_TRUE(TestSupport::solidImage(20, 20, Qt::red).save(elsewhere.filePath(QStringLiteral("20300101-000000-000.png"))));
    ASSERT_TRUE(QFile::link(elsewhere.path(), history()));
    const QStringList before = TestSupport::everyName(elsewhere.path());
    EXPECT_FALSE(RecentCaptures::keep(TestSupport::solidImage(10, 10)).isEmpty());
    RecentCaptures::waitForWrites();
    const Result<CaptureHistory::Entry> direct = CaptureHistory::add(CaptureHistory::newId(), TestSupport::solidImage(10, 10));
    ASSERT_FALSE(direct.ok());
    EXPECT_TRUE(direct.error().message.contains(QStringLiteral("link"))) << direct.error().message.toStdString();
    EXPECT_EQ(TestSupport::everyName(elsewhere.path()), before);
    EXPECT_TRUE(CaptureHistory::entries().isEmpty()); // the picture behind the link is not listed
    QMenu menu;
    RecentCaptures::fill(&menu);
    ASSERT_EQ(menu.actions().size(), 1);
    EXPECT_FALSE(menu.actions().first()->isEnabled());
    EXPECT_EQ(CaptureHistory::clear(), 0);
    EXPECT_EQ(TestSupport::everyName(elsewhere.path()), before);

    // A real folder, open to others: made private again at the next write.
    ASSERT_TRUE(QFile::remove(history()));
    ASSERT_TRUE(QDir().mkdir(history()));
    ASSERT_EQ(::chmod(QFile::encodeName(history()).constData(), 0755), 0);
    const QDir folder(history());
    const QString good = CaptureHistory::newId();
    ASSERT_TRUE(CaptureHistory::add(good, TestSupport::solidImage(100, 50, Qt::blue)));
    EXPECT_EQ(modeOf(history()), mode_t(0700));

    // Files named like entries: empty, garbage, a thumbnail claiming 3000 x 3000, a link, a folder.
    const QString empty = CaptureHistory::newId(), garbage = CaptureHistory::newId(), huge = CaptureHistory::newId();
    const QString linked = CaptureHistory::newId(), hollow = CaptureHistory::newId();
    ASSERT_TRUE(Bombs::write(folder.filePath(empty + QStringLiteral(".png")), QByteArray()));
    ASSERT_TRUE(Bombs::write(folder.filePath(garbage + QStringLiteral(".png")), QByteArray(5000, 'x')));
    ASSERT_TRUE(Bombs::write(folder.filePath(garbage + QStringLiteral(".thumb.png")), QByteArray("\x89PNG\r\n\x1a\n garbage")));
    ASSERT_TRUE(Bombs::write(folder.filePath(garbage + QStringLiteral(".pictproj")), QByteArray(300, '\0')));
    ASSERT_TRUE(TestSupport::solidImage(10, 10).save(folder.filePath(huge + QStringLiteral(".png"))));
    ASSERT_TRUE(Bombs::write(folder.filePath(huge + QStringLiteral(".thumb.png")), Bombs::plainPng(3000)));
    ASSERT_TRUE(QFile::link(elsewhere.filePath(QStringLiteral("20300101-000000-000.png")), folder.filePath(linked + QStringLiteral(".png"))));
    ASSERT_TRUE(folder.mkdir(hollow + QStringLiteral(".png")));
    QStringList listed;
    for (const CaptureHistory::Entry& e : CaptureHistory::entries()) listed << e.id;
    EXPECT_EQ(listed, (QStringList{huge, garbage, good}));
    const QList<CaptureHistory::Entry> entries = CaptureHistory::entries();
    EXPECT_TRUE(CaptureHistory::thumbnail(entries[0]).isNull());
    EXPECT_TRUE(CaptureHistory::thumbnail(entries[1]).isNull());
    EXPECT_EQ(CaptureHistory::thumbnail(entries[2]).size(), QSize(64, 32));
    RecentCaptures::fill(&menu);
    ASSERT_EQ(entryActions(&menu).size(), 3);
    EXPECT_TRUE(entryActions(&menu)[0]->icon().isNull());
    EXPECT_FALSE(entryActions(&menu)[2]->icon().isNull());
    // The garbage opens nothing, and says so.
    const qsizetype editors = EditorWindowController::active().size();
    std::optional<bool> opened;
    RecentCaptures::open(entries[1], [&](bool ok) { opened = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 10000));
    EXPECT_FALSE(*opened);
    EXPECT_EQ(EditorWindowController::active().size(), editors);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QMessageBox")) w->close();
    // A new entry goes after every name there, and the bound deletes the links, not what they lead to.
    const QString next = CaptureHistory::newId();
    EXPECT_GT(next, hollow);
    QSettings().setValue(QString::fromLatin1(CaptureHistory::kLimitKey), 1);
    ASSERT_TRUE(CaptureHistory::add(next, TestSupport::solidImage(10, 10)));
    EXPECT_EQ(TestSupport::everyName(elsewhere.path()), before);
    EXPECT_EQ(CaptureHistory::entries().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(linked + QStringLiteral(".png"))));

    // Another user's folder: refused, nothing written in it.
    const std::optional<TestSupport::OtherUser> other = TestSupport::otherUser();
    if (!other) GTEST_SKIP() << "needs root to give the folder to another user";
    ASSERT_EQ(::chown(QFile::encodeName(history()).constData(), other->uid, other->gid), 0);
    const QStringList theirs = names();
    const Result<CaptureHistory::Entry> refused = CaptureHistory::add(CaptureHistory::newId(), TestSupport::solidImage(10, 10));
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().message.contains(QStringLiteral("another user"))) << refused.error().message.toStdString();
    EXPECT_EQ(names(), theirs);
    EXPECT_TRUE(CaptureHistory::entries().isEmpty());
}
