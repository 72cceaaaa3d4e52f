#include "bench/ui/ui_bench_support.h"

// Offscreen unless a display is asked for.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return quillon::bench::runBenchmarks<QApplication>(argc, argv);
}
