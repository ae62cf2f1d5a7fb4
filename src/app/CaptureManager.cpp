#include "app/CaptureManager.h"
#include "io/ErrorTexts.h"

#include "app/PreviewWindowController.h"
#include "app/RecentCaptures.h"
#include "app/TextReading.h"
#include "editor/FlatExport.h"
#include "platform/Notifications.h"
#include "ui/capture/SelectionGeometry.h"
#include "ui/capture/WindowPicker.h"

#include <algorithm>
#include <cmath>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QLabel>
#include <QPainter>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QTimer>

Q_LOGGING_CATEGORY(lcCapture, "pictavo")

namespace {

QScreen* screenNamed(const ScreenShot& shot, int index) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* s : screens)
        if (s->name() == shot.screenName) return s;
    return index < screens.size() ? screens[index] : QGuiApplication::primaryScreen();
}

// The part of a window frame (root device pixels) on one screen's picture, in the overlay's
// logical coordinates and in the picture's pixels.
QRect deviceRectOf(const ScreenShot& shot) {
    return QRect(shot.devicePosition.value_or(shot.geometry.topLeft()), shot.image.size());
}

// Where stitched() puts each screen: at its device position, enlarged to the largest scale.
struct Layout {
    double largest = 1;
    QList<QRect> places;
    QRect all;
};
Layout layoutOf(const QList<ScreenShot>& shots) {
    Layout layout;
    for (const ScreenShot& shot : shots)
        layout.largest = std::max(layout.largest, shot.devicePixelRatio > 0 ? shot.devicePixelRatio : 1.0);
    for (const ScreenShot& shot : shots) {
        const double grow = layout.largest / (shot.devicePixelRatio > 0 ? shot.devicePixelRatio : 1.0);
        layout.places.append(QRect(deviceRectOf(shot).topLeft(), (QSizeF(shot.image.size()) * grow).toSize()));
        layout.all |= layout.places.last();
    }
    return layout;
}

// A selection or a window picker on screen until the person answers it.
bool showsOverlay(CaptureMode mode) {
    return mode == CaptureMode::selection || mode == CaptureMode::window;
}

// What a region stored in the settings may be: a rectangle a person could have dragged.
bool plausibleRegion(const QRectF& rect) {
    constexpr double kFar = 1e6;
    return rect.isValid() && std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height()) && std::abs(rect.x()) < kFar && std::abs(rect.y()) < kFar &&
           rect.width() >= 1 && rect.height() >= 1 && rect.width() < kFar && rect.height() < kFar;
}

} // namespace

CaptureManager::CaptureManager(BackendFactory factory, QObject* parent)
    : QObject(parent), m_factory(factory ? std::move(factory) : BackendFactory(&CaptureBackends::forSession)) {
    // The command line gives no other sign that a copy worked.
    onCopied = [](const QImage& image) {
        Notifications::notify(tr("Screenshot copied"),
                              tr("%1 × %2 px").arg(image.width()).arg(image.height()), image);
    };
    onTextCopied = [](int lines) {
        Notifications::notify(tr("Text copied"), TextReading::copiedMessage(lines), QImage());
    };
}

CaptureManager::~CaptureManager() {
    closeOverlays();
    // A capture kept in the history is written before the program goes.
    RecentCaptures::waitForWrites();
}

CaptureBackend* CaptureManager::backend(QString* error) {
    if (!m_backend) m_backend = m_factory(error);
    return m_backend.get();
}

int CaptureManager::delayMs(const CaptureRequest& request) {
    if (request.delaySeconds) return int(std::clamp(*request.delaySeconds, 0.0, 3600.0) * 1000);
    // No overlay follows to cover the menu: it must be gone from the screen first.
    return showsOverlay(request.mode) ? kMenuDelayMs : kFullScreenMenuDelayMs;
}

void CaptureManager::capture(CaptureMode mode) {
    CaptureRequest request;
    request.mode = mode;
    capture(request);
}

