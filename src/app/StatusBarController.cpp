#include "app/StatusBarController.h"

#include "Version.h"
#include "app/CaptureManager.h"
#include "app/EditorWindowController.h"
#include "app/FileOpener.h"
#include "app/RecentCaptures.h"
#include "editor/EditorModel.h"
#include "io/SaveFolder.h"
#include "platform/FileManager.h"
#include "platform/Session.h"
#include "platform/capture/ScreenSettle.h"
#include "ui/SaveFolderDialogs.h"
#include "ui/editor/EditorView.h"
#include "ui/Icons.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <functional>
#include <type_traits>

namespace {

// Our own icon at the sizes panels ask for; a theme icon where the theme has one.
QIcon appIcon() {
    QIcon icon;
    QSvgRenderer svg(QStringLiteral(":/icons/org.pictavo.Pictavo.svg"));
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The desktop theme's icon where it has one, so the menu matches the panel's other menus; else ours.
QIcon themed(const char* name, Icons::Action fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), Icons::action(fallback));
}

// In a menu the highlighted item draws its icon in the Active mode: ours then takes the
// highlighted text's colour, as the item's title does. (Not on buttons: a focused button is Active.)
QIcon themedInMenu(const char* name, Icons::Action fallback) {
    QIcon icon = Icons::action(fallback);
    QPalette highlighted = QApplication::palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        highlighted.setColor(group, QPalette::ButtonText, highlighted.color(group, QPalette::HighlightedText));
    const QIcon onHighlight = Icons::action(fallback, highlighted);
    for (int size : Icons::kSizes)
        for (int ratio : {1, 2})
            icon.addPixmap(onHighlight.pixmap(QSize(size, size), ratio), QIcon::Active);
    return QIcon::fromTheme(QString::fromLatin1(name), icon);
}

} // namespace

