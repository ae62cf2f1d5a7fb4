#include "app/PrintKeyOffer.h"

#include "app/CaptureManager.h"
#include "app/StatusBarController.h"
#include "io/SaveFolder.h"
#include "platform/GlobalShortcuts.h"
#include "ui/capture/SelectionOverlay.h"

#include "platform/FakeShortcutsPortal.h"
#include "platform/PrivateBus.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Counts its grabs; a grey screen.
class CountingBackend final : public CaptureBackend {
public:
    explicit CountingBackend(int* grabs) : m_grabs(grabs) {}
    QString name() const override { return QStringLiteral("counting"); }
    Abilities abilities() const override { return {true, true, false}; }
    void grabScreens(Done done) override {
        ++*m_grabs;
        QScreen* screen = QGuiApplication::primaryScreen();
        ScreenShot shot{screen->name(), screen->geometry(), screen->devicePixelRatio(), {}};
        shot.image = QImage(screen->geometry().size() * screen->devicePixelRatio(), QImage::Format_RGB32);
        shot.image.fill(QColor(60, 60, 60));
        done({{shot}, {}, false});
    }
    QList<PickableWindow> windows() override { return {}; }
    void pickWindow(Done done) override { done({{}, {}, true}); }

private:
    int* m_grabs;
};

QPushButton* button(QMessageBox* box, const QString& text) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text) return qobject_cast<QPushButton*>(b);
    return nullptr;
}

class PrintKeyOfferTest : public PrivateBus {
protected:
    void SetUp() override {
        PrivateBus::SetUp();
        if (HasFatalFailure()) return;
        SaveFolder::set(folder.path());
        PrintKeyOffer::setDecision(PrintKeyOffer::Decision::undecided);
        service = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("service")));
        ASSERT_TRUE(service->isConnected());
        captures = std::make_unique<CaptureManager>(
            [this](QString*) { return std::make_unique<CountingBackend>(&grabs); });
        tray = std::make_unique<StatusBarController>(*captures);
    }
    void TearDown() override {
        offer.reset();
        if (captures) captures->cancelCurrent();
        tray.reset();
        captures.reset();
        portal.reset();
        service.reset();
        PrintKeyOffer::setDecision(PrintKeyOffer::Decision::undecided);
        PrivateBus::TearDown();
    }
    FakeShortcutsPortal& fakePortal() {
        portal = std::make_unique<FakeShortcutsPortal>(*service);
        EXPECT_TRUE(portal->registered);
        return *portal;
    }
    // A new offer, as at a start of the tray program; true once it knows whether a session works
    // (for an undecided start that may ask).
    PrintKeyOffer& startOffer(bool mayAsk = true, int timeoutMs = 2000) {
        offer = std::make_unique<PrintKeyOffer>(*tray, *caller);
        offer->setTimeoutMs(timeoutMs);
        checked = std::make_unique<QSignalSpy>(offer.get(), &PrintKeyOffer::sessionChecked);
        offer->start(mayAsk);
        return *offer;
    }
    bool waitChecked() { return checked->count() > 0 || checked->wait(5000); }
    bool answerWith(const QString& text) {
        QPushButton* b = offer->dialog() ? button(offer->dialog(), text) : nullptr;
        if (!b) return false;
        b->click();
        return true;
    }

    QTemporaryDir folder;
    int grabs = 0;
    std::unique_ptr<QDBusConnection> service;
    std::unique_ptr<FakeShortcutsPortal> portal;
    std::unique_ptr<CaptureManager> captures;
    std::unique_ptr<StatusBarController> tray;
    std::unique_ptr<PrintKeyOffer> offer;
    std::unique_ptr<QSignalSpy> checked;
};

} // namespace

