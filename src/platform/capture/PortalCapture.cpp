#include "platform/capture/PortalCapture.h"

#include "io/ImageDecoder.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <functional>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace {

Q_LOGGING_CATEGORY(lcPortal, "pictavo")

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

const QString kInstall = QStringLiteral(
    "Install xdg-desktop-portal and the portal of your desktop (xdg-desktop-portal-gnome, -kde or -wlr).");

QString noAnswer() {
    return QStringLiteral("No screenshot portal answered. ") + kInstall;
}

QString fromDBusError(const QDBusError& error) {
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return noAnswer();
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
        return QStringLiteral("The desktop portal here offers no screenshots. ") + kInstall;
    case QDBusError::AccessDenied:
        return QStringLiteral("The desktop portal refused to take a screenshot (%1). Allow screenshots for Pictavo "
                              "in your desktop's privacy settings.")
            .arg(error.message());
    default:
        return QStringLiteral("The screenshot portal failed: %1. %2").arg(error.message(), kInstall);
    }
}

const QString kStoreService = QStringLiteral("org.freedesktop.impl.portal.PermissionStore");
const QString kStoreObject = QStringLiteral("/org/freedesktop/impl/portal/PermissionStore");

// One line each, the command last, so that it is copied whole from a terminal or the alert.
QString gnomeNoPermission() {
    return QStringLiteral("GNOME did not answer: Pictavo lacks the screenshot permission. Answer \u201cAllow\u201d "
                          "when GNOME asks \u201cAllow Applications to Take Screenshots?\u201d, or grant it in a "
                          "terminal: ") +
           PortalCapture::gnomeGrantCommand();
}

QString gnomeUnanswered() {
    return QStringLiteral("GNOME's question \u201cAllow Applications to Take Screenshots?\u201d was not answered, so "
                          "Pictavo lacks the screenshot permission. Answer \u201cAllow\u201d there (it may still be "
                          "on the screen) and capture again, or grant it in a terminal: ") +
           PortalCapture::gnomeGrantCommand();
}

QString gnomeRefused() {
    return QStringLiteral("GNOME refused Pictavo the screenshot permission. To be asked again, reset it in a "
                          "terminal: ") +
           PortalCapture::gnomeResetCommand();
}

// The portal's request path for `token`: the caller's unique name without ':' and with '_' for '.'.
QString requestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

} // namespace

// One Screenshot request: its subscriptions, the pending call and the timeout. A child of the
// backend, so destroying the backend drops it; it hands its outcome to the backend's event loop,
// which runs `done` only while the backend lives.
class PortalRequest final : public QObject {
    Q_OBJECT

public:
    PortalRequest(PortalCapture* owner, bool interactive, CaptureBackend::Done done)
        : QObject(owner), m_owner(owner), m_bus(owner->m_bus), m_interactive(interactive), m_done(std::move(done)) {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            qCWarning(lcPortal, "Pictavo: the screenshot portal did not answer within %d s",
                      m_timer.interval() / 1000);
            // A question the person never saw (or left) would otherwise stay on the screen.
            closeOnPortal();
            if (m_asking)
                finish({{}, gnomeUnanswered(), false});
            else if (!m_interactive && PortalCapture::currentDesktop() == PortalCapture::Desktop::gnome)
                explainGnome(false);
            else
                finish({{}, noAnswer(), false});
        });
    }

    ~PortalRequest() override {
        // Nobody waits for the answer any more: let the portal close its dialog.
        if (!m_finished) closeOnPortal();
        unsubscribe();
    }

    void start(const QString& token) {
        if (!m_bus.isConnected()) {
            finish({{},
                    QStringLiteral("Pictavo could not reach the session bus (D-Bus), which screenshots need on "
                                   "Wayland. ") +
                        kInstall,
                    false});
            return;
        }
        m_token = token;
        // Subscribe before asking, so that an answer quicker than the call's reply is not lost.
        if (!subscribe(requestPath(m_bus, token))) {
            finish({{}, QStringLiteral("Pictavo could not listen for the screenshot portal's answer: %1")
                            .arg(m_bus.lastError().message()),
                    false});
            return;
        }
        if (m_interactive || PortalCapture::currentDesktop() != PortalCapture::Desktop::gnome)
            return send(m_interactive ? m_owner->m_interactiveTimeoutMs : m_owner->m_timeoutMs);
        // GNOME asks a person the first time, and refuses at once after a "Deny": the question
        // gets the time a person needs, a refusal is explained without asking the portal.
        lookUpPermission([this](const QStringList& granted) {
            if (granted.contains(QStringLiteral("no"))) return finish({{}, gnomeRefused(), false});
            m_asking = !granted.contains(QStringLiteral("yes"));
            send(m_asking ? m_owner->m_interactiveTimeoutMs : m_owner->m_timeoutMs);
        });
    }

    void send(int timeout) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kObject, kScreenshot, QStringLiteral("Screenshot"));
        const QVariantMap options{{QStringLiteral("handle_token"), m_token},
                                  {QStringLiteral("interactive"), m_interactive},
                                  {QStringLiteral("modal"), true}};
        call << QString() << options;
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, timeout), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, &PortalRequest::replied);
        m_timer.start(timeout);
    }

