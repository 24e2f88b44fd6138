// Background fit on a large pattern: CalculateBackground on 100 000 points (5 to 105 degrees, step 0.001) with a
// scale length of 0.5 degrees, about 400 knots; and the bare fit of a calculation for several knot counts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common.h"
#include "xrddata/calc/backgroundcalc.h"
#include "xrddata/pattern/xrddata.h"

namespace {

using bench_support::Sandbox;

// Peaks every few degrees on a slowly varying background, counts with counting-statistics noise.
void MakePattern(int n, double x0, double dx, std::vector<double>& x, std::vector<double>& y) {
    std::mt19937 rng(42);
    x.resize(n);
    y.resize(n);
    for (int i = 0; i < n; ++i) {
        const double t = x0 + dx * i;
        double mean = 300.0 + 150.0 * std::exp(-(t - x0) / 20.0) + 30.0 * std::sin(t / 9.0);
        for (double c = x0 + 3.0; c < x0 + n * dx; c += 4.7) mean += 2000.0 * std::exp(-0.5 * (t - c) * (t - c) / 0.01);
        std::normal_distribution<double> noise(mean, std::sqrt(mean));
        x[i] = t;
        y[i] = std::max(0.0, std::round(noise(rng)));
    }
}

void BM_CalculateBackground(benchmark::State& state) {
    Sandbox box;
    std::vector<double> x, y;
    MakePattern(100000, 5.0, 0.001, x, y);
    CXRDData d(static_cast<int>(x.size()), x.data(), y.data(), nullptr);
    d.m_dBackgroundLength = 0.5;
    d.m_dBackgroundScale = 1.0;
    for (auto _ : state) {
        d.CalculateBackground(nullptr, nullptr, 0, 0, 0);
        benchmark::DoNotOptimize(d.m_Background.GetAt(CGraphData::Y, 500));
    }
    state.counters["knots"] = d.m_Background.m_Knots.GetSize();
    state.counters["points"] = d.GetSize();
}
BENCHMARK(BM_CalculateBackground)->Unit(benchmark::kMillisecond);

// The fit alone, 100 000 points, scale length chosen for the knot count given.
void BM_FitKnots(benchmark::State& state) {
    Sandbox box;
    std::vector<double> x, y;
    MakePattern(100000, 5.0, 0.001, x, y);
    const double range = x.back() - x.front();
    const double length = 2.0 * range / static_cast<double>(state.range(0));
    CBackgroundCalculation calc(static_cast<int>(x.size()), x.data(), y.data(), nullptr);
    for (auto _ : state) {
        calc.SetBackgroundParams(length, 1.0, x.front(), x.back());
        calc.Calculate();
        benchmark::DoNotOptimize(calc.SplineInterpolate(50.0));
    }
}
BENCHMARK(BM_FitKnots)->Arg(100)->Arg(400)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
