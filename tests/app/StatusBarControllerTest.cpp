#include "app/CaptureManager.h"
#include "app/EditorWindowController.h"
#include "app/FileOpener.h"
#include "app/PreviewWindowController.h"
#include "ui/capture/SelectionOverlay.h"
#include "app/StatusBarController.h"
#include "editor/EditorModel.h"
#include "io/SaveFolder.h"
#include "ui/SaveFolderDialogs.h"

#include "ui/editor/EditorView.h"

#include "ui/editor/TextEntryField.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QPushButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QStringList titles(const QMenu* menu) {
    QStringList list;
    for (const QAction* a : menu->actions())
        list << (a->isSeparator() ? QStringLiteral("|") : a->text());
    return list;
}

} // namespace

TEST(StatusBarController, TheMenuInItsOrderAndTheRecentFilesOfTheSaveFolder) {
    QTemporaryDir folder;
    SaveFolder::set(folder.path());
    CaptureManager captures;
    StatusBarController tray(captures);
    const QStringList menu = titles(tray.menu());
    ASSERT_EQ(menu.size(), 14);
    EXPECT_EQ(menu.mid(0, 12), (QStringList{"Capture Selection", "Capture Window", "Capture Full Screen", "Capture Text",
                                            "Recent Captures", "Capture Last Region Again", "|", "Open Image in Editor…",
                                            "Recent", "|", "Preferences", "Quit Pictavo"}));
    EXPECT_TRUE(menu[13].startsWith(QStringLiteral("Pictavo v")));
    EXPECT_EQ(tray.menu()->actions()[4]->menu(), tray.recentCapturesMenu());
    for (QAction* added : tray.menu()->actions().mid(4, 2)) EXPECT_FALSE(added->toolTip().isEmpty());
    // The setting is off at first, and remembered once checked.
    QSettings().remove(QString::fromLatin1(CaptureManager::kAdjustSelectionKey));
    emit tray.preferencesMenu()->aboutToShow();
    QAction* adjust = tray.preferencesMenu()->actions().value(0);
    ASSERT_NE(adjust, nullptr);
    EXPECT_EQ(adjust->text(), QStringLiteral("Adjust Selection Before Capturing"));
    EXPECT_TRUE(adjust->isCheckable());
    EXPECT_FALSE(adjust->isChecked());
    adjust->trigger();
    EXPECT_TRUE(CaptureManager::adjustsSelection());
    adjust->trigger();
    EXPECT_FALSE(CaptureManager::adjustsSelection());
    // A delay counts down in the icon's tooltip.
    emit captures.countdown(3);
    EXPECT_EQ(tray.trayIcon()->toolTip(), QStringLiteral("Pictavo — capturing in 3 s"));
    emit captures.countdown(0);
    EXPECT_EQ(tray.trayIcon()->toolTip(), QStringLiteral("Pictavo"));
    EXPECT_FALSE(tray.menu()->actions().last()->isEnabled());

    tray.rebuildRecent();
    EXPECT_EQ(titles(tray.recentMenu()),
              (QStringList{"No Files in the Save Folder Yet", "|", "Open Save Folder", "Change Save Folder…"}));
    EXPECT_FALSE(tray.recentMenu()->actions().first()->isEnabled());
    // Saved a moment ago: listed at the next opening, without a restart.
    ASSERT_TRUE(TestSupport::solidImage(20, 20).save(folder.filePath(QStringLiteral("door14.png"))));
    emit tray.recentMenu()->aboutToShow();
    const QList<QAction*> recent = tray.recentMenu()->actions();
    ASSERT_EQ(recent.size(), 4);
    EXPECT_EQ(recent[0]->text(), QStringLiteral("door14.png"));
    EXPECT_EQ(recent[0]->toolTip(), folder.filePath(QStringLiteral("door14.png")));
}

