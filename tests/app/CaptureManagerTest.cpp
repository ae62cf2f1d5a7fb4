#include "app/CaptureManager.h"
#include "app/CommandLine.h"
#include "app/Instance.h"
#include "app/PreviewWindowController.h"
#include "app/StatusBarController.h"
#include "ui/capture/WindowPicker.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

// A screen that was "grabbed": dark grey with a red block at (100, 100, 50, 40) device pixels,
// and two windows, one over the other.
class FakeBackend final : public CaptureBackend {
public:
    explicit FakeBackend(int* grabs, bool listsWindows = true) : m_grabs(grabs), m_lists(listsWindows) {}
    QString name() const override { return QStringLiteral("fake"); }
    Abilities abilities() const override { return {true, m_lists, !m_lists}; }
    void grabScreens(Done done) override {
        ++*m_grabs;
        QScreen* screen = QGuiApplication::primaryScreen();
        ScreenShot shot{screen->name(), screen->geometry(), screen->devicePixelRatio(), {}};
        shot.image = QImage(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
        shot.image.fill(QColor(40, 40, 40));
        for (int y = 100; y < 140; ++y)
            for (int x = 100; x < 150; ++x)
                shot.image.setPixelColor(x, y, Qt::red);
        done({{shot}, {}, false});
    }
    QList<PickableWindow> windows() override {
        return {{1, QStringLiteral("Door panel"), QRect(90, 90, 80, 60)},
                {2, QStringLiteral("Behind"), QRect(60, 60, 300, 300)}};
    }
    void pickWindow(Done done) override {
        QImage picked(30, 20, QImage::Format_RGB32);
        picked.fill(Qt::blue);
        done({{ScreenShot{{}, QRect(0, 0, 30, 20), 1, picked}}, {}, false});
    }

private:
    int* m_grabs;
    bool m_lists;
};

CaptureManager::BackendFactory fake(int* grabs, bool listsWindows = true) {
    return [grabs, listsWindows](QString*) { return std::make_unique<FakeBackend>(grabs, listsWindows); };
}

void mouse(QWidget* w, QEvent::Type type, QPointF p) {
    QMouseEvent e(type, p, w->mapToGlobal(p), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

CaptureRequest toFile(CaptureMode mode, const QString& path) {
    CaptureRequest r;
    r.mode = mode;
    r.delaySeconds = 0;
    r.outputPath = path;
    r.alertOnFailure = false;
    return r;
}

} // namespace

TEST(CaptureManager, MenuPausesAndCommandLineDelays) {
    CaptureRequest menu;
    menu.mode = CaptureMode::fullScreen;
    EXPECT_EQ(CaptureManager::delayMs(menu), 500);
    menu.mode = CaptureMode::selection;
    EXPECT_EQ(CaptureManager::delayMs(menu), 150);
    menu.delaySeconds = 2.5;
    EXPECT_EQ(CaptureManager::delayMs(menu), 2500);
}

TEST(CaptureManager, FullScreenWritesThePrimaryScreen) {
    QTemporaryDir dir;
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    std::optional<CaptureResult> result;
    manager.capture(toFile(CaptureMode::fullScreen, dir.filePath(QStringLiteral("screen.png"))),
                    [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(result->status, CaptureResult::Status::done) << result->error.toStdString();
    const QImage written(dir.filePath(QStringLiteral("screen.png")));
    QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(written.size(), screen->geometry().size() * screen->devicePixelRatio());
    EXPECT_EQ(written.pixelColor(120, 120), QColor(Qt::red));
}

// A command line's capture with a window put aside waits for the window to be gone, however long
// that takes (up to the longest wait it is given), and grabs only then; a menu's pause covers it.
TEST(CaptureManager, ACommandLinesCaptureGrabsOnlyOnceTheWindowPutAsideIsGone) {
    QTemporaryDir dir;
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    int asides = 0, backs = 0;
    manager.stepAside = [&] { return ++asides, true; };
    manager.stepBack = [&] { ++backs; };
    manager.windowGoneMs = [] { return 60; };
    std::function<void()> gone;
    int longest = 0;
    manager.awaitWindowGone = [&](int maxMs, std::function<void()> then) {
        longest = maxMs;
        gone = std::move(then);
    };
    std::optional<CaptureResult> result;
    manager.capture(toFile(CaptureMode::fullScreen, dir.filePath(QStringLiteral("a.png"))),
                    [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(gone);
    EXPECT_EQ(longest, 60);
    QTest::qWait(200); // far past the longest wait: it is the watch that says when
    EXPECT_EQ(grabs, 0);
    gone();
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(result->status, CaptureResult::Status::done) << result->error.toStdString();
    EXPECT_EQ(grabs, 1);
    EXPECT_EQ(backs, 1);

    // From the menu, its own pause is longer than any window takes to go: no watch.
    gone = nullptr;
    CaptureRequest menu = toFile(CaptureMode::fullScreen, dir.filePath(QStringLiteral("b.png")));
    menu.delaySeconds.reset();
    result.reset();
    manager.capture(menu, [&](CaptureResult r) { result = r; });
    EXPECT_FALSE(gone);
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(grabs, 2);
    EXPECT_EQ(asides, 2);
}

// `capture --output` on a full disk says so, naming the file, and leaves nothing behind.
TEST(CaptureManager, AFullDiskIsNamedInTheAnswer) {
    QTemporaryDir dir;
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    std::optional<CaptureResult> result;
    const QString path = dir.filePath(QStringLiteral("screen.png"));
    FileIO::Testing::setWriteFailure([](const QString&) { return ENOSPC; });
    manager.capture(toFile(CaptureMode::fullScreen, path), [&](CaptureResult r) { result = r; });
    const bool answered = QTest::qWaitFor([&] { return result.has_value(); }, 3000);
    FileIO::Testing::setWriteFailure({});
    ASSERT_TRUE(answered);
    EXPECT_EQ(result->status, CaptureResult::Status::failed);
    EXPECT_EQ(result->error, QStringLiteral("Couldn't write “%1”: there is not enough space on the disk").arg(path));
    EXPECT_TRUE(TestSupport::everyName(dir.path()).isEmpty());
}

TEST(CaptureManager, ARegionIsCutFromTheFrozenScreenAndOnlyOneSelectionRuns) {
    QTemporaryDir dir;
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    std::optional<CaptureResult> result, second;
    const QString path = dir.filePath(QStringLiteral("region.png"));
    manager.capture(toFile(CaptureMode::selection, path), [&](CaptureResult r) { result = r; });
    manager.capture(toFile(CaptureMode::selection, path), [&](CaptureResult r) { second = r; });
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->status, CaptureResult::Status::failed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.overlays().isEmpty(); }, 3000));
    EXPECT_EQ(manager.overlays().size(), QGuiApplication::screens().size());
    EXPECT_EQ(grabs, 1);
    SelectionOverlayView* view = manager.overlays().first()->view();
    const double s = view->devicePixelRatioF();
    // The red block, in points of the overlay.
    mouse(view, QEvent::MouseButtonPress, QPointF(100, 100) / s);
    mouse(view, QEvent::MouseMove, QPointF(150, 140) / s);
    mouse(view, QEvent::MouseButtonRelease, QPointF(150, 140) / s);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, CaptureResult::Status::done) << result->error.toStdString();
    EXPECT_TRUE(manager.overlays().isEmpty());
    const QImage written(path);
    EXPECT_EQ(written.size(), QSize(50, 40));
    EXPECT_EQ(written.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(written.pixelColor(49, 39), QColor(Qt::red));
}

TEST(CaptureManager, EscapeOverTheRegionCancelsAndFreesTheManager) {
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    std::optional<CaptureResult> result;
    manager.capture(toFile(CaptureMode::selection, QStringLiteral("/nonexistent/x.png")),
                    [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.overlays().isEmpty(); }, 3000));
    // Escape works before any click: an overlay holds the keyboard.
    const auto holdsKeyboard = [&] {
        QWidget* holder = QWidget::keyboardGrabber();
        SelectionOverlayWindow* last = manager.overlays().last();
        return holder && (holder == last || holder == last->focusProxy() || holder == last->view());
    };
    EXPECT_TRUE(QTest::qWaitFor(holdsKeyboard, 3000));
    QTest::keyClick(manager.overlays().first()->view(), Qt::Key_Escape);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, CaptureResult::Status::cancelled);
    EXPECT_FALSE(manager.isBusy());
}

TEST(CaptureManager, APickedWindowIsCutAtItsFrameFromWhatWasOnScreen) {
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    std::optional<CaptureResult> result;
    CaptureRequest request = toFile(CaptureMode::window, QString());
    request.copyToClipboard = true;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.pickers().isEmpty(); }, 3000));
    WindowPickerOverlay* picker = manager.pickers().first();
    QList<QSize> notified;
    manager.onCopied = [&](const QImage& image) { notified.append(image.size()); };
    const double s = picker->devicePixelRatioF();
    mouse(picker, QEvent::MouseMove, QPointF(95, 95) / s);
    EXPECT_EQ(picker->highlighted(), 0); // the top window, not the one behind it
    mouse(picker, QEvent::MouseButtonPress, QPointF(95, 95) / s);
    mouse(picker, QEvent::MouseButtonRelease, QPointF(95, 95) / s);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, CaptureResult::Status::done) << result->error.toStdString();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(80, 60));
    EXPECT_EQ(copied.pixelColor(20, 20), QColor(Qt::red)); // (110, 110) on screen
    EXPECT_EQ(notified, QList<QSize>{QSize(80, 60)}); // the copy is announced once
    EXPECT_EQ(copied.pixelColor(2, 2), QColor(40, 40, 40));
}

