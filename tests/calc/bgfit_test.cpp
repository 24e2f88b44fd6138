// The spline background fit: knot placement, the parameter check, held and fitted knots, failures, copies, and the
// fit compared with the plain point-by-point transcription and with the true background of synthetic patterns.
#include "xrddata/calc/backgroundcalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fit_reference.h"
#include "support/support.h"
#include "xrddata/platform/window.h"

namespace {

class FitProbe : public CBackgroundCalculation {
public:
    using CBackgroundCalculation::CBackgroundCalculation;
    using CBackgroundCalculation::CheckParams;
    using CBackgroundCalculation::EvaluateCoefficients;
    using CBackgroundCalculation::m_dFitMax;
    using CBackgroundCalculation::m_dFitMin;
    using CBackgroundCalculation::m_dKnotDensity;
    using CBackgroundCalculation::m_dLength;
    using CBackgroundCalculation::m_dStiffness;
    using CBackgroundCalculation::m_nKnots;
    using CBackgroundCalculation::m_pKnotX;
    using CBackgroundCalculation::m_pKnotY;
    using CBackgroundCalculation::m_pKnotY2;
    using CBackgroundCalculation::Model;

    FitProbe(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& e = {})
        : CBackgroundCalculation(static_cast<int>(x.size()), x.data(), y.data(), e.empty() ? nullptr : e.data()) {}

    std::vector<double> KnotX() const { return {m_pKnotX, m_pKnotX + m_nKnots}; }
    std::vector<double> KnotY() const { return {m_pKnotY, m_pKnotY + m_nKnots}; }
    std::vector<double> KnotY2() const { return {m_pKnotY2, m_pKnotY2 + m_nKnots}; }
};

std::vector<double> Range(int n, double x0, double dx) {
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) v[i] = x0 + dx * i;
    return v;
}

// |a - b| within tol of the larger magnitude (or of scale, when that is larger).
::testing::AssertionResult CloseRel(double a, double b, double tol, double scale = 0.0) {
    const double ref = std::max({std::fabs(a), std::fabs(b), scale});
    if (std::fabs(a - b) <= tol * ref) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " vs " << b << " (relative " << std::fabs(a - b) / ref << ")";
}

// Fits with the library and the reference and compares knots and the background at every point.
void ExpectSameAsReference(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& e,
                           double L, double S, double a, double b) {
    FitProbe calc(x, y, e);
    calc.SetBackgroundParams(L, S, a, b);
    calc.Calculate();
    fit_reference::Knots ref = fit_reference::Fit(x, y, e, L, S, a, b);
    ASSERT_TRUE(ref.ok);
    ASSERT_EQ(calc.m_nKnots, static_cast<int>(ref.x.size()));
    double scale = 0.0;  // second derivatives are compared on the scale of their largest
    for (double v : ref.y2) scale = std::max(scale, std::fabs(v));
    for (int k = 0; k < calc.m_nKnots; ++k) {
        EXPECT_EQ(calc.m_pKnotX[k], ref.x[k]) << "knot " << k;
        EXPECT_TRUE(CloseRel(calc.m_pKnotY[k], ref.y[k], 1e-9)) << "knot " << k;
        EXPECT_TRUE(CloseRel(calc.m_pKnotY2[k], ref.y2[k], 1e-9, scale)) << "knot " << k;
    }
    for (size_t i = 0; i < x.size(); ++i) {
        if (!CloseRel(calc.SplineInterpolate(x[i]), ref.At(x[i]), 1e-9)) {
            ADD_FAILURE() << "background at x = " << x[i] << ": " << calc.SplineInterpolate(x[i]) << " vs "
                          << ref.At(x[i]);
            break;
        }
    }
}

}  // namespace