TEST_F(PrintKeyOfferTest, NoOfferWithoutTheInterface) {
    PortalWithout screenshotOnly({QStringLiteral("org.freedesktop.portal.Screenshot")});
    ASSERT_TRUE(service->registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &screenshotOnly));
    EXPECT_TRUE(service->registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    startOffer();
    EXPECT_TRUE(waitChecked());
    QTest::qWait(100);
    EXPECT_EQ(checked->count(), 1);
    if (!checked->isEmpty()) {
        EXPECT_FALSE(checked->first().first().toBool());
    }
    EXPECT_EQ(offer->dialog(), nullptr);
    EXPECT_EQ(PrintKeyOffer::decision(), PrintKeyOffer::Decision::undecided);
    offer.reset();
    service->unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
}

TEST_F(PrintKeyOfferTest, NoOfferWhenCreateSessionFails) {
    fakePortal().answer = FakeShortcutsPortal::Answer::failure;
    startOffer();
    ASSERT_TRUE(waitChecked());
    QTest::qWait(100);
    EXPECT_FALSE(checked->first().first().toBool());
    EXPECT_EQ(portal->options.size(), 1);
    EXPECT_EQ(offer->dialog(), nullptr);
    EXPECT_EQ(PrintKeyOffer::decision(), PrintKeyOffer::Decision::undecided);
}

TEST_F(PrintKeyOfferTest, NoOfferWhenThePortalNeverAnswers) {
    fakePortal().answer = FakeShortcutsPortal::Answer::never;
    startOffer(true, 300);
    ASSERT_TRUE(waitChecked());
    QTest::qWait(100);
    EXPECT_FALSE(checked->first().first().toBool());
    EXPECT_EQ(offer->dialog(), nullptr);
}

// Where a session works: the question, not modal, both answers named and explained; the probe's
// session is closed and nothing is decided until the person answers.
TEST_F(PrintKeyOfferTest, OffersWhereASessionWorks) {
    FakeShortcutsPortal& fake = fakePortal();
    startOffer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return offer->dialog() != nullptr; }, 5000));
    QMessageBox* box = offer->dialog();
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Pictavo"));
    EXPECT_TRUE((box->text() + box->informativeText()).contains(QStringLiteral("Print")));
    EXPECT_TRUE(box->informativeText().contains(QStringLiteral("“Capture Selection”")));
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_TRUE(box->isVisible());
    for (const QString& text : {QStringLiteral("Bind Print"), QStringLiteral("Not now")}) {
        QPushButton* b = button(box, text);
        ASSERT_NE(b, nullptr) << text.toStdString();
        EXPECT_EQ(b->accessibleName(), text);
        EXPECT_FALSE(b->toolTip().isEmpty());
    }
    ASSERT_EQ(fake.options.size(), 1);
    EXPECT_TRUE(fake.shortcuts[0].isEmpty()); // the check binds nothing
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.closed == fake.sessions; }, 3000));
    EXPECT_EQ(PrintKeyOffer::decision(), PrintKeyOffer::Decision::undecided);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(PrintKeyOfferTest, NotNowIsRememberedAndNeverAskedAgain) {
    FakeShortcutsPortal& fake = fakePortal();
    startOffer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return offer->dialog() != nullptr; }, 5000));
    QPointer<QMessageBox> box = offer->dialog();
    ASSERT_TRUE(answerWith(QStringLiteral("Not now")));
    EXPECT_EQ(PrintKeyOffer::decision(), PrintKeyOffer::Decision::declined);
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, 3000));
    EXPECT_EQ(QSettings().value(QString::fromLatin1(PrintKeyOffer::kSettingsKey)).toString(), QStringLiteral("declined"));
    QTest::qWait(100);
    EXPECT_EQ(fake.options.size(), 1); // nothing bound

    // The next start asks nothing and binds nothing.
    startOffer();
    QTest::qWait(300);
    EXPECT_EQ(offer->dialog(), nullptr);
    EXPECT_EQ(fake.options.size(), 1);
}

