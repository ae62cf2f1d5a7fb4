#include "editor/SensitiveText.h"
#include "model/AnnotationGeometry.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>

using namespace Qt::Literals::StringLiterals;

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

// A page of 2000 recognised words (200 lines in 20 blocks): ordinary text with dates, versions,
// paths and prices, and a sensitive value on every fifth line.
RecognizedText recognisedPage() {
    const QStringList plain = {u"the"_s,
                               u"settings"_s,
                               u"2026-12-08"_s,
                               u"version"_s,
                               u"5.3.0"_s,
                               u"/usr/lib/x86_64-linux-gnu"_s,
                               u"€19.99"_s,
                               u"Screenshot_2026-12-08.png"_s,
                               u"account"_s,
                               u"connected"_s,
                               u"14:33:21"_s,
                               u"server"_s,
                               u"https://example.com/docs"_s,
                               u"InternationalizationSettings"_s};
    const QStringList secret = {u"alice@example.com"_s,        u"192.168.1.10:8080"_s,
                                u"00:1A:2B:3C:4D:5E"_s,        u"https://h.de/?token=abc123"_s,
                                u"q8Xr2LmZ9vT4nKp7Ws1Yb6Hd"_s, u"DE89370400440532013000"_s,
                                u"4111111111111111"_s,         u"PIN 4821"_s};
    QRandomGenerator rng(7);
    RecognizedText text;
    for (int line = 0; line < 200; ++line) {
        int x = 0;
        for (int w = 0; w < 10; ++w) {
            const QString word = (line % 5 == 0 && w == 4) ? secret[(line / 5) % secret.size()]
                                                           : plain[rng.bounded(int(plain.size()))];
            text.words.append({word, QRect(x, line * 30, int(word.size()) * 9, 20), 90, line / 10, line});
            x += int(word.size() + 1) * 9;
        }
    }
    return text;
}

// Looking for what to hide on a recognised page: what the user waits for after recognition.
void BM_FindSensitive(benchmark::State& state) {
    const RecognizedText text = recognisedPage();
    qsizetype found = 0;
    for (auto _ : state) {
        found = SensitiveText::find(text, QRect(0, 0, 2000, 6000)).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["findings"] = double(found);
}
BENCHMARK(BM_FindSensitive);

} // namespace
