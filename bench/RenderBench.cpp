#include "editor/EditorModel.h"
#include "render/DrawingSurface.h"
#include "render/EditorRenderer.h"

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

// 200 objects as a heavily annotated 5K screenshot has them: 60 stamps, 5 blur regions, strokes,
// shapes, badges, text and two pasted pictures.
QList<Annotation> mixedAnnotations() {
    QRandomGenerator rng(11);
    QList<Annotation> list;
    auto at = [&] { return QPointF(100 + rng.bounded(kW - 600), 100 + rng.bounded(kH - 600)); };
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(QColor(90, 140, 200));
    for (int i = 0; i < 200; ++i) {
        Annotation a;
        a.color = QColor::fromRgb(rng.generate() | 0xFF000000u);
        a.width = 3 + rng.bounded(6);
        const QPointF o = at();
        if (i < 60) {
            a.tool = EditorTool::stamp;
            a.stamp = StampType(1 + i % (caseCount<StampType>() - 1));
            a.showName = i % 3 == 0;
            a.points = {o};
        } else if (i < 65) {
            a.tool = EditorTool::blur;
            a.points = {o, o + QPointF(300 + rng.bounded(300), 150 + rng.bounded(200))};
        } else if (i < 67) {
            a.tool = EditorTool::image;
            a.image = picture;
            a.imageFrame = QRectF(o, QSizeF(400, 300));
            a.points = {a.imageFrame.topLeft(), a.imageFrame.topRight(), a.imageFrame.bottomRight(),
                        a.imageFrame.bottomLeft()};
        } else {
            const EditorTool tools[] = {EditorTool::pen,  EditorTool::highlighter, EditorTool::arrow,
                                        EditorTool::line, EditorTool::rect,        EditorTool::ellipse,
                                        EditorTool::dot,  EditorTool::text,        EditorTool::polygon};
            a.tool = tools[i % std::size(tools)];
            const int n = a.tool == EditorTool::pen || a.tool == EditorTool::highlighter ? 40 : 3;
            a.points = {o};
            for (int k = 1; k < n; ++k)
                a.points.append(a.points.last() + QPointF(rng.bounded(40.0) - 10, rng.bounded(40.0) - 10));
            a.filled = i % 4 == 0;
            a.text = a.tool == EditorTool::dot
                         ? QString::number(i)
                         : QStringLiteral("Cable to rack %1\nport %2").arg(i).arg(i * 3);
            a.rotation = i % 5 == 0 ? 0.2 : 0.0;
        }
        list.append(a);
    }
    return list;
}

// Compose the flat image of a 5K capture with 200 annotations; the blur cache is warm.
void BM_Compose5K(benchmark::State& state) {
    EditorModel model(screenshot5K(1), mixedAnnotations());
    benchmark::DoNotOptimize(model.blurredImage());
    for (auto _ : state) {
        const QImage out = EditorRenderer::compose(model.annotations(), model);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_Compose5K)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
