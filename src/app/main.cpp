#include "Version.h"
#include "app/CommandLine.h"
#include "editor/EditorModel.h"
#include "editor/FlatExport.h"
#include "io/ImageDecoder.h"
#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"
#include "app/EditorWindowController.h"
#include "app/PreviewWindowController.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

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
    const Result<QImage> flat = FlatExport::flatImage(cl.input, &dropped, &undrawn);
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

// Opens each file in a canvas window. Until the tray program exists this runs its own event loop.
int runOpenFiles(int argc, char** argv, const QStringList& files) {
    QApplication app(argc, argv);
    identify();
    int opened = 0;
    QStringList errors;
    for (const QString& file : files) {
        Result<ProjectIO::Project> project =
            FlatExport::isProjectPath(file) ? ProjectIO::load(file) : [&]() -> Result<ProjectIO::Project> {
            Result<QImage> image = ImageDecoder::decodeFile(file);
            if (!image) return image.error();
            return ProjectIO::Project{*image, {}};
        }();
        if (!project) {
            fail(project.error().message);
            errors.append(project.error().message);
            continue;
        }
        if (project->droppedRecords > 0)
            errors.append(QStringLiteral("“%1” was opened without %2 of its objects: they could not be read.")
                              .arg(QFileInfo(file).fileName())
                              .arg(project->droppedRecords));
        if (const qsizetype undrawn =
                EditorRenderer::beyondDrawingBudget(project->annotations, QSizeF(project->baseImage.size())).size())
            errors.append(QStringLiteral("%1 objects of “%2” would take too long to draw and are not shown.")
                              .arg(undrawn)
                              .arg(QFileInfo(file).fileName()));
        EditorWindowController::show(project->baseImage, project->annotations, QFileInfo(file).absoluteFilePath());
        ++opened;
    }
    if (opened == 0) return 1;
    if (!errors.isEmpty()) {
        // The files are open: say what failed or is missing without blocking them.
        auto* box =
            new QMessageBox(opened == files.size() ? QMessageBox::Warning : QMessageBox::Critical, QStringLiteral("Pictavo"), errors.join(QLatin1Char('\n')));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    }
    return app.exec();
}

// Opens one picture in the preview window.
int runPreview(int argc, char** argv, const QString& file) {
    QApplication app(argc, argv);
    identify();
    Result<QImage> image = ImageDecoder::decodeFile(file);
    if (!image) return fail(image.error().message);
    PreviewWindowController::show(*image);
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine cl = CommandLine::parse(rawArguments(argc, argv));
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
        return fail(QStringLiteral("capturing is not available in this build yet"));
    case CommandLine::Action::openFiles:
        return runOpenFiles(argc, argv, cl.files);
    case CommandLine::Action::preview:
        return runPreview(argc, argv, cl.files.first());
    case CommandLine::Action::startTray:
        break;
    }
    // The tray program and the editor windows are not built yet: say what we are and stop.
    return printLine(stdout, QStringLiteral("Pictavo %1").arg(QString::fromLatin1(Pictavo::kVersion)), 0);
}