StatusBarController::StatusBarController(CaptureManager& captures, QObject* parent)
    : QObject(parent), m_captures(captures), m_menu(new QMenu), m_recent(new QMenu(tr("Recent"), m_menu)),
      m_preferences(new QMenu(tr("Preferences"), m_menu)),
      m_recentCaptures(new QMenu(tr("Recent Captures"), m_menu)) {
    QAction* adjust = m_preferences->addAction(tr("Adjust Selection Before Capturing"));
    adjust->setCheckable(true);
    adjust->setToolTip(tr("After the drag, move, resize or nudge the region, then press Return"));
    m_preferences->setToolTipsVisible(true);
    connect(m_preferences, &QMenu::aboutToShow, adjust, [adjust] { adjust->setChecked(CaptureManager::adjustsSelection()); });
    adjust->setChecked(CaptureManager::adjustsSelection());
    connect(adjust, &QAction::toggled, this, [](bool on) { CaptureManager::setAdjustsSelection(on); });
    QAction* history = m_preferences->addAction(tr("Keep Capture History"));
    history->setCheckable(true);
    history->setToolTip(
        tr("Keep your last %1 captures for Recent Captures, in %2; turning it off deletes them")
            .arg(CaptureHistory::limit())
            .arg(QDir::toNativeSeparators(CaptureHistory::folder())));
    history->setChecked(CaptureHistory::isEnabled());
    connect(m_preferences, &QMenu::aboutToShow, history, [history] { history->setChecked(CaptureHistory::isEnabled()); });
    // Triggered, not toggled: bringing the check mark up to date must not ask anything.
    connect(history, &QAction::triggered, this, [this, history](bool on) {
        if (on) return CaptureHistory::setEnabled(true);
        const qsizetype kept = CaptureHistory::entries().size();
        if (kept > 0 && !(askToDeleteHistory && askToDeleteHistory(int(kept)))) {
            history->setChecked(true); // kept, and still keeping
            return;
        }
        RecentCaptures::turnOff();
        rebuildRecentCaptures();
    });
    // The launcher keeps out of every capture, a command line's as well as its own.
    m_captures.stepAside = [self = QPointer<StatusBarController>(this)] {
        if (!self || !self->m_launcher || !self->m_launcher->isVisible()) return false;
        self->m_launcherPlace = self->m_launcher->pos();
        const QRect frame = self->m_launcher->frameGeometry();
        const qreal scale = self->m_launcher->devicePixelRatioF();
        // With a little room for a window manager's border or shadow.
        const QRect area = QRect((QPointF(frame.topLeft()) * scale).toPoint(), (QSizeF(frame.size()) * scale).toSize())
                               .adjusted(-8, -8, 8, 8);
        // Without a compositor the launcher is gone once the windows under it have drawn again,
        // which most do at once: watched for from before it goes, instead of waiting for the
        // slowest every time.
        if (QGuiApplication::platformName() == QLatin1String("xcb") && !Session::composited())
            self->m_launcherGoing = ScreenSettle::watch(area);
        self->m_launcher->hide();
        self->m_launcherAway = true;
        return true;
    };
    m_captures.windowGoneMs = [] {
        return Session::composited() ? CaptureManager::kWindowGoneMs : CaptureManager::kWindowGoneUncompositedMs;
    };
    m_captures.awaitWindowGone = [self = QPointer<StatusBarController>(this),
                                  captures = QPointer<CaptureManager>(&m_captures)](int maxMs, std::function<void()> gone) {
        if (captures)
            ScreenSettle::afterRedrawn(self ? std::move(self->m_launcherGoing) : nullptr, maxMs, captures, std::move(gone));
    };
    m_captures.stepBack = [self = QPointer<StatusBarController>(this)] {
        if (!self) return;
        self->m_launcherGoing.reset(); // a menu's pause needed no watch: it hears of every change
        self->m_launcherAway = false;
        self->updatePresence();
        if (self->m_launcher && self->m_launcher->isVisible()) self->m_launcher->move(self->m_launcherPlace);
    };
    askToDeleteHistory = [](int kept) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pictavo"), tr("Delete the capture history?"));
        box.setInformativeText(
            kept == 1
                ? tr("The capture kept for Recent Captures will be deleted, and new captures will not be "
                     "kept. This cannot be undone.")
                : tr("The %1 captures kept for Recent Captures will be deleted, and new captures will not be "
                     "kept. This cannot be undone.")
                      .arg(kept));
        QPushButton* keep = box.addButton(tr("Keep History"), QMessageBox::RejectRole);
        keep->setToolTip(tr("Leave Keep Capture History on; nothing is deleted"));
        QPushButton* remove = box.addButton(tr("Delete History"), QMessageBox::DestructiveRole);
        remove->setToolTip(tr("Turn Keep Capture History off and delete every kept capture"));
        for (QPushButton* b : {keep, remove})
            b->setAccessibleName(b->text());
        box.setDefaultButton(keep);
        box.exec();
        return box.clickedButton() == remove;
    };
    // No shortcut texts: a tray menu has no keyboard focus to take them.
    for (const Command& c : mainCommands()) {
        QAction* action = c.menu ? m_menu->addMenu(c.menu) : m_menu->addAction(themedInMenu(c.theme, c.icon), c.title, this, c.run);
        if (c.menu) c.menu->setIcon(themedInMenu(c.theme, c.icon));
        action->setToolTip(c.help);
        if (c.lastRegion) m_lastRegion = action;
        if (c.readsText) m_captureText = action;
        if (c.endsCaptures) m_menu->addSeparator(); // the captures, then opening a file
    }
    m_menu->setToolTipsVisible(true);
    connect(m_recentCaptures, &QMenu::aboutToShow, this, &StatusBarController::rebuildRecentCaptures);
    connect(m_menu, &QMenu::aboutToShow, this, &StatusBarController::updateLastRegion);
    connect(&m_captures, &CaptureManager::lastRegionChanged, this, &StatusBarController::updateLastRegion);
    connect(&m_captures, &CaptureManager::readingTextChanged, this, &StatusBarController::updateCaptureText);
    rebuildRecentCaptures();
    updateLastRegion();
    m_recent->setIcon(themedInMenu("document-open-recent", Icons::Action::recent));
    m_folderIcon = themedInMenu("folder-open", Icons::Action::folder);
    m_menu->addMenu(m_recent);
    connect(m_recent, &QMenu::aboutToShow, this, &StatusBarController::rebuildRecent);
    m_menu->addSeparator();
    m_menu->addMenu(m_preferences);
    m_menu->addAction(tr("Quit Pictavo"), this, &StatusBarController::quitRequested);
    m_menu->addSeparator();
    QAction* version = m_menu->addAction(
        QStringLiteral("Pictavo ") + appVersion(QString::fromLatin1(Pictavo::kVersion), QString::fromLatin1(Pictavo::kBuildNumber)));
    version->setEnabled(false);
    rebuildRecent(); // the menu has its whole shape before the first opening

    m_tray = new QSystemTrayIcon(appIcon(), this);
    m_tray->setToolTip(QStringLiteral("Pictavo"));
    m_tray->setContextMenu(m_menu);
    // A left click opens the same menu.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) m_menu->popup(QCursor::pos());
    });
    m_tray->show();
    // A command line's delay counts down where the person looks for Pictavo.
    connect(&m_captures, &CaptureManager::countdown, this, [this](int left) {
        m_tray->setToolTip(left > 0 ? tr("Pictavo — capturing in %1 s").arg(left)
                                    : QStringLiteral("Pictavo"));
    });
    m_presence.setInterval(1000);
    connect(&m_presence, &QTimer::timeout, this, &StatusBarController::updatePresence);
    m_presence.start();
    updatePresence();
}

