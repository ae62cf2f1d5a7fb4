#include "app/EditorWindowController.h"
#include "app/CommandLine.h"
#include "app/Instance.h"
#include "editor/EditorModel.h"
#include "io/DecodingChild.h"
#include "ui/PdfPagePicker.h"

#include "TestSupport.h"
#include "io/Bombs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QElapsedTimer>
#include <QPainter>
#include <QScreen>
#include <QPointer>
#include <QPdfWriter>
#include <QProcess>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <list>
#include <thread>

namespace {

// Several blank pages: enough for the page picker to be asked.
void writeBlankPdf(const QString& path, int pages) {
    QPdfWriter writer(path);
    QPainter painter(&writer);
    for (int i = 1; i < pages; ++i)
        writer.newPage();
}

// A screen of one grey that is grabbed at once.
class GreyScreen final : public CaptureBackend {
public:
    QString name() const override { return QStringLiteral("grey"); }
    Abilities abilities() const override { return {true, true, false}; }
    void grabScreens(Done done) override {
        QScreen* screen = QGuiApplication::primaryScreen();
        ScreenShot shot{screen->name(), screen->geometry(), screen->devicePixelRatio(), {}};
        shot.image = QImage(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
        shot.image.fill(QColor(90, 90, 90));
        done({{shot}, {}, false});
    }
    QList<PickableWindow> windows() override { return {}; }
};

// A later launch handing `request` over from a thread of its own, as another `pictavo` process does.
struct Launch {
    explicit Launch(const QJsonObject& request)
        : thread([this, request] {
              QElapsedTimer timer;
              timer.start();
              if (std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(InstanceChannel::socketPath()))
                  answer = InstanceClient::exchange(*socket, request);
              elapsedMs = timer.elapsed();
              answered = true;
          }) {}
    ~Launch() { thread.join(); }
    bool wait(int ms) {
        return QTest::qWaitFor([this] { return answered.load(); }, ms);
    }
    std::atomic<bool> answered{false};
    InstanceClient::Answer answer;
    qint64 elapsedMs = 0;
    std::thread thread;
};

QJsonObject openRequest(const QString& file) {
    return {{QStringLiteral("command"), QStringLiteral("open")}, {QStringLiteral("files"), QJsonArray{file}}};
}

// The longest time the instance's thread went without running its event loop.
struct PauseMeter {
    PauseMeter() {
        sinceTick.start();
        QObject::connect(&tick, &QTimer::timeout, [this] { longest = std::max(longest, sinceTick.restart()); });
        tick.start(10);
    }
    QElapsedTimer sinceTick;
    QTimer tick;
    qint64 longest = 0;
};

void closeAlerts() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Each test has a runtime folder of its own, so its instance listens on a socket of its own.
class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit()); }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", saved); }
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
};

} // namespace

// Files handed over while the instance is still starting (the first-run question, the tray) wait,
// in order, and open once start-up has finished; their launches hear back only then. Meanwhile the
// question that holds them up comes to the front.
TEST_F(InstanceTest, FilesThatArriveDuringStartUpOpenOnceItHasFinished) {
    const QString picture = runtime.filePath(QStringLiteral("early.png"));
    ASSERT_TRUE(TestSupport::solidImage(40, 30).save(picture));
    {
        Instance instance;
        ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
        const qsizetype before = EditorWindowController::active().size();
        // The first-run question is on screen, behind another window.
        QMessageBox question(QMessageBox::Information, QStringLiteral("Welcome to Pictavo"), QStringLiteral("…"));
        question.setWindowModality(Qt::ApplicationModal);
        question.show();
        QWidget other;
        other.show();
        other.raise();
        QApplication::setActiveWindow(&other);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }, 2000));
        std::atomic<int> answered{0};
        InstanceClient::Answer answer;
        std::thread client([&] {
            std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(InstanceChannel::socketPath());
            if (socket)
                answer = InstanceClient::exchange(*socket, {{QStringLiteral("command"), QStringLiteral("open")},
                                                             {QStringLiteral("files"), QJsonArray{picture}}});
            answered = 1;
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return instance.waitingRequests() == 1; }, 5000)); // arrived, waits
        // The question that holds the request up comes forward.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &question; }, 2000));
        question.hide();
        QTest::qWait(100);
        EXPECT_EQ(EditorWindowController::active().size(), before);
        EXPECT_EQ(answered, 0);
        instance.setReady();
        EXPECT_TRUE(QTest::qWaitFor([&] { return answered == 1; }, 5000));
        client.join();
        EXPECT_TRUE(answer.ok) << answer.error.toStdString();
        ASSERT_EQ(EditorWindowController::active().size(), before + 1);
        EditorWindowController* editor = EditorWindowController::active().last();
        EXPECT_EQ(editor->filePath(), picture);
        editor->close();
    }
}

