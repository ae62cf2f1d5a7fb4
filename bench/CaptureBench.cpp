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

} // namespace