StatusBarController::~StatusBarController() {
    m_captures.stepAside = nullptr;
    m_captures.stepBack = nullptr;
    m_captures.windowGoneMs = nullptr;
    m_captures.awaitWindowGone = nullptr;
    delete m_launcher;
    delete m_menu;
}

QString StatusBarController::appVersion(const QString& version, const QString& build) {
    QString text = QStringLiteral("v") + (version.isEmpty() ? QStringLiteral("?") : version);
    if (!build.isEmpty()) text += QStringLiteral(" (%1)").arg(build);
    return text;
}

void StatusBarController::rebuildRecent() {
    m_recent->clear();
    const QList<SaveFolder::Entry> entries = SaveFolder::entries();
    for (const SaveFolder::Entry& entry : entries) {
        QAction* item = m_recent->addAction(entry.name, this, [path = entry.path] { FileOpener::open({path}); });
        item->setToolTip(entry.path);
        item->setData(entry.path);
    }
    if (entries.isEmpty()) m_recent->addAction(tr("No Files in the Save Folder Yet"))->setEnabled(false);
    m_recent->addSeparator();
    m_recent->addAction(m_folderIcon, tr("Open Save Folder"), this, &StatusBarController::revealSaveFolder);
    m_recent->addAction(tr("Change Save Folder…"), this, [] { SaveFolderDialogs::choose(); });
    m_recent->setToolTipsVisible(true);
}

void StatusBarController::rebuildRecentCaptures() {
    RecentCaptures::fill(m_recentCaptures);
}

void StatusBarController::updateLastRegion() {
    const bool remembered = CaptureManager::lastRegion().has_value();
    if (m_lastRegion) m_lastRegion->setEnabled(remembered);
    if (m_lastRegionButton) m_lastRegionButton->setEnabled(remembered);
}

void StatusBarController::updatePresence() {
    // Without a tray host the icon still says it is visible (with a 0 x 0 geometry): ask the tray.
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    if (tray) {
        if (m_launcher) m_launcher->hide();
        return;
    }
    if (!m_launcher) {
        m_launcher = buildLauncher();
        updateLastRegion();
    }
    if (!m_launcher->isVisible() && !m_launcherAway) m_launcher->show();
}