TEST(CaptureManager, WithoutAWindowListTheSystemDialogPicksAndAPreviewOpens) {
    int grabs = 0;
    CaptureManager manager(fake(&grabs, false));
    std::optional<CaptureResult> result;
    CaptureRequest request;
    request.mode = CaptureMode::window;
    request.delaySeconds = 0;
    const qsizetype before = PreviewWindowController::active().size();
    manager.capture(request, [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(result->status, CaptureResult::Status::done);
    EXPECT_EQ(grabs, 0);
    ASSERT_EQ(PreviewWindowController::active().size(), before + 1);
    PreviewWindowController::active().last()->close();
}

TEST(CaptureManager, AFailedBackendIsReportedWithItsReason) {
    CaptureManager manager([](QString* error) -> std::unique_ptr<CaptureBackend> {
        *error = QStringLiteral("No X display to capture.");
        return nullptr;
    });
    std::optional<CaptureResult> result;
    manager.capture(toFile(CaptureMode::selection, QStringLiteral("/tmp/x.png")), [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(result->status, CaptureResult::Status::failed);
    EXPECT_EQ(result->error, QStringLiteral("No X display to capture."));
    EXPECT_FALSE(manager.isBusy());
}

TEST(CaptureManager, ARefusalInTheSystemDialogIsACancelWithItsReason) {
    class Refusing final : public CaptureBackend {
    public:
        QString name() const override { return QStringLiteral("refusing"); }
        Abilities abilities() const override { return {true, false, true}; }
        void grabScreens(Done done) override { done({{}, QStringLiteral("The screenshot was refused."), true}); }
    };
    CaptureManager manager([](QString*) { return std::make_unique<Refusing>(); });
    std::optional<CaptureResult> result;
    manager.capture(toFile(CaptureMode::fullScreen, QStringLiteral("/tmp/x.png")), [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(result->status, CaptureResult::Status::cancelled);
    EXPECT_EQ(result->error, QStringLiteral("The screenshot was refused."));
}

namespace {

// Answers every grab with a refusal, as a cancelled portal dialog does.
class RefusingBackend final : public CaptureBackend {
public:
    explicit RefusingBackend(bool listsWindows) : m_lists(listsWindows) {}
    QString name() const override { return QStringLiteral("refusing"); }
    Abilities abilities() const override { return {true, m_lists, !m_lists}; }
    void grabScreens(Done done) override { done({{}, QStringLiteral("The screenshot was refused."), true}); }
    void pickWindow(Done done) override { done({{}, QStringLiteral("The screenshot was refused."), true}); }

private:
    bool m_lists;
};

} // namespace

TEST(CaptureManager, ARefusedGrabOrAnOverlayClosedAnyWayFreesTheManagerOnce) {
    for (bool listsWindows : {true, false})
        for (CaptureMode mode : {CaptureMode::selection, CaptureMode::window}) {
            CaptureManager refusing([listsWindows](QString*) { return std::make_unique<RefusingBackend>(listsWindows); });
            std::optional<CaptureResult> result;
            refusing.capture(toFile(mode, QStringLiteral("/tmp/x.png")), [&](CaptureResult r) { result = r; });
            ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
            EXPECT_EQ(result->status, CaptureResult::Status::cancelled);
            EXPECT_FALSE(refusing.isBusy()) << int(mode) << listsWindows;
        }

    // A compositor's close (Alt+F4) of an overlay or a picker: cancelled, reported once, and the
    // next capture runs.
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    for (CaptureMode mode : {CaptureMode::selection, CaptureMode::window, CaptureMode::selection}) {
        int reports = 0;
        std::optional<CaptureResult> result;
        manager.capture(toFile(mode, QStringLiteral("/tmp/x.png")), [&](CaptureResult r) {
            ++reports;
            result = r;
        });
        QWidget* overlay = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                if (!manager.overlays().isEmpty()) overlay = manager.overlays().first();
                if (!manager.pickers().isEmpty()) overlay = manager.pickers().first();
                return overlay != nullptr;
            },
            3000));
        ASSERT_FALSE(result.has_value());
        overlay->close();
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->status, CaptureResult::Status::cancelled);
        EXPECT_FALSE(manager.isBusy());
        QCoreApplication::processEvents();
        EXPECT_EQ(reports, 1);
        EXPECT_TRUE(manager.overlays().isEmpty() && manager.pickers().isEmpty());
    }
}

TEST(CaptureManager, AJitterOfTheHandIsAClickAndFourPointsAreASelection) {
    QTemporaryDir dir;
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    for (QPointF end : {QPointF(102, 103), QPointF(104, 104)}) {
        std::optional<CaptureResult> result;
        const QString path = dir.filePath(QStringLiteral("r.png"));
        manager.capture(toFile(CaptureMode::selection, path), [&](CaptureResult r) { result = r; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.overlays().isEmpty(); }, 3000));
        SelectionOverlayView* view = manager.overlays().first()->view();
        mouse(view, QEvent::MouseButtonPress, QPointF(100, 100));
        mouse(view, QEvent::MouseMove, end);
        mouse(view, QEvent::MouseButtonRelease, end);
        ASSERT_TRUE(result.has_value());
        if (end.x() < 104) {
            EXPECT_EQ(result->status, CaptureResult::Status::cancelled);
            EXPECT_FALSE(QFile::exists(path));
        } else {
            EXPECT_EQ(result->status, CaptureResult::Status::done);
            EXPECT_EQ(QImage(path).size(), QSize(4, 4) * view->devicePixelRatioF());
        }
    }
}

TEST(CaptureManager, AWindowOnASecondScreenIsCutFromThatScreensPicture) {
    // Two screens side by side; the window lies on the right one, whose picture has a red block
    // at the window's corner.
    class TwoScreens final : public CaptureBackend {
    public:
        QString name() const override { return QStringLiteral("two"); }
        Abilities abilities() const override { return {true, true, false}; }
        void grabScreens(Done done) override {
            QImage left(1920, 1080, QImage::Format_RGB32), right(1920, 1080, QImage::Format_RGB32);
            left.fill(Qt::green);
            right.fill(Qt::blue);
            for (int y = 100; y < 110; ++y)
                for (int x = 80; x < 90; ++x)
                    right.setPixelColor(x, y, Qt::red);
            done({{ScreenShot{QStringLiteral("left"), QRect(0, 0, 1920, 1080), 1, left},
                   ScreenShot{QStringLiteral("right"), QRect(1920, 0, 1920, 1080), 1, right}},
                  {},
                  false});
        }
        QList<PickableWindow> windows() override {
            return {{7, QStringLiteral("Camera"), QRect(2000, 100, 300, 200)},
                    {8, QStringLiteral("Across"), QRect(1800, 500, 300, 100)}};
        }
    };
    CaptureManager manager([](QString*) { return std::make_unique<TwoScreens>(); });
    std::optional<CaptureResult> result;
    CaptureRequest request = toFile(CaptureMode::window, QString());
    request.copyToClipboard = true;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.pickers().size() == 2; }, 3000));
    WindowPickerOverlay* right = manager.pickers()[1];
    const double s = right->devicePixelRatioF();
    EXPECT_FALSE(manager.pickers()[0]->candidateAt(QPointF(100, 120) / s).has_value());
    ASSERT_TRUE(right->candidateAt(QPointF(100, 120) / s).has_value());
    mouse(right, QEvent::MouseButtonPress, QPointF(100, 120) / s);
    mouse(right, QEvent::MouseButtonRelease, QPointF(100, 120) / s);
    ASSERT_TRUE(result.has_value());
    ASSERT_EQ(result->status, CaptureResult::Status::done) << result->error.toStdString();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(300, 200));
    EXPECT_EQ(copied.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(copied.pixelColor(20, 20), QColor(Qt::blue));

    // A window over both screens, picked on the left one: all of it, from both pictures.
    result.reset();
    manager.capture(request, [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.pickers().size() == 2; }, 3000));
    WindowPickerOverlay* left = manager.pickers()[0];
    mouse(left, QEvent::MouseButtonPress, QPointF(1850, 550) / s);
    mouse(left, QEvent::MouseButtonRelease, QPointF(1850, 550) / s);
    ASSERT_TRUE(result.has_value());
    ASSERT_EQ(result->status, CaptureResult::Status::done) << result->error.toStdString();
    const QImage across = QGuiApplication::clipboard()->image();
    EXPECT_EQ(across.size(), QSize(300, 100));
    EXPECT_EQ(across.pixelColor(119, 50), QColor(Qt::green));
    EXPECT_EQ(across.pixelColor(120, 50), QColor(Qt::blue));
}

