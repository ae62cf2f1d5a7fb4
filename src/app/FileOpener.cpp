#include "app/FileOpener.h"

#include "app/EditorWindowController.h"
#include "editor/FlatExport.h"
#include "io/DecodingChild.h"
#include "io/ImageDecoder.h"
#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"
#include "ui/ErrorAlert.h"
#include "ui/PdfPagePicker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace FileOpener {

namespace {

using Loaded = Result<ProjectIO::Project>;

bool isPdfPath(const QString& path) {
    return path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
}

// A picture or a project, every picture in it decoded by one decoding child.
Loaded load(const QString& file) {
    return DecodingChild::isolated<ProjectIO::Project>(file, [&file]() -> Loaded {
        if (FlatExport::isProjectPath(file)) return ProjectIO::load(file);
        Result<QImage> image = ImageDecoder::decodeFile(file);
        if (!image) return image.error();
        return ProjectIO::Project{*image, {}};
    });
}

Loaded pdfPage(DecodingChild::Session& session, const QString& file, int index) {
    Result<QImage> page = session.pdfPage(file, index);
    if (!page) return page.error();
    return ProjectIO::Project{*page, {}};
}

// The number of pages, and the page itself when there is only one, from one child.
struct PdfStart {
    Result<int> pages;
    std::optional<Loaded> onlyPage;
};

PdfStart startPdf(const QString& file) {
    DecodingChild::Session session;
    PdfStart start{session.pdfPageCount(file), std::nullopt};
    if (start.pages && *start.pages == 1) start.onlyPage = pdfPage(session, file, 0);
    return start;
}

// One file after another, each waiting for its child on a worker thread.
class Opening final : public QObject {
public:
    Opening(QStringList files, Done done) : m_files(std::move(files)), m_done(std::move(done)) {}

    void next() {
        if (m_next == m_files.size()) return finish();
        const QString file = m_files[m_next++];
        const QString editorPath = QFileInfo(file).absoluteFilePath();
        if (isPdfPath(file))
            DecodingChild::inBackground(this, [file] { return startPdf(file); },
                                        [this, file](const PdfStart& start) { pdfStarted(file, start); });
        else
            DecodingChild::inBackground(this, [file] { return load(file); },
                                        [this, file, editorPath](const Loaded& loaded) { opened(file, editorPath, loaded); });
    }

private:
    // One page opens at once; of several the person picks one. A page of several is named for its
    // page ("Site plan page 2.pdf"), so the editor's title says which and each page is proposed a
    // file name of its own.
    void pdfStarted(const QString& file, const PdfStart& start) {
        const QFileInfo info(file);
        if (!start.pages) return opened(file, info.absoluteFilePath(), start.pages.error());
        if (start.onlyPage) return opened(file, info.absoluteFilePath(), *start.onlyPage);
        const std::optional<int> picked = PdfPagePicker::pick(file, *start.pages);
        if (!picked) { // the person chose no page: nothing to tell them, but the launch hears of it
            m_outcome.cancelled.append(file);
            return next();
        }
        const QString editorPath = info.absoluteDir().filePath(
            QCoreApplication::translate("FileOpener", "%1 page %2").arg(info.completeBaseName()).arg(*picked + 1) + u'.' + info.suffix());
        DecodingChild::inBackground(
            this,
            [file, index = *picked] {
                DecodingChild::Session session;
                return pdfPage(session, file, index);
            },
            [this, file, editorPath](const Loaded& loaded) { opened(file, editorPath, loaded); });
    }

    void opened(const QString& file, const QString& editorPath, const Loaded& project) {
        if (!project) {
            m_outcome.errors.append(project.error().message);
            if (m_outcome.firstFailure.isEmpty()) m_outcome.firstFailure = project.error().message;
            return next();
        }
        if (project->droppedRecords > 0)
            m_outcome.errors.append(
                QCoreApplication::translate(
                    "Editor", "“%1” was opened without %2 of its objects: they could not be read.")
                    .arg(QFileInfo(file).fileName(), QString::number(project->droppedRecords)));
        if (const qsizetype undrawn =
                EditorRenderer::beyondDrawingBudget(project->annotations, QSizeF(project->baseImage.size())).size())
            m_outcome.errors.append(
                QCoreApplication::translate(
                    "Editor", "%1 objects of “%2” would take too long to draw and are not shown.")
                    .arg(QString::number(undrawn), QFileInfo(file).fileName()));
        EditorWindowController::show(project->baseImage, project->annotations, editorPath);
        ++m_outcome.opened;
        next();
    }

    void finish() {
        if (!m_outcome.errors.isEmpty())
            ErrorAlert::present(m_outcome.errors.join(QLatin1Char('\n')), nullptr,
                                m_outcome.firstFailure.isEmpty() ? ErrorAlert::Severity::warning
                                                                 : ErrorAlert::Severity::error);
        if (m_done) m_done(m_outcome);
        deleteLater();
    }

    QStringList m_files;
    qsizetype m_next = 0;
    Outcome m_outcome;
    Done m_done;
};

} // namespace

void open(const QStringList& files, Done done) {
    (new Opening(files, std::move(done)))->next();
}

} // namespace FileOpener