private slots:
    void onResponse(uint response, const QVariantMap& results) {
        if (m_finished || m_explaining) return;
        if (response == 1) {
            // Refused in the portal's dialog: a cancel for scripts, with the reason for the alert.
            finish({{},
                    QStringLiteral("The screenshot was refused. Allow screenshots for Pictavo in your desktop's "
                                   "privacy settings when it asks, then try again."),
                    true});
            return;
        }
        if (response != 0 && !m_interactive && PortalCapture::currentDesktop() == PortalCapture::Desktop::gnome) {
            explainGnome(true);
            return;
        }
        if (response != 0 && m_interactive) {
            // wlroots' portal answers so when it has no chooser to offer (it uses slurp).
            finish({{},
                    QStringLiteral("The screenshot portal could not let you pick a window. On sway and other wlroots "
                                   "desktops install slurp; elsewhere check that the portal of your desktop is "
                                   "installed (xdg-desktop-portal-gnome, -kde or -wlr)."),
                    false});
            return;
        }
        if (response != 0) {
            finish({{},
                    QStringLiteral("The screenshot portal did not take the picture. Allow screenshots for Pictavo in "
                                   "your desktop's privacy settings, or check that the portal of your desktop is "
                                   "installed (xdg-desktop-portal-gnome, -kde or -wlr)."),
                    false});
            return;
        }
        const QUrl uri(results.value(QStringLiteral("uri")).toString());
        if (!uri.isLocalFile()) {
            finish({{}, QStringLiteral("The screenshot portal answered without a picture file."), false});
            return;
        }
        const QString path = uri.toLocalFile();
        m_owner->m_lastPictureFile = path;
        Result<QImage> picture = ImageDecoder::decodeFile(path);
        // The portal made the file for this request alone.
        if (!QFile::remove(path)) qCWarning(lcPortal, "Pictavo: could not remove the portal's picture %s", qPrintable(path));
        if (!picture) {
            finish({{}, QStringLiteral("The screenshot portal's picture could not be read: %1").arg(picture.error().message),
                    false});
            return;
        }
        finish({shotsOf(*picture), {}, false});
    }