TEST(WindowPicker, SaysWhatToDoOnEveryScreenEvenWithNoWindowUnderThePointer) {
    QImage white(800, 600, QImage::Format_RGB32);
    white.fill(Qt::white);
    std::optional<std::optional<int>> picked;
    WindowPickerOverlay picker(QGuiApplication::primaryScreen(), white, {},
                               [&](std::optional<int> index) { picked = index; });
    picker.resize(800, 600);
    const QImage shown = picker.grab().toImage();
    const QRectF box = picker.hintBox();
    ASSERT_TRUE(QRectF(0, 0, 800, 600).contains(box));
    // The box is dark on the white screen, at its left end where no letter is.
    const double s = shown.devicePixelRatio();
    EXPECT_LT(shown.pixelColor((QPointF(box.left() + box.height() / 2, box.top() + 2) * s).toPoint()).lightness(), 100)
        << "no hint at the top";
    EXPECT_GT(shown.pixelColor((QPointF(box.left() - 4, box.center().y()) * s).toPoint()).lightness(), 200);
}

// An overlay under an application-modal question would take no click and no key: the capture is
// refused with the question's name and the question comes forward; window-modal sheets do not count.
TEST(CaptureManager, AQuestionWaitingForAnAnswerComesForwardInsteadOfADeadOverlay) {
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    QDialog question;
    question.setWindowTitle(QStringLiteral("Save changes?"));
    question.setWindowModality(Qt::ApplicationModal);
    question.show();
    std::optional<CaptureResult> result;
    manager.capture(toFile(CaptureMode::selection, QStringLiteral("/tmp/x.png")), [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(result->status, CaptureResult::Status::failed);
    EXPECT_TRUE(result->error.contains(QStringLiteral("“Save changes?”"))) << result->error.toStdString();
    EXPECT_TRUE(manager.overlays().isEmpty());
    EXPECT_EQ(grabs, 0);
    EXPECT_FALSE(manager.isBusy());
    question.hide();

    QWidget owner;
    owner.show();
    QDialog sheet(&owner);
    sheet.setWindowModality(Qt::WindowModal);
    sheet.show();
    result.reset();
    manager.capture(toFile(CaptureMode::selection, QStringLiteral("/tmp/x.png")), [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.overlays().isEmpty(); }, 3000));
    manager.cancelCurrent();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, CaptureResult::Status::cancelled);
}

