#include "ui/PngSaveDialog.h"

#include "io/ImageUtilities.h"
#include "io/SaveFolder.h"
#include "ui/ErrorAlert.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace PngSaveDialog {

void save(const QImage& image, QWidget* window, std::function<void(bool)> completion, const QString& proposedName) {
    auto* dialog = new QFileDialog(window, QCoreApplication::translate("Save", "Save"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QCoreApplication::translate("Save", "PNG image (*.png)"));
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->setDirectory(SaveFolder::path());
    const QString base = QFileInfo(proposedName).completeBaseName();
    dialog->selectFile(base.isEmpty() ? ImageUtilities::defaultFileName() : base + QStringLiteral(".png"));
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, image, window, completion](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty()) {
            if (completion) completion(false);
            return;
        }
        if (auto error = ImageUtilities::savePng(image, ImageUtilities::pngPath(files.first()))) {
            ErrorAlert::present(*error, window);
            if (completion) completion(false);
            return;
        }
        if (completion) completion(true);
    });
    if (window)
        dialog->open();
    else
        dialog->exec();
}

} // namespace PngSaveDialog
