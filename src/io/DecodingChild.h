#pragma once

#include "io/ImageDecoder.h"
#include "io/IoError.h"
#include "io/RecognizedText.h"

#include <QFuture>
#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QPromise>
#include <QThreadPool>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

#include <sys/types.h>

// Untrusted pictures and PDFs are decoded in a short-lived child process of Pictavo (this same
// program, started again with an internal argument) under a CPU-time and an address-space limit:
// Qt's image readers and the PDF library cannot be interrupted, and a few hundred bytes can ask
// for minutes of work or gigabytes. The pixels come back through shared memory.
namespace DecodingChild {

inline constexpr const char* kArgument = "--decoding-child";

struct Limits {
    int cpuSeconds = 5;
    // The wall-clock guard beside the CPU limit: a child that waits instead of working, or gets
    // little of a busy machine, is not waited for longer than the promise made to the person.
    int wallMs = 5000;
    // Room for one 20000² picture and the reader's own buffers; not applied under ASan, which
    // reserves terabytes of address space.
    qint64 addressSpace = qint64(2560) << 20;
};
Limits limits();

// Other limits while it lives (tests: a bomb refused in one second instead of five).
class ScopedLimits {
public:
    explicit ScopedLimits(Limits limits);
    ~ScopedLimits();
    ScopedLimits(const ScopedLimits&) = delete;
    ScopedLimits& operator=(const ScopedLimits&) = delete;

private:
    Limits m_previous;
};

// Called first in main(): when this process was started as a decoding child it serves its parent
// and never returns.
void serveIfAsked(int argc, char** argv);

// The instance keeps one child started ahead, so opening a file does not wait for a child's
// start-up; a one-off command (export) does not.
void keepSpareReady(bool keep);
// The waiting child's process, if there is one (tests).
std::optional<qint64> spareProcessId();

// What a child cost, from the kernel's accounting once it ended.
struct Usage {
    double cpuSeconds = 0;
    qint64 peakResidentBytes = 0;
};

// One child at a time, started on the first request and ended with the session or by a limit.
// Blocking: run it on a worker thread (threads()) where the caller must stay responsive. The time
// budget covers every request of the session (one load) until renewBudget().
class Session final : public ImageDecoder::Backend {
public:
    Session();
    // A session under limits of its own (text recognition), never served by the spare child.
    explicit Session(Limits limits);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Result<QImage> decode(const QByteArray& bytes, const QString& name, ImageDecoder::Budget* budget) override;
    Result<QImage> decodeFile(const QString& path, ImageDecoder::Budget* budget) override;
    Result<int> pdfPageCount(const QString& path);
    // PdfSupport::renderPage in the child.
    Result<QImage> pdfPage(const QString& path, int index);
    // The page drawn to fit `box` pixels, transparent where it draws nothing.
    Result<QImage> pdfThumbnail(const QString& path, int index, QSize box);

    // TextRecognition::recognizeHere in the child, on a prepared (grey) picture. Setting `*cancel`
    // ends the child.
    Result<RecognizedText> recognizeText(const QImage& gray, const QString& languages, const QString& name,
                                         const std::atomic<bool>* cancel = nullptr);

    // Starts the child now and has it load the recognisers for `languages` (checked) while the
    // caller gets the picture ready; the next recognizeText with them takes them.
    void loadText(const QString& languages);

    // A new time budget, and a new child, for the next request (each thumbnail has its own).
    void renewBudget();
    // The error of a child that ran past a limit: every later request answers it until renewBudget().
    const std::optional<IoError>& exceeded() const { return m_exceeded; }
    // Ends the child now (it is started again by the next request).
    void end() { stop(); }
    // The running child's process, if any (tests).
    std::optional<qint64> processId() const { return m_pid >= 0 ? std::optional<qint64>(m_pid) : std::nullopt; }
    // Of the last child that ended.
    std::optional<Usage> lastUsage() const { return m_usage; }

private:
    struct Reply {
        QJsonObject header;
        int fd = -1;
    };
    Result<Reply> call(const QJsonObject& request, const QString& name, int fd = -1);
    // The child is gone (or said nonsense): why, from how it ended.
    Result<Reply> ended(const QString& name, bool garbage);
    static std::optional<IoError> refusal(const QJsonObject& header, const QString& name);
    Result<QImage> image(Result<Reply> reply, const QString& name);
    bool start(QString* error);
    int stop();

    pid_t m_pid = -1;
    int m_socket = -1;
    qint64 m_deadline = 0;
    Limits m_limits;
    std::optional<Limits> m_fixed;
    const std::atomic<bool>* m_cancel = nullptr;
    std::optional<IoError> m_exceeded;
    std::optional<Usage> m_usage;
};

// "“name” takes more than 5 seconds to decode", with the limit in force.
IoError slowError(const QString& name);

// Runs `load` with every image decode of this thread going to one session's child; a child that
// ran past a limit fails the whole load of `name`, so nothing is opened half.
template <typename T> Result<T> isolated(const QString& name, const std::function<Result<T>()>& load) {
    Session session;
    const ImageDecoder::ScopedBackend backend(&session);
    Result<T> loaded = load();
    if (session.exceeded()) return slowError(name);
    return loaded;
}

// Reads the text of one picture in a child started at once, so the recognisers load while the
// caller decodes the picture.
class TextReader {
public:
    // Empty `languages`: the default ones.
    explicit TextReader(const QString& languages);
    // Why the languages asked for cannot be read, if so.
    std::optional<IoError> languageError() const {
        return m_languages ? std::nullopt : std::optional<IoError>(m_languages.error());
    }
    // Blocking, as readText.
    Result<RecognizedText> read(const QImage& image, const QString& name, const std::atomic<bool>* cancel = nullptr);

private:
    Result<QString> m_languages;
    Session m_session;
};

// The text of a picture, read by a child of its own under the text time limit (two recognisers
// share it). Blocking: run it off the UI thread. Setting `*cancel` ends the child within a tenth of
// a second. `name` is how errors speak of the picture ("the picture", “a file”).
Result<RecognizedText> readText(const QImage& image, const QString& languages, const QString& name,
                                const std::atomic<bool>* cancel = nullptr);

// The threads that wait for children, so the instance's own thread never does.
QThreadPool& threads();

// Runs `work` on one of threads() and hands its result to `done` on `context`'s thread, unless
// `context` has gone by then.
template <typename Work, typename Done> void inBackground(QObject* context, Work work, Done done) {
    using T = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    threads().start([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
    future.then(context, std::move(done));
}

} // namespace DecodingChild