// A person at the screen is told why a capture failed, in an alert that does not block the next one.
TEST(CaptureManager, AFailureIsShownToThePersonAtTheScreen) {
    CaptureManager manager([](QString* error) -> std::unique_ptr<CaptureBackend> {
        *error = QStringLiteral("No X display to capture.");
        return nullptr;
    });
    CaptureRequest request = toFile(CaptureMode::fullScreen, QStringLiteral("/tmp/x.png"));
    request.alertOnFailure = true;
    std::optional<CaptureResult> result;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    QMessageBox* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown = box;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(), QStringLiteral("Couldn't Capture the Screen"));
    EXPECT_EQ(shown->informativeText(), QStringLiteral("No X display to capture."));
    EXPECT_EQ(shown->windowModality(), Qt::NonModal);
    shown->close();
}

// A delay of seconds counts down in a corner of the screen and in the tray's tooltip; the counter
// has left the screen when the grab is made.
TEST(CaptureManager, ADelayCountsDownAndTheCounterIsNotInThePicture) {
    class Watching final : public CaptureBackend {
    public:
        QList<bool> counterSeen;
        QString name() const override { return QStringLiteral("watching"); }
        Abilities abilities() const override { return {true, false, true}; }
        void grabScreens(Done done) override {
            bool seen = false;
            for (QWidget* w : QApplication::topLevelWidgets())
                seen = seen || (w->objectName() == QStringLiteral("countdown") && w->isVisible());
            counterSeen << seen;
            QImage shot(64, 48, QImage::Format_RGB32);
            shot.fill(Qt::gray);
            QScreen* screen = QGuiApplication::primaryScreen();
            done({{ScreenShot{screen->name(), screen->geometry(), 1, shot}}, {}, false});
        }
    };
    Watching* backend = nullptr;
    CaptureManager manager([&](QString*) {
        auto made = std::make_unique<Watching>();
        backend = made.get();
        return made;
    });
    QList<int> counted;
    QObject::connect(&manager, &CaptureManager::countdown, [&](int left) { counted << left; });
    QTemporaryDir dir;
    CaptureRequest request = toFile(CaptureMode::fullScreen, dir.filePath(QStringLiteral("later.png")));
    request.delaySeconds = 2;
    std::optional<CaptureResult> result;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    QLabel* counter = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("countdown") && w->isVisible()) counter = qobject_cast<QLabel*>(w);
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter->text(), QStringLiteral("2"));
    // In a corner of the screen, not in its middle.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_GT(counter->geometry().center().x(), area.center().x());
    EXPECT_GT(counter->geometry().center().y(), area.center().y());
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
    EXPECT_EQ(result->status, CaptureResult::Status::done);
    EXPECT_EQ(counted, (QList<int>{2, 1, 0}));
    ASSERT_NE(backend, nullptr);
    EXPECT_EQ(backend->counterSeen, QList<bool>{false});
}

