#include "ui/ErrorAlert.h"
#include "io/ErrorTexts.h"

#include <QCoreApplication>
#include <QList>
#include <QMessageBox>
#include <QPointer>

namespace ErrorAlert {

namespace {

QList<QPointer<QMessageBox>>& openAlerts() {
    static QList<QPointer<QMessageBox>> alerts;
    return alerts;
}

} // namespace

void present(const QString& english, QWidget* window, Severity severity) {
    // Texts of the io layer come in English; the program's own are translated already.
    const QString message = ErrorTexts::translated(english);
    QList<QPointer<QMessageBox>>& alerts = openAlerts();
    alerts.removeAll(nullptr);
    for (const QPointer<QMessageBox>& box : alerts) {
        if (box->parentWidget() != window || !box->isVisible()) continue;
        const QStringList lines = box->text().split(QLatin1Char('\n'));
        if (!lines.contains(message)) box->setText(box->text() + QLatin1Char('\n') + message);
        if (severity == Severity::error) box->setIcon(QMessageBox::Critical);
        box->raise();
        return;
    }
    auto* box = new QMessageBox(severity == Severity::error ? QMessageBox::Critical : QMessageBox::Warning,
                                QStringLiteral("Pictavo"), message, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAccessibleName(QCoreApplication::translate("Alert", "Error"));
    // Plain text: file names may hold anything.
    box->setTextFormat(Qt::PlainText);
    alerts.append(box);
    // A message box is application-modal by default: one left open would take every click and
    // key from the capture overlays, leaving a person stuck behind a frozen screen.
    if (!window) box->setWindowModality(Qt::NonModal);
    if (window)
        box->open();
    else {
        box->show();
        // In front of the windows that opened meanwhile.
        box->raise();
        box->activateWindow();
    }
}

void present(const IoError& error, QWidget* window) {
    present(error.message, window);
}

} // namespace ErrorAlert
