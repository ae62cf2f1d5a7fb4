#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Pictures of screen text with known values, rendered with Qt: the recognition benchmarks and the
// accuracy comparison read them.
namespace TextPictures {

struct Page {
    QImage image;
    QStringList values; // every value shown, each as it must be read
    QString name;
};

// A device settings page: labels and values (some in input fields) in `family` at `pixelSize`
// points of a `scale`x screen, light or dark. `size` in logical pixels.
Page settingsPage(int seed, const QString& family, int pixelSize, int scale, bool dark, QSize size = QSize(960, 540));

// The accuracy set: several fonts, 11-16 px, 1x and 2x, light and dark.
QList<Page> accuracySet();

// A 5120 x 2880 screenshot of code in an editor (dark), and a 1920 x 1080 settings page.
QImage codeScreenshot5K();
QImage settingsPage1080();

} // namespace TextPictures