// Every screen in one picture: each at its place in device pixels, nothing where no screen is, and
// a screen of smaller scale enlarged to the largest.
TEST(CaptureManager, AllScreensAreStitchedInDevicePixels) {
    QImage left(1920, 1080, QImage::Format_RGB32), right(1280, 1024, QImage::Format_RGB32);
    left.fill(Qt::green);
    right.fill(Qt::blue);
    const QImage both = CaptureManager::stitched({ScreenShot{QStringLiteral("a"), QRect(0, 0, 1920, 1080), 1, left},
                                                  ScreenShot{QStringLiteral("b"), QRect(1920, 200, 1280, 1024), 1, right}});
    ASSERT_EQ(both.size(), QSize(3200, 1224));
    EXPECT_EQ(both.pixelColor(1919, 0), QColor(Qt::green));
    EXPECT_EQ(both.pixelColor(1920, 200), QColor(Qt::blue));
    EXPECT_EQ(both.pixelColor(3199, 1223), QColor(Qt::blue));
    EXPECT_EQ(both.pixelColor(2000, 100).alpha(), 0); // above the lower screen: no screen there
    EXPECT_EQ(both.pixelColor(100, 1100).alpha(), 0);

    // A screen at scale 1 beside one at scale 2 (its picture twice its points): enlarged to match.
    QImage sharp(200, 200, QImage::Format_RGB32);
    sharp.fill(Qt::red);
    QImage plain(100, 100, QImage::Format_RGB32);
    plain.fill(Qt::yellow);
    const QImage mixed = CaptureManager::stitched({ScreenShot{QStringLiteral("hi"), QRect(0, 0, 100, 100), 2, sharp},
                                                   ScreenShot{QStringLiteral("lo"), QRect(200, 0, 100, 100), 1, plain}});
    ASSERT_EQ(mixed.size(), QSize(400, 200));
    EXPECT_EQ(mixed.pixelColor(199, 199), QColor(Qt::red));
    EXPECT_EQ(mixed.pixelColor(399, 199), QColor(Qt::yellow));
}

