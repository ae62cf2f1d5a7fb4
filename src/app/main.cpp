#include "Version.h"
#include "app/CommandLine.h"
#include "editor/FlatExport.h"
#include "editor/SensitiveText.h"
#include "app/CaptureManager.h"
#include "app/EditorWindowController.h"
#include "editor/EditorModel.h"
#include "io/DecodingChild.h"
#include "io/FileIO.h"
#include "io/TextRecognition.h"
#include "app/Instance.h"
#include "app/PrintKeyOffer.h"
#include "app/RecentCaptures.h"
#include "app/RecoveryJournal.h"
#include "app/StatusBarController.h"
#include "app/Translations.h"
#include "platform/InstanceChannel.h"
#include "platform/QuitSignals.h"
#include "platform/Session.h"
#include "ui/SaveFolderDialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QLocalSocket>
#include <QLockFile>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QSessionManager>
#include <QTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <optional>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define PICTAVO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define PICTAVO_SANITIZED 1
#endif
#endif
#ifdef PICTAVO_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// Where our own lines go: the terminal's standard error, kept aside from libraries (below).
FILE* g_terminal = stderr;

// Libraries write to descriptor 2 directly (libpng's "Not enough image data" on a damaged file),
// past Qt's message handler: a command's output is its own "Pictavo: " lines, so that descriptor
// goes to /dev/null and our lines to a copy of it. PICTAVO_VERBOSE=1 shows everything.
void keepLibrariesQuiet() {
    if (qEnvironmentVariableIntValue("PICTAVO_VERBOSE") == 1) return;
    const int terminal = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (terminal < 0) return;
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    FILE* stream = null >= 0 ? ::fdopen(terminal, "w") : nullptr;
    if (!stream) {
        if (null >= 0) ::close(null);
        ::close(terminal);
        return;
    }
    ::dup2(null, STDERR_FILENO);
    ::close(null);
    std::setvbuf(stream, nullptr, _IONBF, 0);
    g_terminal = stream;
#ifdef PICTAVO_SANITIZED
    // A sanitizer's report must still be seen.
    __sanitizer_set_report_fd(reinterpret_cast<void*>(intptr_t(terminal)));
#endif
}

// A file name may hold a newline; shown as it is, it could forge a second "Pictavo: " line.
QString escapedControls(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u == u'\r')
            out += QStringLiteral("\\r");
        else if (u == u'\t')
            out += QStringLiteral("\\t");
        else if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QStringList rawArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

int printLine(FILE* stream, const QString& text, int code) {
    if (stream == stderr) stream = g_terminal;
    std::fputs(escapedControls(text).toLocal8Bit().constData(), stream);
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
    Translations::install();
}

// For commands that draw text but never show a window (export, text): they need no display.
class HeadlessApplication {
public:
    HeadlessApplication(int& argc, char** argv) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Without a runtime folder Qt adds a warning line to our one-line error contract.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && m_runtime.isValid())
            qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        m_app.emplace(argc, argv);
        identify();
    }

private:
    QTemporaryDir m_runtime; // outlives the application
    std::optional<QGuiApplication> m_app;
};

// Recognised text as the command's output, UTF-8 whatever the locale.
void printText(const QString& text) {
    const QByteArray out = text.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
}

int runExport(int argc, char** argv, const CommandLine& cl) {
    const HeadlessApplication app(argc, argv);
    const std::optional<FlatExport::Format> format = FlatExport::formatForPath(cl.output);
    if (!format) return fail(QStringLiteral("unsupported output %1").arg(cl.output));
    // A folder that is not there is said before the picture is drawn and read, not after.
    if (const std::optional<IoError> unwritable = FileIO::checkDestination(cl.output)) return fail(unwritable->message);
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
    QImage picture = *flat;
    if (cl.redact) {
        const Result<RecognizedText> text = DecodingChild::readText(picture, {}, QStringLiteral("“%1”").arg(cl.input));
        if (!text) return fail(text.error().message);
        const QList<SensitiveText::Finding> findings = SensitiveText::find(*text, picture.rect());
        {
            QPainter painter(&picture);
            for (const SensitiveText::Finding& finding : findings) painter.fillRect(finding.box, Qt::black);
        }
        // One line per kind covered, as the summary counts them.
        QMap<int, int> counts;
        for (const SensitiveText::Finding& finding : findings) ++counts[int(finding.kind)];
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            printLine(stderr, QStringLiteral("Pictavo: covered %1 × %2")
                                  .arg(it.value())
                                  .arg(SensitiveText::kindName(SensitiveText::Kind(it.key()))), 0);
        if (findings.isEmpty()) printLine(stderr, QStringLiteral("Pictavo: nothing sensitive found"), 0);
    }
    if (auto error = FlatExport::write(std::move(picture), cl.output, *format, cl.scalePercent / 100.0))
        return fail(error->message);
    return 0;
}