// The launch that asked for a PDF goes away (its terminal closed) while the page picker is up: the
// page still opens, and the instance, with every editor in it, stays up.
TEST_F(InstanceTest, ALaunchThatGoesAwayWhileAPageIsChosenTakesNothingDown) {
    const QString pdf = runtime.filePath(QStringLiteral("plan.pdf"));
    writeBlankPdf(pdf, 3);
    {
        Instance instance;
        ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
        instance.setReady();
        const qsizetype before = EditorWindowController::active().size();
        std::atomic<bool> hangUp{false}, hungUp{false};
        std::thread client([&] {
            std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(InstanceChannel::socketPath());
            if (socket) {
                socket->write(InstanceChannel::frame({{QStringLiteral("command"), QStringLiteral("open")},
                                                      {QStringLiteral("files"), QJsonArray{pdf}}}));
                socket->waitForBytesWritten(2000);
                while (!hangUp) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                socket->abort();
            }
            hungUp = true;
        });
        // Inside the picker's own event loop: the launch hangs up, its connection goes, then a
        // page is chosen.
        bool chosen = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* picker = qobject_cast<PdfPagePicker*>(QApplication::activeModalWidget());
            if (!picker || chosen) return;
            hangUp = true;
            if (!hungUp) return;
            chosen = true;
            QTimer::singleShot(300, picker, [picker] { QTest::keyClick(picker, Qt::Key_Return); });
        });
        watch.start(20);
        EXPECT_TRUE(QTest::qWaitFor([&] { return EditorWindowController::active().size() == before + 1; }, 10000));
        client.join();
        EXPECT_TRUE(chosen);
        if (EditorWindowController::active().size() == before + 1) {
            // Named for its page, so it is saved under a name of its own.
            EXPECT_EQ(EditorWindowController::active().last()->filePath(), runtime.filePath(QStringLiteral("plan page 1.pdf")));
            EditorWindowController::active().last()->close();
        }
    }
}

// A cancelled page choice opens nothing, shows nothing, and the launch hears that it was not done.
TEST_F(InstanceTest, ACancelledPageChoiceIsNotReportedAsDone) {
    const QString pdf = runtime.filePath(QStringLiteral("two pages.pdf"));
    writeBlankPdf(pdf, 2);
    {
        Instance instance;
        ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
        instance.setReady();
        const qsizetype before = EditorWindowController::active().size();
        std::atomic<bool> answered{false};
        InstanceClient::Answer answer;
        std::thread client([&] {
            if (std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(InstanceChannel::socketPath()))
                answer = InstanceClient::exchange(*socket, {{QStringLiteral("command"), QStringLiteral("open")},
                                                             {QStringLiteral("files"), QJsonArray{pdf}}});
            answered = true;
        });
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* picker = qobject_cast<PdfPagePicker*>(QApplication::activeModalWidget()))
                QTest::keyClick(picker, Qt::Key_Escape);
        });
        watch.start(50);
        EXPECT_TRUE(QTest::qWaitFor([&] { return bool(answered); }, 10000));
        client.join();
        EXPECT_FALSE(answer.ok);
        EXPECT_EQ(answer.error, QStringLiteral("no page of “%1” was chosen").arg(pdf));
        EXPECT_EQ(EditorWindowController::active().size(), before);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