// A selection across screens is cut from them stitched: each corner through its own screen, at the
// largest scale.
TEST(CaptureManager, ASelectionAcrossScreensIsCutFromThemStitched) {
    QImage left(1920, 1080, QImage::Format_RGB32), right(1280, 1024, QImage::Format_RGB32);
    left.fill(Qt::green);
    right.fill(Qt::blue);
    const QList<ScreenShot> side{ScreenShot{QStringLiteral("a"), QRect(0, 0, 1920, 1080), 1, left},
                                 ScreenShot{QStringLiteral("b"), QRect(1920, 200, 1280, 1024), 1, right}};
    const QRect cut = CaptureManager::spanningCut(QRectF(1900, 300, 100, 100), side);
    EXPECT_EQ(cut, QRect(1900, 300, 100, 100));
    const QImage part = CaptureManager::stitched(side).copy(cut);
    EXPECT_EQ(part.pixelColor(19, 50), QColor(Qt::green));
    EXPECT_EQ(part.pixelColor(20, 50), QColor(Qt::blue));
    // Down into the corner where no screen is: clipped to the screens' picture, not beyond.
    EXPECT_EQ(CaptureManager::spanningCut(QRectF(1800, 1000, 300, 300), side), QRect(1800, 1000, 300, 224));

    QImage sharp(200, 200, QImage::Format_RGB32);
    sharp.fill(Qt::red);
    QImage plain(100, 100, QImage::Format_RGB32);
    plain.fill(Qt::yellow);
    const QList<ScreenShot> mixed{ScreenShot{QStringLiteral("hi"), QRect(0, 0, 100, 100), 2, sharp},
                                  ScreenShot{QStringLiteral("lo"), QRect(200, 0, 100, 100), 1, plain}};
    const QRect across = CaptureManager::spanningCut(QRectF(QPointF(50, 20), QPointF(250, 80)), mixed);
    EXPECT_EQ(across, QRect(100, 40, 200, 120));
    const QImage both = CaptureManager::stitched(mixed).copy(across);
    EXPECT_EQ(both.pixelColor(99, 60), QColor(Qt::red));
    EXPECT_EQ(both.pixelColor(100, 60), QColor(Qt::yellow));

    // A portal's layout in points (Wayland): a 1920 x 1080 screen at scale 1 beside a 1280 x 720
    // one at scale 2, placed where the portal's picture (at scale 2) had them.
    QImage one(1920, 1080, QImage::Format_RGB32), two(2560, 1440, QImage::Format_RGB32);
    one.fill(Qt::green);
    two.fill(Qt::blue);
    const QList<ScreenShot> wayland{
        ScreenShot{QStringLiteral("HEADLESS-1"), QRect(0, 0, 1920, 1080), 1, one, QPoint(0, 0)},
        ScreenShot{QStringLiteral("HEADLESS-2"), QRect(1920, 0, 1280, 720), 2, two, QPoint(3840, 0)}};
    const QImage layout = CaptureManager::stitched(wayland);
    ASSERT_EQ(layout.size(), QSize(6400, 2160));
    EXPECT_EQ(layout.pixelColor(3839, 2159), QColor(Qt::green));
    EXPECT_EQ(layout.pixelColor(3840, 0), QColor(Qt::blue));
    EXPECT_EQ(layout.pixelColor(6399, 1439), QColor(Qt::blue));
    EXPECT_EQ(layout.pixelColor(5000, 1500).alpha(), 0);
    EXPECT_EQ(CaptureManager::spanningCut(QRectF(1900, 100, 40, 10), wayland), QRect(3800, 200, 80, 20));
}

