// Reading text: a settings page and a 5K code screenshot, each in the limited child as the program
// does it. `bench_text --write-pictures DIR` writes the pictures and their values for the comparison
// with the tesseract program (bench/whole/text-vs-tesseract.sh).
#include "TextPictures.h"

#include "io/DecodingChild.h"
#include "io/TextRecognition.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

namespace {

void recognise(benchmark::State& state, const QImage& image) {
    for (auto _ : state) {
        const Result<RecognizedText> text = DecodingChild::readText(image, QStringLiteral("eng"), QStringLiteral("it"));
        if (!text || text->words.isEmpty()) state.SkipWithError("nothing read");
        benchmark::DoNotOptimize(text);
    }
}

void BM_RecognizeSettingsPage1080(benchmark::State& state) {
    recognise(state, TextPictures::settingsPage1080());
}
BENCHMARK(BM_RecognizeSettingsPage1080)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RecognizeCode5K(benchmark::State& state) {
    recognise(state, TextPictures::codeScreenshot5K());
}
BENCHMARK(BM_RecognizeCode5K)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

// Called by the bench main before Google Benchmark sees the arguments.
bool writeTextPictures(int argc, char** argv) {
    if (argc != 3 || QByteArray(argv[1]) != "--write-pictures") return false;
    const QDir dir(QString::fromLocal8Bit(argv[2]));
    QDir().mkpath(dir.path());
    TextPictures::settingsPage1080().save(dir.filePath(QStringLiteral("settings-1080.png")));
    TextPictures::codeScreenshot5K().save(dir.filePath(QStringLiteral("code-5k.png")));
    for (const TextPictures::Page& page : TextPictures::accuracySet()) {
        page.image.save(dir.filePath(page.name + QStringLiteral(".png")));
        QFile values(dir.filePath(page.name + QStringLiteral(".values")));
        if (values.open(QIODevice::WriteOnly)) values.write(page.values.join(QLatin1Char('\n')).toUtf8() + '\n');
    }
    return true;
}
