#include "platform/Notifications.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QVariantMap>

namespace {

// The "image-data" hint: width, height, row stride, alpha, bits per sample, channels, bytes.
struct ImageData {
    int width = 0, height = 0, rowStride = 0;
    bool hasAlpha = true;
    int bitsPerSample = 8, channels = 4;
    QByteArray bytes;
};

} // namespace

Q_DECLARE_METATYPE(ImageData)

namespace {

QDBusArgument& operator<<(QDBusArgument& out, const ImageData& image) {
    out.beginStructure();
    out << image.width << image.height << image.rowStride << image.hasAlpha << image.bitsPerSample << image.channels
        << image.bytes;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ImageData& image) {
    in.beginStructure();
    in >> image.width >> image.height >> image.rowStride >> image.hasAlpha >> image.bitsPerSample >> image.channels >>
        image.bytes;
    in.endStructure();
    return in;
}

ImageData imageData(const QImage& picture) {
    // RGBA bytes in memory order, as the hint wants them.
    const QImage small = (picture.width() > Notifications::kImageSide || picture.height() > Notifications::kImageSide
                              ? picture.scaled(Notifications::kImageSide, Notifications::kImageSide, Qt::KeepAspectRatio,
                                               Qt::SmoothTransformation)
                              : picture)
                             .convertToFormat(QImage::Format_RGBA8888);
    ImageData data;
    data.width = small.width();
    data.height = small.height();
    data.rowStride = int(small.bytesPerLine());
    data.bytes = QByteArray(reinterpret_cast<const char*>(small.constBits()), small.sizeInBytes());
    return data;
}

} // namespace

namespace Notifications {

void notify(const QString& summary, const QString& body, const QImage& picture, const QDBusConnection& bus) {
    if (!bus.isConnected()) return;
    static const QMetaType registered = qDBusRegisterMetaType<ImageData>();
    Q_UNUSED(registered);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.pictavo.Pictavo"));
    if (!picture.isNull()) hints.insert(QStringLiteral("image-data"), QVariant::fromValue(imageData(picture)));
    call << QStringLiteral("Pictavo") << uint(0) << QStringLiteral("org.pictavo.Pictavo") << summary << body
         << QStringList() << hints << int(-1);
    // No reply is waited for; an error (no server) is dropped.
    QDBusConnection(bus).asyncCall(call);
}

void notify(const QString& summary, const QString& body, const QImage& picture) {
    notify(summary, body, picture, QDBusConnection::sessionBus());
}

} // namespace Notifications