TEST(BackgroundFit, KnotsAndTheParameterCheck) {
    // x from 10 to 60, L = 5: 21 interior knots every 2.5, outer knots at 0 and 70.
    const std::vector<double> x = Range(501, 10.0, 0.1);
    std::vector<double> y(x.size());
    for (size_t i = 0; i < x.size(); ++i) y[i] = 50.0 + 2.0 * x[i];
    FitProbe c(x, y);
    EXPECT_EQ(c.m_dLength, 5.0);
    EXPECT_EQ(c.m_dStiffness, 1.0);
    EXPECT_EQ(c.m_dKnotDensity, 2.0);
    c.SetBackgroundParams(5.0, 1.0, 60.0, 10.0);  // ends in either order
    EXPECT_EQ(c.m_dFitMin, 10.0);
    EXPECT_EQ(c.m_dFitMax, 60.0);
    EXPECT_EQ(c.Calculate(), 0);
    ASSERT_EQ(c.m_nKnots, 23);
    std::vector<double> kx = c.KnotX();
    EXPECT_EQ(kx.front(), 0.0);
    EXPECT_EQ(kx.back(), 70.0);
    for (int k = 1; k <= 21; ++k) EXPECT_DOUBLE_EQ(kx[k], 10.0 + 2.5 * (k - 1));
    // A straight line is reproduced exactly (it has no curvature to penalise), beyond the data too.
    for (double v : {10.0, 12.3, 35.0, 59.99, 60.0}) EXPECT_NEAR(c.SplineInterpolate(v), 50.0 + 2.0 * v, 1e-8);
    for (double v : c.KnotY2()) EXPECT_NEAR(v, 0.0, 1e-9);

    // A short range still has three interior knots.
    FitProbe shortRange(Range(101, 10.0, 0.01), std::vector<double>(101, 7.0));
    shortRange.SetBackgroundParams(2.0, 1.0, 0.0, 100.0);
    shortRange.Calculate();
    ASSERT_EQ(shortRange.m_nKnots, 5);
    EXPECT_EQ(shortRange.KnotX(), (std::vector<double>{6.0, 10.0, 10.5, 11.0, 15.0}));
    EXPECT_NEAR(shortRange.SplineInterpolate(10.25), 7.0, 1e-10);

    // Sampling 0.5: a scale length of exactly ten steps is refused, a hair above accepted. A refused run keeps
    // the knots of the last good one; a run with fewer than two points is refused too.
    FitProbe edge(Range(21, 0.0, 0.5), std::vector<double>(21, 3.0));
    edge.SetBackgroundParams(5.0, 1.0, 0.0, 10.0);
    EXPECT_EQ(edge.CheckParams(), 0);
    edge.Calculate();
    EXPECT_EQ(edge.m_nKnots, 0);
    edge.SetBackgroundParams(std::nextafter(5.0, 6.0), 1.0, -4.0, 12.0);
    EXPECT_EQ(edge.CheckParams(), 1);
    EXPECT_EQ(edge.m_dFitMin, 0.0);  // clamped into the data
    EXPECT_EQ(edge.m_dFitMax, 10.0);
    edge.Calculate();
    EXPECT_EQ(edge.m_nKnots, 6);
    edge.SetBackgroundParams(5.0, 1.0, 0.0, 10.0);
    edge.Calculate();
    EXPECT_EQ(edge.m_nKnots, 6);
    edge.SetBackgroundParams(std::nan(""), 1.0, 0.0, 10.0);  // not a number: refused, not converted
    EXPECT_EQ(edge.CheckParams(), 0);
    const double one = 1.0;
    FitProbe single(1, &one, &one, nullptr);
    single.SetBackgroundParams(1e9, 1.0, 0.0, 2.0);
    EXPECT_EQ(single.CheckParams(), 0);
}