void CaptureManager::capture(const CaptureRequest& request, Done done) {
    if (!done) done = [](CaptureResult) {};
    if (request.mode == CaptureMode::lastRegion && !lastRegion()) {
        // Said before any countdown, from the event loop as every other answer is.
        QTimer::singleShot(0, this, [this, request, done] { fail(request, done, noLastRegionError()); });
        return;
    }
    if (showsOverlay(request.mode) && m_busy) {
        // A second selection or picker while one is on screen is ignored; a script hears why.
        done({CaptureResult::Status::failed, QStringLiteral("a capture is already in progress")});
        return;
    }
    if (showsOverlay(request.mode)) m_busy = true;
    QPointer<CaptureManager> self(this);
    int delay = delayMs(request);
    if (m_asideFor > 0 || (stepAside && stepAside())) {
        // A command line's capture has no pause of its own: it waits for the window to be gone.
        ++m_asideFor;
        done = [self, done](CaptureResult result) {
            if (self && --self->m_asideFor == 0 && self->stepBack) self->stepBack();
            done(std::move(result));
        };
        const int goneMs = windowGoneMs ? windowGoneMs() : kWindowGoneMs;
        if (delay == 0 && awaitWindowGone)
            return awaitWindowGone(goneMs, [self, request, done] {
                if (self) self->start(request, done);
            });
        delay = std::max(delay, goneMs);
    }
    if (request.delaySeconds && delay >= 1000) return countDown(delay, request, done);
    QTimer::singleShot(delay, this, [self, request, done] {
        if (self) self->start(request, done);
    });
}

// A delay of seconds is counted down in the tray's tooltip and in a small counter in a corner of
// the screen, gone from the screen before the grab.
void CaptureManager::countDown(int delayMs, const CaptureRequest& request, Done done) {
    auto* counter = new QLabel;
    counter->setObjectName(QStringLiteral("countdown"));
    counter->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint);
    counter->setAttribute(Qt::WA_ShowWithoutActivating);
    counter->setAttribute(Qt::WA_DeleteOnClose);
    counter->setAlignment(Qt::AlignCenter);
    counter->setStyleSheet(QStringLiteral("QLabel { background: rgba(0, 0, 0, 190); color: white; "
                                          "font-size: 28px; font-weight: 600; border-radius: 10px; }"));
    counter->setFixedSize(72, 56);
    counter->setAccessibleName(tr("Capture countdown"));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        counter->move(area.right() - counter->width() - 16, area.bottom() - counter->height() - 16);
    }
    const auto left = std::make_shared<int>((delayMs + 999) / 1000);
    auto* tick = new QTimer(counter);
    const auto show = [this, counter, left] {
        counter->setText(QString::number(*left));
        emit countdown(*left);
    };
    show();
    counter->show();
    // The last second ends early enough for the counter to leave the screen before the grab.
    const int first = delayMs - (*left - 1) * 1000;
    QPointer<CaptureManager> self(this);
    const auto stopped = std::make_shared<bool>(false);
    // A command stopped meanwhile (Ctrl+C) takes its countdown with it.
    m_stopCountdown = [this, guard = QPointer<QLabel>(counter), tick, stopped, request, done] {
        *stopped = true;
        if (guard) {
            tick->stop();
            guard->close();
            emit countdown(0);
        }
        if (showsOverlay(request.mode)) m_busy = false;
        done({CaptureResult::Status::cancelled, {}});
    };
    const auto next = [self, counter, tick, left, show, stopped, request, done] {
        if (!self) {
            counter->close();
            return;
        }
        if (--*left > 0) {
            show();
            tick->start(1000);
            return;
        }
        emit self->countdown(0);
        counter->close();
        QTimer::singleShot(kCounterGoneMs, self, [self, stopped, request, done] {
            if (!self || *stopped) return;
            self->m_stopCountdown = nullptr;
            self->start(request, done);
        });
    };
    tick->setSingleShot(true);
    connect(tick, &QTimer::timeout, counter, next);
    tick->start(std::max(0, first - kCounterGoneMs));
}

