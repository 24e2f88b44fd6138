// The tool's output paths on a long scan: the .xye text of 100 000 points and the SVG plot of them (thinned to
// four points per pixel column).
#include <benchmark/benchmark.h>

#include <cmath>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/arrays/pointfile.h"
#include "plot/patternplot.h"

namespace {

CGraphData Scan(int n) {
    CGraphData g(0);
    g.SetSize(n);
    for (int i = 0; i < n; ++i) {
        const double x = 5.0 + 0.001 * i;
        g.SetAt(CGraphData::X, i, x);
        g.SetAt(CGraphData::Y, i, 200.0 + 5000.0 * std::exp(-std::pow(std::fmod(x, 7.0) - 3.5, 2) / 0.002));
    }
    return g;
}

void BM_XyeText(benchmark::State& state) {
    CGraphData g = Scan(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(XyeText(g));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_XyeText)->Arg(100000);

void BM_PlotSvg(benchmark::State& state) {
    CGraphData g = Scan(static_cast<int>(state.range(0)));
    const std::vector<PlotSeries> series{SeriesFrom("scan", g)};
    for (auto _ : state) benchmark::DoNotOptimize(RenderPlotSvg(series, PlotOptions()));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PlotSvg)->Arg(100000);

}  // namespace
