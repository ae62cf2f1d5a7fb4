#include "Version.h"
#include "app/CommandLine.h"
#include "editor/FlatExport.h"
#include "app/CaptureManager.h"
#include "app/EditorWindowController.h"
#include "editor/EditorModel.h"
#include "io/DecodingChild.h"
#include "app/Instance.h"
#include "app/StatusBarController.h"
#include "platform/InstanceChannel.h"
#include "platform/Session.h"
#include "ui/SaveFolderDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstring>

namespace {

QStringList rawArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

int printLine(FILE* stream, const QString& text, int code) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    return code;
}

int fail(const QString& message) {
    return printLine(stderr, QStringLiteral("Pictavo: %1").arg(message), 1);
}

void identify() {
    QGuiApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QGuiApplication::setApplicationName(QStringLiteral("Pictavo"));
    QGuiApplication::setApplicationVersion(QString::fromLatin1(Pictavo::kVersion));
}

int runExport(int argc, char** argv, const CommandLine& cl) {
    // Export draws text but never shows a window: it needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a runtime folder Qt adds a warning line to our one-line error contract.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QGuiApplication app(argc, argv);
    identify();
    const std::optional<FlatExport::Format> format = FlatExport::formatForPath(cl.output);
    if (!format) return fail(QStringLiteral("unsupported output %1").arg(cl.output));
    int dropped = 0, undrawn = 0;
    // Decoded in a child: a picture that asks for minutes or gigabytes is refused instead.
    const Result<QImage> flat = DecodingChild::isolated<QImage>(
        cl.input, [&] { return FlatExport::flatImage(cl.input, &dropped, &undrawn); });
    if (!flat) return fail(flat.error().message);
    if (dropped > 0)
        printLine(
            stderr,
            QStringLiteral("Pictavo: warning: %1 annotation(s) of “%2” could not be read and were left out")
                .arg(dropped)
                .arg(cl.input),
            0);
    if (undrawn > 0)
        printLine(stderr,
                  QStringLiteral("Pictavo: warning: %1 annotation(s) of “%2” would take too long to draw and "
                                 "were left out")
                      .arg(undrawn)
                      .arg(cl.input),
                  0);
    if (auto error = FlatExport::write(*flat, cl.output, *format, cl.scalePercent / 100.0))
        return fail(error->message);
    return 0;
}

// Where log lines may go. A command's own "Pictavo: " line is the whole of what it prints, so in
// commands Qt's, libpng's and our log lines stay out of the terminal; the running instance keeps
// its own "pictavo" lines (a dropped request, a failed capture). PICTAVO_VERBOSE=1 shows all.
bool g_instanceLog = false;

void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool ours = context.category && std::strcmp(context.category, "pictavo") == 0;
    if (type == QtFatalMsg || qEnvironmentVariableIntValue("PICTAVO_VERBOSE") == 1 || (g_instanceLog && ours)) {
        std::fputs(message.toLocal8Bit().constData(), stderr);
        std::fputc('\n', stderr);
    }
}

