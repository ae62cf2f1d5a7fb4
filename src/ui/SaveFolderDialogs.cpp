#include "ui/SaveFolderDialogs.h"

#include "io/SaveFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace SaveFolderDialogs {

bool choose(QWidget* parent) {
    const QString start = SaveFolder::isConfigured() ? SaveFolder::path() : SaveFolder::defaultFolder();
    // The offered default must exist, or the dialog refuses to choose it.
    QDir().mkpath(start);
    QFileDialog dialog(parent, QStringLiteral("Choose Pictavo's save folder"), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    SaveFolder::set(dialog.selectedFiles().first());
    return true;
}

void ensureConfigured(QWidget* parent) {
    if (SaveFolder::isConfigured()) return;
    QMessageBox welcome(QMessageBox::Information, QStringLiteral("Welcome to Pictavo"),
                        QStringLiteral("Welcome to Pictavo"), QMessageBox::NoButton, parent);
    welcome.setInformativeText(QStringLiteral("Choose a folder where Pictavo will save your screenshots. The menu's "
                                              "Recent list shows what's in this folder. You can change it later "
                                              "from the menu."));
    welcome.addButton(QStringLiteral("Choose Folder…"), QMessageBox::AcceptRole);
    welcome.exec();
    if (!choose(parent)) SaveFolder::set(SaveFolder::defaultFolder());
}

} // namespace SaveFolderDialogs
