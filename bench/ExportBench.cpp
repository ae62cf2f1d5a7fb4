#include "io/PngWriter.h"
#include "graphics/DrawingSurface.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace {

constexpr int kW = 5120, kH = 2880;

// A 5K desktop as people capture it: a gradient wallpaper strip, windows with shaded title bars,
// coloured blocks, lines of text and a few strokes across everything. Same picture every run.
QImage screenshot5K() {
    QImage img(kW, kH, QImage::Format_RGB32);
    img.fill(QColor(242, 242, 242));
    QPainter p(&img);
    QRandomGenerator rng(20240607);

    QLinearGradient sky(0, 0, kW, kH);
    sky.setColorAt(0, QColor(38, 70, 130));
    sky.setColorAt(1, QColor(180, 110, 160));
    p.fillRect(QRect(0, 0, kW, 300), sky);

    for (int i = 0; i < 60; ++i) { // windows: frame, title bar, flat body
        const QRect r(rng.bounded(kW - 400), 300 + rng.bounded(kH - 700), 400 + rng.bounded(1600),
                      300 + rng.bounded(900));
        p.fillRect(r, QColor(250, 250, 250));
        p.setPen(QColor(200, 200, 200));
        p.drawRect(r);
        QLinearGradient bar(r.topLeft(), r.topRight());
        bar.setColorAt(0, QColor(225, 228, 235));
        bar.setColorAt(1, QColor(205, 210, 222));
        p.fillRect(QRect(r.left(), r.top(), r.width(), 32), bar);
    }
    for (int i = 0; i < 300; ++i) // buttons, icons, highlights
        p.fillRect(QRect(rng.bounded(kW), rng.bounded(kH), 20 + rng.bounded(300), 16 + rng.bounded(120)),
                   QColor::fromRgb(rng.generate() | 0xFF000000u));

    p.setFont(DrawingSurface::systemFont(14, DrawingSurface::FontWeight::regular));
    const QString words[] = {QStringLiteral("Access reader AR-12 wired to controller 3, panel B."),
                             QStringLiteral("int main(int argc, char** argv) { return run(argc, argv); }"),
                             QStringLiteral("Quarterly figures: 1,284 units shipped, 97.2 % on time")};
    for (int y = 340; y < kH; y += 20) {
        p.setPen(QColor::fromRgb(rng.bounded(90), rng.bounded(90), rng.bounded(90)));
        for (int x = 40 + rng.bounded(200); x < kW - 600; x += 700 + rng.bounded(500))
            p.drawText(QPointF(x, y), words[rng.bounded(3)]);
    }
    p.setPen(QPen(QColor(30, 120, 200), 3));
    for (int i = 0; i < 40; ++i)
        p.drawLine(rng.bounded(kW), rng.bounded(kH), rng.bounded(kW), rng.bounded(kH));
    p.end();
    DrawingSurface::normalizeMetadata(img);
    return img;
}

// Drawn once, outside the timed loops.
const QImage& picture() {
    static const QImage img = screenshot5K();
    return img;
}

void BM_ExportPng5K(benchmark::State& state) {
    const QImage& img = picture();
    qsizetype bytes = 0;
    for (auto _ : state) {
        const std::optional<QByteArray> png = PngWriter::encode(img);
        if (!png) {
            state.SkipWithError("encode failed");
            break;
        }
        bytes = png->size();
        benchmark::DoNotOptimize(png->constData());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ExportPng5K)->Unit(benchmark::kMillisecond)->UseRealTime();

// A picture handed over whole (a capture written to a file): filtered in its own memory; at the
// quick level (0, as captures are written) and the default (6, as the editor saves).
void BM_ExportPng5KConsuming(benchmark::State& state) {
    const QImage& img = picture();
    qsizetype bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QImage own = img.copy();
        state.ResumeTiming();
        const std::optional<QByteArray> png = PngWriter::encodeConsuming(std::move(own), int(state.range(0)));
        if (!png) {
            state.SkipWithError("encode failed");
            break;
        }
        bytes = png->size();
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ExportPng5KConsuming)->Arg(PngWriter::kQuickLevel)->Arg(PngWriter::kDefaultLevel)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtPng5K(benchmark::State& state) {
    const QImage& img = picture();
    qsizetype bytes = 0;
    for (auto _ : state) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(img)) {
            state.SkipWithError("QImageWriter failed");
            break;
        }
        bytes = png.size();
        benchmark::DoNotOptimize(png.constData());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_QtPng5K)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