void CaptureManager::start(const CaptureRequest& request, Done done) {
    QString error;
    CaptureBackend* b = backend(&error);
    if (!b) {
        m_busy = showsOverlay(request.mode) ? false : m_busy;
        return fail(request, done, error);
    }
    // An overlay under an application-modal question would get no click and no key: the person
    // would be stuck behind a frozen screen. The question comes forward instead.
    if (QWidget* modal = QApplication::activeModalWidget();
        showsOverlay(request.mode) && modal && modal->windowModality() == Qt::ApplicationModal) {
        m_busy = false;
        modal->raise();
        modal->activateWindow();
        CaptureRequest quiet = request; // the question in front says it all to a person
        quiet.alertOnFailure = false;
        return fail(quiet, done,
                    QStringLiteral("Pictavo is waiting for an answer in “%1”: answer it, then capture again.")
                        .arg(modal->windowTitle()));
    }
    switch (request.mode) {
    case CaptureMode::fullScreen:
        return captureMainDisplay(request, done);
    case CaptureMode::selection:
        return beginRegionSelection(request, done);
    case CaptureMode::window:
        return presentWindowPicker(request, done);
    case CaptureMode::lastRegion:
        return captureLastRegion(request, done);
    }
}

void CaptureManager::captureMainDisplay(const CaptureRequest& request, Done done) {
    QPointer<CaptureManager> self(this);
    m_backend->grabScreens([self, request, done](CaptureOutcome outcome) {
        if (!self) return;
        if (outcome.cancelled) return self->cancel(outcome, request, done);
        if (outcome.shots.isEmpty()) return self->fail(request, done, outcome.error);
        if (request.allScreens) return self->deliver(stitched(outcome.shots), request, done);
        const QScreen* primary = QGuiApplication::primaryScreen();
        ScreenShot* main = &outcome.shots.first();
        for (ScreenShot& shot : outcome.shots)
            if (primary && shot.screenName == primary->name()) main = &shot;
        // Handed over, not copied: written to a file, the picture's own memory may be reused.
        QImage picture = std::move(main->image);
        outcome.shots.clear();
        self->deliver(std::move(picture), request, done);
    });
}

bool CaptureManager::holdShots(const CaptureOutcome& outcome, const CaptureRequest& request, const Done& done) {
    if (outcome.cancelled || outcome.shots.isEmpty()) {
        m_busy = false;
        if (outcome.cancelled)
            cancel(outcome, request, done);
        else
            fail(request, done, outcome.error);
        return false;
    }
    m_shots = outcome.shots;
    m_pending = request;
    m_pendingDone = done;
    return true;
}

void CaptureManager::beginRegionSelection(const CaptureRequest& request, Done done) {
    QPointer<CaptureManager> self(this);
    m_backend->grabScreens([self, request, done](CaptureOutcome outcome) {
        if (!self) return;
        if (!self->holdShots(outcome, request, done)) return;
        // One selection over every screen: a drag may cross from one to the next.
        QRectF screens;
        for (const ScreenShot& shot : outcome.shots) screens |= QRectF(shot.geometry);
        auto* group = outcome.shots.size() > 1 ? new SelectionGroup(screens) : nullptr;
        for (int i = 0; i < outcome.shots.size(); ++i) {
            auto* overlay = new SelectionOverlayWindow(
                screenNamed(outcome.shots[i], i), outcome.shots[i].image,
                [self, i](std::optional<SelectionOverlayWindow::Result> result) {
                    if (self) self->finishRegionSelection(result, i);
                },
                adjustsSelection());
            overlay->view()->setGroup(group);
            self->m_overlays.append(overlay);
        }
        // The group goes with the first overlay (all go together).
        if (group) group->setParent(self->m_overlays.first());
        // The last one takes the keyboard.
        for (const auto& overlay : self->m_overlays)
            overlay->present(overlay == self->m_overlays.last());
    });
}

