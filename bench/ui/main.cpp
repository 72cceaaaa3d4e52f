#include "bench/ui/ui_bench_support.h"

QUILLON_UI_BENCHMARK_MAIN()
