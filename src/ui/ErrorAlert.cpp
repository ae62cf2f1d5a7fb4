#include "ui/ErrorAlert.h"

#include <QMessageBox>

namespace ErrorAlert {

void present(const QString& message, QWidget* window) {
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Pictavo"), message, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAccessibleName(QStringLiteral("Error"));
    if (window)
        box->open();
    else
        box->show();
}

void present(const IoError& error, QWidget* window) {
    present(error.message, window);
}

} // namespace ErrorAlert