// `capture … --output FILE` with no instance running: captured and written in this process.
int captureAlone(int argc, char** argv, const CommandLine& cl) {
    // Two of these at once would put two selections on the screen.
    QString error;
    QLockFile lock(InstanceChannel::runtimeFolder(&error) + QStringLiteral("/pictavo-capture.lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) return fail(QStringLiteral("a capture is already in progress"));
    QApplication app(argc, argv);
    identify();
    CaptureManager captures;
    QJsonObject request = Instance::requestFor(cl);
    CaptureRequest capture = Instance::captureRequestFor(request);
    int code = 1;
    captures.capture(capture, [&](CaptureResult result) {
        if (result.status == CaptureResult::Status::done)
            code = 0;
        else
            fail(result.status == CaptureResult::Status::cancelled ? QStringLiteral("the capture was cancelled")
                                                                  : result.error);
        QCoreApplication::exit(code);
    });
    app.exec();
    return code;
}

// A later launch: hands its command to the running instance (starting one when none runs) and
// returns its answer. Decided before any window system is touched.
int handOver(int argc, char** argv, const CommandLine& cl) {
    QString error;
    const QString path = InstanceChannel::socketPath(&error);
    if (path.isEmpty()) return fail(error);
    if (!InstanceChannel::isListening(path) && cl.action == CommandLine::Action::capture && !cl.output.isEmpty() &&
        !cl.clipboard) {
        if (!Session::displayReachable(&error)) return fail(error);
        if (const QString problem = Instance::outputProblem(Instance::requestFor(cl)); !problem.isEmpty())
            return fail(problem);
        return captureAlone(argc, argv, cl);
    }
    QCoreApplication core(argc, argv);
    identify();
    std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(path, 1000);
    if (!socket) {
        if (!Session::displayReachable(&error)) return fail(error);
        // Detached from this terminal: it outlives the command, and a pipe it kept open would hold
        // up whoever reads this command's output.
        QProcess instance;
        instance.setProgram(QCoreApplication::applicationFilePath());
        instance.setArguments({QString::fromLatin1(CommandLine::kInstanceForCommand)});
        instance.setStandardInputFile(QProcess::nullDevice());
        instance.setStandardOutputFile(QProcess::nullDevice());
        instance.setStandardErrorFile(QProcess::nullDevice());
        if (!instance.startDetached()) return fail(QStringLiteral("could not start Pictavo in the background"));
        QElapsedTimer waited;
        waited.start();
        while (!socket && waited.elapsed() < 5000) {
            QThread::msleep(30);
            if (InstanceChannel::isListening(path)) socket = InstanceClient::connect(path, 1000);
        }
        if (!socket) return fail(QStringLiteral("the Pictavo started in the background did not answer within 5 seconds"));
    }
    const InstanceClient::Answer answer = InstanceClient::exchange(*socket, Instance::requestFor(cl));
    return answer.ok ? 0 : fail(answer.error);
}

// The running instance: plain `pictavo`, or started by a launch that hands it a command.
int runInstance(int argc, char** argv, const CommandLine& cl) {
    QString error;
    const QString path = InstanceChannel::socketPath(&error);
    if (path.isEmpty()) return fail(error);
    if (InstanceChannel::isListening(path)) {
        // Already running: wake it.
        QCoreApplication core(argc, argv);
        std::unique_ptr<QLocalSocket> socket = InstanceClient::connect(path, 1000);
        if (!socket) return fail(QStringLiteral("the running Pictavo does not answer"));
        const InstanceClient::Answer answer = InstanceClient::exchange(*socket, Instance::requestFor(cl));
        return answer.ok ? 0 : fail(answer.error);
    }
    if (!Session::displayReachable(&error)) return fail(error);
    QApplication app(argc, argv);
    identify();
    // Closing the last window never quits: the instance stays for the next capture.
    app.setQuitOnLastWindowClosed(false);
    Instance instance;
    switch (instance.start(&error)) {
    case InstanceServer::Start::listening:
        break;
    case InstanceServer::Start::anotherInstance:
        return cl.startedForCommand ? 0 : printLine(stdout, QStringLiteral("Pictavo is already running"), 0);
    case InstanceServer::Start::failed:
        return fail(error);
    }
    // Files handed over are decoded by a child: one waits, started, for the first of them.
    DecodingChild::keepSpareReady(true);
    // A launch that handed over a command is not the moment for questions: the default folder serves.
    if (!cl.startedForCommand) SaveFolderDialogs::ensureConfigured();
    StatusBarController tray(instance.captures());
    QObject::connect(&tray, &StatusBarController::quitRequested, &app, [&app] {
        if (!StatusBarController::confirmQuit()) return;
        // "Quit Anyway" is the answer for every editor: none asks again while closing.
        for (EditorWindowController* editor : EditorWindowController::active())
            editor->model().markSaved();
        app.quit();
    });
    EditorWindowController::quitHandler = [&tray] { emit tray.quitRequested(); };
    QObject::connect(&instance, &Instance::wakeRequested, &tray, &StatusBarController::wake);
    instance.setReady(); // files that came during start-up open now
    const int code = app.exec();
    EditorWindowController::quitHandler = nullptr; // the tray goes before the windows
    return code;
}

} // namespace

int main(int argc, char** argv) {
    // Started again to decode one untrusted file: nothing else of the program runs.
    DecodingChild::serveIfAsked(argc, argv);
    qInstallMessageHandler(quietMessages);
    const CommandLine cl = CommandLine::parse(rawArguments(argc, argv));
    g_instanceLog = cl.action == CommandLine::Action::startTray;
    switch (cl.action) {
    case CommandLine::Action::version:
        // Needs no display and no application object.
        return printLine(stdout, QStringLiteral("Pictavo %1").arg(QString::fromLatin1(Pictavo::kVersion)), 0);
    case CommandLine::Action::help:
        std::fputs(CommandLine::usage().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::usageError:
        printLine(stderr, QStringLiteral("Pictavo: %1").arg(cl.error), 2);
        std::fputs(CommandLine::usage().toLocal8Bit().constData(), stderr);
        return 2;
    case CommandLine::Action::exportFlat:
        return runExport(argc, argv, cl);
    case CommandLine::Action::capture:
    case CommandLine::Action::openFiles:
    case CommandLine::Action::preview:
        return handOver(argc, argv, cl);
    case CommandLine::Action::startTray:
        break;
    }
    return runInstance(argc, argv, cl);
}
