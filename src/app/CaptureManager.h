#pragma once

#include "platform/capture/CaptureBackend.h"
#include "ui/capture/SelectionOverlay.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class WindowPickerOverlay;

// lastRegion: the screen rectangle of the last region selection again, without an overlay.
enum class CaptureMode { selection, window, fullScreen, lastRegion };

// One capture to make: what, after how long, and where the picture goes.
struct CaptureRequest {
    CaptureMode mode = CaptureMode::fullScreen;
    // Absent: the menu's pause, so the menu is gone from the picture. Command lines pass 0.
    std::optional<double> delaySeconds;
    // Where the picture goes: written to the file, copied, or both; with neither, a preview.
    QString outputPath;
    bool copyToClipboard = false;
    // Full screen: every screen in one picture instead of the main one.
    bool allScreens = false;
    // The picture's text instead of the picture: in the result, and on the clipboard with copyToClipboard.
    bool readText = false;
    QString languages; // for readText; empty: the user's language
    bool opensPreview() const { return outputPath.isEmpty() && !copyToClipboard && !readText; }
    // Kept in the capture history though it goes to a file or the clipboard (--history).
    bool history = false;
    // What a person sees is kept in the history; a script's file or copy only when it asks.
    bool keptInHistory() const { return !readText && (opensPreview() || history); }
    // Failures are shown in an alert (a person is waiting at the screen), not only reported.
    bool alertOnFailure = true;
};

struct CaptureResult {
    enum class Status { done, cancelled, failed };
    CaptureResult(Status status = Status::done, QString error = {}, QString text = {}, int lines = 0)
        : status(status), error(std::move(error)), text(std::move(text)), lines(lines) {}
    Status status;
    QString error;
    QString text; // readText: what was read
    int lines;
};

// Turns a capture command into a picture and hands it on: the screen, a window picked over the
// frozen screen (or in the system's dialog), or a region dragged over it. One region selection and
// one window picking at a time.
class CaptureManager final : public QObject {
    Q_OBJECT

public:
    using BackendFactory = std::function<std::unique_ptr<CaptureBackend>(QString* error)>;
    using Done = std::function<void(CaptureResult)>;

    static constexpr int kFullScreenMenuDelayMs = 500;
    static constexpr int kMenuDelayMs = 150;
    // How long the countdown's counter has to leave the screen before the grab.
    static constexpr int kCounterGoneMs = 120;
    // How long a window of ours put aside takes to leave the screen: a compositor fades it out;
    // without one, only the windows under it draw again.
    static constexpr int kWindowGoneMs = 300;
    static constexpr int kWindowGoneUncompositedMs = 60;

    explicit CaptureManager(BackendFactory factory = {}, QObject* parent = nullptr);
    ~CaptureManager() override;

    // From a menu: the menu's pause, then a preview.
    void capture(CaptureMode mode);
    void capture(const CaptureRequest& request, Done done = {});

    // Takes down the selection or picker on screen as if Escape was pressed, or stops a countdown.
    void cancelCurrent();
    static int delayMs(const CaptureRequest& request);
    const QList<QPointer<SelectionOverlayWindow>>& overlays() const { return m_overlays; }
    const QList<QPointer<WindowPickerOverlay>>& pickers() const { return m_pickers; }
    bool isBusy() const { return m_busy; }
    // Text of a capture is being read (the capture itself is over); it can be called off.
    bool isReadingText() const { return !m_readings.isEmpty(); }
    void cancelReadingText();
    // Told of every picture a capture put on the clipboard: a desktop notification by default.
    std::function<void(const QImage&)> onCopied;
    // Text read and put on the clipboard, with how many lines.
    std::function<void(int lines)> onTextCopied;
    // Pictavo's own window that must stay out of every capture, whoever asked for it (the launcher
    // where there is no tray): put aside before the pause, returning whether it was on the screen,
    // and back once the last capture under way has ended.
    std::function<bool()> stepAside;
    // How long to wait once a window was put aside; kWindowGoneMs when unset.
    std::function<int()> windowGoneMs;
    // Where a capture has no pause of its own: waits for the window put aside to be gone, that long
    // at most, then calls `gone`. A plain pause of that length when unset.
    std::function<void(int maxMs, std::function<void()> gone)> awaitWindowGone;
    std::function<void()> stepBack;

