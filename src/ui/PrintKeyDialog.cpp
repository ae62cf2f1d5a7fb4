#include "ui/PrintKeyDialog.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace PrintKeyDialog {

QMessageBox* show(std::function<void(bool bind)> answered) {
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Pictavo"),
                                QCoreApplication::translate("PrintKey", "Capture a region with the Print key?"));
    box->setInformativeText(QCoreApplication::translate("PrintKey", "Pictavo can bind Print to “Capture Selection” for you. You can change "
                                           "the key later in your desktop's shortcut settings."));
    box->setObjectName(QStringLiteral("printKeyOffer"));
    QPushButton* bind = box->addButton(QCoreApplication::translate("PrintKey", "Bind Print"), QMessageBox::AcceptRole);
    bind->setAccessibleName(QCoreApplication::translate("PrintKey", "Bind Print"));
    bind->setToolTip(QCoreApplication::translate("PrintKey", "Pressing Print will start “Capture Selection”"));
    QPushButton* later = box->addButton(QCoreApplication::translate("PrintKey", "Not now"), QMessageBox::RejectRole);
    later->setAccessibleName(QCoreApplication::translate("PrintKey", "Not now"));
    later->setToolTip(QCoreApplication::translate("PrintKey", "Leave the Print key as it is; Pictavo will not ask again"));
    box->setDefaultButton(bind);
    box->setEscapeButton(later); // closing the window is "Not now" too
    box->setAttribute(Qt::WA_DeleteOnClose);
    // A message box is application-modal by default: this one must not hold up captures.
    box->setWindowModality(Qt::NonModal);
    auto once = std::make_shared<std::function<void(bool)>>(std::move(answered));
    QObject::connect(box, &QMessageBox::finished, box, [box, bind, once] {
        if (*once) std::exchange(*once, {})(box->clickedButton() == bind);
    });
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

} // namespace PrintKeyDialog
