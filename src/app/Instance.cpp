#include "app/Instance.h"

#include "app/CommandLine.h"
#include "app/EditorWindowController.h"
#include "app/FileOpener.h"
#include "app/PreviewWindowController.h"
#include "io/DecodingChild.h"
#include "io/ImageDecoder.h"
#include "platform/Session.h"

#include <QApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QTimer>

#include <QLoggingCategory>
#include <algorithm>
#include <memory>

Q_LOGGING_CATEGORY(lcRunning, "pictavo")

namespace {

const QString kCommand = QStringLiteral("command");

QString absolute(const QString& path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

const QString kActivationToken = QStringLiteral("activationToken");
const QString kStartupId = QStringLiteral("startupId");

// A token as launchers make them: printable ASCII, bounded.
bool plausibleToken(const QByteArray& token) {
    if (token.isEmpty() || token.size() > 256) return false;
    return std::all_of(token.begin(), token.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

} // namespace

Instance::Instance(CaptureManager::BackendFactory backends, QObject* parent)
    : QObject(parent), m_captures(std::move(backends)) {
    connect(&m_server, &InstanceServer::requestReceived, this, &Instance::handle);
}

InstanceServer::Start Instance::start(QString* error) {
    return m_server.start(error);
}

QJsonObject Instance::requestFor(const CommandLine& cl) {
    QJsonObject request = [&cl]() -> QJsonObject {
        switch (cl.action) {
        case CommandLine::Action::openFiles: {
            QJsonArray files;
            for (const QString& f : cl.files)
                files.append(absolute(f));
            return {{kCommand, QStringLiteral("open")}, {QStringLiteral("files"), files}};
        }
        case CommandLine::Action::preview:
            return {{kCommand, QStringLiteral("preview")},
                    {QStringLiteral("file"), absolute(cl.files.value(0))}};
        case CommandLine::Action::capture: {
            QJsonObject request{{kCommand, QStringLiteral("capture")},
                                {QStringLiteral("mode"), cl.captureMode}};
            if (cl.delaySeconds) request.insert(QStringLiteral("delay"), *cl.delaySeconds);
            if (!cl.output.isEmpty()) request.insert(QStringLiteral("output"), absolute(cl.output));
            if (cl.clipboard) request.insert(QStringLiteral("clipboard"), true);
            if (cl.history) request.insert(QStringLiteral("history"), true);
            if (cl.allScreens) request.insert(QStringLiteral("all"), true);
            if (cl.text) request.insert(QStringLiteral("text"), true);
            if (!cl.languages.isEmpty()) request.insert(QStringLiteral("lang"), cl.languages);
            return request;
        }
        default:
            return {{kCommand, QStringLiteral("activate")}};
        }
    }();
    // Windows the request opens come forward under the desktop's focus-stealing prevention.
    addActivation(request);
    return request;
}

void Instance::addActivation(QJsonObject& request) {
    for (const auto& [key, variable] :
         {std::pair{kActivationToken, "XDG_ACTIVATION_TOKEN"}, std::pair{kStartupId, "DESKTOP_STARTUP_ID"}}) {
        const QByteArray token = qgetenv(variable);
        if (plausibleToken(token)) request.insert(key, QString::fromLatin1(token));
    }
}

void Instance::applyActivation(const QJsonObject& request, const QString& platformName) {
    const QByteArray wayland = request.value(kActivationToken).toString().toLatin1();
    const QByteArray x11 = request.value(kStartupId).toString().toLatin1();
    if (platformName.startsWith(QLatin1String("wayland")) && plausibleToken(wayland)) {
        // Qt's xdg-shell plugin reads it from the environment when a window asks to be activated.
        qputenv("XDG_ACTIVATION_TOKEN", wayland);
    } else if (platformName == QLatin1String("xcb") && plausibleToken(x11)) {
        Session::setStartupId(x11);
    }
}

CaptureRequest Instance::captureRequestFor(const QJsonObject& request) {
    CaptureRequest capture;
    const QString mode = request.value(QStringLiteral("mode")).toString();
    capture.mode = mode == QLatin1String("region")        ? CaptureMode::selection
                   : mode == QLatin1String("window")      ? CaptureMode::window
                   : mode == QLatin1String("last-region") ? CaptureMode::lastRegion
                                                          : CaptureMode::fullScreen;
    // A command line needs no pause for a menu to close.
    capture.delaySeconds = request.value(QStringLiteral("delay")).toDouble(0);
    capture.outputPath = request.value(QStringLiteral("output")).toString();
    capture.copyToClipboard = request.value(QStringLiteral("clipboard")).toBool();
    capture.history = request.value(QStringLiteral("history")).toBool();
    capture.allScreens = request.value(QStringLiteral("all")).toBool();
    capture.readText = request.value(QStringLiteral("text")).toBool();
    capture.languages = request.value(QStringLiteral("lang")).toString().left(300);
    // A script writing a file hears of a failure in its terminal; a preview is for a person.
    capture.alertOnFailure = capture.opensPreview();
    return capture;
}

QString Instance::outputProblem(const QJsonObject& request) {
    const QString mode = request.value(QStringLiteral("mode")).toString();
    if (mode != QLatin1String("screen") && mode != QLatin1String("window") && mode != QLatin1String("region") &&
        mode != QLatin1String("last-region"))
        return QStringLiteral("capture takes screen, window, region or last-region, not “%1”").arg(mode);
    const QString output = request.value(QStringLiteral("output")).toString();
    if (output.isEmpty()) return {};
    const QFileInfo folder(QFileInfo(output).absolutePath());
    if (!folder.isDir()) return QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    if (!folder.isWritable()) return QStringLiteral("no permission to write in %1").arg(folder.filePath());
    return {};
}

void Instance::handle(const QJsonObject& request, InstanceReply* reply) {
    if (!m_ready) {
        m_waiting.append({request, QPointer<InstanceReply>(reply)});
        // What holds the request up is a question on screen (the first-run welcome, the folder
        // chooser): bring it forward, or the command seems to do nothing.
        if (QWidget* question = QApplication::activeModalWidget()) {
            question->raise();
            question->activateWindow();
        }
        return;
    }
    carryOut(request, reply);
}

void Instance::setReady() {
    m_ready = true;
    carryOutWaiting();
}

void Instance::carryOutWaiting() {
    while (!m_waiting.isEmpty()) {
        const auto [request, reply] = m_waiting.takeFirst();
        if (!reply) continue;
        // The next one when this one is done; the queue is empty for the requests after the start.
        return carryOut(request, reply, [this] { QTimer::singleShot(0, this, &Instance::carryOutWaiting); });
    }
}

void Instance::carryOut(const QJsonObject& request, InstanceReply* reply, std::function<void()> then) {
    // The windows this request opens come forward under focus-stealing prevention.
    applyActivation(request, QGuiApplication::platformName());
    // Whatever happens below, `then` runs once, when this request is done with.
    auto done = std::make_shared<std::function<void()>>(std::move(then));
    auto finished = [done] {
        if (*done) std::exchange(*done, {})();
    };
    const QString command = request.value(kCommand).toString();
    if (command == QLatin1String("open")) {
        QStringList files;
        for (const QJsonValue& f : request.value(QStringLiteral("files")).toArray())
            if (f.isString()) files.append(f.toString());
        // Decoding and the page picker take their time: the launch may be gone (and its reply with
        // it) by the time the files are open.
        QPointer<InstanceReply> answer(reply);
        FileOpener::open(files, [answer, finished](const FileOpener::Outcome& outcome) {
            finished();
            if (!answer) return;
            if (!outcome.firstFailure.isEmpty()) return answer->finish(false, outcome.firstFailure);
            if (!outcome.cancelled.isEmpty())
                return answer->finish(
                    false, QStringLiteral("no page of “%1” was chosen").arg(outcome.cancelled.first()));
            answer->finish(true);
        });
        return;
    }
    if (command == QLatin1String("preview")) {
        const QString file = request.value(QStringLiteral("file")).toString();
        QPointer<InstanceReply> answer(reply);
        DecodingChild::inBackground(
            this,
            [file] {
                return DecodingChild::isolated<QImage>(file,
                                                       [&file] { return ImageDecoder::decodeFile(file); });
            },
            [answer, file, finished](const Result<QImage>& image) {
                finished();
                if (image) PreviewWindowController::show(*image, file);
                if (answer) answer->finish(image.ok(), image ? QString() : image.error().message);
            });
        return;
    }
    finished(); // the other commands hold no later one back
    if (command == QLatin1String("capture")) {
        if (const QString problem = outputProblem(request); !problem.isEmpty())
            return reply->finish(false, problem);
        QPointer<InstanceReply> answer(reply);
        // A command stopped with Ctrl+C takes its selection with it.
        connect(reply, &InstanceReply::abandoned, &m_captures, &CaptureManager::cancelCurrent);
        m_captures.capture(captureRequestFor(request), [answer](CaptureResult result) {
            if (!answer) return;
            if (result.status == CaptureResult::Status::cancelled)
                return answer->finish(false, QStringLiteral("the capture was cancelled"));
            if (result.status == CaptureResult::Status::failed) return answer->finish(false, result.error);
            answer->finish(true, {}, result.text);
        });
        return;
    }
    if (command == QLatin1String("activate")) {
        // A second start from the menu: the open windows come forward, minimised ones too, and the
        // tray or launcher shows that Pictavo is there.
        QList<QWidget*> windows;
        for (EditorWindowController* editor : EditorWindowController::active())
            windows.append(editor);
        for (PreviewWindowController* preview : PreviewWindowController::active())
            windows.append(preview);
        for (QWidget* window : windows) {
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            window->raise();
            window->activateWindow();
        }
        emit wakeRequested(!windows.isEmpty());
        return reply->finish(true);
    }
    qCWarning(lcRunning, "Pictavo: dropped a request without a known command");
    reply->finish(false, QStringLiteral("the running Pictavo does not know this command"));
}
