#include "platform/GlobalShortcuts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QPointer>
#include <QRandomGenerator>

namespace {

// Quiet unless asked for (QT_LOGGING_RULES="pictavo.shortcuts.debug=true").
Q_LOGGING_CATEGORY(lcShortcuts, "pictavo.shortcuts", QtInfoMsg)

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");

// One entry of the a(sa{sv}) the portal takes: the id, then description and preferred_trigger.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& shortcut) {
    out.beginStructure();
    out << shortcut.id << shortcut.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& shortcut) {
    in.beginStructure();
    in >> shortcut.id >> shortcut.properties;
    in.endStructure();
    return in;
}

// The portal's request path for `token`: the caller's unique name without ':' and with '_' for '.'.
QString requestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

// Only letters, digits and '_' are allowed in a path's element.
QString newToken() {
    static quint32 counter = 0;
    return QStringLiteral("pictavo_gs%1_%2").arg(++counter).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

// A handle comes as an object path or, from some backends, as a string.
QString pathOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

GlobalShortcuts::GlobalShortcuts(QObject* parent) : GlobalShortcuts(QDBusConnection::sessionBus(), parent) {}

GlobalShortcuts::GlobalShortcuts(const QDBusConnection& bus, QObject* parent) : QObject(parent), m_bus(bus) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // The portal may still be working on it: tell it we no longer wait.
        if (!m_requestHandle.isEmpty())
            m_bus.send(QDBusMessage::createMethodCall(kService, m_requestHandle, kRequest, QStringLiteral("Close")));
        finish(false, QStringLiteral("no answer within %1 ms").arg(m_timeoutMs));
    });
}

GlobalShortcuts::~GlobalShortcuts() {
    close();
}

void GlobalShortcuts::open(const QList<Shortcut>& shortcuts) {
    close();
    const quint64 generation = ++m_generation;
    m_shortcuts = shortcuts;
    m_opening = true;
    m_failure.clear();
    if (!m_bus.isConnected()) {
        // Still from the event loop: callers connect after calling.
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_generation) finish(false, QStringLiteral("no session bus"));
        });
        return;
    }
    // An interface listed is not one that works, but one not listed surely does not.
    QDBusMessage introspect = QDBusMessage::createMethodCall(kService, kObject, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                                             QStringLiteral("Introspect"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(introspect, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (generation != m_generation || !m_opening) return;
        const QDBusPendingReply<QString> reply = *w;
        if (reply.isError()) return finish(false, QStringLiteral("no portal: ") + reply.error().message());
        if (!reply.value().contains(QStringLiteral("interface name=\"%1\"").arg(kInterface)))
            return finish(false, QStringLiteral("the portal offers no GlobalShortcuts"));
        createSession();
    });
}

void GlobalShortcuts::createSession() {
    const QString token = newToken();
    // Subscribe before asking, so that an answer quicker than the call's reply is not lost.
    if (!subscribe(requestPath(m_bus, token))) return finish(false, QStringLiteral("cannot listen for the answer"));
    m_requestHandle = m_requestPaths.constFirst();
    QVariantMap options{{QStringLiteral("handle_token"), token}, {QStringLiteral("session_handle_token"), m_sessionToken.isEmpty() ? newToken() : m_sessionToken}};
    if (!m_shortcuts.isEmpty()) {
        QList<PortalShortcut> list;
        for (const Shortcut& s : std::as_const(m_shortcuts)) {
            QVariantMap properties{{QStringLiteral("description"), s.description}};
            if (!s.preferredTrigger.isEmpty()) properties.insert(QStringLiteral("preferred_trigger"), s.preferredTrigger);
            list.append({s.id, properties});
        }
        options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(list));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kObject, kInterface, QStringLiteral("CreateSession"));
    call << options;
    const quint64 generation = m_generation;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (generation != m_generation || !m_opening) return;
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) return finish(false, reply.error().message());
        // Older portals ignore handle_token and answer on a path of their own.
        const QString handle = reply.value().path();
        if (!handle.isEmpty() && !m_requestPaths.contains(handle)) {
            m_requestHandle = handle;
            if (!subscribe(handle)) finish(false, QStringLiteral("cannot listen for the answer"));
        }
    });
    m_timer.start(m_timeoutMs);
}

void GlobalShortcuts::onResponse(uint response, const QVariantMap& results) {
    if (!m_opening) return;
    if (response != 0) return finish(false, QStringLiteral("the portal answered %1").arg(response));
    const QString session = pathOf(results.value(QStringLiteral("session_handle")));
    if (session.isEmpty()) return finish(false, QStringLiteral("the portal answered without a session"));
    if (!m_bus.connect(kService, kObject, kInterface, QStringLiteral("Activated"), this,
                       SLOT(onActivated(QDBusMessage)))) {
        m_bus.send(QDBusMessage::createMethodCall(kService, session, kSession, QStringLiteral("Close")));
        return finish(false, QStringLiteral("cannot listen for the shortcuts"));
    }
    m_session = session;
    finish(true);
}

void GlobalShortcuts::onActivated(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || m_session.isEmpty()) return;
    // Every session of this program hears every Activated: only ours count.
    if (pathOf(args.at(0)) != m_session) return;
    emit activated(args.at(1).toString());
}

void GlobalShortcuts::finish(bool ok, const QString& failure) {
    if (!m_opening) return;
    m_opening = false;
    m_timer.stop();
    unsubscribe();
    m_requestHandle.clear();
    m_failure = failure;
    if (!ok) qCDebug(lcShortcuts, "no GlobalShortcuts session: %s", qPrintable(failure));
    // Never inside a D-Bus callback: the receiver may close or delete us.
    const quint64 generation = m_generation;
    QTimer::singleShot(0, this, [this, ok, generation] {
        if (generation == m_generation) emit opened(ok);
    });
}

void GlobalShortcuts::close() {
    if (m_opening) {
        if (!m_requestHandle.isEmpty())
            m_bus.send(QDBusMessage::createMethodCall(kService, m_requestHandle, kRequest, QStringLiteral("Close")));
        m_opening = false;
        m_timer.stop();
        unsubscribe();
        m_requestHandle.clear();
    }
    ++m_generation; // an answer on its way belongs to nobody now
    if (m_session.isEmpty()) return;
    m_bus.disconnect(kService, kObject, kInterface, QStringLiteral("Activated"), this, SLOT(onActivated(QDBusMessage)));
    // `send` does not wait for a reply.
    m_bus.send(QDBusMessage::createMethodCall(kService, m_session, kSession, QStringLiteral("Close")));
    m_session.clear();
}

bool GlobalShortcuts::subscribe(const QString& path) {
    if (!m_bus.connect(kService, path, kRequest, QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap))))
        return false;
    m_requestPaths.append(path);
    return true;
}

void GlobalShortcuts::unsubscribe() {
    for (const QString& path : std::as_const(m_requestPaths))
        m_bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    m_requestPaths.clear();
}
