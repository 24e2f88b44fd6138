// Date-time text: parsing the forms found in instrument file headers and formatting for display. Each call looks
// up the user's locale afresh (the environment may change between calls).
#include <benchmark/benchmark.h>

#include "xrddata/platform/datetime.h"

static void BM_ParseMonthName(benchmark::State& state) {
    COleDateTime t;
    for (auto _ : state) benchmark::DoNotOptimize(t.ParseDateTime("27-Apr-1994 13:36:30"));
}
BENCHMARK(BM_ParseMonthName);

static void BM_ParseNumeric(benchmark::State& state) {
    COleDateTime t;
    for (auto _ : state) benchmark::DoNotOptimize(t.ParseDateTime("03/04/10 20:59:14"));
}
BENCHMARK(BM_ParseNumeric);

static void BM_Format(benchmark::State& state) {
    COleDateTime t(2004, 3, 25, 14, 22, 5);
    for (auto _ : state) benchmark::DoNotOptimize(t.Format());
}
BENCHMARK(BM_Format);
