#pragma once
// A GlobalShortcuts portal on a test's own bus: answers CreateSession as told, keeps every call's
// options and shortcuts, records closed sessions, and sends Activated on demand. And a portal
// object that lists other interfaces only, recording what it is asked.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QVariantMap>

class FakeShortcutsPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")

public:
    enum class Answer { success, failure, never };
    using Shortcuts = QList<QPair<QString, QVariantMap>>;

    // Offers itself as org.freedesktop.portal.Desktop on `bus`.
    explicit FakeShortcutsPortal(QDBusConnection bus);
    bool registered = false;

    Answer answer = Answer::success;
    QList<QVariantMap> options; // of each CreateSession, as sent
    QList<Shortcuts> shortcuts; // of each CreateSession, decoded (empty without any)
    QStringList sessions; // the handles answered
    QStringList closed; // sessions closed by their owner

    // Sends Activated for `id` in `session`.
    void activate(const QString& session, const QString& id);

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message);

private:
    friend class FakeShortcutsSession;
    QDBusConnection m_bus;
};

// The objects at the sessions' paths: only Close.
class FakeShortcutsSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")

public:
    // A child of the portal: a Close still on its way when the portal goes finds nobody.
    explicit FakeShortcutsSession(FakeShortcutsPortal* portal) : QObject(portal), m_portal(portal) {}

public slots:
    void Close(const QDBusMessage& message) { m_portal->closed.append(message.path()); }

private:
    FakeShortcutsPortal* m_portal;
};

// A portal whose object lists `interfaces` only (e.g. Screenshot): what it was asked, in order.
class PortalWithout final : public QDBusVirtualObject {
public:
    explicit PortalWithout(QStringList interfaces) : m_interfaces(std::move(interfaces)) {}
    QStringList calls;
    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QStringList m_interfaces;
};