// A command stopped with Ctrl+C during its delay takes the countdown with it: no counter left on
// the screen, no overlay later with nobody waiting for it, and the manager free for the next one.
TEST(CaptureManager, ACancelDuringTheDelayStopsTheCountdown) {
    int grabs = 0;
    CaptureManager manager([&](QString*) -> std::unique_ptr<CaptureBackend> {
        ++grabs;
        return nullptr;
    });
    QList<int> counted;
    QObject::connect(&manager, &CaptureManager::countdown, [&](int left) { counted << left; });
    CaptureRequest request = toFile(CaptureMode::selection, QStringLiteral("/tmp/x.png"));
    request.delaySeconds = 1;
    std::optional<CaptureResult> result;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    const auto counterShown = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("countdown") && w->isVisible()) return true;
        return false;
    };
    ASSERT_TRUE(counterShown());
    ASSERT_TRUE(manager.isBusy());
    manager.cancelCurrent();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, CaptureResult::Status::cancelled);
    EXPECT_FALSE(counterShown());
    EXPECT_FALSE(manager.isBusy());
    EXPECT_EQ(counted, (QList<int>{1, 0}));
    // The delay runs out: nothing is grabbed and nothing is reported twice.
    result.reset();
    QTest::qWait(1300);
    EXPECT_EQ(grabs, 0);
    EXPECT_FALSE(result.has_value());
}

namespace {

// Screens of noise: the same picture for the same seed, another for another.
class NoiseScreens final : public CaptureBackend {
public:
    NoiseScreens(const quint32* seed, int* grabs) : m_seed(seed), m_grabs(grabs) {}
    QString name() const override { return QStringLiteral("noise"); }
    Abilities abilities() const override { return {true, true, false}; }
    void grabScreens(Done done) override {
        ++*m_grabs;
        QScreen* screen = QGuiApplication::primaryScreen();
        done({{ScreenShot{screen->name(), screen->geometry(), screen->devicePixelRatio(), picture(*m_seed)}}, {}, false});
    }
    static QImage picture(quint32 seed) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize size = screen->geometry().size() * screen->devicePixelRatio();
        return TestSupport::noisePicture(size.width(), size.height(), seed);
    }

private:
    const quint32* m_seed;
    int* m_grabs;
};

void forgetLastRegion() {
    for (const char* key : {CaptureManager::kLastRegionKey, CaptureManager::kLastRegionScreenKey,
                            CaptureManager::kLastRegionOriginKey})
        QSettings().remove(QString::fromLatin1(key));
}

} // namespace