private:
    void closeOnPortal() {
        // `send` does not wait for a reply.
        if (!m_paths.isEmpty())
            m_bus.send(QDBusMessage::createMethodCall(kService, m_paths.last(), kRequest, QStringLiteral("Close")));
    }

    // The entry of the permission store for screenshots by programs outside a sandbox: "yes",
    // "no", or nothing when GNOME has not asked yet (or the store does not answer).
    void lookUpPermission(std::function<void(QStringList)> then) {
        QDBusMessage lookup = QDBusMessage::createMethodCall(kStoreService, kStoreObject, kStoreService,
                                                             QStringLiteral("Lookup"));
        lookup << QStringLiteral("screenshot") << QStringLiteral("screenshot");
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(lookup, 3000), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [then = std::move(then)](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            QStringList granted;
            const QDBusMessage reply = w->reply();
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                const auto table = qdbus_cast<QMap<QString, QStringList>>(reply.arguments().constFirst());
                granted = table.value(QString());
            }
            then(granted);
        });
    }

    // GNOME answers a refused permission at once and an unanswered question never: the permission
    // store tells which it was, so that the alert says how to grant or reset it.
    void explainGnome(bool answered) {
        m_explaining = true;
        m_timer.stop();
        unsubscribe();
        lookUpPermission([this, answered](const QStringList& granted) {
            if (granted.contains(QStringLiteral("no")))
                finish({{}, gnomeRefused(), false});
            else if (!granted.contains(QStringLiteral("yes")))
                finish({{}, gnomeNoPermission(), false});
            else
                finish({{}, answered ? QStringLiteral("The screenshot portal did not take the picture.") : noAnswer(),
                        false});
        });
    }

    QList<ScreenShot> shotsOf(const QImage& picture) const {
        QList<PortalCapture::DesktopScreen> screens;
        if (!m_interactive)
            for (const QScreen* screen : QGuiApplication::screens())
                screens.append({screen->name(), screen->geometry(), screen->devicePixelRatio()});
        // A chosen window, or a process without screens (a command line capture): the whole picture.
        if (screens.isEmpty()) return {ScreenShot{QString(), QRect(QPoint(), picture.size()), 1, picture}};
        return PortalCapture::splitDesktop(picture, screens);
    }

    void replied(QDBusPendingCallWatcher* watcher) {
        watcher->deleteLater();
        if (m_finished || m_explaining) return;
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            qCWarning(lcPortal, "Pictavo: the screenshot portal failed: %s: %s", qPrintable(reply.error().name()),
                      qPrintable(reply.error().message()));
            finish({{}, fromDBusError(reply.error()), false});
            return;
        }
        // Older portals ignore handle_token and answer on a path of their own.
        const QString handle = reply.value().path();
        if (!handle.isEmpty() && !m_paths.contains(handle) && !subscribe(handle))
            finish({{}, QStringLiteral("Pictavo could not listen for the screenshot portal's answer: %1")
                            .arg(m_bus.lastError().message()),
                    false});
    }

    bool subscribe(const QString& path) {
        if (!m_bus.connect(kService, path, kRequest, QStringLiteral("Response"), this,
                           SLOT(onResponse(uint, QVariantMap))))
            return false;
        m_paths.append(path);
        return true;
    }

    void unsubscribe() {
        for (const QString& path : std::as_const(m_paths))
            m_bus.disconnect(kService, path, kRequest, QStringLiteral("Response"), this,
                             SLOT(onResponse(uint, QVariantMap)));
        m_paths.clear();
    }

    // Ends the request: `done` runs from the backend's event loop, never inside a D-Bus callback,
    // and not at all once the backend is gone.
    void finish(CaptureOutcome outcome) {
        if (m_finished) return;
        m_finished = true;
        m_timer.stop();
        unsubscribe();
        QTimer::singleShot(0, m_owner, [owner = QPointer<PortalCapture>(m_owner), done = std::move(m_done),
                                         outcome = std::move(outcome)]() mutable {
            done(std::move(outcome));
            // `done` may have destroyed the backend.
            if (owner) {
                owner->m_running = false;
                owner->startNext();
            }
        });
        deleteLater();
    }

    PortalCapture* m_owner;
    QDBusConnection m_bus;
    bool m_interactive;
    CaptureBackend::Done m_done;
    QStringList m_paths;
    QTimer m_timer;
    bool m_finished = false;
    bool m_explaining = false;
    bool m_asking = false; // GNOME's question is on the screen
    QString m_token;
};

PortalCapture::PortalCapture(QObject* parent) : PortalCapture(QDBusConnection::sessionBus(), parent) {}

PortalCapture::PortalCapture(const QDBusConnection& bus, QObject* parent) : CaptureBackend(), m_bus(bus) {
    setParent(parent);
    // Tests wait less for answers that will not come.
    if (const int ms = qEnvironmentVariableIntValue("PICTAVO_PORTAL_TIMEOUT_MS"); ms > 0)
        m_timeoutMs = m_interactiveTimeoutMs = ms;
}

