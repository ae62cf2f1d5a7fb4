#include "app/RecoveryJournal.h"
#include "io/ErrorTexts.h"

#include "app/EditorWindowController.h"
#include "app/RecentCaptures.h"
#include "editor/EditorInteraction.h"
#include "editor/EditorModel.h"
#include "io/DecodingChild.h"
#include "io/PngWriter.h"
#include "io/ProjectIO.h"
#include "ui/ErrorAlert.h"
#include "ui/editor/EditorView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUuid>

#include <atomic>

#include <unistd.h>

namespace {

// The base picture's PNG as last written: most edits leave the picture as it was, and encoding a
// 5K screenshot again for every one would keep a core busy. Used on the writer thread only.
struct EncodedBase {
    std::atomic<qint64> key = 0; // read on the event loop to tell whether a write will be quick
    QByteArray png;
};

Q_LOGGING_CATEGORY(lcJournal, "pictavo")

QString executableOf(qint64 pid) {
    return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
}

// Another Pictavo still running (the same program, alive): its entries are its own.
bool runningPictavo(qint64 pid) {
    if (pid <= 0 || pid == ::getpid()) return pid == ::getpid();
    const QString exe = executableOf(pid);
    return !exe.isEmpty() && exe == executableOf(::getpid());
}

QString formatName(FlatExport::Format format) {
    switch (format) {
    case FlatExport::Format::png: return QStringLiteral("png");
    case FlatExport::Format::jpeg: return QStringLiteral("jpeg");
    case FlatExport::Format::pdf: return QStringLiteral("pdf");
    }
    return QStringLiteral("png");
}

std::optional<SaveCommand::SavedFiles> savedFilesOf(const RecoveryStore::Entry& entry) {
    if (!entry.saved) return std::nullopt;
    SaveCommand::SavedFiles files;
    files.imagePath = entry.saved->imagePath;
    if (entry.saved->format == QLatin1String("jpeg"))
        files.format = FlatExport::Format::jpeg;
    else if (entry.saved->format == QLatin1String("pdf"))
        files.format = FlatExport::Format::pdf;
    else
        files.format = FlatExport::Format::png;
    // Only the sizes a save offers.
    files.scale = 1.0;
    for (double scale : SaveCommand::kScales)
        if (qFuzzyCompare(scale, entry.saved->scale)) files.scale = scale;
    files.burnBlur = entry.saved->burnBlur;
    return files;
}

} // namespace

struct RecoveryJournal::Watched {
    QString id;
    QTimer* timer = nullptr; // runs while the entry is behind the editor
    bool hasEntry = false;
    bool failed = false;
    std::shared_ptr<EncodedBase> base = std::make_shared<EncodedBase>();
};

RecoveryJournal::RecoveryJournal(QString folder, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_run(QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    m_runLock = RecoveryStore::lockRun(m_folder, m_run);
    m_writer.setMaxThreadCount(1);
    m_writer.setExpiryTimeout(-1);
    // However the event loop ends (a signal, the session's end), unsaved edits stay for the next
    // start; a quit that asked first has left no editor unsaved.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            keepEntries();
            flush();
        });
}

RecoveryJournal::~RecoveryJournal() {
    waitForWrites();
    if (m_runLock >= 0) {
        QFile::remove(QDir(m_folder).filePath(QStringLiteral("run-%1.lock").arg(m_run)));
        ::close(m_runLock);
    }
}

void RecoveryJournal::waitForWrites() {
    m_writer.waitForDone();
}

void RecoveryJournal::keepEntries() {
    m_keep = true;
}

QString RecoveryJournal::entryId(const EditorWindowController* editor) const {
    const auto it = m_watched.constFind(const_cast<EditorWindowController*>(editor));
    return it == m_watched.cend() ? QString() : (*it)->id;
}

void RecoveryJournal::watch(EditorWindowController* editor) {
    if (!editor || m_watched.contains(editor)) return;
    auto watched = std::make_shared<Watched>();
    watched->id = m_adoptedId.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : m_adoptedId;
    // A restored editor's entry is already on disk until its first write replaces it.
    watched->hasEntry = !m_adoptedId.isEmpty();
    m_adoptedId.clear();
    watched->timer = new QTimer(editor);
    watched->timer->setSingleShot(true);
    watched->timer->setInterval(kDelayMs);
    connect(watched->timer, &QTimer::timeout, this, [this, editor] { writeEntry(editor); });
    const auto onChange = [this, editor] { changed(editor); };
    connect(&editor->model(), &EditorModel::documentChanged, this, onChange);
    connect(editor->view(), &EditorView::textTyped, this, onChange);
    connect(editor->view(), &EditorView::textEntryChanged, this, onChange);
    connect(editor, &QObject::destroyed, this, [this, editor] {
        const std::shared_ptr<Watched> gone = m_watched.take(editor);
        if (gone && gone->hasEntry && !m_keep) forget(gone->id);
    });
    m_watched.insert(editor, watched);
    if (!watched->hasEntry) changed(editor);
}

