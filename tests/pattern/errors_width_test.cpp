// Feature-width detection: the filters on moving windows against the plain Savitzky-Golay filters, the detection
// against a plain transcription of its loops, the width found on synthetic powder patterns, and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/registry_sandbox.h"
#include "support/support.h"
#include "support/synthetic.h"
#include "xrddata/numeric/scalar.h"
#include "xrddata/numeric/sgfilter.h"
#include "xrddata/pattern/sgwindow.h"
#include "xrddata/pattern/xrddata.h"

namespace {

using testing_support::MakeSynthetic;
using testing_support::SyntheticPattern;

class WidthProbe : public CXRDData {
public:
    using CXRDData::CXRDData;
    using CXRDData::WidthCorr;
};

// One trial score, written out loop by loop: a plain filter evaluation per point, the point set's interpolation.
double ReferenceWidthCorr(CGraphData& pattern, CGraphData& smooth, CGraphData& deriv, double w, double s, int n) {
    const int m = static_cast<int>((w + s) / s);
    if (m <= 0 || m >= n - 1) return 0.0;
    const int order = m == 1 ? 2 : 4;
    CSGFilter f0(m, m, order, 0), f1(m, m, order, 1);
    const double g0 = f0.GetNormalisation(s), g1 = f1.GetNormalisation(s);
    double *x, *y, *e;
    int nn;
    pattern.GetDataRef(x, y, e, nn);
    for (int j = m; j <= n - m - 3; ++j) {
        smooth.SetAt(CGraphData::Y, j, f0.Evaluate(y, j, n) / g0);
        deriv.SetAt(CGraphData::Y, j, f1.Evaluate(y, j, n) / g1);
    }
    double sAD = 0.0, sAA = 0.0;
    for (int j = m + 1; j <= n - 1; ++j) {
        const double a = smooth.GetAt(CGraphData::Y, j);
        const double b = deriv.Evaluate(x[j] - w);
        sAD = sAD + a * b * s;
        sAA = sAA + a * a * s;
    }
    const double q = sAA / (n * s);
    if (q == 0.0) return 0.0;
    return sAD / q;
}

double ReferenceDetect(CGraphData& pattern, double dMaxWidth, int bTruncate) {
    const int n = pattern.GetSize();
    if (n < 2) return -1.0;
    const double xmin = pattern.GetMinX(), xmax = pattern.GetMaxX(), s = pattern.GetSampling();
    CGraphData smooth(pattern), deriv(pattern);
    double result = Maximum(s, 0.1);
    const double wmax = Minimum(dMaxWidth, 0.5 * (xmax - xmin));
    const double dw = Maximum(0.01, 0.5 * s);
    double w = dw, best = 0.0;
    for (;;) {
        const double c = ReferenceWidthCorr(pattern, smooth, deriv, w, s, n);
        if (c > best) {
            best = c;
            result = 1.5 * w;
        }
        w = w + dw;
        if (w > wmax || c < 0.5 * best) break;
    }
    if (bTruncate) result = TruncateToPrecision(result, 0.001);
    return result;
}

// Every trial score of the library against the reference's, on copies that both carry from trial to trial.
void ExpectSameScores(WidthProbe& d, double dMaxWidth) {
    const int n = d.GetSize();
    const double s = d.GetSampling();
    CGraphData s1(d), d1(d), s2(d), d2(d);
    const double wmax = Minimum(dMaxWidth, 0.5 * (d.GetMaxX() - d.GetMinX()));
    const double dw = Maximum(0.01, 0.5 * s);
    for (double w = dw; w <= wmax; w += dw) {
        const double fast = d.WidthCorr(s1, d1, w, s, n);
        const double ref = ReferenceWidthCorr(d, s2, d2, w, s, n);
        ASSERT_NEAR(fast, ref, 1e-9 * std::fabs(ref) + 1e-300) << "w=" << w;
    }
}

CXRDData FromSynthetic(const SyntheticPattern& p) {
    CXRDData d;
    MakeSynthetic(p).AssignTo(d);
    return d;
}

}  // namespace

