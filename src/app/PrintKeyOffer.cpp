#include "app/PrintKeyOffer.h"

#include "app/CaptureManager.h"
#include "app/StatusBarController.h"
#include "platform/GlobalShortcuts.h"
#include "ui/PrintKeyDialog.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

namespace {

Q_LOGGING_CATEGORY(lcPrintKey, "pictavo")

const QString kBound = QStringLiteral("bound");
const QString kDeclined = QStringLiteral("declined");

} // namespace

PrintKeyOffer::Decision PrintKeyOffer::decision() {
    const QString value = QSettings().value(QString::fromLatin1(kSettingsKey)).toString();
    return value == kBound ? Decision::bound : value == kDeclined ? Decision::declined : Decision::undecided;
}

void PrintKeyOffer::setDecision(Decision decision) {
    QSettings settings;
    if (decision == Decision::undecided)
        settings.remove(QString::fromLatin1(kSettingsKey));
    else
        settings.setValue(QString::fromLatin1(kSettingsKey), decision == Decision::bound ? kBound : kDeclined);
}

PrintKeyOffer::PrintKeyOffer(StatusBarController& tray, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_tray(tray), m_bus(bus), m_timeoutMs(GlobalShortcuts::kTimeoutMs) {}

PrintKeyOffer::~PrintKeyOffer() {
    delete m_dialog;
}

void PrintKeyOffer::start(bool mayAsk) {
    switch (decision()) {
    case Decision::bound:
        return bind();
    case Decision::declined:
        return;
    case Decision::undecided:
        break;
    }
    if (!mayAsk || m_probe) return;
    // A session without shortcuts says whether the portal makes sessions here at all: the
    // interface is listed under GNOME and sway too once KDE's backend is installed.
    m_probe = new GlobalShortcuts(m_bus, this);
    m_probe->setTimeoutMs(m_timeoutMs);
    connect(m_probe, &GlobalShortcuts::opened, this, [this](bool ok) {
        m_probe->close();
        emit sessionChecked(ok);
        if (ok) ask();
    });
    m_probe->open();
}

void PrintKeyOffer::ask() {
    if (m_dialog || decision() != Decision::undecided) return;
    // Not over the first-run question or another modal one: after it.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(500, this, &PrintKeyOffer::ask);
        return;
    }
    m_dialog = PrintKeyDialog::show([self = QPointer<PrintKeyOffer>(this)](bool bind) {
        if (self) self->answer(bind);
    });
}

void PrintKeyOffer::answer(bool bind) {
    setDecision(bind ? Decision::bound : Decision::declined);
    if (bind) this->bind();
}

void PrintKeyOffer::bind() {
    if (m_session) return;
    m_session = new GlobalShortcuts(m_bus, this);
    m_session->setTimeoutMs(m_timeoutMs);
    m_session->setSessionToken(QStringLiteral("pictavo"));
    connect(m_session, &GlobalShortcuts::opened, this, [this](bool ok) {
        if (!ok)
            qCWarning(lcPrintKey, "Pictavo: the desktop portal did not bind the Print key: %s",
                      qPrintable(m_session->failure()));
    });
    connect(m_session, &GlobalShortcuts::activated, this, [this](const QString& id) {
        if (id == QLatin1String(kShortcutId)) m_tray.captureFromMenu(CaptureMode::selection);
    });
    // The desktop lists the shortcut under the tray menu's name for the same command.
    m_session->open({{QString::fromLatin1(kShortcutId), StatusBarController::tr("Capture Selection"),
                      QStringLiteral("Print")}});
}