bool RecoveryJournal::needsEntry(EditorWindowController* editor) const {
    return editor->model().isDirty() || editor->view()->interaction().hasPendingTyping();
}

void RecoveryJournal::changed(EditorWindowController* editor) {
    const std::shared_ptr<Watched> watched = m_watched.value(editor);
    if (!watched) return;
    if (!needsEntry(editor)) {
        // Saved, or the edits were undone to where the last save left them.
        watched->timer->stop();
        if (watched->hasEntry && !m_keep) forget(watched->id);
        watched->hasEntry = false;
        return;
    }
    // Started by the first change and not pushed back by later ones: a long drag is written too. A
    // picture not encoded yet takes about as long as the wait, so it is not waited for.
    if (!watched->timer->isActive())
        watched->timer->start(watched->base->key.load() == editor->model().baseImage().cacheKey() ? kDelayMs : 0);
}

void RecoveryJournal::writeEntry(EditorWindowController* editor) {
    const std::shared_ptr<Watched> watched = m_watched.value(editor);
    if (!watched || !needsEntry(editor)) return;
    watched->timer->stop();
    // On this thread only what the document shares: the picture and the list are not copied.
    RecoveryStore::Entry entry;
    entry.id = watched->id;
    // The title as shown: without the modified mark, a doubled "[*]" of the name as one.
    entry.title = editor->windowTitle();
    if (entry.title.endsWith(QLatin1String("[*]"))) entry.title.chop(3);
    entry.title.replace(QLatin1String("[*][*]"), QLatin1String("[*]"));
    entry.filePath = editor->filePath();
    if (const auto& files = editor->savedFiles())
        entry.saved = RecoveryStore::SavedFiles{files->imagePath, formatName(files->format), files->scale, files->burnBlur};
    entry.time = QDateTime::currentDateTimeUtc();
    entry.pid = ::getpid();
    entry.run = m_run;
    entry.history = editor->property(RecentCaptures::kEntryProperty).toString();
    QImage picture = editor->model().baseImage();
    QList<Annotation> annotations = editor->view()->interaction().annotationsWithPendingText();
    watched->hasEntry = true;
    m_writer.start([this, folder = m_folder, entry = std::move(entry), picture = std::move(picture),
                    annotations = std::move(annotations), base = watched->base] {
        if (base->key != picture.cacheKey() || base->png.isEmpty()) {
            base->png = PngWriter::encode(picture, PngWriter::kQuickLevel).value_or(QByteArray());
            base->key = picture.cacheKey();
        }
        std::optional<IoError> error;
        if (base->png.isEmpty()) {
            error = IoError{IoError::Kind::writeError, QStringLiteral("the picture could not be encoded")};
        } else if (Result<QByteArray> project = ProjectIO::encodeWithPng(base->png, annotations)) {
            error = RecoveryStore::write(folder, entry, *project);
        } else {
            error = project.error();
        }
        if (error) qCWarning(lcJournal, "Pictavo: unsaved edits could not be kept for recovery: %s", qPrintable(error->message));
        // The destructor waits for this task, so `this` is alive; the call is queued to its thread.
        QMetaObject::invokeMethod(
            this, [this, id = entry.id, problem = error ? error->message : QString()] { written(id, problem); },
            Qt::QueuedConnection);
    });
}

// A failure is said once in the editor's status bar, until a write succeeds again.
void RecoveryJournal::written(const QString& id, const QString& problem) {
    for (auto it = m_watched.cbegin(); it != m_watched.cend(); ++it) {
        if ((*it)->id != id) continue;
        if (!problem.isEmpty() && !(*it)->failed)
            it.key()->showMessage(tr("Unsaved edits can't be kept for recovery: %1").arg(problem));
        (*it)->failed = !problem.isEmpty();
    }
    emit entryWritten(id, problem.isEmpty());
}

void RecoveryJournal::forget(const QString& id) {
    m_writer.start([folder = m_folder, id] { RecoveryStore::remove(folder, id); });
}

void RecoveryJournal::flush() {
    for (auto it = m_watched.cbegin(); it != m_watched.cend(); ++it)
        if ((*it)->timer->isActive()) writeEntry(it.key());
    waitForWrites();
}

QList<RecoveryStore::Entry> RecoveryJournal::leftBehind() const {
    RecoveryStore::prune(m_folder, QDateTime::currentDateTimeUtc());
    QList<RecoveryStore::Entry> entries = RecoveryStore::list(m_folder);
    entries.removeIf([this](const RecoveryStore::Entry& entry) {
        return entry.run.isEmpty() ? runningPictavo(entry.pid) : RecoveryStore::isRunLive(m_folder, entry.run);
    });
    return entries;
}

