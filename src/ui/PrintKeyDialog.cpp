#include "ui/PrintKeyDialog.h"

#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace PrintKeyDialog {

QMessageBox* show(std::function<void(bool bind)> answered) {
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Pictavo"),
                                QStringLiteral("Capture a region with the Print key?"));
    box->setInformativeText(QStringLiteral("Pictavo can bind Print to “Capture Selection” for you. You can change "
                                           "the key later in your desktop's shortcut settings."));
    box->setObjectName(QStringLiteral("printKeyOffer"));
    QPushButton* bind = box->addButton(QStringLiteral("Bind Print"), QMessageBox::AcceptRole);
    bind->setAccessibleName(QStringLiteral("Bind Print"));
    bind->setToolTip(QStringLiteral("Pressing Print will start “Capture Selection”"));
    QPushButton* later = box->addButton(QStringLiteral("Not now"), QMessageBox::RejectRole);
    later->setAccessibleName(QStringLiteral("Not now"));
    later->setToolTip(QStringLiteral("Leave the Print key as it is; Pictavo will not ask again"));
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