// Where the icon theme has none, the commands carry our own icons, which on the highlighted item
// take the highlight's text colour like the title beside them.
TEST(StatusBarController, MenuIconsOfOurOwnReadOnTheHighlight) {
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("pictavo-test-no-such-theme"));
    QTemporaryDir folder;
    SaveFolder::set(folder.path());
    CaptureManager captures;
    StatusBarController tray(captures);
    tray.rebuildRecent();
    QList<QAction*> commands = tray.menu()->actions().mid(0, 6);
    commands << tray.menu()->actions()[7] << tray.recentMenu()->menuAction() << tray.recentMenu()->actions()[2];
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    const QColor onHighlight = QApplication::palette().color(QPalette::HighlightedText);
    ASSERT_NE(ink.rgb(), onHighlight.rgb());
    auto strongest = [](const QImage& image) {
        QRgb best = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > qAlpha(best)) best = image.pixel(x, y);
        return QColor::fromRgba(best).rgb();
    };
    for (QAction* command : commands) {
        SCOPED_TRACE(command->text().toStdString());
        ASSERT_FALSE(command->icon().isNull());
        const QImage normal = command->icon().pixmap(QSize(16, 16), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage active =
            command->icon().pixmap(QSize(16, 16), 1.0, QIcon::Active).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(strongest(normal), ink.rgb());
        EXPECT_EQ(strongest(active), onHighlight.rgb());
    }
    // The tray shows our own icon, drawn.
    ASSERT_NE(tray.trayIcon(), nullptr);
    const QImage own = tray.trayIcon()->icon().pixmap(QSize(22, 22), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    int drawn = 0;
    for (int y = 0; y < own.height(); ++y)
        for (int x = 0; x < own.width(); ++x) drawn += qAlpha(own.pixel(x, y)) > 128;
    EXPECT_GT(drawn, 22 * 22 / 4);
    QIcon::setThemeName(theme);
}

TEST(StatusBarController, VersionLine) {
    EXPECT_EQ(StatusBarController::appVersion(QStringLiteral("0.1.0"), QStringLiteral("42")), QStringLiteral("v0.1.0 (42)"));
    EXPECT_EQ(StatusBarController::appVersion(QStringLiteral("0.1.0"), {}), QStringLiteral("v0.1.0"));
    EXPECT_EQ(StatusBarController::appVersion({}, {}), QStringLiteral("v?"));
}

TEST(StatusBarController, TheQuitCheckCountsDirtyEditorsAndCancelKeepsThem) {
    EXPECT_TRUE(StatusBarController::confirmQuit()); // nothing open: no question
    EXPECT_EQ(StatusBarController::unsavedMessage(1), QStringLiteral("You have unsaved screenshot edits"));
    QList<QPointer<EditorWindowController>> editors;
    for (int i = 0; i < 3; ++i) {
        editors << EditorWindowController::show(TestSupport::solidImage(50, 40), {});
        if (i < 2) editors.last()->model().commit(TestSupport::annotation(EditorTool::rect, {{1, 1}, {9, 9}}), true);
    }
    QString asked;
    auto answer = [&](const QString& button) {
        QTimer::singleShot(0, [&asked, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            asked = box->text();
            EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Cancel"));
            for (QAbstractButton* b : box->buttons())
                if (b->text() == button) b->click();
        });
    };
    answer(QStringLiteral("Cancel"));
    EXPECT_FALSE(StatusBarController::confirmQuit());
    EXPECT_EQ(asked, QStringLiteral("You have unsaved edits in 2 editor windows"));
    for (const auto& e : editors)
        EXPECT_FALSE(e.isNull()); // all still open
    answer(QStringLiteral("Quit Anyway"));
    EXPECT_TRUE(StatusBarController::confirmQuit());
    for (const auto& e : editors) {
        e->model().markSaved();
        e->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(StatusBarController, TextBeingTypedCountsAsAnEditAndIsNotAskedAboutAgain) {
    QPointer<EditorWindowController> editor = EditorWindowController::show(TestSupport::solidImage(200, 150), {});
    EditorView* view = editor->view();
    editor->model().setTool(EditorTool::text);
    view->interaction().dragChanged(QPointF(20, 20), QPointF(20, 20), false);
    view->interaction().dragEnded(QPointF(20, 20));
    ASSERT_NE(view->textField(), nullptr);
    QTest::keyClicks(view->textField(), QStringLiteral("Door 14"));
    ASSERT_FALSE(editor->model().isDirty()); // only typed so far
    int asksToSave = 0;
    editor->askToSave = [&asksToSave] {
        ++asksToSave;
        return EditorWindowController::CloseChoice::cancel;
    };
    QString asked;
    QTimer::singleShot(0, [&asked] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        asked = box->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("Quit Anyway")) b->click();
    });
    EXPECT_TRUE(StatusBarController::confirmQuit());
    EXPECT_EQ(asked, QStringLiteral("You have unsaved screenshot edits"));
    // What quitting does after "Quit Anyway": every editor counts as answered, none asks again.
    editor->model().markSaved();
    editor->close();
    EXPECT_EQ(asksToSave, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull());
}

TEST(StatusBarController, TheFirstRunWelcomesThenFallsBackToTheDefaultFolder) {
    // The default folder is made in the Pictures folder: a scratch one here, named the XDG way in
    // the tests' private configuration folder.
    QTemporaryDir home;
    const QString userDirs = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("user-dirs.dirs"));
    {
        QFile file(userDirs);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("XDG_PICTURES_DIR=\"%1\"\n").arg(home.path()).toUtf8());
    }
    QSettings().remove(QString::fromLatin1(SaveFolder::kPathKey));
    QSettings().remove(QString::fromLatin1(SaveFolder::kBookmarkKey));
    ASSERT_FALSE(SaveFolder::isConfigured());
    QStringList seen;
    // The welcome, then the chooser: the first answered with its one button, the second cancelled.
    std::function<void()> answer = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen << box->text();
            box->buttons().first()->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            seen << dialog->windowTitle();
            dialog->reject();
            return;
        }
        QTimer::singleShot(50, answer);
    };
    QTimer::singleShot(50, answer);
    SaveFolderDialogs::ensureConfigured();
    EXPECT_EQ(seen, (QStringList{"Welcome to Pictavo", "Choose Pictavo's save folder"}));
    EXPECT_TRUE(SaveFolder::isConfigured());
    EXPECT_EQ(SaveFolder::path(), SaveFolder::defaultFolder());
    EXPECT_EQ(SaveFolder::path(), QDir(home.path()).filePath(QStringLiteral("Pictavo")));
    SaveFolderDialogs::ensureConfigured(); // configured now: no question
    QFile::remove(userDirs);
}

