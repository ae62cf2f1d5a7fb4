#include "BenchImages.h"
#include "editor/EditorModel.h"
#include "graphics/DrawingSurface.h"
#include "render/EditorRenderer.h"

#include <benchmark/benchmark.h>

#include <QPainter>
#include <QRandomGenerator>

#include <cstring>

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

} // namespace
