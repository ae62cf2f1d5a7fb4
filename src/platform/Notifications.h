#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QString>

// Desktop notifications through org.freedesktop.Notifications. Where no notification server runs
// nothing is shown and nothing is reported: a notification is a courtesy, never a failure.
namespace Notifications {

// The picture goes along as the notification's image, at most this many pixels on a side.
inline constexpr int kImageSide = 256;

// Asynchronous: never waits for the server.
void notify(const QString& summary, const QString& body, const QImage& picture, const QDBusConnection& bus);
// On the session bus, when there is one.
void notify(const QString& summary, const QString& body, const QImage& picture);

} // namespace Notifications
