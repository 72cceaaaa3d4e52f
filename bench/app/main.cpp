#include "bench/app/app_bench_support.h"

int main(int argc, char** argv) { return quillon::bench::runBenchmarks<QCoreApplication>(argc, argv); }