PortalCapture::~PortalCapture() {
    // The requests still running go with their subscriptions and without calling `done`.
    m_waiting.clear();
    qDeleteAll(findChildren<PortalRequest*>(Qt::FindDirectChildrenOnly));
}

PortalCapture::Desktop PortalCapture::currentDesktop() {
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    for (const QString& desktop : desktops) {
        if (desktop.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0) return Desktop::gnome;
        if (desktop.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0) return Desktop::kde;
    }
    return Desktop::other;
}

QString PortalCapture::gnomeGrantCommand() {
    return QStringLiteral("gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore --object-path "
                          "/org/freedesktop/impl/portal/PermissionStore --method "
                          "org.freedesktop.impl.portal.PermissionStore.SetPermission screenshot true screenshot '' "
                          "\"['yes']\"");
}

QString PortalCapture::gnomeResetCommand() {
    return QStringLiteral("gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore --object-path "
                          "/org/freedesktop/impl/portal/PermissionStore --method "
                          "org.freedesktop.impl.portal.PermissionStore.DeletePermission screenshot screenshot ''");
}

void PortalCapture::grabScreens(Done done) {
    request(false, std::move(done));
}

void PortalCapture::pickWindow(Done done) {
    request(true, std::move(done));
}

void PortalCapture::request(bool interactive, Done done) {
    m_waiting.append({interactive, std::move(done)});
    if (!m_running) startNext();
}

void PortalCapture::startNext() {
    if (m_running || m_waiting.isEmpty()) return;
    auto [interactive, done] = m_waiting.takeFirst();
    m_running = true;
    // KDE's portal answers a missing Pictures folder with a refusal instead of making it.
    if (currentDesktop() == Desktop::kde) {
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        if (!pictures.isEmpty()) QDir().mkpath(pictures);
    }
    // Unique per request and per process; only letters, digits and '_' are allowed in a path.
    const QString token = QStringLiteral("pictavo%1_%2")
                              .arg(++m_counter)
                              .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    auto* request = new PortalRequest(this, interactive, std::move(done));
    request->start(token);
}

QList<ScreenShot> PortalCapture::splitDesktop(const QImage& desktop, const QList<DesktopScreen>& screens) {
    QRect logical;
    for (const auto& screen : screens) logical |= screen.geometry;
    if (desktop.isNull() || logical.isEmpty()) return {};
    const double sx = double(desktop.width()) / logical.width();
    const double sy = double(desktop.height()) / logical.height();
    QList<ScreenShot> shots;
    for (const auto& [name, geometry, ratio] : screens) {
        // Edges rounded one by one, so that neighbouring screens share their edge without a gap.
        const QRect r = geometry.translated(-logical.topLeft());
        const int left = qRound(r.x() * sx), top = qRound(r.y() * sy);
        const int right = qRound((r.x() + r.width()) * sx), bottom = qRound((r.y() + r.height()) * sy);
        const QRect part = QRect(left, top, right - left, bottom - top) & desktop.rect();
        if (part.isEmpty()) {
            shots.append(ScreenShot{name, geometry, sx, QImage(), QPoint(left, top)});
            continue;
        }
        QImage image = desktop.copy(part);
        // The portal enlarged a screen of a smaller scale: its own device pixels are fewer. Each
        // is the average of the block enlarged from it, which gives back a nearest-neighbour
        // enlargement exactly and, of grim's bilinear one, keeps flat areas and edges in place.
        const QSize own(qRound(geometry.width() * ratio), qRound(geometry.height() * ratio));
        if (ratio > 0 && !own.isEmpty() && own.width() < image.width() && own.height() < image.height()) {
            image = image.scaled(own, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            shots.append(ScreenShot{name, geometry, ratio, std::move(image), QPoint(left, top)});
        } else {
            shots.append(ScreenShot{name, geometry, sx, std::move(image), QPoint(left, top)});
        }
    }
    return shots;
}

#include "PortalCapture.moc"
