#pragma once

#include "platform/capture/CaptureBackend.h"

#include <QTimer>

#include <memory>
#include <optional>

struct xcb_connection_t;

// Grabs from the X server: through a shared-memory segment where the server offers MIT-SHM (a 5K
// screen through the socket takes most of a second), else through the socket. A shared-memory
// grab's picture is its segment, not a copy of it; when the picture goes, the segment is kept for
// the next grab until it has been idle for a while. Lists the windows a person may pick from the
// window manager's stacking list.
class X11Capture final : public CaptureBackend {
    Q_OBJECT

public:
    // Connects to $DISPLAY; null with `error` set when there is no X server to talk to.
    static std::unique_ptr<X11Capture> open(QString* error = nullptr);
    ~X11Capture() override;

    QString name() const override { return QStringLiteral("x11"); }
    Abilities abilities() const override { return {true, true, false}; }
    void grabScreens(Done done) override;
    QList<PickableWindow> windows() override;

    // One rectangle of the root window in device pixels, opaque.
    std::optional<QImage> grabRoot(const QRect& rect, QString* error = nullptr);
    bool usesSharedMemory() const { return m_shm; }
    // The shared-memory segments, shared with the pictures lent them.
    struct Segments;
    // Segments kept for the next grab (their pictures are gone).
    int spareSegments() const;
    // Off: every grab goes through the socket (to compare the two).
    void setUseSharedMemory(bool use) { m_shm = use && m_shmAvailable; }

private:
    X11Capture(xcb_connection_t* connection, int screenNumber);
    std::optional<QImage> grabShared(const QRect& rect);
    void releaseSpareSegments();
    std::optional<QImage> grabThroughSocket(const QRect& rect, QString* error);

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    bool m_shm = false;
    bool m_shmAvailable = false;
    std::shared_ptr<Segments> m_segments;
    QTimer m_segmentIdle;
};
