#include "io/PngWriter.h"
#include "platform/capture/X11Capture.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QScreen>

namespace {

// One grab of the whole X screen as a capture makes it; run under an X server of the size to
// measure, on its platform: QT_QPA_PLATFORM=xcb xvfb-run -s "-screen 0 5120x2880x24" bench_capture.
void grab(benchmark::State& state, bool shared) {
    std::unique_ptr<X11Capture> x11 = X11Capture::open();
    if (!x11) {
        state.SkipWithError("needs an X display");
        return;
    }
    x11->setUseSharedMemory(shared);
    if (shared && !x11->usesSharedMemory()) {
        state.SkipWithError("the X server has no MIT-SHM");
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect rect(screen->geometry().topLeft(), screen->geometry().size() * screen->devicePixelRatio());
    for (auto _ : state) {
        std::optional<QImage> image = x11->grabRoot(rect);
        if (!image) {
            state.SkipWithError("the grab failed");
            return;
        }
        benchmark::DoNotOptimize(image->constBits());
    }
    state.counters["pixels"] = double(rect.width()) * rect.height();
}

void BM_X11GrabScreen(benchmark::State& state) {
    grab(state, true);
}
BENCHMARK(BM_X11GrabScreen)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_X11GrabScreenThroughSocket(benchmark::State& state) {
    grab(state, false);
}
BENCHMARK(BM_X11GrabScreenThroughSocket)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first grab after a while: a new segment, which both the server and we touch for the first time.
void BM_X11GrabScreenFreshSegment(benchmark::State& state) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect rect(screen->geometry().topLeft(), screen->geometry().size() * screen->devicePixelRatio());
    for (auto _ : state) {
        std::unique_ptr<X11Capture> x11 = X11Capture::open();
        if (!x11 || !x11->usesSharedMemory()) {
            state.SkipWithError("needs an X display with MIT-SHM");
            return;
        }
        std::optional<QImage> image = x11->grabRoot(rect);
        if (!image) {
            state.SkipWithError("the grab failed");
            return;
        }
        benchmark::DoNotOptimize(image->constBits());
    }
}
BENCHMARK(BM_X11GrabScreenFreshSegment)->Unit(benchmark::kMillisecond)->UseRealTime();

// `capture screen --output x.png` after start-up: the grab, then the quick PNG written over the picture.
void BM_X11CaptureScreenToPng(benchmark::State& state) {
    std::unique_ptr<X11Capture> x11 = X11Capture::open();
    if (!x11 || !x11->usesSharedMemory()) {
        state.SkipWithError("needs an X display with MIT-SHM");
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect rect(screen->geometry().topLeft(), screen->geometry().size() * screen->devicePixelRatio());
    qsizetype bytes = 0;
    for (auto _ : state) {
        std::optional<QImage> image = x11->grabRoot(rect);
        if (!image) {
            state.SkipWithError("the grab failed");
            return;
        }
        const std::optional<QByteArray> png = PngWriter::encodeConsuming(std::move(*image), PngWriter::kQuickLevel);
        if (!png) {
            state.SkipWithError("encode failed");
            return;
        }
        bytes = png->size();
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_X11CaptureScreenToPng)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
