#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Where copied objects go. The editor only knows this interface; the desktop's clipboard is
// reached from the UI, which provides the implementation.
class ObjectClipboard {
public:
    virtual ~ObjectClipboard() = default;
    // Replaces the clipboard's content with the object payload and, for other programs, a picture.
    virtual void setObjects(const QByteArray& payload, const QImage& picture) = 0;
    // The object payload on the clipboard, if any.
    virtual std::optional<QByteArray> objects() const = 0;
};