// Plain `pictavo` while this one runs brings its windows forward, minimised ones too.
TEST_F(InstanceTest, StartingAgainBringsTheWindowsBack) {
    Instance instance;
    ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
    instance.setReady();
    QPointer<EditorWindowController> editor = EditorWindowController::show(TestSupport::solidImage(60, 40), {});
    editor->setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(editor->windowState() & Qt::WindowMinimized);
    std::optional<bool> woke;
    QObject::connect(&instance, &Instance::wakeRequested, [&](bool shown) { woke = shown; });
    std::atomic<bool> answered{false};
    std::thread client([&] {
        if (std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(InstanceChannel::socketPath()))
            InstanceClient::exchange(*socket, {{QStringLiteral("command"), QStringLiteral("activate")}});
        answered = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(answered); }, 5000));
    client.join();
    EXPECT_FALSE(editor->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(woke, std::optional<bool>(true));
    editor->close();
}

// Requests that arrive during start-up are carried out in the order they came, not newest first.
TEST_F(InstanceTest, RequestsThatWaitForStartUpRunInTheOrderTheyCame) {
    QStringList pictures;
    for (const char* name : {"first.png", "second.png", "third.png"}) {
        pictures.append(runtime.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(TestSupport::solidImage(40, 30).save(pictures.last()));
    }
    Instance instance;
    ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
    const qsizetype before = EditorWindowController::active().size();
    std::list<Launch> launches;
    for (const QString& picture : pictures) {
        launches.emplace_back(QJsonObject{{QStringLiteral("command"), QStringLiteral("open")},
                                          {QStringLiteral("files"), QJsonArray{picture}}});
        const qsizetype waiting = qsizetype(launches.size());
        ASSERT_TRUE(QTest::qWaitFor([&] { return instance.waitingRequests() == waiting; }, 5000));
    }
    instance.setReady();
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return std::all_of(launches.begin(), launches.end(), [](const Launch& l) { return bool(l.answered); });
    }, 5000));
    const QList<EditorWindowController*> editors = EditorWindowController::active();
    ASSERT_EQ(editors.size(), before + 3);
    QStringList opened;
    for (qsizetype i = before; i < editors.size(); ++i)
        opened.append(editors[i]->filePath());
    EXPECT_EQ(opened, pictures);
    for (qsizetype i = before; i < editors.size(); ++i)
        editors[i]->close();
}

// `pictavo capture region` stopped with Ctrl+C while its selection is on screen: the selection
// goes with it, and the next capture is not told one is already in progress.
TEST_F(InstanceTest, ALaunchStoppedWhileItsSelectionIsUpTakesTheSelectionWithIt) {
    Instance instance([](QString*) { return std::make_unique<GreyScreen>(); });
    ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
    instance.setReady();
    const QString output = runtime.filePath(QStringLiteral("region.png"));
    std::atomic<bool> stop{false}, stopped{false};
    std::thread launch([&] {
        if (std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(InstanceChannel::socketPath())) {
            socket->write(InstanceChannel::frame({{QStringLiteral("command"), QStringLiteral("capture")},
                                                  {QStringLiteral("mode"), QStringLiteral("region")},
                                                  {QStringLiteral("output"), output}}));
            socket->waitForBytesWritten(2000);
            while (!stop)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            socket->abort(); // what the kernel does for a process killed by Ctrl+C
        }
        stopped = true;
    });
    const bool shown = QTest::qWaitFor([&] { return !instance.captures().overlays().isEmpty(); }, 5000);
    stop = true;
    EXPECT_TRUE(shown);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(stopped) && instance.captures().overlays().isEmpty(); }, 5000));
    launch.join();
    EXPECT_FALSE(instance.captures().isBusy());
    EXPECT_FALSE(QFile::exists(output));
    // The manager is free: another selection comes up.
    Launch next({{QStringLiteral("command"), QStringLiteral("capture")},
                 {QStringLiteral("mode"), QStringLiteral("region")},
                 {QStringLiteral("output"), output}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !instance.captures().overlays().isEmpty(); }, 5000));
    instance.captures().cancelCurrent();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(next.answered); }, 5000));
    EXPECT_EQ(next.answer.error, QStringLiteral("the capture was cancelled"));
}