TEST(WindowFilter, MatchesThePlainFilters) {
    // Coefficients of every offset, smoothing and first derivative, across window lengths.
    for (int m : {1, 2, 3, 17, 60, 400, 3000}) {
        for (int order : {2, 4}) {
            if (order > 2 * m) continue;
            CSGWindowFilter w(m, order);
            ASSERT_TRUE(w.IsValid());
            for (int ld : {0, 1}) {
                CSGFilter f(m, m, order, ld);
                double big = 0.0;
                for (int k = -m; k <= m; ++k) big = std::max(big, std::fabs(f.m_pCoef[k]));
                for (int k = -m; k <= m; ++k)
                    ASSERT_NEAR(w.Coefficient(ld, k), f.m_pCoef[k], 1e-9 * big) << m << " " << order << " " << ld;
            }
        }
    }
    // Filtered values over a whole column, ends clamped like CSGFilter::Evaluate, with a window longer than a
    // block of carried moments so that the restart is crossed.
    std::vector<double> data(1 + 1500);
    for (int i = 1; i <= 1500; ++i) data[i] = 100.0 + 5000.0 * std::exp(-std::pow((i - 700.0) / 40.0, 2)) + (i % 7);
    for (int m : {2, 25, 140}) {
        CSGWindowFilter w(m, 4);
        CSGFilter f0(m, m, 4, 0), f1(m, m, 4, 1);
        std::vector<double> out0(1501, -1.0), out1(1501, -1.0);
        w.Apply(data.data(), 1500, 1, 1500, out0.data(), 1.0, out1.data(), 0.5);
        for (int i = 1; i <= 1500; ++i) {
            ASSERT_NEAR(out0[i], f0.Evaluate(data.data(), i, 1500), 1e-9 * 5000) << m << " " << i;
            ASSERT_NEAR(out1[i], f1.Evaluate(data.data(), i, 1500) / 0.5, 1e-9 * 500) << m << " " << i;
        }
    }
    // What the plain filter cannot evaluate gives 0.0.
    CSGWindowFilter bad(0, 2), tooHigh(1, 3);
    EXPECT_FALSE(bad.IsValid());
    EXPECT_FALSE(tooHigh.IsValid());
    EXPECT_EQ(bad.Coefficient(0, 0), 0.0);
    std::vector<double> out(5, -1.0);
    CSGWindowFilter ok(1, 2);
    ok.Apply(data.data(), 3, 0, 4, out.data(), 1.0, nullptr, 1.0);
    EXPECT_EQ(out[0], 0.0);
    EXPECT_EQ(out[4], 0.0);
    EXPECT_NE(out[2], 0.0);
    bad.Apply(data.data(), 3, 1, 3, out.data(), 1.0, nullptr, 1.0);
    EXPECT_EQ(out[2], 0.0);
    ok.Apply(nullptr, 3, 1, 3, out.data(), 1.0, nullptr, 1.0);
    EXPECT_EQ(out[1], 0.0);
}