// "Bind Print": a session with the Print shortcut in CreateSession's options, kept; its press
// starts one selection capture, as the tray menu's "Capture Selection" does; another id nothing.
TEST_F(PrintKeyOfferTest, BindPrintBindsAndItsPressStartsOneSelection) {
    FakeShortcutsPortal& fake = fakePortal();
    startOffer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return offer->dialog() != nullptr; }, 5000));
    ASSERT_TRUE(answerWith(QStringLiteral("Bind Print")));
    EXPECT_EQ(PrintKeyOffer::decision(), PrintKeyOffer::Decision::bound);
    EXPECT_EQ(QSettings().value(QString::fromLatin1(PrintKeyOffer::kSettingsKey)).toString(), QStringLiteral("bound"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return offer->session() && offer->session()->isOpen(); }, 5000));
    ASSERT_EQ(fake.options.size(), 2);
    ASSERT_EQ(fake.shortcuts[1].size(), 1);
    EXPECT_EQ(fake.shortcuts[1][0].first, QStringLiteral("capture-selection"));
    EXPECT_EQ(fake.shortcuts[1][0].second.value(QStringLiteral("description")).toString(), QStringLiteral("Capture Selection"));
    EXPECT_EQ(fake.shortcuts[1][0].second.value(QStringLiteral("preferred_trigger")).toString(), QStringLiteral("Print"));
    // A fixed token: KDE names the shortcut's group after it, the same at every start.
    EXPECT_EQ(fake.options[1].value(QStringLiteral("session_handle_token")).toString(), QStringLiteral("pictavo"));
    const QString session = offer->session()->sessionHandle();
    EXPECT_FALSE(fake.closed.contains(session));

    fake.activate(session, QStringLiteral("capture-window"));
    QTest::qWait(400); // past the menu's pause
    EXPECT_EQ(grabs, 0);
    EXPECT_TRUE(captures->overlays().isEmpty());

    fake.activate(session, QStringLiteral("capture-selection"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !captures->overlays().isEmpty(); }, 3000));
    QTest::qWait(200);
    EXPECT_EQ(grabs, 1);
    EXPECT_EQ(captures->overlays().size(), QGuiApplication::screens().size());
    EXPECT_TRUE(captures->isBusy());
    QTest::keyClick(captures->overlays().first()->view(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return captures->overlays().isEmpty(); }, 3000));
}

// Bound before: every start makes the session again, without asking and without a check first.
TEST_F(PrintKeyOfferTest, ABoundKeyIsBoundAgainSilentlyAtEachStart) {
    FakeShortcutsPortal& fake = fakePortal();
    PrintKeyOffer::setDecision(PrintKeyOffer::Decision::bound);
    startOffer(false); // even for an instance started by a command
    ASSERT_TRUE(QTest::qWaitFor([&] { return offer->session() && offer->session()->isOpen(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(offer->dialog(), nullptr);
    ASSERT_EQ(fake.options.size(), 1);
    ASSERT_EQ(fake.shortcuts[0].size(), 1);
    EXPECT_EQ(fake.shortcuts[0][0].first, QStringLiteral("capture-selection"));
    fake.activate(offer->session()->sessionHandle(), QStringLiteral("capture-selection"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !captures->overlays().isEmpty(); }, 3000));
    EXPECT_EQ(grabs, 1);
    QTest::keyClick(captures->overlays().first()->view(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return captures->overlays().isEmpty(); }, 3000));
}

// An instance started by a command asks nothing: the portal is not even asked.
TEST_F(PrintKeyOfferTest, AStartForACommandAsksNothing) {
    FakeShortcutsPortal& fake = fakePortal();
    startOffer(false);
    QTest::qWait(300);
    EXPECT_EQ(offer->dialog(), nullptr);
    EXPECT_TRUE(fake.options.isEmpty());
}

// The first-run question (or any modal one) comes first: the offer waits until it is gone.
TEST_F(PrintKeyOfferTest, WaitsForAModalQuestionOnTheScreen) {
    fakePortal();
    QMessageBox welcome(QMessageBox::Information, QStringLiteral("Welcome to Pictavo"), QStringLiteral("Welcome"));
    welcome.setWindowModality(Qt::ApplicationModal);
    welcome.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &welcome);
    startOffer();
    ASSERT_TRUE(waitChecked());
    EXPECT_TRUE(checked->first().first().toBool());
    QTest::qWait(800);
    EXPECT_EQ(offer->dialog(), nullptr);
    welcome.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return offer->dialog() != nullptr; }, 3000));
}