void CaptureManager::finishRegionSelection(std::optional<SelectionOverlayWindow::Result> result, int shotIndex) {
    if (m_overlays.isEmpty()) return; // only the first report counts
    closeOverlays();
    m_busy = false;
    const CaptureRequest request = m_pending;
    const Done done = std::exchange(m_pendingDone, nullptr);
    const QList<ScreenShot> shots = std::exchange(m_shots, {});
    if (!done) return;
    if (!result) return done({CaptureResult::Status::cancelled, {}});
    if (shotIndex >= 0 && shotIndex < shots.size() && result->screen) {
        // Whatever the picture is for (a file, the clipboard, its text): asked for again later.
        rememberRegion({result->rect, shots[shotIndex].screenName, shots[shotIndex].geometry.topLeft()});
        emit lastRegionChanged();
        if (cutRegion(result->rect, shotIndex, shots, request, done)) return;
    }
    fail(request, done,
         QString::fromUtf8(QT_TR_NOOP("The screen of the selection was disconnected during the selection.")));
}

bool CaptureManager::cutRegion(const QRectF& rect, int shotIndex, const QList<ScreenShot>& shots,
                               const CaptureRequest& request, const Done& done) {
    // Within one screen: cut from that screen's picture (names may repeat).
    const ScreenShot& shot = shots[shotIndex];
    const QRectF inside = rect.intersected(QRectF(shot.geometry));
    int others = 0;
    for (const ScreenShot& other : shots)
        if (&other != &shot && rect.intersects(QRectF(other.geometry))) ++others;
    if (others == 0 || inside == rect) {
        const QRect cut = SelectionGeometry::captureRect(rect, shot.geometry, shot.devicePixelRatio);
        if (cut.isEmpty()) return false;
        deliver(shot.image.copy(cut), request, done);
        return true;
    }
    // Across screens: cut from all of them stitched in device pixels.
    const QRect cut = spanningCut(rect, shots);
    const QImage all = stitched(shots);
    if (all.isNull()) {
        fail(request, done, QString::fromUtf8(QT_TR_NOOP("Not enough memory for the captured picture.")));
        return true;
    }
    if (cut.isEmpty()) return false;
    deliver(all.copy(cut), request, done);
    return true;
}

void CaptureManager::captureLastRegion(const CaptureRequest& request, Done done) {
    const std::optional<LastRegion> region = lastRegion();
    if (!region) return fail(request, done, noLastRegionError());
    QPointer<CaptureManager> self(this);
    m_backend->grabScreens([self, request, done, region = *region](CaptureOutcome outcome) {
        if (!self) return;
        if (outcome.cancelled) return self->cancel(outcome, request, done);
        if (outcome.shots.isEmpty()) return self->fail(request, done, outcome.error);
        const QList<ScreenShot> shots = std::move(outcome.shots);
        // On its screen, where that screen is now; else on whichever screen it lies.
        QRectF rect = region.rect;
        int index = -1;
        for (int i = 0; i < shots.size() && index < 0; ++i)
            if (shots[i].screenName == region.screen) {
                index = i;
                rect.translate(QPointF(shots[i].geometry.topLeft() - region.screenOrigin));
            }
        for (int i = 0; i < shots.size() && index < 0; ++i)
            if (QRectF(shots[i].geometry).intersects(rect)) index = i;
        if (index >= 0 && self->cutRegion(rect, index, shots, request, done)) return;
        // The alert in the person's language, the command line's answer in English.
        const char* const noScreen =
            QT_TR_NOOP("The last region is on no screen now (its screen was %1): select a region again.");
        if (request.alertOnFailure)
            presentCaptureError(tr(noScreen).arg(region.screen.isEmpty() ? tr("unnamed") : region.screen));
        CaptureRequest quiet = request;
        quiet.alertOnFailure = false;
        self->fail(quiet, done,
                   QString::fromUtf8(noScreen).arg(region.screen.isEmpty() ? QStringLiteral("unnamed")
                                                                           : region.screen));
    });
}

