#include "ui/SystemClipboard.h"

#include "io/ProjectIO.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

SystemClipboard& SystemClipboard::instance() {
    static SystemClipboard clipboard;
    return clipboard;
}

void SystemClipboard::setObjects(const QByteArray& payload, const QImage& picture) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(ProjectIO::kPasteboardType), payload);
    if (!picture.isNull()) data->setImageData(picture);
    QGuiApplication::clipboard()->setMimeData(data); // replaces every format on the clipboard
}

std::optional<QByteArray> SystemClipboard::objects() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QString type = QString::fromLatin1(ProjectIO::kPasteboardType);
    if (!data || !data->hasFormat(type)) return std::nullopt;
    return data->data(type);
}
