// SIGTERM, SIGHUP and SIGINT reach the event loop as a Qt signal, and the handlers before are back
// afterwards.
#include "platform/QuitSignals.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {
volatile std::sig_atomic_t g_earlier = 0;
void earlierHandler(int signal) {
    g_earlier = signal;
}
} // namespace

TEST(QuitSignals, EachSignalArrivesOnTheEventLoopAndTheEarlierHandlersReturn) {
    std::signal(SIGHUP, earlierHandler);
    {
        QuitSignals watcher;
        ASSERT_TRUE(watcher.isActive());
        // Only one watcher at a time: a second one stays inactive rather than stealing the pipe.
        QuitSignals second;
        EXPECT_FALSE(second.isActive());
        QSignalSpy received(&watcher, &QuitSignals::received);
        for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
            received.clear();
            std::raise(signal);
            ASSERT_TRUE(received.wait(2000)) << signal;
            EXPECT_EQ(received.takeFirst().at(0).toInt(), signal);
        }
        EXPECT_EQ(g_earlier, 0);
    }
    std::raise(SIGHUP);
    EXPECT_EQ(g_earlier, SIGHUP);
    std::signal(SIGHUP, SIG_DFL);
}
