// Cost of publishing a pattern-sized column to another process and reading it back, and of the VARIANT copy
// handed to display controls.
#include <benchmark/benchmark.h>

#include "xrddata/arrays/dblarray.h"

namespace {

CdblArray Column(int n) {
    CdblArray a;
    a.SetSize(n, -1);
    for (int i = 0; i < n; ++i) a[i] = 10.0 + 0.01 * i;
    return a;
}

// Refreshes of a shared column in the given direction.
void ShareRefresh(benchmark::State& state, CdblArray::ShareDirection dir) {
    CdblArray a = Column(static_cast<int>(state.range(0)));
    a.Share();
    for (auto _ : state) a.ShareRefresh(dir);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ShareRefreshToShared(benchmark::State& state) { ShareRefresh(state, CdblArray::ToShared); }
BENCHMARK(BM_ShareRefreshToShared)->Arg(10000)->Arg(1000000);

void BM_ShareRefreshFromShared(benchmark::State& state) { ShareRefresh(state, CdblArray::FromShared); }
BENCHMARK(BM_ShareRefreshFromShared)->Arg(10000)->Arg(1000000);

// A new block every time: creation, page reservation, mapping, copy and release of the name.
void BM_ShareAndEnd(benchmark::State& state) {
    CdblArray a = Column(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        a.Share();
        a.ShareEnd();
    }
}
BENCHMARK(BM_ShareAndEnd)->Arg(10000);

void BM_GetSafeArray(benchmark::State& state) {
    CdblArray a = Column(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        VARIANT v = a.GetSafeArray();
        benchmark::DoNotOptimize(v.parray);
        VariantClear(&v);
    }
}
BENCHMARK(BM_GetSafeArray)->Arg(10000);

}  // namespace
