#include "platform/GlobalShortcuts.h"

#include "FakeShortcutsPortal.h"
#include "PrivateBus.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <optional>

namespace {

const QString kDesktop = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");

class GlobalShortcutsTest : public PrivateBus {
protected:
    void SetUp() override {
        PrivateBus::SetUp();
        if (HasFatalFailure()) return;
        service = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("service")));
        ASSERT_TRUE(service->isConnected());
    }
    void TearDown() override {
        portal.reset();
        service.reset();
        PrivateBus::TearDown();
    }
    FakeShortcutsPortal& fakePortal() {
        portal = std::make_unique<FakeShortcutsPortal>(*service);
        EXPECT_TRUE(portal->registered);
        return *portal;
    }
    // Opens and waits for the one `opened`; its value, or nothing after 5 s.
    std::optional<bool> openAndWait(GlobalShortcuts& shortcuts, const QList<GlobalShortcuts::Shortcut>& list = {}) {
        QSignalSpy spy(&shortcuts, &GlobalShortcuts::opened);
        shortcuts.open(list);
        if (spy.count() != 0) return std::nullopt; // never inside the call
        if (!spy.wait(5000)) return std::nullopt;
        QTest::qWait(50);
        if (spy.count() != 1) return std::nullopt;
        return spy.first().first().toBool();
    }

    std::unique_ptr<QDBusConnection> service;
    std::unique_ptr<FakeShortcutsPortal> portal;
};

} // namespace

// A portal without the interface is not asked for a session at all.
TEST_F(GlobalShortcutsTest, AMissingInterfaceIsNotAskedForASession) {
    PortalWithout screenshotOnly({QStringLiteral("org.freedesktop.portal.Screenshot")});
    ASSERT_TRUE(service->registerVirtualObject(kObject, &screenshotOnly));
    EXPECT_TRUE(service->registerService(kDesktop));
    GlobalShortcuts shortcuts(*caller);
    EXPECT_EQ(openAndWait(shortcuts), std::optional<bool>(false));
    EXPECT_FALSE(shortcuts.isOpen());
    EXPECT_EQ(screenshotOnly.calls, QStringList{QStringLiteral("Introspect")});
    service->unregisterObject(kObject);
}

// Listed but failing, as under GNOME or sway with KDE's backend installed: no session.
TEST_F(GlobalShortcutsTest, AFailedCreateSessionIsNoSession) {
    FakeShortcutsPortal& fake = fakePortal();
    fake.answer = FakeShortcutsPortal::Answer::failure;
    GlobalShortcuts shortcuts(*caller);
    EXPECT_EQ(openAndWait(shortcuts), std::optional<bool>(false));
    EXPECT_EQ(fake.options.size(), 1);
    EXPECT_FALSE(shortcuts.isOpen());
    EXPECT_TRUE(shortcuts.sessionHandle().isEmpty());
}

// A portal that never answers: no session once the time limit has passed, and nothing later.
TEST_F(GlobalShortcutsTest, AnUnansweredCreateSessionIsNoSession) {
    FakeShortcutsPortal& fake = fakePortal();
    fake.answer = FakeShortcutsPortal::Answer::never;
    GlobalShortcuts shortcuts(*caller);
    shortcuts.setTimeoutMs(300);
    EXPECT_EQ(openAndWait(shortcuts), std::optional<bool>(false));
    EXPECT_EQ(fake.options.size(), 1);
    EXPECT_FALSE(shortcuts.isOpen());
}

// The shortcuts go in CreateSession's options (what KDE Plasma 5.27 binds), with the tokens the
// request and session paths are made of.
TEST_F(GlobalShortcutsTest, OpensASessionWithTheShortcutsInItsOptions) {
    FakeShortcutsPortal& fake = fakePortal();
    GlobalShortcuts shortcuts(*caller);
    EXPECT_EQ(openAndWait(shortcuts, {{QStringLiteral("capture-selection"), QStringLiteral("Capture Selection"),
                                       QStringLiteral("Print")}}),
              std::optional<bool>(true));
    ASSERT_EQ(fake.options.size(), 1);
    EXPECT_FALSE(fake.options[0].value(QStringLiteral("handle_token")).toString().isEmpty());
    EXPECT_FALSE(fake.options[0].value(QStringLiteral("session_handle_token")).toString().isEmpty());
    ASSERT_EQ(fake.shortcuts[0].size(), 1);
    EXPECT_EQ(fake.shortcuts[0][0].first, QStringLiteral("capture-selection"));
    EXPECT_EQ(fake.shortcuts[0][0].second.value(QStringLiteral("description")).toString(), QStringLiteral("Capture Selection"));
    EXPECT_EQ(fake.shortcuts[0][0].second.value(QStringLiteral("preferred_trigger")).toString(), QStringLiteral("Print"));
    ASSERT_EQ(fake.sessions.size(), 1);
    EXPECT_TRUE(shortcuts.isOpen());
    EXPECT_EQ(shortcuts.sessionHandle(), fake.sessions[0]);

    // Without shortcuts, the options hold none.
    GlobalShortcuts probe(*caller);
    EXPECT_EQ(openAndWait(probe), std::optional<bool>(true));
    ASSERT_EQ(fake.options.size(), 2);
    EXPECT_FALSE(fake.options[1].contains(QStringLiteral("shortcuts")));
}

// Activated counts for its own session only; once closed, the portal is told and nothing comes.
TEST_F(GlobalShortcutsTest, ActivatedOfItsOwnSessionUntilClosed) {
    FakeShortcutsPortal& fake = fakePortal();
    GlobalShortcuts shortcuts(*caller);
    ASSERT_EQ(openAndWait(shortcuts, {{QStringLiteral("capture-selection"), QStringLiteral("Capture Selection"),
                                       QStringLiteral("Print")}}),
              std::optional<bool>(true));
    QSignalSpy activated(&shortcuts, &GlobalShortcuts::activated);
    fake.activate(fake.sessions[0], QStringLiteral("capture-selection"));
    ASSERT_TRUE(activated.wait(3000));
    QTest::qWait(50);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.takeFirst().first().toString(), QStringLiteral("capture-selection"));

    fake.activate(QStringLiteral("/org/freedesktop/portal/desktop/session/other/s1"), QStringLiteral("capture-selection"));
    QTest::qWait(200);
    EXPECT_EQ(activated.count(), 0);

    const QString handle = shortcuts.sessionHandle();
    shortcuts.close();
    EXPECT_FALSE(shortcuts.isOpen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fake.closed.isEmpty(); }, 3000));
    EXPECT_EQ(fake.closed, QStringList{handle});
    fake.activate(handle, QStringLiteral("capture-selection"));
    QTest::qWait(200);
    EXPECT_EQ(activated.count(), 0);
}
