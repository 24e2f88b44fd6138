// Speed of the numerical routines: Savitzky-Golay coefficients, Gauss-Jordan elimination, cubic splines over a
// million points and the root search of the spline point set.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/cspline.h"
#include "xrddata/numeric/gaussjordan.h"
#include "xrddata/numeric/savgol.h"
#include "xrddata/numeric/spline.h"

static void BM_SavitkyGolay(benchmark::State& state) {
    const int half = static_cast<int>(state.range(0)), np = 2 * half + 1;
    std::vector<double> c(np);
    for (auto _ : state) {
        SavitkyGolay(OneBased(c.data()), np, half, half, 0, 4);
        benchmark::DoNotOptimize(c.data());
    }
}
BENCHMARK(BM_SavitkyGolay)->Arg(2)->Arg(25)->Arg(250);

// Includes copying the n×n matrix back before each solve (order n², against n³ for the elimination).
static void BM_GaussJordan(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1, 1);
    double** a0 = dmatrix(1, n, 1, n);
    double** a = dmatrix(1, n, 1, n);
    double** b = dmatrix(1, n, 1, 1);
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) a0[r][c] = u(rng) + (r == c ? n : 0);
    for (auto _ : state) {
        for (int r = 1; r <= n; ++r) {
            for (int c = 1; c <= n; ++c) a[r][c] = a0[r][c];
            b[r][1] = 1.0;
        }
        GaussJordan(a, n, b, 1);
        benchmark::DoNotOptimize(b[1][1]);
    }
    free_dmatrix(a0, 1, n, 1, n);
    free_dmatrix(a, 1, n, 1, n);
    free_dmatrix(b, 1, n, 1, 1);
}
BENCHMARK(BM_GaussJordan)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

namespace {
struct Knots {
    explicit Knots(int n) : x(n), y(n), y2(n), at(n) {
        std::mt19937 rng(2);
        std::uniform_real_distribution<double> u(0, 1);
        double t = 10.0;
        for (int i = 0; i < n; ++i) {
            x[i] = t;
            y[i] = 1000 + 200 * std::sin(t * 3) + 50 * u(rng);
            t += 0.01 + 0.01 * u(rng);
        }
        for (int i = 0; i < n; ++i) at[i] = x.front() + (x.back() - x.front()) * u(rng);
    }
    std::vector<double> x, y, y2, at;
};
}  // namespace

static void BM_Spline(benchmark::State& state) {
    Knots k(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Spline(OneBased(k.x.data()), OneBased(k.y.data()), int(k.x.size()), 1e30, 1e30, OneBased(k.y2.data()));
        benchmark::DoNotOptimize(k.y2.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Spline)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A million evaluations at random places of a million-point spline.
static void BM_SplineInterpolate(benchmark::State& state) {
    Knots k(static_cast<int>(state.range(0)));
    const int n = int(k.x.size());
    Spline(OneBased(k.x.data()), OneBased(k.y.data()), n, 1e30, 1e30, OneBased(k.y2.data()));
    for (auto _ : state) {
        double sum = 0, v;
        for (double t : k.at) {
            SplineInterpolate(OneBased(k.x.data()), OneBased(k.y.data()), OneBased(k.y2.data()), n, t, &v);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SplineInterpolate)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Root searches upward from random starts over a 10 000-point oscillating spline.
static void BM_CSplineFindRoot(benchmark::State& state) {
    const int n = 10000;
    CSpline s;
    for (int i = 0; i < n; ++i) s.Add(0.01 * i, std::sin(0.01 * i * 0.7) + 0.1, 0.0, 0);
    s.Sort();
    s.Spline(1e30, 1e30);
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(0, 0.01 * (n - 1));
    std::vector<double> starts(1024);
    for (double& t : starts) t = u(rng);
    size_t j = 0;
    for (auto _ : state) {
        double r = 0;
        benchmark::DoNotOptimize(s.FindRoot(starts[j++ & 1023], 1, &r));
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_CSplineFindRoot);
