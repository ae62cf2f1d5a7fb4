#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

// A session of the desktop portal's GlobalShortcuts interface (xdg-desktop-portal over the session
// bus): the desktop owns the keys and tells us when one of ours is pressed. Only KDE's backend
// implements it, and the frontend lists the interface elsewhere too, where CreateSession then
// fails: a session counts only once the portal has answered with one. Everything is
// asynchronous, every request has a time limit, and no answer is ever an error, only "no session".
// On KDE Plasma 5.27 the shortcuts bind when they are passed in CreateSession's options
// (BindShortcuts answers success and binds nothing), so that is how they are passed here.
class GlobalShortcuts final : public QObject {
    Q_OBJECT

public:
    struct Shortcut {
        QString id;
        QString description;
        QString preferredTrigger; // e.g. "Print"; the desktop may choose another
    };

    // On the session bus.
    explicit GlobalShortcuts(QObject* parent = nullptr);
    // On another bus (tests start private ones).
    explicit GlobalShortcuts(const QDBusConnection& bus, QObject* parent = nullptr);
    // Closes the session.
    ~GlobalShortcuts() override;

    // How long the portal may take for each step (tests make it short).
    static constexpr int kTimeoutMs = 10'000;
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // KDE names the shortcuts' group after the session's token: a fixed one keeps the same group
    // (and any key the person chose for it) from one start to the next. Empty: a new one each time.
    void setSessionToken(const QString& token) { m_sessionToken = token; }

    // Asks for a session with `shortcuts` bound in it (none: only to learn whether the portal
    // makes sessions here). `opened` follows once, from the event loop, never inside this call.
    // A session already open is closed first.
    void open(const QList<Shortcut>& shortcuts = {});
    // Closes the session (the desktop forgets nothing it was told to bind).
    void close();
    bool isOpen() const { return !m_session.isEmpty(); }
    QString sessionHandle() const { return m_session; }
    // Why the last open() failed, for logs.
    QString failure() const { return m_failure; }

signals:
    void opened(bool ok);
    // One of this session's shortcuts was pressed.
    void activated(const QString& id);

private slots:
    void onResponse(uint response, const QVariantMap& results);
    void onActivated(const QDBusMessage& message);

private:
    void createSession();
    void finish(bool ok, const QString& failure = {});
    bool subscribe(const QString& path);
    void unsubscribe();

    QDBusConnection m_bus;
    int m_timeoutMs = kTimeoutMs;
    QString m_sessionToken;
    QList<Shortcut> m_shortcuts;
    QTimer m_timer;
    quint64 m_generation = 0; // answers to an earlier open() are dropped
    bool m_opening = false;
    QStringList m_requestPaths; // where the Response may come from
    QString m_requestHandle; // the request to close when it is given up
    QString m_session;
    QString m_failure;
};
