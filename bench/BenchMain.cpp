#include "BenchSupport.h"
#include <benchmark/benchmark.h>

#include <QGuiApplication>

int main(int argc, char** argv)
{
    // Previews are QPixmaps, which need a GUI application; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Bench::silenceQtMessages();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
