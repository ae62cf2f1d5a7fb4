#pragma once

#include <QString>

#include <functional>

class QDBusConnection;

// The desktop's file manager.
namespace FileManager {

// Asks the file manager on `bus` (org.freedesktop.FileManager1.ShowItems) to open a window on the
// folder holding `path`, with `path` selected. Never blocks: when no file manager answers (none on
// the bus, an error, no reply within `timeoutMs`), `fallback` runs instead.
void showItem(const QString& path, const QDBusConnection& bus, std::function<void()> fallback, int timeoutMs = 8000);

// The same on the session bus. Without a file manager there, a folder opens on itself (a file on
// its folder) in whatever the desktop opens folders with.
void showItem(const QString& path);

} // namespace FileManager
