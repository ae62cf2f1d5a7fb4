#include "model/AnnotationGeometry.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>

namespace {

// 300 mixed objects as a busy annotated screenshot has them.
QList<Annotation> mixedAnnotations(int count) {
    QRandomGenerator rng(42);
    const EditorTool tools[] = {EditorTool::pen,  EditorTool::arrow, EditorTool::rect, EditorTool::ellipse,
                                EditorTool::dot,  EditorTool::stamp, EditorTool::text, EditorTool::polygon,
                                EditorTool::blur, EditorTool::line};
    QList<Annotation> list;
    for (int i = 0; i < count; ++i) {
        Annotation a;
        a.tool = tools[i % std::size(tools)];
        a.width = 4;
        const QPointF o(rng.bounded(5000.0), rng.bounded(2800.0));
        const int n = a.tool == EditorTool::pen ? 60 : 4;
        for (int k = 0; k < n; ++k)
            a.points.append(o + QPointF(rng.bounded(200.0), rng.bounded(200.0)));
        a.text = QStringLiteral("Label %1\nsecond line").arg(i);
        a.rotation = (i % 3 == 0) ? 0.3 : 0.0;
        list.append(a);
    }
    return list;
}

// One pointer press walks every object: the cost of picking on a busy canvas.
void BM_HitTest300(benchmark::State& state) {
    const QList<Annotation> list = mixedAnnotations(300);
    int hits = 0;
    for (auto _ : state) {
        for (const Annotation& a : list)
            hits += AnnotationGeometry::hitTest(a, QPointF(2500, 1400), 6) ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
}
BENCHMARK(BM_HitTest300);

// Text bounds with a fresh string each time (nothing cached): the cost of typing into a text box.
void BM_TextBoundsUncached(benchmark::State& state) {
    Annotation a;
    a.tool = EditorTool::text;
    a.points = {QPointF(10, 10)};
    int i = 0;
    for (auto _ : state) {
        a.text = QStringLiteral("Cable run %1\nto the rack").arg(i++);
        benchmark::DoNotOptimize(AnnotationGeometry::bounds(a));
    }
}
BENCHMARK(BM_TextBoundsUncached);

} // namespace
