#pragma once

#include "app/CaptureManager.h"
#include "platform/InstanceChannel.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>

#include <functional>

struct CommandLine;

// The one running Pictavo: it listens for the work later launches hand over (open files, preview,
// capture, wake up) and answers each when it is done.
class Instance final : public QObject {
    Q_OBJECT

public:
    explicit Instance(CaptureManager::BackendFactory backends = {}, QObject* parent = nullptr);

    InstanceServer::Start start(QString* error = nullptr);
    CaptureManager& captures() { return m_captures; }

    // The request a launch hands over for its command line, every path made absolute.
    static QJsonObject requestFor(const CommandLine& commandLine);
    // A capture request of the command line (no menu pause unless --delay).
    static CaptureRequest captureRequestFor(const QJsonObject& request);
    // Why a capture request cannot be carried out before anything is captured: an unknown mode, an
    // output folder that is not there or not writable. Empty when it can.
    static QString outputProblem(const QJsonObject& request);
    // The launch's token for bringing a window forward (XDG_ACTIVATION_TOKEN on Wayland,
    // DESKTOP_STARTUP_ID on X11), read from the launching environment; empty ones are left out,
    // odd ones (control characters, over 256 bytes) dropped.
    static void addActivation(QJsonObject& request);
    // Hands a request's token to the window system for the windows it opens next: on X11 the
    // startup id (Qt puts it on the next window as _NET_STARTUP_ID before it maps and sends the
    // startup "remove" once it shows); on Wayland the token in this process's environment.
    static void applyActivation(const QJsonObject& request, const QString& platformName);
    void handle(const QJsonObject& request, InstanceReply* reply);
    // Until start-up has finished (the first-run question, the tray), requests wait in order.
    void setReady();
    bool isReady() const { return m_ready; }
    qsizetype waitingRequests() const { return m_waiting.size(); }

signals:
    // Plain `pictavo` while this one runs, after the open windows came forward (if there were any).
    void wakeRequested(bool windowsShown);

private:
    // `then` runs once the request's files are open (or at once for other commands): requests
    // that waited for the start are carried out one after another, so their windows open in the
    // order they came.
    void carryOut(const QJsonObject& request, InstanceReply* reply, std::function<void()> then = {});
    void carryOutWaiting();

    bool m_ready = false;
    QList<QPair<QJsonObject, QPointer<InstanceReply>>> m_waiting;
    InstanceServer m_server;
    CaptureManager m_captures;
};
