#pragma once

#include "platform/capture/ScreenSettle.h"
#include "ui/Icons.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class CaptureManager;
enum class CaptureMode;
class QAction;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QWidget;

// Pictavo's permanent presence: the tray icon and its menu, or, where the desktop has no tray, a
// small "Pictavo" window with the same commands. Which one shows is checked once a second, so a
// panel that starts late or restarts never leaves both or neither.
class StatusBarController final : public QObject {
    Q_OBJECT

public:
    explicit StatusBarController(CaptureManager& captures, QObject* parent = nullptr);
    ~StatusBarController() override;

    QMenu* menu() const { return m_menu; }
    QMenu* recentMenu() const { return m_recent; }
    QMenu* recentCapturesMenu() const { return m_recentCaptures; }
    QAction* lastRegionAction() const { return m_lastRegion; }
    QMenu* preferencesMenu() const { return m_preferences; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    QWidget* launcher() const { return m_launcher; }

    // "v0.1.0 (build)", or "v?" without a version.
    static QString appVersion(const QString& version, const QString& build);
    // Empties and refills the Recent menu from the save folder.
    void rebuildRecent();
    // Empties and refills Recent Captures from the capture history.
    void rebuildRecentCaptures();
    // "Capture Last Region Again" is there to choose once a region was selected.
    void updateLastRegion();
    void updateCaptureText();
    // "Keep Capture History" turned off: asks before deleting what is kept (the question by
    // default, tests replace it); true goes on. `kept` entries are there.
    std::function<bool(int kept)> askToDeleteHistory;
    // Shows the tray icon where a tray exists, else the launcher.
    void updatePresence();
    // Pictavo was started again: the launcher comes forward (out of its minimised state), or the
    // tray icon says where Pictavo is when no other window came forward.
    void wake(bool windowsShown = false);

    // A capture from the menu or the launcher: the launcher and the menus leave the screen before
    // the capture's pause starts, and the launcher comes back once the capture ends, however.
    void captureFromMenu(CaptureMode mode, bool readText = false);

    void openImage();
    void revealSaveFolder();
    // The quit check: asks when editors hold unsaved edits. True when quitting may go on.
    static bool confirmQuit(QWidget* parent = nullptr);
    static QString unsavedMessage(int dirtyEditors);

signals:
    void quitRequested();

private:
    // The commands the tray menu and the launcher share, in their order.
    struct Command {
        QString title, help;
        const char* theme; // the icon theme's name for it
        Icons::Action icon; // ours, where the theme has none
        std::function<void()> run;
        QMenu* menu = nullptr; // a submenu instead of `run`
        bool lastRegion = false; // there only while a last region is remembered
        bool endsCaptures = false; // a separator follows
        bool readsText = false; // "Cancel Reading" while the text of a capture is read
    };
    QList<Command> mainCommands();
    QWidget* buildLauncher();
    bool eventFilter(QObject* watched, QEvent* event) override;

    CaptureManager& m_captures;
    QMenu* m_menu = nullptr;
    QMenu* m_recent = nullptr;
    QMenu* m_preferences = nullptr;
    QMenu* m_recentCaptures = nullptr;
    QAction* m_lastRegion = nullptr;
    QPointer<QWidget> m_lastRegionButton;
    QAction* m_captureText = nullptr;
    QPointer<QPushButton> m_captureTextButton;
    QIcon m_folderIcon; // for the Recent menu, rebuilt at every opening
    QSystemTrayIcon* m_tray = nullptr;
    QPointer<QWidget> m_launcher;
    QTimer m_presence;
    bool m_launcherAway = false; // hidden for a capture: not brought back by the presence check
    QPoint m_launcherPlace;      // where it stood: a window manager places a window shown again anew
    std::unique_ptr<ScreenSettle> m_launcherGoing; // watching the screen it left draw again
};
