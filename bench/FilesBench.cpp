// What the tray does with files: the Recent menu lists the save folder at every opening, and a PDF
// page is rendered when it is opened for annotation.
#include "io/PdfSupport.h"
#include "io/SaveFolder.h"

#include <QDateTime>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

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

} // namespace

BENCHMARK(BM_RecentEntries5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderPdfPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
