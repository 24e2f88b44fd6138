// Background fit on a large pattern: CalculateBackground on 100 000 points (5 to 105 degrees, step 0.001) with a
// scale length of 0.5 degrees, about 400 knots; and the bare fit of a calculation for several knot counts, with
// the banded solve the library uses and, beside it, the dense normal equations it used before (the K×K spline
// matrix and Gauss-Jordan, SplineFit), so that one run gives both figures.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common.h"
#include "xrddata/calc/backgroundcalc.h"
#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/workvector.h"
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

// The fit as it ran before the banded solve: FitBackground with the dense spline matrix and SplineFit.
class DenseFit : public CBackgroundCalculation {
public:
    using CBackgroundCalculation::CBackgroundCalculation;

    void Run() {
        if (!CheckParams()) return;
        DestroySpline();
        const int n = GetSize();
        const double* x = m_X.GetData();
        const double* y = m_Y.GetData();
        const double L = m_dLength, range = x[n - 1] - x[0];
        const int K = std::max(static_cast<int>(std::trunc(range / L * m_dKnotDensity) + 1.0), 3) + 2;
        m_pKnotX = new double[K];
        m_pKnotY = new double[K];
        m_pKnotY2 = new double[K];
        m_nKnots = K;
        double* X = m_pKnotX - 1;
        double* Y = m_pKnotY - 1;
        WorkVector<int> fitted(1, K);
        for (int k = 2; k <= K - 1; ++k) {
            X[k] = range * (k - 2) / (K - 3) + x[0];
            Y[k] = Evaluate(X[k]);
            fitted[k] = (m_dFitMin <= X[k] && X[k] <= m_dFitMax) ? 1 : 0;
        }
        X[1] = x[0] - 2.0 * L;
        Y[1] = y[0];
        fitted[1] = m_dFitMin == x[0] ? 1 : 0;
        X[K] = x[n - 1] + 2.0 * L;
        Y[K] = y[n - 1];
        fitted[K] = m_dFitMax == x[n - 1] ? 1 : 0;
        WorkMatrix spline(1, K, 1, K);
        EvaluateCoefficients(spline.get());
        Update(spline.get());
        WorkVector<double> yFit(1, n), sigma(1, n);
        WorkVector<int> inUse(1, n);
        for (int i = 1; i <= n; ++i) {
            yFit[i] = y[i - 1];
            sigma[i] = y[i - 1] + 1.0;
            inUse[i] = 1;
        }
        SplineFit(yFit.get(), sigma.get(), n, fitted.get(), inUse.get(), spline.get());
        Update(spline.get());
        for (int i = 1; i <= n; ++i) sigma[i] = std::sqrt(y[i - 1] + 1.0);
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 1; i <= n; ++i) {
                if (inUse[i] && !(y[i - 1] - SplineInterpolate(x[i - 1]) <= 2.0 * sigma[i])) {
                    inUse[i] = 0;
                    yFit[i] = 0.0;
                }
            }
            SplineFit(yFit.get(), sigma.get(), n, fitted.get(), inUse.get(), spline.get());
            Update(spline.get());
        }
    }

private:
    void Update(double** spline) {
        for (int p = 1; p <= m_nKnots; ++p) {
            double s = 0.0;
            for (int j = 1; j <= m_nKnots; ++j) s += spline[p][j] * m_pKnotY[j - 1];
            m_pKnotY2[p - 1] = s;
        }
    }
};

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

// The fit alone, 100 000 points, scale length chosen for the knot count given; fit runs one fit of calc.
template <class Fit, class Run>
void FitKnots(benchmark::State& state, Run fit) {
    Sandbox box;
    std::vector<double> x, y;
    MakePattern(100000, 5.0, 0.001, x, y);
    const double range = x.back() - x.front();
    const double length = 2.0 * range / static_cast<double>(state.range(0));
    Fit calc(static_cast<int>(x.size()), x.data(), y.data(), nullptr);
    for (auto _ : state) {
        calc.SetBackgroundParams(length, 1.0, x.front(), x.back());
        fit(calc);
        benchmark::DoNotOptimize(calc.SplineInterpolate(50.0));
    }
}

void BM_FitKnots(benchmark::State& state) {
    FitKnots<CBackgroundCalculation>(state, [](CBackgroundCalculation& calc) { calc.Calculate(); });
}
BENCHMARK(BM_FitKnots)->Arg(100)->Arg(400)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_FitKnotsDenseBefore(benchmark::State& state) {
    FitKnots<DenseFit>(state, [](DenseFit& calc) { calc.Run(); });
}
BENCHMARK(BM_FitKnotsDenseBefore)->Arg(100)->Arg(400)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
