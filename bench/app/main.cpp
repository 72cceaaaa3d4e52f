#include "bench/app/app_bench_support.h"

QUILLON_APP_BENCHMARK_MAIN()
