#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace FileManager {

void showItem(const QString& path, const QDBusConnection& bus, std::function<void()> fallback, int timeoutMs) {
    if (!bus.isConnected()) {
        if (fallback) fallback();
        return;
    }
    QDBusMessage show = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // Escaped: file managers read the text as a URI, and a folder name may hold spaces or "#".
    show << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    // Asynchronous: a file manager started by the bus for this call may take seconds to answer.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection(bus).asyncCall(show, timeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [fallback = std::move(fallback)](QDBusPendingCallWatcher* call) {
                         call->deleteLater();
                         if (call->isError() && fallback) fallback();
                     });
}

void showItem(const QString& path) {
    // A folder opens on itself, a file on the folder holding it.
    const QFileInfo info(path);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    showItem(path, QDBusConnection::sessionBus(),
             [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
}

} // namespace FileManager