    // Every screen's picture in one, each at its place in device pixels; screens of a smaller
    // scale enlarged to the largest; transparent where no screen is.
    static QImage stitched(const QList<ScreenShot>& shots);
    // A selection across screens (global logical points) as a rectangle of stitched(shots).
    static QRect spanningCut(const QRectF& selection, const QList<ScreenShot>& shots);

    // The alert for a capture that failed.
    static void presentCaptureError(const QString& error);

    // "Adjust Selection Before Capturing": the region stays after the drag, to be moved, resized
    // and nudged until Return. Off by default, remembered.
    static constexpr const char* kAdjustSelectionKey = "PictavoAdjustSelection";
    static bool adjustsSelection();
    static void setAdjustsSelection(bool adjust);

    // The last region selected, whatever became of its picture: "Capture Last Region Again" and
    // `capture last-region` capture the same rectangle without an overlay. Global logical
    // coordinates, with the screen it was selected on and where that screen lay then, so a screen
    // moved in the layout takes its region along.
    struct LastRegion {
        QRectF rect;
        QString screen;
        QPoint screenOrigin;
    };
    static constexpr const char* kLastRegionKey = "PictavoLastRegion";
    static constexpr const char* kLastRegionScreenKey = "PictavoLastRegionScreen";
    static constexpr const char* kLastRegionOriginKey = "PictavoLastRegionScreenOrigin";
    // Absent until a region was selected, or when what is stored is no rectangle one could select.
    static std::optional<LastRegion> lastRegion();
    static void rememberRegion(const LastRegion& region);
    static QString noLastRegionError();

signals:
    // Seconds left of a command line's delay, each second, then 0.
    void countdown(int secondsLeft);
    // A region was selected: there is a last region to capture again.
    void lastRegionChanged();
    void readingTextChanged();

private:
    void countDown(int delayMs, const CaptureRequest& request, Done done);
    CaptureBackend* backend(QString* error);
    void start(const CaptureRequest& request, Done done);
    void captureMainDisplay(const CaptureRequest& request, Done done);
    // Keeps the frozen screens for the overlays; false (and the request answered) without them.
    bool holdShots(const CaptureOutcome& outcome, const CaptureRequest& request, const Done& done);
    void beginRegionSelection(const CaptureRequest& request, Done done);
    void finishRegionSelection(std::optional<SelectionOverlayWindow::Result> result, int shotIndex);
    void captureLastRegion(const CaptureRequest& request, Done done);
    // Cuts `rect` (global logical) from the screen of `shotIndex`, or from the screens stitched
    // when it reaches onto others, and delivers it; false when nothing of it is on the screens.
    bool cutRegion(const QRectF& rect, int shotIndex, const QList<ScreenShot>& shots, const CaptureRequest& request,
                   const Done& done);
    void presentWindowPicker(const CaptureRequest& request, Done done);
    void finishWindowPicking(std::optional<int> index, int shotIndex);
    void deliver(QImage image, const CaptureRequest& request, const Done& done);
    void deliverText(QImage image, const CaptureRequest& request, const Done& done);
    void fail(const CaptureRequest& request, const Done& done, const QString& error);
    void cancel(const CaptureOutcome& outcome, const CaptureRequest& request, const Done& done);
    void closeOverlays();

    BackendFactory m_factory;
    std::unique_ptr<CaptureBackend> m_backend;
    std::function<void()> m_stopCountdown; // while a delay counts down
    QList<std::shared_ptr<std::atomic<bool>>> m_readings; // the stop flags of the reads under way
    bool m_busy = false; // a selection or a picker is on screen, or its grab is running
    int m_asideFor = 0;  // captures under way while a window of ours is put aside
    QList<QPointer<SelectionOverlayWindow>> m_overlays;
    QList<QPointer<WindowPickerOverlay>> m_pickers;
    QList<ScreenShot> m_shots;
    QList<PickableWindow> m_windows;
    CaptureRequest m_pending;
    Done m_pendingDone;
};
