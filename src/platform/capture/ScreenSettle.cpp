#include "platform/capture/ScreenSettle.h"

#include <QSocketNotifier>

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

ScreenSettle::ScreenSettle(const QRect& area) : m_area(area) {
    m_clock.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ScreenSettle::check);
}

ScreenSettle::~ScreenSettle() {
    delete m_notifier;
    if (m_connection) xcb_disconnect(m_connection);
}

std::unique_ptr<ScreenSettle> ScreenSettle::watch(const QRect& area) {
    std::unique_ptr<ScreenSettle> settle(new ScreenSettle(area));
    return settle->start() ? std::move(settle) : nullptr;
}

bool ScreenSettle::start() {
    m_connection = xcb_connect(nullptr, nullptr);
    if (!m_connection || xcb_connection_has_error(m_connection)) return false;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
    if (!damage || !damage->present) return false;
    m_firstEvent = damage->first_event;
    // The version must be asked before the extension may be used.
    std::free(xcb_damage_query_version_reply(
        m_connection, xcb_damage_query_version(m_connection, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr));
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    if (!screen) return false;
    m_rootSize = QSize(screen->width_in_pixels, screen->height_in_pixels);
    // Each drawing reported with its rectangle: only those on the place count.
    const xcb_void_cookie_t created = xcb_damage_create_checked(
        m_connection, xcb_generate_id(m_connection), screen->root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    // Waited for: the window is hidden on another connection, whose requests could overtake ours.
    if (xcb_generic_error_t* error = xcb_request_check(m_connection, created)) {
        std::free(error);
        return false;
    }
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &ScreenSettle::read);
    return true;
}

void ScreenSettle::afterRedrawn(std::unique_ptr<ScreenSettle> watch, int maxMs, QObject* context,
                                std::function<void()> done, int quietMs) {
    if (!context || !done) return;
    if (!watch) {
        QTimer::singleShot(std::max(0, maxMs), context, std::move(done));
        return;
    }
    ScreenSettle* settle = watch.release(); // deletes itself once answered
    settle->m_maxMs = std::max(0, maxMs);
    settle->m_quietMs = std::max(0, quietMs);
    settle->m_done = std::move(done);
    connect(context, &QObject::destroyed, settle, [settle] {
        settle->m_done = nullptr;
        settle->deleteLater();
    });
    settle->read(); // what arrived before this call counts too
    settle->check();
}

void ScreenSettle::read() {
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == m_firstEvent + XCB_DAMAGE_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
            const QRect rect(notify->area.x, notify->area.y, notify->area.width, notify->area.height);
            // A new damage object first reports the whole root: not a change.
            const bool wholeRoot = rect == QRect(QPoint(0, 0), m_rootSize);
            if (!(wholeRoot && !m_seenFirst) && rect.intersects(m_area)) changed = true;
            m_seenFirst = true;
        }
        std::free(event);
    }
    // A server gone has nothing more to tell: the longest wait stands.
    if (xcb_connection_has_error(m_connection)) m_notifier->setEnabled(false);
    if (changed) {
        m_lastChange = m_clock.elapsed();
        if (m_done) check();
    }
}

void ScreenSettle::check() {
    if (!m_done) return; // still only watching
    const qint64 now = m_clock.elapsed();
    if (now >= m_maxMs || (m_lastChange >= 0 && now - m_lastChange >= m_quietMs)) return answer();
    const qint64 next = m_lastChange >= 0 ? std::min<qint64>(m_lastChange + m_quietMs, m_maxMs) : m_maxMs;
    m_timer.start(int(next - now));
}

void ScreenSettle::answer() {
    m_timer.stop();
    m_notifier->setEnabled(false);
    if (auto done = std::exchange(m_done, nullptr)) done();
    deleteLater();
}
