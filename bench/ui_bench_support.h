#pragma once
// A main for the screen benchmarks: a QApplication, offscreen unless a display is asked for.

#include <QApplication>

#include "bench/app_bench_support.h"

#define QUILLON_UI_BENCHMARK_MAIN()                                                      \
    int main(int argc, char** argv) {                                                    \
        quillon::ignoreSigpipe();                                                        \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
        QApplication app(argc, argv);                                                    \
        ::benchmark::Initialize(&argc, argv);                                            \
        if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;              \
        ::benchmark::RunSpecifiedBenchmarks();                                           \
        ::benchmark::Shutdown();                                                         \
        return 0;                                                                        \
    }