void CaptureManager::presentWindowPicker(const CaptureRequest& request, Done done) {
    QPointer<CaptureManager> self(this);
    if (!m_backend->abilities().listsWindows) {
        // The system's own dialog picks the window and answers its picture.
        m_backend->pickWindow([self, request, done](CaptureOutcome outcome) {
            if (!self) return;
            self->m_busy = false;
            if (outcome.cancelled) return self->cancel(outcome, request, done);
            if (outcome.shots.isEmpty()) return self->fail(request, done, outcome.error);
            self->deliver(outcome.shots.first().image, request, done);
        });
        return;
    }
    m_backend->grabScreens([self, request, done](CaptureOutcome outcome) {
        if (!self) return;
        if (!self->holdShots(outcome, request, done)) return;
        self->m_windows = self->m_backend->windows();
        for (int i = 0; i < outcome.shots.size(); ++i) {
            const ScreenShot& shot = outcome.shots[i];
            const QRect device = deviceRectOf(shot);
            QList<WindowPickerOverlay::Candidate> candidates;
            for (int w = 0; w < self->m_windows.size(); ++w) {
                const QRect frame = self->m_windows[w].frame;
                if (!frame.intersects(device)) continue;
                const double s = shot.devicePixelRatio > 0 ? shot.devicePixelRatio : 1;
                const QPointF topLeft = QPointF(frame.topLeft() - device.topLeft()) / s;
                candidates.append({QRectF(topLeft, QSizeF(frame.size()) / s).toAlignedRect(), self->m_windows[w].title, w});
            }
            auto* picker = new WindowPickerOverlay(screenNamed(shot, i), shot.image, candidates,
                                                   [self, i](std::optional<int> index) {
                                                       if (self) self->finishWindowPicking(index, i);
                                                   });
            self->m_pickers.append(picker);
        }
        for (const auto& picker : self->m_pickers)
            picker->present(picker == self->m_pickers.last());
    });
}

void CaptureManager::finishWindowPicking(std::optional<int> index, int shotIndex) {
    if (m_pickers.isEmpty()) return;
    closeOverlays();
    m_busy = false;
    const CaptureRequest request = m_pending;
    const Done done = std::exchange(m_pendingDone, nullptr);
    const QList<ScreenShot> shots = std::exchange(m_shots, {});
    const QList<PickableWindow> windows = std::exchange(m_windows, {});
    if (!done) return;
    if (!index || *index < 0 || *index >= windows.size() || shotIndex >= shots.size())
        return done({CaptureResult::Status::cancelled, {}});
    // Cut from what the person saw: the frozen picture, other windows over it included.
    const ScreenShot& shot = shots[shotIndex];
    const QRect device = deviceRectOf(shot);
    const QRect frame = windows[*index].frame;
    // A window over two screens of one scale: cut from both, stitched.
    bool spans = false, oneScale = true;
    for (const ScreenShot& other : shots) {
        spans = spans || (&other != &shot && frame.intersects(deviceRectOf(other)));
        oneScale = oneScale && other.devicePixelRatio == shot.devicePixelRatio;
    }
    if (spans && oneScale) {
        const QRect all = layoutOf(shots).all;
        const QImage both = stitched(shots);
        const QRect cut = frame.intersected(all).translated(-all.topLeft());
        if (!both.isNull() && !cut.isEmpty()) return deliver(both.copy(cut), request, done);
    }
    const QRect cut = frame.intersected(device).translated(-device.topLeft());
    if (cut.isEmpty()) return done({CaptureResult::Status::cancelled, {}});
    deliver(shot.image.copy(cut), request, done);
}

void CaptureManager::cancelCurrent() {
    if (auto stop = std::exchange(m_stopCountdown, nullptr)) return stop();
    if (!m_overlays.isEmpty()) finishRegionSelection(std::nullopt, -1);
    if (!m_pickers.isEmpty()) finishWindowPicking(std::nullopt, -1);
}

