#include "app/RecentCaptures.h"

#include "app/EditorWindowController.h"
#include "editor/FlatExport.h"
#include "editor/SaveCommand.h"
#include "io/DecodingChild.h"
#include "io/FileIO.h"
#include "io/ImageDecoder.h"
#include "io/ProjectIO.h"
#include "ui/ErrorAlert.h"

#include <QApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QMenu>
#include <QThreadPool>

Q_LOGGING_CATEGORY(lcHistory, "pictavo")

namespace RecentCaptures {

namespace {

// One writer: entries are written in the order they were captured, and deleting the history
// after waiting for it leaves nothing written later.
QThreadPool& writer() {
    static QThreadPool pool;
    static const bool single = [] {
        pool.setMaxThreadCount(1);
        return true;
    }();
    (void)single;
    return pool;
}

} // namespace

QString keep(const QImage& picture) {
    if (picture.isNull() || !CaptureHistory::isEnabled()) return {};
    const QString id = CaptureHistory::newId();
    writer().start([id, picture] {
        const Result<CaptureHistory::Entry> kept = CaptureHistory::add(id, picture);
        // The capture itself went where it was meant to; only the history misses it.
        if (!kept) qCWarning(lcHistory, "Pictavo: %s", qPrintable(kept.error().message));
    });
    return id;
}

void waitForWrites() {
    writer().waitForDone();
}

void fill(QMenu* menu) {
    menu->clear();
    const QList<CaptureHistory::Entry> entries = CaptureHistory::entries(kMenuEntries);
    const QDateTime now = QDateTime::currentDateTime();
    for (const CaptureHistory::Entry& entry : entries) {
        // A thumbnail of 64 px written with the entry: the pictures themselves are not decoded here.
        const QImage thumbnail = CaptureHistory::thumbnail(entry);
        QAction* item = menu->addAction(thumbnail.isNull() ? QIcon() : QIcon(QPixmap::fromImage(thumbnail)),
                                        timeText(entry.time, now));
        item->setData(entry.id);
        item->setToolTip(entry.projectPath.isEmpty()
                             ? QCoreApplication::translate("History", "Open this capture in the editor")
                             : QCoreApplication::translate(
                                   "History", "Open this capture in the editor, with the marks saved on it"));
        QObject::connect(item, &QAction::triggered, item, [entry] { open(entry); });
    }
    if (entries.isEmpty()) {
        QAction* none = menu->addAction(QCoreApplication::translate("History", "No Captures Yet"));
        none->setEnabled(false);
        none->setToolTip(
            CaptureHistory::isEnabled()
                ? QCoreApplication::translate("History", "The pictures you capture are listed here")
                : QCoreApplication::translate("History", "Keep Capture History is off in Preferences"));
    }
    menu->setToolTipsVisible(true);
}

void open(const CaptureHistory::Entry& entry, std::function<void(bool)> done) {
    const QString file = entry.projectPath.isEmpty() ? entry.picturePath : entry.projectPath;
    // Decoded by a child like any file: the folder is private, but a damaged file must not take
    // the program with it.
    DecodingChild::inBackground(
        qApp,
        [file] {
            return DecodingChild::isolated<ProjectIO::Project>(file, [&file]() -> Result<ProjectIO::Project> {
                if (FlatExport::isProjectPath(file)) return ProjectIO::load(file);
                Result<QImage> image = ImageDecoder::decodeFile(file);
                if (!image) return image.error();
                return ProjectIO::Project{*image, {}};
            });
        },
        [id = entry.id, done](const Result<ProjectIO::Project>& project) {
            if (!project) {
                ErrorAlert::present(project.error());
                if (done) done(false);
                return;
            }
            // No file of its own: a save asks where, and never writes into the history.
            tie(EditorWindowController::show(project->baseImage, project->annotations, {}), id);
            if (done) done(true);
        });
}

void tie(EditorWindowController* editor, const QString& id) {
    if (!editor || id.isEmpty()) return;
    editor->setProperty(kEntryProperty, id);
    QObject::connect(editor, &EditorWindowController::documentSaved, editor, [id](const SaveCommand::SavedFiles& files) {
        if (!CaptureHistory::isEnabled()) return;
        // The project the save wrote beside the picture; one placed elsewhere is not kept.
        const QString project = SaveCommand::projectPathFor(files.imagePath);
        writer().start([id, project] {
            const Result<QByteArray> bytes = FileIO::readFile(project);
            if (!bytes) return;
            if (std::optional<IoError> error = CaptureHistory::addProject(id, *bytes))
                qCWarning(lcHistory, "Pictavo: %s", qPrintable(error->message));
        });
    });
}

int turnOff() {
    CaptureHistory::setEnabled(false);
    waitForWrites();
    return CaptureHistory::clear();
}

QString timeText(const QDateTime& utc, const QDateTime& now) {
    const QDateTime local = utc.toLocalTime();
    const QString time = local.time().toString(QStringLiteral("HH:mm:ss"));
    const QDate today = now.toLocalTime().date();
    if (local.date() == today) return QCoreApplication::translate("History", "Today %1").arg(time);
    if (local.date() == today.addDays(-1))
        return QCoreApplication::translate("History", "Yesterday %1").arg(time);
    return QStringLiteral("%1 %2").arg(QLocale().toString(local.date(), QLocale::ShortFormat), time);
}

} // namespace RecentCaptures
