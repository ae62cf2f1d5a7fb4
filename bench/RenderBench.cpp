#include "editor/EditorModel.h"
#include "render/DrawingSurface.h"

#include <benchmark/benchmark.h>

#include <QPainter>
#include <QRandomGenerator>

#include <cstring>

namespace {

constexpr int kW = 5120, kH = 2880;

// A screenshot-like 5K picture: flat panels, text-sized detail and some noise.
QImage screenshot5K(int seed) {
    QImage img(kW, kH, QImage::Format_RGB32);
    img.fill(QColor(236, 236, 236));
    QPainter p(&img);
    QRandomGenerator rng(seed);
    for (int i = 0; i < 400; ++i) {
        p.fillRect(QRect(rng.bounded(kW), rng.bounded(kH), 40 + rng.bounded(600), 20 + rng.bounded(300)),
                   QColor::fromRgb(rng.generate() | 0xFF000000u));
    }
    p.setPen(Qt::black);
    p.setFont(DrawingSurface::systemFont(14, DrawingSurface::FontWeight::regular));
    for (int y = 20; y < kH; y += 22)
        p.drawText(QPointF(40 + (y % 300), y),
                   QStringLiteral("Access reader AR-12 wired to controller 3, panel B"));
    p.end();
    DrawingSurface::normalizeMetadata(img);
    return img;
}

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

} // namespace
