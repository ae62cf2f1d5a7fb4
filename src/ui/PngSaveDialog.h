#pragma once

#include <QImage>
#include <QString>

#include <functional>

class QWidget;

// The PNG-only save of a picture: a file dialog (PNG only, in the save folder, proposing
// `proposedName`'s base name, else the default name), then the file. `completion` learns whether the file was written; a failure is shown
// first. The dialog is window-modal on `window`, application-modal without one.
namespace PngSaveDialog {
void save(const QImage& image, QWidget* window, std::function<void(bool written)> completion = {},
          const QString& proposedName = {});
}