// `pictavo text FILE`: the text of a picture, a project's flat image or a PDF page, to standard output.
int runText(int argc, char** argv, const CommandLine& cl) {
    // Started first: its recognisers load while the application starts and the picture is decoded.
    DecodingChild::TextReader reader(cl.languages);
    const HeadlessApplication app(argc, argv);
    if (const std::optional<IoError> error = reader.languageError()) return fail(error->message);
    Result<QImage> picture = QImage();
    const bool pdf = cl.input.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    if (!pdf && cl.pdfPage != 1) return fail(QStringLiteral("--page goes with a PDF, and “%1” is not one").arg(cl.input));
    if (pdf) {
        DecodingChild::Session session;
        const Result<int> pages = session.pdfPageCount(cl.input);
        if (!pages) return fail(pages.error().message);
        if (cl.pdfPage > *pages)
            return fail(*pages == 1 ? QStringLiteral("“%1” has 1 page, not %2").arg(cl.input).arg(cl.pdfPage)
                                    : QStringLiteral("“%1” has %2 pages, not %3").arg(cl.input).arg(*pages).arg(cl.pdfPage));
        picture = session.pdfPage(cl.input, cl.pdfPage - 1);
    } else {
        picture = DecodingChild::isolated<QImage>(cl.input, [&] { return FlatExport::flatImage(cl.input); });
    }
    if (!picture) return fail(picture.error().message);
    const Result<RecognizedText> text = reader.read(*picture, QStringLiteral("“%1”").arg(cl.input));
    if (!text) return fail(text.error().message);
    if (text->words.isEmpty()) return printLine(stderr, QStringLiteral("Pictavo: no text found in “%1”").arg(cl.input), 0);
    printText(text->plainText());
    return 0;
}

// Where log lines may go. A command's own "Pictavo: " line is the whole of what it prints, so in
// commands Qt's, libpng's and our log lines stay out of the terminal; the running instance keeps
// its own "pictavo" lines (a dropped request, a failed capture). PICTAVO_VERBOSE=1 shows all.
bool g_instanceLog = false;

void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool ours = context.category && std::strcmp(context.category, "pictavo") == 0;
    if (type == QtFatalMsg || qEnvironmentVariableIntValue("PICTAVO_VERBOSE") == 1 || (g_instanceLog && ours))
        printLine(stderr, message, 0);
}

// `capture … --output FILE` with no instance running: captured and written in this process.
int captureAlone(int argc, char** argv, const CommandLine& cl) {
    // Two of these at once would put two selections on the screen, or one in the other's picture:
    // each waits its turn (20 started at once are all written, one after another).
    QString error;
    const QString folder = InstanceChannel::runtimeFolder(&error);
    if (folder.isEmpty()) return fail(error);
    const QString lockPath = QDir(folder).filePath(QStringLiteral("pictavo-capture.lock"));
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0);
    // QLockFile::lock() sleeps longer at each try (seconds after a few): twenty captures in a row
    // took 40 s instead of 6. Each turn is a fraction of a second, so we ask often.
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError)
            return fail(QStringLiteral("cannot create %1: %2")
                            .arg(lockPath, lock.error() == QLockFile::PermissionError
                                               ? QStringLiteral("Permission denied")
                                               : QStringLiteral("unknown error")));
        QThread::msleep(20);
    }
    // Asked in turn too: a burst of new connections makes an X server turn some away.
    if (!Session::displayReachable(&error)) return fail(error);
    // With no session bus, Qt's desktop integration would autolaunch one that outlives this
    // command (a cron job, a bare X session); a capture to a file on X11 needs none.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
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
    // All that matters is on disk (the file synced, a history entry waited for); the rest of the
    // teardown (fonts, the X connection, the picture's segment) is left to the kernel: 25 ms sooner.
    RecentCaptures::waitForWrites();
    std::fflush(nullptr);
    ::_exit(code);
}

