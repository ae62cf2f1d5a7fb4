#pragma once

#include <QDBusConnection>
#include <QMessageBox>
#include <QObject>
#include <QPointer>

class GlobalShortcuts;
class StatusBarController;

// The Print key for "Capture Selection", where the desktop portal binds keys for programs (KDE
// Plasma): asked once, at the tray program's first start where a portal session works; after
// "Bind Print" the session is made again at every start and kept, and a press starts the same
// capture as the tray menu's "Capture Selection". "Not now" is remembered.
class PrintKeyOffer final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kSettingsKey = "PictavoPrintShortcutOffer";
    static constexpr const char* kShortcutId = "capture-selection";
    enum class Decision { undecided, bound, declined };
    static Decision decision();
    static void setDecision(Decision decision);

    explicit PrintKeyOffer(StatusBarController& tray, const QDBusConnection& bus = QDBusConnection::sessionBus(),
                           QObject* parent = nullptr);
    ~PrintKeyOffer() override;

    // Tests make the portal's time limit short.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // Where the person decided to bind: the session, silently. Undecided and `mayAsk`: whether a
    // session works here, then the question (after any modal question already on the screen).
    void start(bool mayAsk);

    QMessageBox* dialog() const { return m_dialog; }
    // The kept session with the shortcut, once made.
    GlobalShortcuts* session() const { return m_session; }

signals:
    // Whether a portal session works here, once the first start has found out.
    void sessionChecked(bool works);

private:
    void ask();
    void answer(bool bind);
    void bind();

    StatusBarController& m_tray;
    QDBusConnection m_bus;
    int m_timeoutMs;
    GlobalShortcuts* m_probe = nullptr;
    GlobalShortcuts* m_session = nullptr;
    QPointer<QMessageBox> m_dialog;
};