// A progressive JPEG of 17 KB whose last scan comes 1500 times asks for half a minute of decoding
// on a fast machine (a 20000² PNG takes only 4 s on one): it is refused once its child has used its
// 5 seconds, and meanwhile the instance opens another file at once. `pictavo export` (run
// alongside, to share the wait) refuses it the same way.
TEST_F(InstanceTest, APictureThatDecodesForeverIsRefusedWhileOthersOpen) {
    const QString bomb = runtime.filePath(QStringLiteral("scans.jpg")), small = runtime.filePath(QStringLiteral("small.png"));
    ASSERT_TRUE(Bombs::write(bomb, Bombs::jpegClaiming(8000, true, 1500)));
    ASSERT_TRUE(TestSupport::solidImage(40, 30, Qt::red).save(small));
    QProcess exporting;
    QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
    headless.remove(QStringLiteral("DISPLAY"));
    headless.remove(QStringLiteral("QT_QPA_PLATFORM"));
    exporting.setProcessEnvironment(headless);
    QElapsedTimer exportTime;
    exportTime.start();
    qint64 exportMs = -1;
    QObject::connect(&exporting, &QProcess::finished, [&] { exportMs = exportTime.elapsed(); });
    exporting.start(QStringLiteral(PICTAVO_BINARY),
                    {QStringLiteral("export"), bomb, QStringLiteral("--output"), runtime.filePath(QStringLiteral("out.png"))});
    Instance instance;
    ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
    instance.setReady();
    const qsizetype before = EditorWindowController::active().size();
    PauseMeter pauses;
    {
        Launch slow(openRequest(bomb));
        QTest::qWait(300);
        Launch quick(openRequest(small));
        ASSERT_TRUE(quick.wait(3000));
        EXPECT_TRUE(quick.answer.ok) << quick.answer.error.toStdString();
        EXPECT_FALSE(slow.answered); // still decoding, elsewhere
        ASSERT_TRUE(slow.wait(8000));
        EXPECT_FALSE(slow.answer.ok);
        EXPECT_EQ(slow.answer.error.toStdString(),
                  QStringLiteral("“%1” takes more than 5 seconds to decode").arg(bomb).toStdString());
        EXPECT_LT(slow.elapsedMs, 6000);
    }
    EXPECT_LT(pauses.longest, 1500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return exportMs >= 0; }, 8000));
    EXPECT_LT(exportMs, 6500);
    EXPECT_EQ(exporting.exitCode(), 1);
    EXPECT_EQ(QString::fromLocal8Bit(exporting.readAllStandardError()).toStdString(),
              QStringLiteral("Pictavo: “%1” takes more than 5 seconds to decode\n").arg(bomb).toStdString());
    EXPECT_FALSE(QFile::exists(runtime.filePath(QStringLiteral("out.png"))));
    ASSERT_EQ(EditorWindowController::active().size(), before + 1);
    EXPECT_EQ(EditorWindowController::active().last()->filePath(), small);
    EditorWindowController::active().last()->close();
    closeAlerts();
}