TEST(BackgroundFit, SplineMatrixAndModel) {
    // Knots from a pattern 0..8 with L = 8: knots at -16, 0, 4, 8, 24.
    FitProbe c(Range(81, 0.0, 0.1), std::vector<double>(81, 1.0));
    c.SetBackgroundParams(8.0, 1.0, 0.0, 8.0);
    c.Calculate();
    ASSERT_EQ(c.KnotX(), (std::vector<double>{-16.0, 0.0, 4.0, 8.0, 24.0}));
    WorkMatrix m(1, 5, 1, 5);
    c.EvaluateCoefficients(m.get());
    // Natural ends; a constant shift of all knots changes no second derivative; the spline matrix applied to the
    // knot values reproduces the natural spline's second derivatives of the numerical library.
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(m[1][j], 0.0);
    for (int p = 1; p <= 5; ++p) {
        double sum = 0.0;
        for (int j = 1; j <= 5; ++j) sum += m[p][j];
        EXPECT_NEAR(sum, 0.0, 1e-15);
    }
    double kx[] = {-16.0, 0.0, 4.0, 8.0, 24.0}, ky[] = {3.0, -1.0, 4.0, 1.0, 5.0}, y2[5];
    Spline(OneBased(kx), OneBased(ky), 5, 1e30, 1e30, OneBased(y2));
    for (int p = 1; p <= 5; ++p) {
        double sum = 0.0;
        for (int j = 1; j <= 5; ++j) sum += m[p][j] * ky[j - 1];
        EXPECT_NEAR(sum, y2[p - 1], 1e-14);
    }
    // Model: the basis values weight the knot values into the spline value at x; a point on a knot belongs to
    // the interval on its right.
    double basis[6];
    for (double v : {0.0, 1.3, 4.0, 7.9}) {
        c.Model(v, basis, m.get());
        double value = 0.0;
        for (int j = 1; j <= 5; ++j) value += basis[j] * ky[j - 1];
        double expected;
        SplineInterpolate(OneBased(kx), OneBased(ky), OneBased(y2), 5, v, &expected);
        EXPECT_NEAR(value, expected, 1e-13) << v;
    }
    c.Model(4.0, basis, m.get());
    EXPECT_EQ(basis[3], 1.0);
    EXPECT_EQ(basis[4], 0.0);
}

TEST(BackgroundFit, FitRangeHoldsTheKnotsOutsideIt) {
    fit_reference::Synthetic s = fit_reference::MakePattern(1001, 10.0, 0.05, {{30.0, 900.0, 0.3}}, 4);
    FitProbe c(s.x, s.y);
    c.SetBackgroundParams(5.0, 1.0, 20.0, 40.0);
    c.Calculate();
    ASSERT_EQ(c.m_nKnots, 23);
    CGraphData data(static_cast<int>(s.x.size()), s.x.data(), s.y.data(), nullptr);
    std::vector<double> kx = c.KnotX(), ky = c.KnotY();
    EXPECT_EQ(ky.front(), s.y.front());
    EXPECT_EQ(ky.back(), s.y.back());
    int moved = 0;
    for (int k = 1; k < 22; ++k) {
        if (kx[k] < 20.0 || kx[k] > 40.0)
            EXPECT_EQ(ky[k], data.Evaluate(kx[k])) << kx[k];
        else
            moved += ky[k] != data.Evaluate(kx[k]);
    }
    EXPECT_EQ(moved, 9);  // 20, 22.5, ..., 40
    ExpectSameAsReference(s.x, s.y, {}, 5.0, 1.0, 20.0, 40.0);
}

TEST(BackgroundFit, StiffnessSmoothsTheBackground) {
    fit_reference::Synthetic s = fit_reference::MakePattern(2001, 5.0, 0.05, {{40.0, 2000.0, 0.4}}, 7);
    auto roughness = [&](double S) {
        FitProbe c(s.x, s.y);
        c.SetBackgroundParams(2.0, S, 0.0, 1e9);
        c.Calculate();
        EXPECT_GT(c.m_nKnots, 0);
        double sum = 0.0;
        for (double v : c.KnotY2()) sum += v * v;
        return sum;
    };
    const double free = roughness(0.0), soft = roughness(1.0), stiff = roughness(30.0);
    EXPECT_GT(free, soft);
    EXPECT_GT(soft, stiff);
}

