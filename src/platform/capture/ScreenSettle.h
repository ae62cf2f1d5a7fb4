#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QTimer>

#include <functional>
#include <memory>

struct xcb_connection_t;
class QSocketNotifier;

// A window of ours hidden from an X screen with no compositor is gone once the windows it
// covered have drawn themselves again, which most do within a few milliseconds. Rather than wait
// for the slowest every time, this watches what changes on the screen (the root window's damage,
// on a connection of its own) and answers once the place has stayed unchanged for a while.
class ScreenSettle final : public QObject {
public:
    // Quiet long enough for a toolkit that draws on its next frame (every 16.7 ms at 60 Hz).
    static constexpr int kQuietMs = 20;

    // Starts watching `area` (root window device pixels); call it before the window is hidden, so
    // that its going and what draws after it are seen. Null where there is no X server or it has no
    // DAMAGE extension.
    static std::unique_ptr<ScreenSettle> watch(const QRect& area);

    // Calls `done` once, from this thread's event loop and never after `context` is gone: when
    // nothing has changed on the area for `quietMs` since it last did, or `maxMs` after the watch
    // began at the latest. Nothing changing at all waits `maxMs`. Without a watch, `maxMs`.
    static void afterRedrawn(std::unique_ptr<ScreenSettle> watch, int maxMs, QObject* context,
                             std::function<void()> done, int quietMs = kQuietMs);

    ~ScreenSettle() override;

private:
    explicit ScreenSettle(const QRect& area);
    bool start();
    void read();
    void check();
    void answer();

    const QRect m_area;
    int m_maxMs = 0;
    int m_quietMs = kQuietMs;
    std::function<void()> m_done;
    QElapsedTimer m_clock;
    QTimer m_timer;
    xcb_connection_t* m_connection = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    quint8 m_firstEvent = 0;
    QSize m_rootSize;
    bool m_seenFirst = false;
    qint64 m_lastChange = -1;
};