void CaptureManager::deliverText(QImage image, const CaptureRequest& request, const Done& done) {
    // Read off the UI thread; the capture is over for the overlays already.
    struct Reading {
        std::shared_ptr<std::atomic<bool>> stop;
        bool finished = false;
    };
    auto reading = std::make_shared<Reading>();
    reading->stop = TextReading::read(this, std::move(image), request.languages, [this, request, done, reading](const Result<RecognizedText>& text) {
        reading->finished = true;
        if (m_readings.removeAll(reading->stop) > 0) emit readingTextChanged();
        if (!text && TextReading::wasCancelled(text.error())) {
            if (done) done({CaptureResult::Status::cancelled});
            return;
        }
        if (!text) return fail(request, done, text.error().message);
        CaptureResult result{CaptureResult::Status::done, {}, text->plainText(), text->lineCount()};
        if (request.copyToClipboard) {
            // Nothing read leaves the clipboard as it was.
            if (result.lines > 0) TextReading::copy(*text);
            if (onTextCopied) onTextCopied(result.lines);
        }
        done(result);
    });
    if (!reading->finished && reading->stop) {
        m_readings.append(reading->stop);
        emit readingTextChanged();
    }
}

void CaptureManager::cancelReadingText() {
    for (const auto& stop : std::as_const(m_readings))
        if (stop) *stop = true;
}

void CaptureManager::deliver(QImage image, const CaptureRequest& request, const Done& done) {
    if (image.isNull())
        return fail(request, done,
                    QString::fromUtf8(QT_TR_NOOP("Not enough memory for the captured picture.")));
    if (request.readText) return deliverText(std::move(image), request, done);
    // Written on a worker thread, beside wherever else the picture goes.
    const QString historyId = request.keptInHistory() ? RecentCaptures::keep(image) : QString();
    if (!request.outputPath.isEmpty()) {
        const std::optional<FlatExport::Format> format = FlatExport::formatForPath(request.outputPath);
        if (!format)
            return done({CaptureResult::Status::failed,
                         QStringLiteral("unsupported output %1 (use .png, .jpg or .pdf)").arg(request.outputPath)});
        // Only the file wants it: the encoder may write over the picture instead of copying it.
        const bool fileOnly = !request.copyToClipboard && !request.opensPreview() && historyId.isEmpty();
        // Written on the way, as a capture tool should: the quick packing, not the editor's.
        std::optional<IoError> error = FlatExport::write(fileOnly ? std::move(image) : image, request.outputPath,
                                                         *format, 1.0, PngWriter::kQuickLevel);
        if (error) return done({CaptureResult::Status::failed, error->message});
        if (fileOnly) return done({CaptureResult::Status::done, {}});
    }
    if (request.copyToClipboard) {
        QGuiApplication::clipboard()->setImage(image);
        if (onCopied) onCopied(image);
    }
    if (request.opensPreview())
        PreviewWindowController::show(image)->setProperty(RecentCaptures::kEntryProperty, historyId);
    done({CaptureResult::Status::done, {}});
}

void CaptureManager::cancel(const CaptureOutcome& outcome, const CaptureRequest& request, const Done& done) {
    // Refused in a system dialog: the person hears why; a script hears of a cancel.
    if (!outcome.error.isEmpty() && request.alertOnFailure) presentCaptureError(outcome.error);
    done({CaptureResult::Status::cancelled, outcome.error});
}

void CaptureManager::fail(const CaptureRequest& request, const Done& done, const QString& error) {
    const QString text =
        error.isEmpty() ? QString::fromUtf8(QT_TR_NOOP("The screen could not be read.")) : error;
    qCWarning(lcCapture, "Pictavo: capture failed: %s", qPrintable(text));
    if (request.alertOnFailure) presentCaptureError(text);
    if (done) done({CaptureResult::Status::failed, text});
}

void CaptureManager::closeOverlays() {
    for (const auto& overlay : std::exchange(m_overlays, {}))
        if (overlay) overlay->deleteLater(), overlay->hide();
    for (const auto& picker : std::exchange(m_pickers, {}))
        if (picker) picker->deleteLater(), picker->hide();
}