namespace {
QString captureTextHelp() {
    return StatusBarController::tr(
        "Drag a region of the screen and copy its text to the clipboard (recognition can miss "
        "text: check what matters)");
}
} // namespace

// While the text of a capture is read, Capture Text calls it off.
void StatusBarController::updateCaptureText() {
    const bool reading = m_captures.isReadingText();
    const QString title = reading ? tr("Cancel Reading") : tr("Capture Text");
    const QString help = reading ? tr("Stop reading the text of the capture; the clipboard stays as it was")
                                 : captureTextHelp();
    if (m_captureText) {
        m_captureText->setText(title);
        m_captureText->setToolTip(help);
    }
    if (m_captureTextButton) {
        m_captureTextButton->setText(title);
        m_captureTextButton->setAccessibleName(title);
        m_captureTextButton->setToolTip(help);
    }
}

void StatusBarController::captureFromMenu(CaptureMode mode, bool readText) {
    m_menu->hide();
    m_recent->hide();
    m_recentCaptures->hide();
    CaptureRequest request;
    request.mode = mode;
    // Its text, on the clipboard, instead of the picture.
    request.readText = readText;
    request.copyToClipboard = readText;
    m_captures.capture(request);
}

QList<StatusBarController::Command> StatusBarController::mainCommands() {
    return {
        {tr("Capture Selection"), tr("Drag a region of the screen to capture"), "select-rectangular",
         Icons::Action::captureSelection, [this] { captureFromMenu(CaptureMode::selection); }},
        {tr("Capture Window"), tr("Click a window to capture it"), "window", Icons::Action::captureWindow,
         [this] { captureFromMenu(CaptureMode::window); }},
        {tr("Capture Full Screen"), tr("Capture the whole screen"), "video-display",
         Icons::Action::captureScreen, [this] { captureFromMenu(CaptureMode::fullScreen); }},
        {tr("Capture Text"), captureTextHelp(), "edit-select-text", Icons::Action::captureText,
         [this] {
             if (m_captures.isReadingText()) return m_captures.cancelReadingText();
             captureFromMenu(CaptureMode::selection, true);
         },
         nullptr, false, false, true},
        {tr("Recent Captures"),
         tr("Your last %1 captures, newest first: choose one to open it in the editor")
             .arg(RecentCaptures::kMenuEntries),
         "document-open-recent", Icons::Action::recent, nullptr, m_recentCaptures},
        {tr("Capture Last Region Again"),
         tr("Capture the same part of the screen as the last selected region, without selecting it"),
         "view-refresh", Icons::Action::captureSelection,
         [this] { captureFromMenu(CaptureMode::lastRegion); }, nullptr, true, true},
        {tr("Open Image in Editor…"), tr("Open a picture, a PDF page or a project"), "document-open",
         Icons::Action::openImage, [this] { openImage(); }},
    };
}

void StatusBarController::wake(bool windowsShown) {
    updatePresence();
    if (m_launcher && m_launcher->isVisible()) {
        m_launcher->setWindowState(m_launcher->windowState() & ~Qt::WindowMinimized);
        m_launcher->raise();
        m_launcher->activateWindow();
        return;
    }
    if (QSystemTrayIcon::isSystemTrayAvailable() && !windowsShown)
        m_tray->showMessage(tr("Pictavo is running"),
                            tr("Its menu is behind this icon: captures, recent files and the save folder."),
                            QSystemTrayIcon::Information, 4000);
}

