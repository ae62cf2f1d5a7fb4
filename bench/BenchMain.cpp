// Shared main of the benchmarks: the offscreen platform (fonts and widgets need an application object) and a
// private settings folder, then Google Benchmark as usual.
#include "io/DecodingChild.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#ifdef PICTAVO_TEXT_PICTURES
bool writeTextPictures(int argc, char** argv);
#endif

int main(int argc, char** argv) {
    DecodingChild::serveIfAsked(argc, argv);
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", home.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#ifdef PICTAVO_TEXT_PICTURES
    if (writeTextPictures(argc, argv)) return 0;
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
