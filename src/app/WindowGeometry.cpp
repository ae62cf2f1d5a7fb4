#include "app/WindowGeometry.h"

#include <QFileInfo>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace WindowGeometry {

namespace {

constexpr double kScreenShare = 0.8;
constexpr double kMinimumEditorWidth = 680;
constexpr double kEditorChromeWidth = 40;  // the canvas margins
constexpr double kEditorChromeHeight = 60; // the toolbar and margins

int whole(double value) {
    return int(std::lround(value));
}

} // namespace

ScreenMetrics metricsOf(const QScreen* screen) {
    if (!screen) return kNoScreen;
    return {screen->availableGeometry().size(), screen->devicePixelRatio()};
}

QSize editorContentSize(const ScreenMetrics& screen, QSize imagePixels) {
    double ratio = screen.devicePixelRatio;
    if (!std::isfinite(ratio) || ratio <= 0) ratio = 1.0;
    const double maxWidth = kScreenShare * std::max(0, screen.available.width());
    const double maxHeight = kScreenShare * std::max(0, screen.available.height());
    const double w = std::max(0, imagePixels.width());
    const double h = std::max(0, imagePixels.height());

    const double width = std::max(std::min(maxWidth, w / ratio + kEditorChromeWidth), kMinimumEditorWidth);
    // The height follows the picture's proportions at that width; no picture, no canvas.
    const double canvasHeight = w > 0 ? width * h / w : 0;
    const double height = std::min(maxHeight, canvasHeight + kEditorChromeHeight);
    return QSize(whole(width), whole(height));
}

QSize previewDisplaySize(QSize imagePixels) {
    const double w = imagePixels.width();
    const double h = imagePixels.height();
    if (w <= 0 || h <= 0) return QSize(320, 200);
    const double s = std::min(640 / w, 400 / h);
    const double scale = s > 1 ? 1.0 : s;
    return QSize(whole(std::max(w * scale, 120.0)), whole(std::max(h * scale, 80.0)));
}

QPoint cascadedPosition(QRect available, QSize size, const QList<QPoint>& taken) {
    constexpr int kStep = 28;
    QRect frame(QPoint(), size);
    frame.moveCenter(available.center());
    const QPoint centre = frame.topLeft();
    QPoint at = centre;
    // Bounded: each step is a new place, and there are only as many taken places as windows.
    for (qsizetype i = 0; i <= taken.size() && taken.contains(at); ++i) {
        const QPoint next = at + QPoint(kStep, kStep);
        if (!available.contains(QRect(next, size))) return centre;
        at = next;
    }
    return at;
}

QString editorTitle(const QString& filePath) {
    QString title = QStringLiteral("Edit Screenshot");
    const QString name = QFileInfo(filePath).fileName();
    if (!name.isEmpty()) {
        // A "[*]" in the name itself would be taken for the mark; Qt reads "[*][*]" as the text.
        QString shown = name;
        shown.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
        title += QStringLiteral(" \u2014 ") + shown;
    }
    return title + QLatin1String("[*]");
}

} // namespace WindowGeometry
