#include "app/WindowGeometry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace WindowGeometry {

namespace {

constexpr double kScreenShare = 0.8;
constexpr int kMinimumEditorWidth = 680;
constexpr double kMinZoom = 0.25;

int whole(double value) {
    return int(std::lround(value));
}

} // namespace

ScreenMetrics metricsOf(const QScreen* screen) {
    if (!screen) return kNoScreen;
    return {screen->availableGeometry().size(), screen->devicePixelRatio()};
}

EditorFit editorFit(const ScreenMetrics& screen, QSize imagePixels, const EditorChrome& chrome) {
    double ratio = screen.devicePixelRatio;
    if (!std::isfinite(ratio) || ratio <= 0) ratio = 1.0;
    const QSize available(std::max(0, screen.available.width()), std::max(0, screen.available.height()));
    const auto chromeHeight = [&](int width) {
        return chrome.fixed.height() + (chrome.toolbarHeight ? chrome.toolbarHeight(width) : 0);
    };
    // The minimum width wins over a tiny screen.
    const auto windowWidth = [&](double width) {
        return std::max(std::min(whole(width), available.width()), kMinimumEditorWidth);
    };
    const double w = std::max(0, imagePixels.width()) / ratio, h = std::max(0, imagePixels.height()) / ratio;
    if (w <= 0 || h <= 0) {
        const int width = windowWidth(0);
        return {QSize(width, std::min(chromeHeight(width), available.height())), 1};
    }
    if (w <= kScreenShare * available.width() && h <= kScreenShare * available.height()) {
        const int width = windowWidth(w + chrome.fixed.width());
        return {QSize(width, std::min(whole(h) + chromeHeight(width), available.height())), 1};
    }
    // Too large: the zoom that fits 0.8 of the screen. The toolbar is taller in a narrower window,
    // which lowers the zoom, which may narrow the window: a few rounds settle it.
    int width = windowWidth(std::min(w + chrome.fixed.width(), kScreenShare * available.width()));
    double zoom = 1;
    for (int round = 0; round < 4; ++round) {
        const double room = kScreenShare * available.height() - chromeHeight(width);
        zoom = std::clamp(std::min((width - chrome.fixed.width()) / w, room / h), kMinZoom, 1.0);
        const int narrower = windowWidth(std::min(w * zoom + chrome.fixed.width(), kScreenShare * available.width()));
        if (narrower == width) break;
        width = narrower;
    }
    return {QSize(width, std::min(int(std::ceil(h * zoom)) + chromeHeight(width), available.height())), zoom};
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
    QString title = QCoreApplication::translate("Editor", "Edit Screenshot");
    const QString name = QFileInfo(filePath).fileName();
    if (!name.isEmpty()) {
        // A "[*]" in the name itself would be taken for the mark; Qt reads "[*][*]" as the text.
        QString shown = name;
        shown.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
        title = QCoreApplication::translate("Editor", "Edit Screenshot — %1").arg(shown);
    }
    return title + QLatin1String("[*]");
}

} // namespace WindowGeometry
