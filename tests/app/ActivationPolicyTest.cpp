// The open-window count, the presence it selects and the activation attempts for a new window.
#include "app/ActivationPolicy.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <memory>

namespace {

using Presence = ActivationPolicy::Presence;

// Records every attempt to bring a window to the front, with its time; a window becomes active
// only when `grantFocus` is set, as a window manager with focus stealing prevention behaves.
class FakeDesktop final : public ActivationPolicy::Desktop {
public:
    struct Attempt {
        QWidget* window;
        qint64 atMs;
    };

    bool isActive(QWidget* window) const override { return active.contains(window); }
    void bringToFront(QWidget* window) override {
        attempts.append({window, clock.elapsed()});
        if (grantFocus) active.insert(window);
    }
    int attemptsFor(const QWidget* window) const {
        return int(std::count_if(attempts.begin(), attempts.end(),
                                 [window](const Attempt& a) { return a.window == window; }));
    }

    QElapsedTimer clock;
    QList<Attempt> attempts;
    QSet<QWidget*> active;
    bool grantFocus = false;
};

class ActivationPolicyTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto fake = std::make_unique<FakeDesktop>();
        desktop = fake.get();
        desktop->clock.start();
        policy = std::make_unique<ActivationPolicy>(std::move(fake));
    }

    // Long enough for the settling retry even on a busy machine.
    static void waitPastSettling() { QTest::qWait(ActivationPolicy::kSettleMs * 2); }

    FakeDesktop* desktop = nullptr;
    std::unique_ptr<ActivationPolicy> policy;
};

TEST_F(ActivationPolicyTest, LastClosedWindowReturnsToTheTray) {
    QSignalSpy changes(policy.get(), &ActivationPolicy::presenceChanged);
    EXPECT_EQ(policy->presence(), Presence::trayOnly);
    QWidget editor, preview;
    policy->windowOpened(&editor);
    policy->windowOpened(&preview);
    EXPECT_EQ(policy->openWindows(), 2);
    EXPECT_EQ(policy->presence(), Presence::foreground);

    // Whichever closes first, the other keeps the program in the foreground.
    policy->windowClosed();
    EXPECT_EQ(policy->presence(), Presence::foreground);
    policy->windowClosed();
    EXPECT_EQ(policy->openWindows(), 0);
    EXPECT_EQ(policy->presence(), Presence::trayOnly);

    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes[0][0].value<Presence>(), Presence::foreground);
    EXPECT_EQ(changes[1][0].value<Presence>(), Presence::trayOnly);
}

TEST_F(ActivationPolicyTest, ClosingMoreThanOpenedStopsAtZero) {
    QSignalSpy changes(policy.get(), &ActivationPolicy::presenceChanged);
    policy->windowClosed();
    policy->windowClosed();
    EXPECT_EQ(policy->openWindows(), 0);
    EXPECT_EQ(policy->presence(), Presence::trayOnly);
    EXPECT_TRUE(changes.isEmpty());

    // The surplus closes are not owed: one open counts as one.
    policy->windowOpened(nullptr);
    EXPECT_EQ(policy->openWindows(), 1);
    EXPECT_EQ(policy->presence(), Presence::foreground);
    policy->windowClosed();
    EXPECT_EQ(policy->presence(), Presence::trayOnly);
}

TEST_F(ActivationPolicyTest, FromTheTrayAWindowIsActivatedNowNextTurnAndAfterSettling) {
    QWidget editor;
    policy->windowOpened(&editor);
    // Only the immediate attempt ran inside the call: no event loop was entered.
    EXPECT_EQ(desktop->attemptsFor(&editor), 1);

    QCoreApplication::processEvents();
    EXPECT_EQ(desktop->attemptsFor(&editor), 2);

    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop->attemptsFor(&editor) == 3; }, 5000));
    EXPECT_GE(desktop->attempts[2].atMs - desktop->attempts[0].atMs, ActivationPolicy::kSettleMs);
    waitPastSettling();
    EXPECT_EQ(desktop->attemptsFor(&editor), 3);
}

TEST_F(ActivationPolicyTest, AlreadyInTheForegroundOnlyTheNextTurnRetries) {
    QWidget first, second;
    policy->windowOpened(&first);
    waitPastSettling();
    desktop->attempts.clear();

    policy->windowOpened(&second);
    waitPastSettling();
    EXPECT_EQ(desktop->attemptsFor(&second), 2);
    EXPECT_EQ(desktop->attemptsFor(&first), 0);
}

TEST_F(ActivationPolicyTest, AnActiveWindowIsLeftAlone) {
    desktop->grantFocus = true;
    QWidget editor;
    policy->windowOpened(&editor);
    waitPastSettling();
    EXPECT_EQ(desktop->attemptsFor(&editor), 1);
}

TEST_F(ActivationPolicyTest, AWindowGoneBeforeItsRetriesIsNotTouched) {
    auto preview = std::make_unique<QWidget>();
    QWidget* address = preview.get();
    policy->windowOpened(address);
    preview.reset();
    waitPastSettling();
    EXPECT_EQ(desktop->attemptsFor(address), 1);
    EXPECT_EQ(policy->openWindows(), 1);
}

// With the real desktop calls, a window behind another one is brought forward and focused.
// (Offscreen activates every newly shown window by itself, so the window must be behind first.)
TEST(ActivationPolicyOnScreen, WindowBehindAnotherBecomesActive) {
    ActivationPolicy policy;
    QWidget behind, front;
    behind.show();
    front.show();
    front.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return front.isActiveWindow(); }, 5000));

    policy.windowOpened(&behind);
    EXPECT_TRUE(QTest::qWaitFor([&] { return behind.isActiveWindow(); }, 5000));
    EXPECT_FALSE(front.isActiveWindow());
}

} // namespace