TEST(WidthDetection, AgreesWithThePlainLoops) {
    testing_support::RegistrySandbox box;
    CRadiation cu;
    std::vector<SyntheticPattern> patterns;
    {
        SyntheticPattern p;  // sharp doublets on a falling background, counting noise
        p.xFirst = 10.0, p.xLast = 60.0, p.step = 0.02;
        p.peaks = {{15.3, 3000, 0.08}, {26.6, 9000, 0.1, 0.3}, {36.5, 1500, 0.12}, {50.1, 2500, 0.15, 0.5}};
        p.background = {400.0, -4.0};
        p.radiation = &cu;
        p.noiseSeed = 11;
        patterns.push_back(p);
    }
    {
        SyntheticPattern p;  // broad peaks, fine step: windows far beyond the plain-filter limit
        p.xFirst = 5.0, p.xLast = 35.0, p.step = 0.02;
        p.peaks = {{12.0, 800, 0.9}, {22.0, 1200, 1.4}};
        p.background = {100.0};
        p.noiseSeed = 3;
        patterns.push_back(p);
    }
    {
        SyntheticPattern p;  // a smooth ramp without peaks: every trial width up to the limit runs
        p.xFirst = 10.0, p.xLast = 60.0, p.step = 0.05;
        p.background = {50.0, 3.0, 0.02};
        patterns.push_back(p);
    }
    {
        SyntheticPattern p;  // noise alone
        p.xFirst = 20.0, p.xLast = 40.0, p.step = 0.01;
        p.background = {200.0};
        p.noiseSeed = 5;
        patterns.push_back(p);
    }
    for (size_t k = 0; k < patterns.size(); ++k) {
        SCOPED_TRACE(k);
        WidthProbe d;
        MakeSynthetic(patterns[k]).AssignTo(d);
        const double fast = d.DetectFeatureWidth(5.0, 0);
        const double ref = ReferenceDetect(d, 5.0, 0);
        EXPECT_NEAR(fast, ref, 1e-9 * ref);
        EXPECT_EQ(d.DetectFeatureWidth(5.0, 1), TruncateToPrecision(ref, 0.001));
        ExpectSameScores(d, 2.0);
    }

    // Unevenly spaced angles (the filters still take the mean step) and a duplicated angle.
    std::vector<double> x, y;
    for (int i = 0; i < 1200; ++i) {
        x.push_back(10.0 + 0.02 * i + 0.006 * std::sin(i * 1.7));
        y.push_back(100.0 + 4000.0 * std::exp(-std::pow((x.back() - 20.0) / 0.2, 2)) +
                    900.0 * std::exp(-std::pow((x.back() - 27.0) / 0.5, 2)));
    }
    x[600] = x[601];
    WidthProbe uneven(static_cast<int>(x.size()), x.data(), y.data(), nullptr);
    EXPECT_NEAR(uneven.DetectFeatureWidth(3.0, 0), ReferenceDetect(uneven, 3.0, 0), 1e-9);
    ExpectSameScores(uneven, 1.5);
}

TEST(WidthDetection, FindsThePeakWidthOfSyntheticPatterns) {
    testing_support::RegistrySandbox box;
    CRadiation cu;
    for (double fwhm : {0.08, 0.15, 0.3}) {
        for (double eta : {0.0, 0.5}) {
            SyntheticPattern p;
            p.xFirst = 10.0, p.xLast = 80.0, p.step = 0.01;
            p.peaks = {{18.0, 2000, fwhm, eta}, {29.4, 5000, fwhm, eta}, {41.2, 1500, fwhm, eta},
                       {55.7, 3000, fwhm, eta}, {68.3, 1000, fwhm, eta}};
            p.background = {300.0, -2.0};
            p.radiation = &cu;
            p.noiseSeed = 7;
            CXRDData d = FromSynthetic(p);
            const double w = d.DetectFeatureWidth(5.0, 0);
            EXPECT_GT(w, 0.6 * fwhm) << fwhm << " " << eta;
            EXPECT_LT(w, 1.6 * fwhm) << fwhm << " " << eta;
        }
    }
}