TEST(BackgroundFit, AgreesWithThePlainTranscription) {
    using fit_reference::MakePattern;
    // Peaks on a curved background, counting statistics.
    fit_reference::Synthetic a =
        MakePattern(2400, 5.0, 0.025, {{12.0, 3000.0, 0.2}, {20.5, 800.0, 0.3}, {33.0, 5000.0, 0.15}, {50.0, 400.0, 0.5}}, 1);
    ExpectSameAsReference(a.x, a.y, {}, 2.0, 1.0, 0.0, 100.0);
    // Unpenalised, and very stiff.
    ExpectSameAsReference(a.x, a.y, {}, 2.0, 0.0, 0.0, 100.0);
    ExpectSameAsReference(a.x, a.y, {}, 3.0, 25.0, 0.0, 100.0);
    // Custom errors (twice the counting error), uneven spacing, fit range inside the data.
    fit_reference::Synthetic b = MakePattern(1500, 20.0, 0.03, {{30.0, 1500.0, 0.25}, {52.0, 700.0, 0.2}}, 2, 50.0);
    std::vector<double> e(b.x.size());
    for (size_t i = 0; i < b.x.size(); ++i) {
        b.x[i] += 0.01 * std::sin(i * 0.7);
        e[i] = 2.0 * std::sqrt(b.y[i] + 1.0);
    }
    ExpectSameAsReference(b.x, b.y, e, 1.5, 2.0, 0.0, 1e9);
    ExpectSameAsReference(b.x, b.y, e, 1.5, 2.0, 27.0, 48.0);
    // Counts below -1 give no sigma in the later passes, so those points leave the fit.
    fit_reference::Synthetic c = MakePattern(800, 10.0, 0.05, {{25.0, 600.0, 0.3}}, 3, 20.0);
    for (size_t i = 0; i < c.y.size(); i += 37) c.y[i] = -5.0;
    ExpectSameAsReference(c.x, c.y, {}, 1.0, 1.0, 0.0, 1e9);
}

TEST(BackgroundFit, FollowsTheTrueBackgroundAwayFromPeaks) {
    std::vector<fit_reference::Peak> peaks;
    for (double c = 8.0; c < 100.0; c += 6.5) peaks.push_back({c, 3000.0 * (1.0 + std::sin(c)), 0.15 + c / 500.0});
    for (unsigned seed : {11u, 12u, 13u}) {
        fit_reference::Synthetic s = fit_reference::MakePattern(4750, 5.0, 0.02, peaks, seed);
        FitProbe c(s.x, s.y);
        c.SetBackgroundParams(1.5, 1.0, 0.0, 1e9);
        c.Calculate();
        ASSERT_GT(c.m_nKnots, 0);
        int checked = 0;
        double worst = 0.0;
        for (size_t i = 0; i < s.x.size(); ++i) {
            bool nearPeak = false;
            for (const auto& p : peaks) nearPeak = nearPeak || std::fabs(s.x[i] - p.centre) < 4.0 * p.fwhm;
            if (nearPeak) continue;
            ++checked;
            const double sigma = std::sqrt(s.background[i]);
            worst = std::max(worst, std::fabs(c.SplineInterpolate(s.x[i]) - s.background[i]) / sigma);
        }
        EXPECT_GT(checked, 3000);
        EXPECT_LT(worst, 3.0) << "seed " << seed;
    }
}

TEST(BackgroundFit, FailuresLeaveNoKnotsAndNoMessage) {
    testing_support::RecordingUi ui;
    HWND w = xrddata::platform::CreateNoticeWindow();
    // All points at one x: the knots coincide and the spline system is singular.
    FitProbe c(std::vector<double>(5, 10.0), {1.0, 2.0, 3.0, 4.0, 5.0});
    c.SetThreadInfo(nullptr, w, 1, 2, 3);
    c.SetBackgroundParams(1.0, 1.0, 0.0, 20.0);
    EXPECT_EQ(c.Calculate(), 0);
    EXPECT_EQ(c.m_nKnots, 0);
    EXPECT_EQ(c.m_pKnotX, nullptr);
    EXPECT_TRUE(ui.messages.empty());
    // Begin, 0, 100 and end: the end notice comes after a failure too.
    std::vector<UINT> seen;
    MSG m;
    while (PeekMessage(&m, w, 0, 0, PM_REMOVE)) seen.push_back(m.message * 1000 + static_cast<UINT>(m.wParam));
    EXPECT_EQ(seen, (std::vector<UINT>{1000, 2000, 2100, 3000}));
    EXPECT_EQ(c.SplineInterpolate(10.0), 0.0);
    DestroyWindow(w);
}

