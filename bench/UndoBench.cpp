#include "BenchImages.h"
#include "editor/EditorModel.h"
#include "graphics/PackedImage.h"
#include "model/Palette.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <vector>

namespace {

// A field of /proc/self/status in megabytes (VmRSS, VmHWM).
double statusMegabytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qsizetype(strlen(field)) + 1).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

// Packing one picture again and again; the packed size as a counter.
void packing(benchmark::State& state, const QImage& picture) {
    qsizetype bytes = 0;
    for (auto _ : state) {
        auto packed = PackedImage::pack(picture);
        bytes = packed->packedBytes();
        benchmark::DoNotOptimize(packed);
    }
    state.counters["packed_MB"] = double(bytes) / 1e6;
}

void BM_PackScreenshot5K(benchmark::State& state) {
    packing(state, BenchImages::screenshot5K(1));
}
BENCHMARK(BM_PackScreenshot5K)->Unit(benchmark::kMillisecond);

// The worst case for the history: a photo, a gradient under 4 bits of noise per channel.
QImage photo5K() {
    QImage image(BenchImages::kWidth, BenchImages::kHeight, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 20);
            line[x] = qRgb((x * 255 / image.width()) ^ (n & 15), (y * 255 / image.height()) ^ ((n >> 4) & 15),
                           128 ^ ((n >> 8) & 15));
        }
    }
    return image;
}

void BM_PackPhoto5K(benchmark::State& state) {
    packing(state, photo5K());
}
BENCHMARK(BM_PackPhoto5K)->Unit(benchmark::kMillisecond);

void BM_UnpackScreenshot5K(benchmark::State& state) {
    const auto packed = PackedImage::pack(BenchImages::screenshot5K(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(packed->unpack());
}
BENCHMARK(BM_UnpackScreenshot5K)->Unit(benchmark::kMillisecond);

// 200 canvas operations on a 5K capture (crop, turn, expand in turn), then all undone and redone:
// the process's memory, the slowest undo and redo, and whether the first picture came back. Arg 0:
// a screenshot; 1: a photo, whose packed pictures go to the file.
void BM_Undo200CanvasOperations5K(benchmark::State& state) {
    for (auto _ : state) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly)) clear.write("5"); // peak resident size from here
        const QImage first = state.range(0) == 0 ? BenchImages::screenshot5K(2) : photo5K();
        EditorModel model(first);
        for (int i = 0; i < 200; ++i) {
            const QSizeF size = model.baseImage().size();
            switch (i % 3) {
            case 0: model.applyCrop(QRectF(3, 2, size.width() - 5, size.height() - 4)); break;
            case 1: model.rotateCanvas(90); break;
            default: model.expandCanvas(2, 3, 4, 1, Palette::white()); break;
            }
        }
        const double afterOperations = statusMegabytes("VmRSS:");
        const QImage last = model.baseImage();
        double slowestUndo = 0, slowestRedo = 0;
        QElapsedTimer timer;
        while (!model.undoStack().isEmpty()) {
            timer.start();
            model.undo();
            slowestUndo = std::max(slowestUndo, timer.nsecsElapsed() / 1e6);
        }
        const bool firstBack = model.baseImage() == first;
        while (!model.redoStack().isEmpty()) {
            timer.start();
            model.redo();
            slowestRedo = std::max(slowestRedo, timer.nsecsElapsed() / 1e6);
        }
        if (!firstBack || model.baseImage() != last) state.SkipWithError("a picture did not come back exactly");
        state.counters["resident_MB"] = afterOperations;
        state.counters["peak_MB"] = statusMegabytes("VmHWM:");
        state.counters["packed_MB"] = double(model.packedHistoryBytes()) / 1e6;
        state.counters["in_file_MB"] = double(model.spilledHistoryBytes()) / 1e6;
        state.counters["slowest_undo_ms"] = slowestUndo;
        state.counters["slowest_redo_ms"] = slowestRedo;
    }
}
BENCHMARK(BM_Undo200CanvasOperations5K)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);

// An undo and a redo in a history of 5000 object steps over one 5K picture: what keeping the
// budget costs where nothing needs packing.
void BM_UndoRedoInALongHistory(benchmark::State& state) {
    EditorModel model(BenchImages::screenshot5K(3));
    const QList<Annotation> objects = BenchImages::mixedAnnotations(0);
    for (int i = 0; i < 5000; ++i)
        model.commit(objects[i % objects.size()], true);
    for (auto _ : state) {
        model.undo();
        model.redo();
    }
}
BENCHMARK(BM_UndoRedoInALongHistory)->Unit(benchmark::kMicrosecond);

} // namespace