TEST(WidthDetection, Limits) {
    testing_support::RegistrySandbox box;
    {
        testing_support::RecordingUi ui;
        CXRDData empty;
        EXPECT_EQ(empty.DetectFeatureWidth(5.0, 0), -1.0);
        const double x = 10.0, y = 5.0;
        CXRDData one(1, &x, &y, nullptr);
        EXPECT_EQ(one.DetectFeatureWidth(5.0, 0), -1.0);
        EXPECT_EQ(ui.waitBegins, 0);
    }
    SyntheticPattern p;
    p.xFirst = 10.0, p.xLast = 30.0, p.step = 0.02;
    p.peaks = {{15.0, 1000, 0.123}, {22.0, 700, 0.123}};
    p.background = {40.0};
    {
        testing_support::RecordingUi ui;
        CXRDData d = FromSynthetic(p);
        const double t = d.DetectFeatureWidth(5.0, 1);
        EXPECT_EQ(ui.waitBegins, 1);
        EXPECT_EQ(ui.waitEnds, 1);
        EXPECT_NEAR(t * 1000.0, std::round(t * 1000.0), 1e-6);
        EXPECT_EQ(t, TruncateToPrecision(t, 0.001));
    }
    // With a step of 0.02 the first trial is w = 0.01: a three-point window of order 2 that already scores.
    {
        WidthProbe d;
        MakeSynthetic(p).AssignTo(d);
        CGraphData s(d), g(d);
        const double c = d.WidthCorr(s, g, 0.01, 0.02, d.GetSize());
        CGraphData s2(d), g2(d);
        EXPECT_EQ(c, ReferenceWidthCorr(d, s2, g2, 0.01, 0.02, d.GetSize()));
        EXPECT_GT(c, 0.0);
        // A window that does not fit the data, and a step of no width, score 0.
        EXPECT_EQ(d.WidthCorr(s, g, 30.0, 0.02, d.GetSize()), 0.0);
        EXPECT_EQ(d.WidthCorr(s, g, 0.01, 0.0, d.GetSize()), 0.0);
        EXPECT_EQ(d.WidthCorr(s, g, std::nan(""), 0.02, d.GetSize()), 0.0);
        EXPECT_EQ(d.WidthCorr(s, g, -1.0, 0.02, d.GetSize()), 0.0);
        // A zero profile has no mean square.
        std::vector<double> x(50), zero(50, 0.0);
        for (int i = 0; i < 50; ++i) x[i] = i * 0.1;
        WidthProbe flat(50, x.data(), zero.data(), nullptr);
        CGraphData fs(flat), fg(flat);
        EXPECT_EQ(flat.WidthCorr(fs, fg, 0.2, 0.1, 50), 0.0);
        EXPECT_EQ(flat.DetectFeatureWidth(5.0, 0), 0.1);
    }
}

TEST(WidthDetection, BadInputGivesAWidthNotAHang) {
    testing_support::RegistrySandbox box;
    // Every point at the same angle: no step, nothing scores; the fallback max(s, 0.1).
    std::vector<double> same(100, 20.0), counts(100, 50.0);
    CXRDData stacked(100, same.data(), counts.data(), nullptr);
    EXPECT_EQ(stacked.DetectFeatureWidth(5.0, 0), 0.1);

    SyntheticPattern p;
    p.xFirst = 10.0, p.xLast = 30.0, p.step = 0.02;
    p.peaks = {{15.0, 1000, 0.1}, {22.0, 700, 0.1}};
    p.background = {40.0};
    auto syn = MakeSynthetic(p);

    // A count that is not a number spoils every score: the fallback, never a NaN width.
    {
        auto y = syn.y;
        y[500] = std::nan("");
        CXRDData d(syn.size(), syn.x.data(), y.data(), nullptr);
        EXPECT_EQ(d.DetectFeatureWidth(5.0, 0), 0.1);
        y[500] = std::numeric_limits<double>::infinity();
        CXRDData e(syn.size(), syn.x.data(), y.data(), nullptr);
        EXPECT_EQ(e.DetectFeatureWidth(5.0, 0), 0.1);
    }
    // Negative counts are data like any other: a finite width.
    {
        auto y = syn.y;
        for (double& v : y) v = -v;
        CXRDData d(syn.size(), syn.x.data(), y.data(), nullptr);
        const double w = d.DetectFeatureWidth(5.0, 0);
        EXPECT_TRUE(std::isfinite(w));
        EXPECT_GT(w, 0.0);
    }
    // An angle that is not a number ends the trials at once.
    {
        auto x = syn.x;
        x[0] = std::nan("");
        CXRDData d(syn.size(), x.data(), syn.y.data(), nullptr);
        const double w = d.DetectFeatureWidth(5.0, 0);
        EXPECT_FALSE(std::isnan(w));
    }
    // No width to try (zero, negative or NaN limit): one trial of the smallest width decides.
    {
        CXRDData d(syn.size(), syn.x.data(), syn.y.data(), nullptr);
        for (double limit : {0.0, -3.0, std::nan("")}) {
            const double w = d.DetectFeatureWidth(limit, 0);
            EXPECT_TRUE(std::isfinite(w));
            EXPECT_GT(w, 0.0);
        }
    }
    // Two points: the window never fits.
    const double x2[] = {10.0, 10.5}, y2[] = {3.0, 4.0};
    CXRDData two(2, x2, y2, nullptr);
    EXPECT_EQ(two.DetectFeatureWidth(5.0, 0), 0.5);
}