bool StatusBarController::eventFilter(QObject* watched, QEvent* event) {
    // The launcher is Pictavo's only window on such a desktop: closing it quits, after the same
    // question as "Quit Pictavo". If the person cancels, it stays.
    if (watched == m_launcher && event->type() == QEvent::Close) {
        event->ignore();
        emit quitRequested();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

QWidget* StatusBarController::buildLauncher() {
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setWindowTitle(QStringLiteral("Pictavo"));
    window->setWindowIcon(appIcon());
    window->setAttribute(Qt::WA_QuitOnClose, false);
    auto* column = new QVBoxLayout(window);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(8);
    // A column of buttons has nothing to gain from a bigger window.
    column->setSizeConstraint(QLayout::SetFixedSize);
    auto button = [&](const QString& text, const QString& help, auto slot, QIcon icon = {}) {
        auto* b = new QPushButton(icon, text);
        b->setAccessibleName(text);
        b->setToolTip(help);
        if constexpr (!std::is_same_v<decltype(slot), std::nullptr_t>) connect(b, &QPushButton::clicked, this, slot);
        column->addWidget(b);
        return b;
    };
    for (const Command& c : mainCommands()) {
        if (c.menu) {
            button(c.title, c.help, nullptr, themed(c.theme, c.icon))->setMenu(c.menu);
            continue;
        }
        QPushButton* command = button(c.title, c.help, c.run, themed(c.theme, c.icon));
        if (c.lastRegion) m_lastRegionButton = command;
        if (c.readsText) m_captureTextButton = command;
    }
    QPushButton* recent = button(tr("Recent"), tr("Pictures and projects in the save folder, newest first"),
                                 nullptr, themed("document-open-recent", Icons::Action::recent));
    recent->setMenu(m_recent);
    button(
        tr("Open Save Folder"), tr("Show the save folder in the file manager"),
        [this] { revealSaveFolder(); }, themed("folder-open", Icons::Action::folder));
    button(tr("Change Save Folder…"), tr("Choose another folder for saved screenshots"),
           [] { SaveFolderDialogs::choose(); });
    QPushButton* preferences = button(tr("Preferences"), tr("How captures behave"), nullptr);
    preferences->setMenu(m_preferences);
    button(tr("Quit Pictavo"), tr("Quit Pictavo"), [this] { emit quitRequested(); });
    auto* version = new QLabel(QStringLiteral("Pictavo ") + appVersion(QString::fromLatin1(Pictavo::kVersion),
                                                                      QString::fromLatin1(Pictavo::kBuildNumber)));
    version->setEnabled(false);
    column->addWidget(version);
    window->installEventFilter(this);
    return window;
}

void StatusBarController::openImage() {
    const QString file = QFileDialog::getOpenFileName(
        nullptr, tr("Open Image in Editor"), SaveFolder::path(),
        tr("Pictures, PDFs and projects (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp *.pdf "
           "*.pictproj *.PNG *.JPG *.JPEG *.PDF *.PICTPROJ);;All files (*)"));
    if (!file.isEmpty()) FileOpener::open({file});
}

void StatusBarController::revealSaveFolder() {
    // The folder selected in its parent, where a file manager offers that; else the folder itself.
    FileManager::showItem(SaveFolder::path());
}

QString StatusBarController::unsavedMessage(int dirtyEditors) {
    return dirtyEditors == 1 ? tr("You have unsaved screenshot edits")
                             : tr("You have unsaved edits in %1 editor windows").arg(dirtyEditors);
}

bool StatusBarController::confirmQuit(QWidget* parent) {
    // Text still being typed is an edit: counted here, and not committed again (and asked about)
    // when the windows close.
    for (EditorWindowController* editor : EditorWindowController::active())
        editor->view()->interaction().commitPendingText();
    QList<EditorWindowController*> dirty;
    for (EditorWindowController* editor : EditorWindowController::active())
        if (editor->model().isDirty()) dirty.append(editor);
    if (dirty.isEmpty()) return true;
    dirty.first()->raise();
    dirty.first()->activateWindow();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Pictavo"), unsavedMessage(int(dirty.size())),
                    QMessageBox::NoButton, parent ? parent : dirty.first());
    box.setInformativeText(tr("Quitting now will discard them. Cancel to go back and save."));
    QPushButton* cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
    QPushButton* quit = box.addButton(tr("Quit Anyway"), QMessageBox::DestructiveRole);
    box.setDefaultButton(cancel);
    box.exec();
    return box.clickedButton() == quit;
}