TEST(StatusBarController, AFileThatCannotBeOpenedIsNamedInAnAlert) {
    std::optional<FileOpener::Outcome> heard;
    FileOpener::open({QStringLiteral("/nonexistent/door14.png")}, [&](const FileOpener::Outcome& o) { heard = o; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.has_value(); }, 10000));
    const FileOpener::Outcome outcome = *heard;
    EXPECT_EQ(outcome.opened, 0);
    EXPECT_TRUE(outcome.firstFailure.contains(QStringLiteral("door14.png")));
    QMessageBox* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown = box;
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->text().contains(QStringLiteral("door14.png")));
    shown->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Without a tray the launcher is Pictavo's only window: it lists Recent too, closing it asks to quit
// (and stays when that is cancelled), and starting Pictavo again brings it back from the dock.
TEST(StatusBarController, TheLauncherWithoutATray) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
    QTemporaryDir folder;
    SaveFolder::set(folder.path());
    CaptureManager captures;
    StatusBarController tray(captures);
    QWidget* launcher = tray.launcher();
    ASSERT_NE(launcher, nullptr);
    ASSERT_TRUE(launcher->isVisible());
    QPushButton* recent = nullptr;
    for (QPushButton* b : launcher->findChildren<QPushButton*>())
        if (b->accessibleName() == QStringLiteral("Recent")) recent = b;
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->menu(), tray.recentMenu());
    EXPECT_FALSE(recent->toolTip().isEmpty());

    int quitAsked = 0;
    QObject::connect(&tray, &StatusBarController::quitRequested, [&] { ++quitAsked; });
    EXPECT_FALSE(launcher->close()); // whoever answers the question decides; the window stays
    EXPECT_EQ(quitAsked, 1);
    EXPECT_TRUE(launcher->isVisible());

    launcher->setWindowState(Qt::WindowMinimized);
    tray.wake();
    EXPECT_FALSE(launcher->windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(launcher->isVisible());
}