// "Capture Last Region Again": none until a region was selected (whatever it was captured for);
// then the same rectangle of a fresh grab, with no overlay, following its screen in the layout.
TEST(CaptureManager, TheLastRegionIsCapturedAgainWithoutAnOverlay) {
    forgetLastRegion();
    quint32 seed = 11;
    int grabs = 0;
    CaptureManager manager([&](QString*) { return std::make_unique<NoiseScreens>(&seed, &grabs); });
    int changed = 0;
    QObject::connect(&manager, &CaptureManager::lastRegionChanged, [&] { ++changed; });
    QTemporaryDir dir;
    const QString again = dir.filePath(QStringLiteral("again.png"));
    const auto captureLast = [&](const QString& path, bool* overlaySeen) {
        std::optional<CaptureResult> result;
        manager.capture(toFile(CaptureMode::lastRegion, path), [&](CaptureResult r) { result = r; });
        EXPECT_FALSE(manager.isBusy());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                *overlaySeen = *overlaySeen || !manager.overlays().isEmpty() || !manager.pickers().isEmpty();
                return result.has_value();
            },
            3000));
        return result.value_or(CaptureResult(CaptureResult::Status::failed, QStringLiteral("no answer")));
    };

    bool overlaySeen = false;
    CaptureResult result = captureLast(again, &overlaySeen);
    EXPECT_EQ(result.status, CaptureResult::Status::failed);
    EXPECT_EQ(result.error, CaptureManager::noLastRegionError());
    EXPECT_EQ(grabs, 0);
    EXPECT_FALSE(QFile::exists(again));

    // Selected for the clipboard: remembered all the same.
    CaptureRequest toClipboard = toFile(CaptureMode::selection, QString());
    toClipboard.copyToClipboard = true;
    std::optional<CaptureResult> selected;
    manager.onCopied = [](const QImage&) {};
    manager.capture(toClipboard, [&](CaptureResult r) { selected = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.overlays().isEmpty(); }, 3000));
    SelectionOverlayView* view = manager.overlays().first()->view();
    const double s = view->devicePixelRatioF();
    mouse(view, QEvent::MouseButtonPress, QPointF(100, 100) / s);
    mouse(view, QEvent::MouseMove, QPointF(150, 140) / s);
    mouse(view, QEvent::MouseButtonRelease, QPointF(150, 140) / s);
    ASSERT_TRUE(selected.has_value());
    ASSERT_EQ(selected->status, CaptureResult::Status::done) << selected->error.toStdString();
    EXPECT_EQ(changed, 1);
    const QRect device(100, 100, 50, 40);
    EXPECT_EQ(TestSupport::differingPixels(QGuiApplication::clipboard()->image(), NoiseScreens::picture(11).copy(device)), 0);
    const std::optional<CaptureManager::LastRegion> region = CaptureManager::lastRegion();
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->rect, QRectF(QPointF(100, 100) / s, QPointF(150, 140) / s));
    EXPECT_EQ(region->screen, QGuiApplication::primaryScreen()->name());
    EXPECT_EQ(region->screenOrigin, QGuiApplication::primaryScreen()->geometry().topLeft());

    // The screen changed meanwhile: the same rectangle of what it shows now, with no overlay.
    seed = 12;
    result = captureLast(again, &overlaySeen);
    ASSERT_EQ(result.status, CaptureResult::Status::done) << result.error.toStdString();
    EXPECT_FALSE(overlaySeen);
    EXPECT_EQ(grabs, 2);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(TestSupport::differingPixels(QImage(again), NoiseScreens::picture(12).copy(device)), 0);
    EXPECT_GT(TestSupport::differingPixels(QImage(again), NoiseScreens::picture(11).copy(device)), 0);

    // Its screen lay 30 points further left when the region was selected: the region moves with it.
    CaptureManager::rememberRegion({region->rect, region->screen, region->screenOrigin - QPoint(30, 0)});
    const QString moved = dir.filePath(QStringLiteral("moved.png"));
    ASSERT_EQ(captureLast(moved, &overlaySeen).status, CaptureResult::Status::done);
    EXPECT_EQ(TestSupport::differingPixels(QImage(moved), NoiseScreens::picture(12).copy(device.translated(int(30 * s), 0))), 0);

    // Settings are a file: what is no rectangle a person could select is no last region.
    for (const QVariant& stored : {QVariant(QStringLiteral("100,100,50,40")), QVariant(QRectF(10, 10, 0, 40)),
                                   QVariant(QRectF(qInf(), 0, 10, 10)), QVariant(QRectF(5e6, 0, 10, 10))}) {
        QSettings().setValue(QString::fromLatin1(CaptureManager::kLastRegionKey), stored);
        EXPECT_FALSE(CaptureManager::lastRegion().has_value()) << stored.toString().toStdString();
    }
    forgetLastRegion();

    // The command line's form of it, and no menu to wait for beyond the full screen's pause.
    const CommandLine cl = CommandLine::parse({"pictavo", "capture", "last-region", "--output", "x.png"});
    ASSERT_EQ(cl.action, CommandLine::Action::capture) << cl.error.toStdString();
    const QJsonObject request = Instance::requestFor(cl);
    EXPECT_EQ(Instance::captureRequestFor(request).mode, CaptureMode::lastRegion);
    EXPECT_EQ(Instance::outputProblem(request), QString());
    CaptureRequest menu;
    menu.mode = CaptureMode::lastRegion;
    EXPECT_EQ(CaptureManager::delayMs(menu), CaptureManager::kFullScreenMenuDelayMs);
}

// The text of a tray capture is read after the capture is over; meanwhile Capture Text says
// "Cancel Reading" and calls the reading off: nothing copied, nothing said, the item back.
TEST(CaptureManager, ReadingTheTextOfACaptureCanBeCalledOff) {
    int grabs = 0;
    CaptureManager manager(fake(&grabs));
    StatusBarController tray(manager);
    int copied = 0;
    manager.onTextCopied = [&](int) { ++copied; };
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    const auto captureText = [&tray]() -> QAction* {
        for (QAction* action : tray.menu()->actions())
            if (action->text() == QStringLiteral("Capture Text") || action->text() == QStringLiteral("Cancel Reading"))
                return action;
        return nullptr;
    };
    ASSERT_NE(captureText(), nullptr);
    CaptureRequest request;
    request.mode = CaptureMode::fullScreen;
    request.delaySeconds = 0;
    request.readText = true;
    request.copyToClipboard = true;
    request.alertOnFailure = false;
    std::optional<CaptureResult> result;
    manager.capture(request, [&](CaptureResult r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager.isReadingText() || result.has_value(); }, 5000));
    ASSERT_TRUE(manager.isReadingText());
    EXPECT_EQ(captureText()->text(), QStringLiteral("Cancel Reading"));
    captureText()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 20000));
    EXPECT_EQ(result->status, CaptureResult::Status::cancelled);
    EXPECT_FALSE(manager.isReadingText());
    EXPECT_EQ(captureText()->text(), QStringLiteral("Capture Text"));
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_EQ(grabs, 1); // the trigger called off the reading; it started no capture
}
