#include "BenchImages.h"
#include "editor/EditorModel.h"
#include "graphics/DrawingSurface.h"
#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"

#include <benchmark/benchmark.h>

#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

using BenchImages::screenshot5K;

// The floor every full-image operation is measured against.
void BM_Copy5K(benchmark::State& state) {
    const QImage src = screenshot5K(1);
    QImage dst(src.size(), src.format());
    std::memset(dst.bits(), 0, size_t(dst.sizeInBytes())); // already mapped, as reused buffers are
    for (auto _ : state) {
        std::memcpy(dst.bits(), src.constBits(), size_t(src.sizeInBytes()));
        benchmark::DoNotOptimize(dst.bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Copy5K)->Unit(benchmark::kMillisecond);

// The model's blurred copy recomputed after the base image changed to another of the same size,
// exactly as the renderer asks for it.
void BM_Blur5K(benchmark::State& state) {
    EditorModel model(screenshot5K(1));
    model.replaceBaseImage(screenshot5K(2));
    benchmark::DoNotOptimize(model.blurredImage());
    bool second = true;
    for (auto _ : state) {
        if (second)
            model.undo();
        else
            model.redo();
        second = !second;
        const QImage blurred = model.blurredImage();
        benchmark::DoNotOptimize(blurred.constBits());
    }
}
BENCHMARK(BM_Blur5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// Straighten a 5K canvas by 2 degrees.
void BM_RotateCanvas5K(benchmark::State& state) {
    EditorModel model(screenshot5K(1));
    for (auto _ : state) {
        model.rotateCanvas(2);
        state.PauseTiming();
        model.undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RotateCanvas5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// Compose the flat image of a 5K capture with 200 annotations; the blur cache is warm.
void BM_Compose5K(benchmark::State& state) {
    EditorModel model(screenshot5K(1), BenchImages::mixedAnnotations());
    benchmark::DoNotOptimize(model.blurredImage());
    EditorRenderer::Scene scene = model.scene(false);
    scene.annotations = model.annotations();
    for (auto _ : state) {
        const QImage out = EditorRenderer::compose(scene);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_Compose5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// A stroke as a crafted project holds it, read back through the clipboard payload reader (so with
// the width it would have after loading): a scribble over the 5K capture that wanders `points`
// steps of up to `step` pixels.
Annotation hostileStroke(EditorTool tool, int points, double width, double step) {
    QRandomGenerator random(9);
    Annotation a;
    a.tool = tool;
    a.width = width;
    QPointF p(BenchImages::kWidth / 2.0, BenchImages::kHeight / 2.0);
    for (int i = 0; i < points; ++i) {
        p += QPointF(random.bounded(2 * step) - step, random.bounded(2 * step) - step);
        p = QPointF(std::clamp(p.x(), 0.0, double(BenchImages::kWidth)),
                    std::clamp(p.y(), 0.0, double(BenchImages::kHeight)));
        a.points.append(p);
    }
    const std::optional<QList<Annotation>> read = ProjectIO::annotationsFromPayload(*ProjectIO::encodePayload({a}));
    return read->first();
}

// The tool argument of BM_HostileStroke: the number each kind had when its figures were first
// recorded, so that the names stay the same however the tools are ordered.
constexpr std::pair<int, EditorTool> kHostileTools[] = {
    {1, EditorTool::pen}, {2, EditorTool::highlighter}, {13, EditorTool::polygon}};

constexpr int hostileArg(EditorTool tool) {
    for (const auto& [arg, kind] : kHostileTools)
        if (kind == tool) return arg;
    return -1;
}

// The flat image (scale 100) or a 1600 x 1000 view (any other scale, in percent) of one hostile
// stroke: args are the tool, the number of points, the stored width and the view scale.
void BM_HostileStroke(benchmark::State& state) {
    EditorTool tool = EditorTool::pen;
    for (const auto& [arg, kind] : kHostileTools)
        if (arg == state.range(0)) tool = kind;
    const int points = int(state.range(1));
    const double scale = state.range(3) / 100.0;
    const Annotation a = hostileStroke(tool, points, double(state.range(2)), points > 50000 ? 1 : 4);
    EditorModel model(screenshot5K(1), {a});
    QImage view(1600, 1000, QImage::Format_RGB32);
    for (auto _ : state) {
        if (scale == 1) {
            const QImage out = EditorRenderer::compose(model.scene());
            benchmark::DoNotOptimize(out.constBits());
        } else {
            view.fill(Qt::white);
            QPainter painter(&view);
            painter.setRenderHint(QPainter::Antialiasing, true);
            EditorRenderer::draw(model.annotations().first(), painter, model.scene(false), scale, true);
        }
    }
    state.counters["drawnWidth"] = model.annotations().first().width;
    // What the drawing budget expects of it, in its units of about 20 ns (the budget is 6e7).
    state.counters["estimate"] = EditorRenderer::drawingCost(a, QSizeF(BenchImages::kWidth, BenchImages::kHeight));
    state.counters["leftOut"] = EditorRenderer::beyondDrawingBudget({a}, QSizeF(BenchImages::kWidth, BenchImages::kHeight)).size();
}
BENCHMARK(BM_HostileStroke)
    ->ArgNames({"tool", "points", "width", "scale"})
    ->Args({hostileArg(EditorTool::pen), 20000, 100000, 100})
    ->Args({hostileArg(EditorTool::highlighter), 20000, 100000, 100})
    ->Args({hostileArg(EditorTool::polygon), 20000, 100000, 100})
    ->Args({hostileArg(EditorTool::pen), 200000, 8, 100})
    ->Args({hostileArg(EditorTool::pen), 200000, 8, 30})
    ->Args({hostileArg(EditorTool::pen), 200000, 8, 200})
    ->Args({hostileArg(EditorTool::pen), 1000000, 8, 100})
    ->Args({hostileArg(EditorTool::pen), 100000, 8, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