// A later launch: hands its command to the running instance (starting one when none runs) and
// returns its answer. Decided before any window system is touched.
// The socket's path; says why the runtime folder was passed over, if it was.
QString instanceSocket(QString* error) {
    QString notice;
    const QString folder = InstanceChannel::runtimeFolder(error, &notice);
    if (!notice.isEmpty()) printLine(stderr, QStringLiteral("Pictavo: warning: %1").arg(notice), 0);
    return folder.isEmpty() ? QString() : InstanceChannel::socketPath(error);
}

int handOver(int argc, char** argv, const CommandLine& cl) {
    QString error;
    const QString path = instanceSocket(&error);
    if (path.isEmpty()) return fail(error);
    if (!InstanceChannel::isListening(path) && cl.action == CommandLine::Action::capture && !cl.output.isEmpty() &&
        !cl.clipboard) {
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
    if (!answer.ok) return fail(answer.error);
    if (cl.text) {
        if (answer.text.isEmpty()) return printLine(stderr, QStringLiteral("Pictavo: no text found"), 0);
        printText(answer.text);
        if (answer.cut)
            printLine(stderr, QStringLiteral("Pictavo: warning: the text was cut short; `pictavo text` on a saved capture "
                                             "prints all of it"), 0);
    }
    return 0;
}

// The running instance: plain `pictavo`, or started by a launch that hands it a command.
int runInstance(int argc, char** argv, const CommandLine& cl) {
    QString error;
    const QString path = instanceSocket(&error);
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
    // Ended from outside (kill, a closed terminal, Ctrl+C) before any editor could open, even during
    // the first start's question: nothing to keep, so at once and quietly.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, [] { ::_exit(0); });
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
    // Unsaved edits of every editor, on disk within seconds of each change.
    RecoveryJournal journal;
    EditorWindowController::openedHandler = [&journal](EditorWindowController* editor) { journal.watch(editor); };
    // From now on an end from outside is an orderly one: nothing is asked, the journal is brought
    // up to date and the edits are offered back at the next start.
    QObject::disconnect(&quitSignals, nullptr, nullptr, nullptr);
    QObject::connect(&quitSignals, &QuitSignals::received, &app, [&journal] {
        journal.keepEntries();
        journal.flush();
        QCoreApplication::exit(0);
    });
    // Logging out: the quit check when the session lets us ask (its Cancel cancels the logout),
    // else the journal.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&journal](QSessionManager& manager) {
        if (!manager.allowsInteraction()) return journal.flush();
        const bool quitting = StatusBarController::confirmQuit();
        if (!quitting) manager.cancel();
        manager.release();
        if (!quitting) return;
        for (EditorWindowController* editor : EditorWindowController::active())
            editor->model().markSaved();
    });
    QObject::connect(&instance, &Instance::wakeRequested, &tray, &StatusBarController::wake);
    // The Print key through the desktop portal: asked once, on a start of the tray program.
    PrintKeyOffer printKey(tray);
    printKey.start(!cl.startedForCommand);
    instance.setReady(); // files that came during start-up open now
    // What an earlier run left unsaved, offered once nothing is being captured.
    QTimer offer;
    offer.setSingleShot(true);
    QObject::connect(&offer, &QTimer::timeout, &journal, [&] {
        if (instance.captures().isBusy()) return offer.start(2000);
        journal.offerLeftBehind();
    });
    offer.start(cl.startedForCommand ? 2000 : 0);
    const int code = app.exec();
    EditorWindowController::quitHandler = nullptr; // the tray goes before the windows
    EditorWindowController::openedHandler = nullptr;
    return code;
}

} // namespace

int main(int argc, char** argv) {
    // Started again to decode one untrusted file: nothing else of the program runs.
    DecodingChild::serveIfAsked(argc, argv);
    keepLibrariesQuiet();
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
        std::fputs(CommandLine::usage().toLocal8Bit().constData(), g_terminal);
        return 2;
    case CommandLine::Action::exportFlat:
        return runExport(argc, argv, cl);
    case CommandLine::Action::readText:
        return runText(argc, argv, cl);
    case CommandLine::Action::capture:
    case CommandLine::Action::openFiles:
    case CommandLine::Action::preview:
        return handOver(argc, argv, cl);
    case CommandLine::Action::startTray:
        break;
    }
    return runInstance(argc, argv, cl);
}
