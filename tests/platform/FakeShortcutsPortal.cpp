#include "FakeShortcutsPortal.h"

#include <QDBusArgument>
#include <QTimer>

namespace {
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The caller's unique name as the portal puts it in paths.
QString senderElement(const QDBusMessage& message) {
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return sender;
}

FakeShortcutsPortal::Shortcuts decode(const QVariant& value) {
    FakeShortcutsPortal::Shortcuts list;
    if (!value.canConvert<QDBusArgument>()) return list;
    const QDBusArgument arg = value.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(sa{sv})")) return list;
    arg.beginArray();
    while (!arg.atEnd()) {
        QString id;
        QVariantMap properties;
        arg.beginStructure();
        arg >> id >> properties;
        arg.endStructure();
        list.append({id, properties});
    }
    arg.endArray();
    return list;
}
} // namespace

FakeShortcutsPortal::FakeShortcutsPortal(QDBusConnection bus) : m_bus(std::move(bus)) {
    registered = m_bus.registerObject(kObject, this, QDBusConnection::ExportAllSlots) &&
                 m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QDBusObjectPath FakeShortcutsPortal::CreateSession(const QVariantMap& given, const QDBusMessage& message) {
    options.append(given);
    shortcuts.append(decode(given.value(QStringLiteral("shortcuts"))));
    const QString sender = senderElement(message);
    const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                .arg(sender, given.value(QStringLiteral("handle_token")).toString());
    const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                                .arg(sender, given.value(QStringLiteral("session_handle_token")).toString());
    if (answer != Answer::never) {
        const uint code = answer == Answer::success ? 0 : 2;
        if (code == 0) {
            sessions.append(session);
            m_bus.registerObject(session, new FakeShortcutsSession(this), QDBusConnection::ExportAllSlots);
        }
        // After the call's reply, as a real portal answers.
        QTimer::singleShot(20, this, [this, request, session, code] {
            QVariantMap results;
            // A failure names a session too: the code alone must decide.
            results.insert(QStringLiteral("session_handle"), session);
            QDBusMessage response = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Response"));
            response << code << results;
            m_bus.send(response);
        });
    }
    return QDBusObjectPath(request);
}

void FakeShortcutsPortal::activate(const QString& session, const QString& id) {
    QDBusMessage signal = QDBusMessage::createSignal(kObject, kInterface, QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1234) << QVariantMap();
    m_bus.send(signal);
}

QString PortalWithout::introspect(const QString&) const {
    QString xml;
    for (const QString& name : m_interfaces) xml += QStringLiteral("<interface name=\"%1\"></interface>").arg(name);
    return xml;
}

bool PortalWithout::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    calls.append(message.member());
    if (message.member() == QLatin1String("Introspect")) {
        const QString xml = QStringLiteral("<node>%1</node>").arg(introspect(message.path()));
        return connection.send(message.createReply(xml));
    }
    connection.send(message.createErrorReply(QDBusError::UnknownInterface, QStringLiteral("no such interface")));
    return true;
}