TEST(BackgroundFit, CopiesOwnTheirKnots) {
    fit_reference::Synthetic s = fit_reference::MakePattern(500, 10.0, 0.1, {{30.0, 500.0, 0.5}}, 5);
    auto* original = new FitProbe(s.x, s.y);
    original->SetBackgroundParams(4.0, 1.0, 0.0, 100.0);
    original->Calculate();
    ASSERT_GT(original->m_nKnots, 0);
    const std::vector<double> knots = original->KnotY();
    const double at = original->SplineInterpolate(31.0);
    FitProbe copy(*original);
    FitProbe assigned(std::vector<double>{1.0, 2.0}, std::vector<double>{1.0, 1.0});
    assigned = *original;
    EXPECT_NE(copy.m_pKnotX, original->m_pKnotX);
    EXPECT_NE(assigned.m_pKnotY, original->m_pKnotY);
    delete original;
    EXPECT_EQ(copy.KnotY(), knots);
    EXPECT_EQ(assigned.KnotY(), knots);
    EXPECT_EQ(copy.SplineInterpolate(31.0), at);
    EXPECT_EQ(copy.m_dLength, 4.0);
    EXPECT_EQ(assigned.m_dFitMax, s.x.back());
}

TEST(BackgroundFit, RefusalsGiveTheirReasonAndKeepTheKnots) {
    FitProbe c(Range(201, 10.0, 0.1), std::vector<double>(201, 40.0));
    EXPECT_EQ(c.GetRefusal(), nullptr);
    c.SetBackgroundParams(2.0, 1.0, 10.0, 30.0);
    c.Calculate();
    ASSERT_GT(c.m_nKnots, 0);
    EXPECT_EQ(c.GetRefusal(), nullptr);
    const std::vector<double> knots = c.KnotY();
    // Ten steps are 1.0: a length of 1.0 is refused, and so is one that is not a number.
    for (double L : {1.0, std::nan("")}) {
        c.SetBackgroundParams(L, 1.0, 10.0, 30.0);
        c.Calculate();
        ASSERT_NE(c.GetRefusal(), nullptr);
        EXPECT_NE(std::string(c.GetRefusal()).find("ten sampling steps"), std::string::npos);
        EXPECT_EQ(c.KnotY(), knots);
    }
    // More interior knots than points cannot be determined by the points: refused before anything is sized from
    // the count, however large it is.
    for (double density : {25.0, 1e300}) {
        c.m_dKnotDensity = density;
        c.SetBackgroundParams(2.0, 1.0, 10.0, 30.0);
        c.Calculate();
        ASSERT_NE(c.GetRefusal(), nullptr) << density;
        EXPECT_NE(std::string(c.GetRefusal()).find("more knots than the data have points"), std::string::npos);
        EXPECT_EQ(c.KnotY(), knots);
    }
    c.m_dKnotDensity = 9.0;  // 91 interior knots for 201 points
    c.Calculate();
    EXPECT_EQ(c.GetRefusal(), nullptr);
    EXPECT_EQ(c.m_nKnots, 93);
    FitProbe one(Range(1, 10.0, 0.1), {5.0});
    one.Calculate();
    ASSERT_NE(one.GetRefusal(), nullptr);
    EXPECT_NE(std::string(one.GetRefusal()).find("two points"), std::string::npos);
}

TEST(BackgroundFit, TensOfThousandsOfKnotsNeedNoSquareMatrix) {
    // 300 000 points and a scale length of eleven steps: 54 548 knots, whose K×K matrix (24 GB) the fit must
    // never form. The background of a flat pattern is flat.
    const int n = 300000;
    std::vector<double> x = Range(n, 5.0, 0.001), y(n);
    for (int i = 0; i < n; ++i) y[i] = 100.0 + 0.5 * x[i];
    FitProbe c(x, y);
    c.SetBackgroundParams(0.011, 1.0, x.front(), x.back());
    c.Calculate();
    ASSERT_EQ(c.m_nKnots, 54548);
    for (double v : {5.0, 17.3, 150.0, 304.99}) EXPECT_NEAR(c.SplineInterpolate(v), 100.0 + 0.5 * v, 1e-6) << v;
}
