// What the tray does with files: the Recent menu lists the save folder at every opening, a PDF
// page is rendered when it is opened for annotation, and pictures are decoded, here or in a child;
// every capture a person makes is kept in the capture history, listed by Recent Captures.
#include "BenchImages.h"
#include "app/RecentCaptures.h"
#include "io/CaptureHistory.h"
#include "io/DecodingChild.h"
#include "io/ImageDecoder.h"
#include "io/ImageUtilities.h"
#include "io/PdfSupport.h"
#include "io/SaveFolder.h"

#include <QDateTime>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

namespace {

// A save folder of a long job: `pictures` screenshots, every other one with its project, and some
// files that are not listed.
void fillFolder(const QString& folder, int pictures) {
    const QDateTime start = QDateTime::currentDateTime().addDays(-30);
    for (int i = 0; i < pictures; ++i) {
        QStringList names{QStringLiteral("Screenshot %1.png").arg(i)};
        if (i % 2 == 0) names << QStringLiteral("Screenshot %1.pictproj").arg(i);
        if (i % 10 == 0) names << QStringLiteral("notes %1.txt").arg(i);
        for (const QString& name : names) {
            QFile file(folder + QLatin1Char('/') + name);
            file.open(QIODevice::WriteOnly);
            file.write("x");
            file.setFileTime(start.addSecs(i * 60), QFileDevice::FileModificationTime);
        }
    }
}

void BM_RecentEntries5000(benchmark::State& state) {
    QTemporaryDir folder;
    fillFolder(folder.path(), 5000);
    for (auto _ : state) {
        const QList<SaveFolder::Entry> entries = SaveFolder::entries(folder.path());
        benchmark::DoNotOptimize(entries.size());
    }
}

// A wiring plan: an A4 page of lines, boxes and labels, drawn as vectors.
QString writePlan(const QString& folder, QSizeF points) {
    const QString path = folder + QStringLiteral("/plan.pdf");
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
    QPainter p(&writer);
    p.setPen(QPen(Qt::black, 0.8));
    for (int i = 0; i < 400; ++i) {
        const double x = 20 + (i * 37) % int(points.width() - 60), y = 20 + (i * 53) % int(points.height() - 40);
        p.drawRect(QRectF(x, y, 30, 14));
        p.drawLine(QPointF(x + 30, y + 7), QPointF(x + 60, y + 20));
        p.drawText(QPointF(x + 2, y + 11), QStringLiteral("D%1").arg(i));
    }
    p.end();
    return path;
}

void BM_RenderPdfPage(benchmark::State& state) {
    QTemporaryDir folder;
    const QSizeF points = state.range(0) == 0 ? QSizeF(612, 792) : QSizeF(3000, 1000);
    const QString pdf = writePlan(folder.path(), points);
    for (auto _ : state) {
        const Result<QImage> page = PdfSupport::renderPage(pdf, 0);
        if (!page) {
            state.SkipWithError("the page did not render");
            break;
        }
        benchmark::DoNotOptimize(page->constBits());
    }
    state.SetLabel(state.range(0) == 0 ? "A4, 1224 x 1584" : "3000 x 1000 pt, 4000 x 1333");
}

// A 5K screenshot as Pictavo saves it.
QString writeScreenshot(const QString& folder) {
    const QString path = folder + QStringLiteral("/screenshot.png");
    return ImageUtilities::savePng(BenchImages::screenshot5K(1), path) ? QString() : path;
}

void BM_DecodePng5K(benchmark::State& state) {
    QTemporaryDir folder;
    const QString png = writeScreenshot(folder.path());
    for (auto _ : state) {
        const Result<QImage> image = ImageDecoder::decodeFile(png);
        if (!image) {
            state.SkipWithError("the picture did not decode");
            break;
        }
        benchmark::DoNotOptimize(image->constBits());
    }
}

// The same through a decoding child, as the instance opens a file: a child started ahead (the
// instance keeps one ready), its limits, the pixels handed back in shared memory and mapped here.
void BM_DecodePng5KInChild(benchmark::State& state) {
    QTemporaryDir folder;
    const QString png = writeScreenshot(folder.path());
    DecodingChild::keepSpareReady(state.range(0) == 1);
    double childCpu = 0;
    for (auto _ : state) {
        DecodingChild::Session session;
        const Result<QImage> image = session.decodeFile(png, nullptr);
        if (!image) {
            state.SkipWithError("the picture did not decode");
            break;
        }
        benchmark::DoNotOptimize(image->constBits());
        state.PauseTiming(); // the next spare's start-up, as between two files
        session.end();
        childCpu += session.lastUsage() ? session.lastUsage()->cpuSeconds : 0;
        while (state.range(0) == 1 && !DecodingChild::spareProcessId()) {
        }
        QThread::msleep(100);
        state.ResumeTiming();
    }
    DecodingChild::keepSpareReady(false);
    // What the child's own CPU time adds to the CPU column (the waiting parent's).
    state.counters["child_cpu_ms"] = benchmark::Counter(childCpu * 1000, benchmark::Counter::kAvgIterations);
    state.SetLabel(state.range(0) == 1 ? "a child started ahead (the instance)" : "a child started for it (export)");
}

// The history in a state folder of its own while it lives.
class ScopedHistory {
public:
    ScopedHistory() : m_saved(qgetenv("XDG_STATE_HOME")) { qputenv("XDG_STATE_HOME", m_state.path().toLocal8Bit()); }
    ~ScopedHistory() { qputenv("XDG_STATE_HOME", m_saved); }

private:
    QTemporaryDir m_state;
    QByteArray m_saved;
};

// One 5K capture kept as the worker thread keeps it: the 64 px thumbnail, both PNGs, both files
// written and synced, then the bound applied.
void BM_KeepCapture5K(benchmark::State& state) {
    const ScopedHistory history;
    const QImage shot = BenchImages::screenshot5K(1);
    for (auto _ : state) {
        const Result<CaptureHistory::Entry> kept = CaptureHistory::add(CaptureHistory::newId(), shot);
        if (!kept) {
            state.SkipWithError("the capture was not kept");
            break;
        }
    }
}

// Its thumbnail alone.
void BM_CaptureThumbnail5K(benchmark::State& state) {
    const QImage shot = BenchImages::screenshot5K(1);
    for (auto _ : state) benchmark::DoNotOptimize(CaptureHistory::makeThumbnail(shot).constBits());
}

// Recent Captures as it opens: 50 entries listed, the newest ten's thumbnails read and decoded,
// the items made (on the UI thread, at every opening of the menu).
void BM_RecentCapturesMenu(benchmark::State& state) {
    const ScopedHistory history;
    // The pictures are never read to build the menu: a smaller one fills the folder faster.
    const QImage shot = BenchImages::screenshot5K(2).scaled(1280, 720);
    for (int i = 0; i < CaptureHistory::kDefaultLimit; ++i)
        if (!CaptureHistory::add(CaptureHistory::newId(), shot)) {
            state.SkipWithError("the history could not be filled");
            return;
        }
    QMenu menu;
    for (auto _ : state) {
        RecentCaptures::fill(&menu);
        benchmark::DoNotOptimize(menu.actions().size());
    }
}

} // namespace

BENCHMARK(BM_KeepCapture5K)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_CaptureThumbnail5K)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecentCapturesMenu)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodePng5K)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodePng5KInChild)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecentEntries5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderPdfPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
