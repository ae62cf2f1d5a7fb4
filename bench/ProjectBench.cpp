#include "BenchImages.h"
#include "editor/EditorModel.h"
#include "editor/FlatExport.h"
#include "editor/SaveCommand.h"
#include "io/FileIO.h"
#include "io/PdfSupport.h"
#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

namespace {

// A 5K capture with 200 annotations, four of them pasted 800 x 600 pictures.
EditorModel& projectModel() {
    static EditorModel model(BenchImages::screenshot5K(1), BenchImages::mixedAnnotations(4, QSize(800, 600)));
    return model;
}

void BM_ProjectEncode5K(benchmark::State& state) {
    EditorModel& model = projectModel();
    qsizetype bytes = 0;
    for (auto _ : state) {
        const Result<QByteArray> encoded = ProjectIO::encode(model.baseImage(), model.annotations());
        bytes = encoded->size();
        benchmark::DoNotOptimize(encoded->constData());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ProjectEncode5K)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ProjectDecode5K(benchmark::State& state) {
    const QByteArray encoded = *ProjectIO::encode(projectModel().baseImage(), projectModel().annotations());
    for (auto _ : state) {
        const Result<ProjectIO::Project> project = ProjectIO::decode(encoded);
        benchmark::DoNotOptimize(project->baseImage.constBits());
    }
}
BENCHMARK(BM_ProjectDecode5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// A manifest heavy with numbers: one pen stroke of a million points (three million JSON values,
// under the four million a project may hold), counted before it is parsed.
void BM_ProjectDecodeMillionPoints(benchmark::State& state) {
    Annotation stroke;
    stroke.tool = EditorTool::pen;
    stroke.points.reserve(1'000'000);
    for (int i = 0; i < 1'000'000; ++i)
        stroke.points.append(QPointF(i % 1000, i / 1000));
    QImage base(64, 64, QImage::Format_RGB32);
    base.fill(Qt::white);
    const QByteArray encoded = *ProjectIO::encode(base, {stroke});
    for (auto _ : state) {
        const Result<ProjectIO::Project> project = ProjectIO::decode(encoded);
        benchmark::DoNotOptimize(project->annotations.size());
    }
    state.counters["bytes"] = double(encoded.size());
}
BENCHMARK(BM_ProjectDecodeMillionPoints)->Unit(benchmark::kMillisecond)->UseRealTime();

// The flat image as the save command makes it: composed in drawing order.
const QImage& flat5K() {
    static const QImage flat = [] {
        EditorModel& model = projectModel();
        return EditorRenderer::compose(model.scene());
    }();
    return flat;
}

void BM_ExportJpeg5K(benchmark::State& state) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        const auto jpeg = FlatExport::encode(flat5K(), FlatExport::Format::jpeg);
        bytes = jpeg->size();
        benchmark::DoNotOptimize(jpeg->constData());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ExportJpeg5K)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportPdf5K(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("flat.pdf"));
    for (auto _ : state) {
        const auto error = PdfSupport::exportImage(flat5K(), path);
        benchmark::DoNotOptimize(error);
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_ExportPdf5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// The editor's save: the flat PNG and the project, both written completely, then replaced as a
// pair over the ones the previous round left.
void BM_SavePair5K(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("shot.png"));
    for (auto _ : state) {
        const SaveCommand::Outcome outcome = SaveCommand::save(projectModel(), path, FlatExport::Format::png, 1);
        benchmark::DoNotOptimize(outcome.error);
    }
    state.counters["bytes"] = double(QFileInfo(path).size() + QFileInfo(SaveCommand::projectPathFor(path)).size());
}
BENCHMARK(BM_SavePair5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// Replacing a file with the project's bytes: FileIO (arg 0: temporary file, fsync, rename) against
// QSaveFile (arg 1), what it replaced.
void BM_ReplaceFile5K(benchmark::State& state) {
    const QByteArray bytes = *ProjectIO::encode(projectModel().baseImage(), projectModel().annotations());
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("shot.pictproj"));
    for (auto _ : state) {
        if (state.range(0) == 0) {
            benchmark::DoNotOptimize(FileIO::writeFileAtomically(path, bytes));
        } else {
            QSaveFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            benchmark::DoNotOptimize(file.commit());
        }
    }
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_ReplaceFile5K)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