void RecoveryJournal::offerLeftBehind() {
    const QList<RecoveryStore::Entry> entries = leftBehind();
    if (entries.isEmpty()) return;
    std::optional<bool> restoring;
    if (askToRestore) {
        restoring = askToRestore(entries);
    } else {
        const int count = int(entries.size());
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pictavo"),
                        count == 1 ? tr("Pictavo closed with unsaved edits in 1 screenshot")
                                   : tr("Pictavo closed with unsaved edits in %1 screenshots").arg(count));
        QStringList lines;
        constexpr int kShown = 10; // the buttons stay on the screen
        for (const RecoveryStore::Entry& entry : entries.mid(0, kShown))
            lines.append(QStringLiteral("%1 — %2").arg(
                entry.title, QLocale().toString(entry.time.toLocalTime(), QLocale::ShortFormat)));
        if (count > kShown) lines.append(tr("and %1 more").arg(count - kShown));
        box.setInformativeText((count == 1 ? tr("Restore opens it again as it was, unsaved.")
                                           : tr("Restore opens them again as they were, unsaved.")) +
                               QStringLiteral("\n\n") + lines.join(QLatin1Char('\n')));
        QPushButton* restore = box.addButton(tr("Restore"), QMessageBox::AcceptRole);
        restore->setToolTip(tr("Open the unsaved screenshots again in editors"));
        QPushButton* discardButton = box.addButton(tr("Discard"), QMessageBox::DestructiveRole);
        discardButton->setToolTip(tr("Delete the unsaved edits for good"));
        box.setDefaultButton(restore);
        box.setAccessibleName(tr("Restore Unsaved Screenshots"));
        box.exec();
        if (box.clickedButton() == restore)
            restoring = true;
        else if (box.clickedButton() == discardButton)
            restoring = false;
    }
    if (!restoring) return; // asked again at the next start
    if (*restoring)
        restore(entries);
    else
        discard(entries);
}

void RecoveryJournal::discard(const QList<RecoveryStore::Entry>& entries) {
    for (const RecoveryStore::Entry& entry : entries)
        forget(entry.id);
}

// One entry after another, each decoded by a decoding child like any project.
class RecoveryJournal::Restoring final : public QObject {
public:
    Restoring(RecoveryJournal* journal, QList<RecoveryStore::Entry> entries, std::function<void(int)> done)
        : QObject(journal), m_journal(journal), m_entries(std::move(entries)), m_done(std::move(done)) {}

    void next() {
        if (m_next == m_entries.size()) return finish();
        const RecoveryStore::Entry entry = m_entries[m_next++];
        const QString path = RecoveryStore::projectPath(m_journal->m_folder, entry.id);
        DecodingChild::inBackground(
            this,
            [path] {
                return DecodingChild::isolated<ProjectIO::Project>(path, [&path]() -> Result<ProjectIO::Project> {
                    return ProjectIO::load(path);
                });
            },
            [this, entry](const Result<ProjectIO::Project>& project) {
                opened(entry, project);
                next();
            });
    }

private:
    void opened(const RecoveryStore::Entry& entry, const Result<ProjectIO::Project>& project) {
        if (!project) {
            // Kept: the reason may pass (memory, a child that could not start); Discard removes it.
            m_errors.append(
                RecoveryJournal::tr("“%1” could not be restored: %2. It is offered again at the next start.")
                    .arg(entry.title, ErrorTexts::translated(project.error().message)));
            return;
        }
        // The editor takes the entry over: it stays on disk until the editor's first write.
        m_journal->m_adoptedId = entry.id;
        EditorWindowController* editor =
            EditorWindowController::show(project->baseImage, project->annotations, entry.filePath);
        m_journal->watch(editor); // when show() did not already
        m_journal->m_adoptedId.clear();
        editor->restoreUnsaved(savedFilesOf(entry));
        RecentCaptures::tie(editor, entry.history); // its saves go on updating its capture's project
        ++m_opened;
    }

    void finish() {
        if (!m_errors.isEmpty()) ErrorAlert::present(m_errors.join(QLatin1Char('\n')));
        if (m_done) m_done(m_opened);
        deleteLater();
    }

    RecoveryJournal* m_journal;
    QList<RecoveryStore::Entry> m_entries;
    qsizetype m_next = 0;
    int m_opened = 0;
    QStringList m_errors;
    std::function<void(int)> m_done;
};

void RecoveryJournal::restore(const QList<RecoveryStore::Entry>& entries, std::function<void(int)> done) {
    (new Restoring(this, entries, std::move(done)))->next();
}