// A PDF whose page tree points to itself costs its child, never the instance, whatever page count
// it claims; the instance answers meanwhile and after.
TEST_F(InstanceTest, ALoopingPageTreeIsRefusedAndTheInstanceAnswers) {
    const DecodingChild::ScopedLimits limits({1, 1500, DecodingChild::limits().addressSpace});
    Instance instance;
    ASSERT_EQ(instance.start(), InstanceServer::Start::listening);
    instance.setReady();
    const qsizetype before = EditorWindowController::active().size();
    PauseMeter pauses;
    QStringList files;
    for (int count : {5, 3000, 1000000}) {
        files << runtime.filePath(QStringLiteral("loop %1.pdf").arg(count));
        ASSERT_TRUE(Bombs::write(files.last(), Bombs::loopingPdf(count)));
    }
    {
        std::vector<std::unique_ptr<Launch>> loops;
        for (const QString& file : files)
            loops.push_back(std::make_unique<Launch>(openRequest(file)));
        Launch wake({{QStringLiteral("command"), QStringLiteral("activate")}});
        ASSERT_TRUE(wake.wait(3000));
        EXPECT_TRUE(wake.answer.ok);
        for (size_t i = 0; i < loops.size(); ++i) {
            ASSERT_TRUE(loops[i]->wait(10000));
            EXPECT_FALSE(loops[i]->answer.ok);
            EXPECT_EQ(loops[i]->answer.error.toStdString(),
                      QStringLiteral("“%1” takes more than 1 second to decode").arg(files[int(i)]).toStdString());
        }
    }
    EXPECT_EQ(EditorWindowController::active().size(), before);
    EXPECT_EQ(qobject_cast<PdfPagePicker*>(QApplication::activeModalWidget()), nullptr); // no pages to pick
    EXPECT_LT(pauses.longest, 1500);
    closeAlerts();
    Launch after({{QStringLiteral("command"), QStringLiteral("activate")}});
    ASSERT_TRUE(after.wait(3000));
    EXPECT_TRUE(after.answer.ok);
}

// The launch's token travels with its request, and reaches the window system where the windows
// it opens are activated. Odd tokens (control characters, too long) are not carried.
TEST(InstanceActivation, TheLaunchTokenTravelsAndReachesTheEnvironmentOnWayland) {
    const QByteArray savedWayland = qgetenv("XDG_ACTIVATION_TOKEN"), savedX11 = qgetenv("DESKTOP_STARTUP_ID");
    CommandLine open;
    open.action = CommandLine::Action::openFiles;
    open.files = {QStringLiteral("/tmp/door.png")};
    qputenv("XDG_ACTIVATION_TOKEN", "kwin-1234");
    qputenv("DESKTOP_STARTUP_ID", "dolphin-42_TIME1000");
    QJsonObject request = Instance::requestFor(open);
    EXPECT_EQ(request.value(QStringLiteral("activationToken")).toString(), QStringLiteral("kwin-1234"));
    EXPECT_EQ(request.value(QStringLiteral("startupId")).toString(), QStringLiteral("dolphin-42_TIME1000"));

    qputenv("XDG_ACTIVATION_TOKEN", "bad\ntoken");
    qputenv("DESKTOP_STARTUP_ID", QByteArray(300, 'x'));
    const QJsonObject odd = Instance::requestFor(open);
    EXPECT_FALSE(odd.contains(QStringLiteral("activationToken")));
    EXPECT_FALSE(odd.contains(QStringLiteral("startupId")));

    // At activation on Wayland the token is in the instance's environment; elsewhere it is not.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    Instance::applyActivation(request, QStringLiteral("xcb"));
    EXPECT_TRUE(qgetenv("XDG_ACTIVATION_TOKEN").isEmpty());
    Instance::applyActivation(request, QStringLiteral("wayland"));
    EXPECT_EQ(qgetenv("XDG_ACTIVATION_TOKEN"), QByteArray("kwin-1234"));
    // A request arriving over the socket with a forged token is not put there either.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    QJsonObject forged = request;
    forged.insert(QStringLiteral("activationToken"), QStringLiteral("a b"));
    Instance::applyActivation(forged, QStringLiteral("wayland"));
    EXPECT_TRUE(qgetenv("XDG_ACTIVATION_TOKEN").isEmpty());

    for (const auto& [name, value] : {std::pair{"XDG_ACTIVATION_TOKEN", savedWayland}, std::pair{"DESKTOP_STARTUP_ID", savedX11}})
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
}