QRect CaptureManager::spanningCut(const QRectF& selection, const QList<ScreenShot>& shots) {
    // Each corner through the screen it lies on (or the nearest), as stitched() places screens.
    const Layout layout = layoutOf(shots);
    const double largest = layout.largest;
    const QRect all = layout.all;
    auto place = [&](QPointF p) {
        const ScreenShot* nearest = nullptr;
        double distance = 0;
        for (const ScreenShot& shot : shots) {
            const QRectF g(shot.geometry);
            const double dx = std::max({g.left() - p.x(), 0.0, p.x() - g.right()});
            const double dy = std::max({g.top() - p.y(), 0.0, p.y() - g.bottom()});
            if (!nearest || dx + dy < distance) nearest = &shot, distance = dx + dy;
        }
        if (!nearest) return p;
        const QPointF origin(nearest->devicePosition.value_or(nearest->geometry.topLeft()));
        return origin + (p - QPointF(nearest->geometry.topLeft())) * largest - QPointF(all.topLeft());
    };
    const QPointF a = place(selection.topLeft()), b = place(selection.bottomRight());
    return QRect(QPoint(int(std::floor(a.x())), int(std::floor(a.y()))),
                 QPoint(int(std::ceil(b.x())) - 1, int(std::ceil(b.y())) - 1))
        .intersected(QRect(QPoint(), all.size()));
}

QImage CaptureManager::stitched(const QList<ScreenShot>& shots) {
    const auto [largest, places, all] = layoutOf(shots);
    if (all.isEmpty() || qint64(all.width()) * all.height() > (qint64(1) << 29)) return QImage();
    QImage picture(all.size(), QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull()) return picture;
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (qsizetype i = 0; i < shots.size(); ++i)
        painter.drawImage(QRect(places[i].topLeft() - all.topLeft(), places[i].size()), shots[i].image);
    return picture;
}

bool CaptureManager::adjustsSelection() {
    return QSettings().value(QString::fromLatin1(kAdjustSelectionKey), false).toBool();
}

void CaptureManager::setAdjustsSelection(bool adjust) {
    QSettings().setValue(QString::fromLatin1(kAdjustSelectionKey), adjust);
}

std::optional<CaptureManager::LastRegion> CaptureManager::lastRegion() {
    const QSettings settings;
    const QVariant rect = settings.value(QString::fromLatin1(kLastRegionKey));
    // Settings are a file a person may edit: anything but a rectangle of the screens is none.
    if (rect.typeId() != QMetaType::QRectF || !plausibleRegion(rect.toRectF())) return std::nullopt;
    const QVariant origin = settings.value(QString::fromLatin1(kLastRegionOriginKey));
    return LastRegion{rect.toRectF(), settings.value(QString::fromLatin1(kLastRegionScreenKey)).toString().left(200),
                      origin.typeId() == QMetaType::QPoint ? origin.toPoint() : QPoint()};
}

void CaptureManager::rememberRegion(const LastRegion& region) {
    QSettings settings;
    settings.setValue(QString::fromLatin1(kLastRegionKey), region.rect);
    settings.setValue(QString::fromLatin1(kLastRegionScreenKey), region.screen);
    settings.setValue(QString::fromLatin1(kLastRegionOriginKey), region.screenOrigin);
}

QString CaptureManager::noLastRegionError() {
    return QString::fromUtf8(QT_TR_NOOP(
        "there is no last region to capture again: select a region first (pictavo capture region)"));
}

void CaptureManager::presentCaptureError(const QString& error) {
    auto* box =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("Pictavo"), tr("Couldn't Capture the Screen"));
    // Errors stay English for the command line; here they are shown translated.
    const QString own = tr(error.toUtf8().constData());
    box->setInformativeText(own != error ? own : ErrorTexts::translated(error));
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Not application-modal (a message box's default): the next capture's overlay must get input.
    box->setWindowModality(Qt::NonModal);
    box->show();
    box->raise();
    box->activateWindow();
}