TEST(StatusBarController, TheLauncherIsNotInItsOwnCapturesAndComesBackHoweverTheyEnd) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
    // Grabs a plain screen, noting whether the launcher was on it.
    struct Watching final : CaptureBackend {
        QPointer<QWidget>* launcher;
        QList<bool> launcherSeen;
        explicit Watching(QPointer<QWidget>* l) : launcher(l) {}
        QString name() const override { return QStringLiteral("watching"); }
        Abilities abilities() const override { return {true, false, true}; }
        void grabScreens(Done done) override {
            launcherSeen << (*launcher && (*launcher)->isVisible());
            QImage shot(64, 48, QImage::Format_RGB32);
            shot.fill(Qt::gray);
            QScreen* screen = QGuiApplication::primaryScreen();
            done({{ScreenShot{screen->name(), screen->geometry(), 1, shot}}, {}, false});
        }
    };
    QPointer<QWidget> launcher;
    Watching* backend = nullptr;
    CaptureManager captures([&](QString*) {
        auto made = std::make_unique<Watching>(&launcher);
        backend = made.get();
        return made;
    });
    StatusBarController tray(captures);
    launcher = tray.launcher();
    ASSERT_TRUE(launcher && launcher->isVisible());

    // Full screen: gone before the pause, back with the preview.
    const qsizetype previews = PreviewWindowController::active().size();
    tray.captureFromMenu(CaptureMode::fullScreen);
    EXPECT_FALSE(launcher->isVisible());
    tray.updatePresence(); // the presence check does not bring it back early
    EXPECT_FALSE(launcher->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return PreviewWindowController::active().size() > previews; }, 3000));
    EXPECT_TRUE(launcher->isVisible());
    ASSERT_NE(backend, nullptr);
    EXPECT_EQ(backend->launcherSeen, QList<bool>{false});
    PreviewWindowController::active().last()->close();

    // A selection cancelled with Escape: gone while the overlay is up, back after.
    tray.captureFromMenu(CaptureMode::selection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !captures.overlays().isEmpty(); }, 3000));
    EXPECT_FALSE(launcher->isVisible());
    QTest::keyClick(captures.overlays().first()->view(), Qt::Key_Escape);
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_EQ(backend->launcherSeen, (QList<bool>{false, false}));

    // Two command lines' captures at once, with no pause of their own: the launcher waits for the
    // window to leave the screen, stays away until both are written, and comes back where it stood.
    launcher->move(launcher->pos() + QPoint(23, 17));
    const QPoint stood = launcher->pos();
    QTemporaryDir dir;
    int finished = 0;
    bool awayAfterFirst = false;
    QElapsedTimer clock;
    clock.start();
    for (const char* name : {"a.png", "b.png"}) {
        CaptureRequest request;
        request.delaySeconds = 0;
        request.outputPath = dir.filePath(QString::fromLatin1(name));
        captures.capture(request, [&](const CaptureResult& result) {
            EXPECT_EQ(result.status, CaptureResult::Status::done) << result.error.toStdString();
            if (++finished == 1) awayAfterFirst = !launcher->isVisible();
        });
    }
    EXPECT_FALSE(launcher->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 2; }, 3000));
    ASSERT_TRUE(captures.windowGoneMs);
    EXPECT_GE(clock.elapsed(), captures.windowGoneMs());
    EXPECT_TRUE(awayAfterFirst);
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_EQ(launcher->pos(), stood);
    EXPECT_EQ(backend->launcherSeen, (QList<bool>{false, false, false, false}));

    // "Capture Text" is a selection too; called off, it reads nothing.
    QAction* captureText = nullptr;
    for (QAction* action : tray.menu()->actions())
        if (action->text() == QStringLiteral("Capture Text")) captureText = action;
    ASSERT_NE(captureText, nullptr);
    captureText->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !captures.overlays().isEmpty(); }, 3000));
    QTest::keyClick(captures.overlays().first()->view(), Qt::Key_Escape);
    EXPECT_FALSE(captures.isReadingText());
    EXPECT_FALSE(captures.isBusy());
}

