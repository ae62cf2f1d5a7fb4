#include "ui/SaveFolderDialogs.h"

#include "io/SaveFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace SaveFolderDialogs {

bool choose(QWidget* parent) {
    const QString start = SaveFolder::isConfigured() ? SaveFolder::path() : SaveFolder::defaultFolder();
    // The offered default must exist, or the dialog refuses to choose it.
    QDir().mkpath(start);
    QFileDialog dialog(parent, QCoreApplication::translate("SaveFolder", "Choose Pictavo's save folder"), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, QCoreApplication::translate("SaveFolder", "Choose"));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    SaveFolder::set(dialog.selectedFiles().first());
    return true;
}

void ensureConfigured(QWidget* parent) {
    if (SaveFolder::isConfigured()) return;
    QMessageBox welcome(QMessageBox::Information, QCoreApplication::translate("SaveFolder", "Welcome to Pictavo"),
                        QCoreApplication::translate("SaveFolder", "Welcome to Pictavo"), QMessageBox::NoButton, parent);
    welcome.setInformativeText(QCoreApplication::translate("SaveFolder", "Choose a folder where Pictavo will save your screenshots. The menu's "
                                              "Recent list shows what's in this folder. You can change it later "
                                              "from the menu."));
    welcome.addButton(QCoreApplication::translate("SaveFolder", "Choose Folder…"), QMessageBox::AcceptRole);
    welcome.exec();
    if (!choose(parent)) SaveFolder::set(SaveFolder::defaultFolder());
}

} // namespace SaveFolderDialogs