// "Capture Last Region Again" is there to choose once a region was selected, in the menu and on
// the launcher alike, and captures that region into a preview without an overlay.
TEST(StatusBarController, CaptureLastRegionAgainOnceARegionWasSelected) {
    for (const char* key : {CaptureManager::kLastRegionKey, CaptureManager::kLastRegionScreenKey,
                            CaptureManager::kLastRegionOriginKey})
        QSettings().remove(QString::fromLatin1(key));
    struct Grey final : CaptureBackend {
        QString name() const override { return QStringLiteral("grey"); }
        Abilities abilities() const override { return {true, false, true}; }
        void grabScreens(Done done) override {
            QScreen* screen = QGuiApplication::primaryScreen();
            QImage shot(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
            shot.fill(Qt::gray);
            done({{ScreenShot{screen->name(), screen->geometry(), screen->devicePixelRatio(), shot}}, {}, false});
        }
    };
    CaptureManager captures([](QString*) { return std::make_unique<Grey>(); });
    StatusBarController tray(captures);
    QAction* again = tray.lastRegionAction();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->text(), QStringLiteral("Capture Last Region Again"));
    EXPECT_FALSE(again->isEnabled());
    QPushButton* button = nullptr;
    if (QWidget* launcher = tray.launcher())
        for (QPushButton* b : launcher->findChildren<QPushButton*>())
            if (b->accessibleName() == again->text()) button = b;
    if (tray.launcher()) {
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->isEnabled());
        EXPECT_FALSE(button->toolTip().isEmpty());
        QPushButton* recentCaptures = nullptr;
        for (QPushButton* b : tray.launcher()->findChildren<QPushButton*>())
            if (b->accessibleName() == QStringLiteral("Recent Captures")) recentCaptures = b;
        ASSERT_NE(recentCaptures, nullptr);
        EXPECT_EQ(recentCaptures->menu(), tray.recentCapturesMenu());
    }

    const QScreen* screen = QGuiApplication::primaryScreen();
    CaptureManager::rememberRegion({QRectF(20, 30, 40, 25), screen->name(), screen->geometry().topLeft()});
    emit captures.lastRegionChanged();
    EXPECT_TRUE(again->isEnabled());
    if (button) {
        EXPECT_TRUE(button->isEnabled());
    }

    const qsizetype previews = PreviewWindowController::active().size();
    again->trigger();
    EXPECT_TRUE(captures.overlays().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return PreviewWindowController::active().size() > previews; }, 3000));
    EXPECT_TRUE(captures.overlays().isEmpty());
    EXPECT_EQ(PreviewWindowController::active().last()->image().size(), QSize(40, 25) * screen->devicePixelRatio());
    PreviewWindowController::active().last()->close();
    for (const char* key : {CaptureManager::kLastRegionKey, CaptureManager::kLastRegionScreenKey,
                            CaptureManager::kLastRegionOriginKey})
        QSettings().remove(QString::fromLatin1(key));
}
