// K-alpha2 stripping: the sweep on bare columns (the worked doublets, zero-width intervals, counts that are not
// numbers), the pattern's bookkeeping around it, and synthetic copper patterns whose doublets must go.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "pattern/pattern_support.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "support/synthetic.h"
#include "xrddata/pattern/ka2sweep.h"
#include "xrddata/pattern/xrddata.h"

namespace {

using pattern_testing::Column;

CXRDData Pattern(const std::vector<double>& x, const std::vector<double>& y) {
    return CXRDData(static_cast<int>(x.size()), x.data(), y.data(), nullptr);
}

}  // namespace

TEST(Ka2Sweep, WorkedDoublets) {
    // K-alpha2 1.5 above, ratio 0.5: i = 0 takes 25 from points 1 and 2, i = 1 takes 6.25 from point 2 and
    // clamps point 3, i = 2 clamps points 3 and 4, and at i = 3 the position 4.5 lies beyond the last point.
    {
        const double x[] = {0, 1, 2, 3, 4};
        double y[] = {100, 50, 50, 0, 0};
        double v[] = {100, 50, 50, 0, 0};
        Ka2Sweep(x, y, v, 5, 0.5, [](double t) { return t + 1.5; });
        EXPECT_EQ(std::vector<double>(y, y + 5), (std::vector<double>{100, 25, 18.75, 0, 0}));
        const double expected[] = {100, 68.75, 73.828125, 10.1318359375, 5.0537109375};
        for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(v[i], expected[i]) << i;
    }
    // K-alpha2 0.5 above: the position falls inside the point's own interval, so each point first gives up the
    // part of its own K-alpha2 it holds (g = 0.8).
    {
        const double x[] = {0, 1, 2};
        double y[] = {30, 40, 0};
        double v[] = {30, 40, 0};
        Ka2Sweep(x, y, v, 3, 0.5, [](double t) { return t + 0.5; });
        EXPECT_DOUBLE_EQ(y[0], 24.0);
        EXPECT_DOUBLE_EQ(y[1], 27.2);
        EXPECT_EQ(y[2], 0.0);
        EXPECT_DOUBLE_EQ(v[0], 19.2);
        EXPECT_DOUBLE_EQ(v[1], 0.64 * 41.92);
        EXPECT_DOUBLE_EQ(v[2], 0.25 * (0.25 * 0.64 * 41.92 + 0.005 * 27.2 * 27.2));
    }
    // One point has no interval: nothing changes.
    {
        const double x[] = {5};
        double y[] = {10}, v[] = {10};
        Ka2Sweep(x, y, v, 1, 0.5, [](double t) { return t; });
        EXPECT_EQ(y[0], 10.0);
        EXPECT_EQ(v[0], 10.0);
    }
}

TEST(Ka2Sweep, DegenerateIntervalsAndCounts) {
    // Two points at the K-alpha2 angle: an interval of no width takes the whole share at its lower point instead of
    // dividing by zero.
    {
        const double x[] = {0, 1.5, 1.5};
        double y[] = {100, 40, 40}, v[] = {100, 40, 40};
        Ka2Sweep(x, y, v, 3, 0.5, [](double t) { return t + 1.5; });
        EXPECT_EQ(std::vector<double>(y, y + 3), (std::vector<double>{100, 0, 40}));
        for (double e : v) EXPECT_TRUE(std::isfinite(e));
        EXPECT_DOUBLE_EQ(v[1], 40 + 0.25 * 100 + 0.005 * 10000);
        EXPECT_EQ(v[2], 40.0);
    }
    // Where the doublet does not split (the K-alpha2 angle is the angle itself) every point, the last one too,
    // keeps 1/(1+R) of its value; the last point never takes the value of the one below it.
    {
        const double x[] = {-2, -1, 0};
        double y[] = {30, 60, 90}, v[] = {30, 60, 90};
        Ka2Sweep(x, y, v, 3, 0.5, [](double t) { return t; });
        EXPECT_DOUBLE_EQ(y[0], 20.0);
        EXPECT_DOUBLE_EQ(y[1], 40.0);
        EXPECT_DOUBLE_EQ(y[2], 60.0);
    }
    // A count that is not a number stays where it is and spreads to no other point.
    {
        const double x[] = {0, 1, 2, 3, 4};
        double y[] = {100, std::nan(""), 50, 0, 0}, v[] = {100, 50, 50, 0, 0};
        Ka2Sweep(x, y, v, 5, 0.5, [](double t) { return t + 1.5; });
        EXPECT_TRUE(std::isnan(y[1]));
        EXPECT_EQ(y[0], 100.0);
        EXPECT_EQ(y[2], 25.0);
        EXPECT_EQ(y[3], 0.0);
        EXPECT_EQ(y[4], 0.0);
        for (int i : {0, 2, 3, 4}) EXPECT_TRUE(std::isfinite(v[i])) << i;
    }
    // Positions beyond every point (or not a number) end the sweep at once.
    {
        const double x[] = {0, 1, 2};
        double y[] = {1, 2, 3}, v[] = {1, 2, 3};
        Ka2Sweep(x, y, v, 3, 0.5, [](double) { return std::nan(""); });
        Ka2Sweep(x, y, v, 3, 0.5, [](double t) { return t + 10; });
        EXPECT_EQ(std::vector<double>(y, y + 3), (std::vector<double>{1, 2, 3}));
    }
}

TEST(Ka2Strip, PatternBookkeeping) {
    testing_support::RegistrySandbox box;
    CRadiation cu;
    testing_support::SyntheticPattern sp;
    sp.xFirst = 20.0, sp.xLast = 28.0, sp.step = 0.02;
    sp.peaks = {{24.0, 2000.0, 0.12}};
    sp.background = {100.0};
    sp.radiation = &cu;
    const auto syn = testing_support::MakeSynthetic(sp);
    const std::vector<double>&x = syn.x, &y = syn.y;
    CXRDData d = Pattern(x, y);
    d.m_nCountType = 0;
    d.m_bAutoWidth = 1;
    d.m_nWidthType = 0;
    d.StripKa2();
    EXPECT_EQ(d.m_nTypeFlag, 2);
    EXPECT_EQ(d.IsKa2Stripped(), 1);
    EXPECT_EQ(Column(d.m_OriginalData, CGraphData::Y), y);
    EXPECT_FALSE(d.m_OriginalData.IsCustomErrors());
    // Errors from the stripped counts by the raw-count model; the width detected afresh on the stripped data.
    for (int i = 0; i < d.GetSize(); ++i) {
        const double c = std::max(d.GetAt(CGraphData::Y, i), 1.0);
        EXPECT_EQ(d.GetAt(CGraphData::YError, i), std::sqrt(c));
    }
    CXRDData again(d);
    EXPECT_EQ(d.m_dDetectedWidth, again.DetectFeatureWidth(5.0, 0));
    EXPECT_EQ(d.m_dFixedWidth, d.m_dDetectedWidth);
    EXPECT_EQ(d.m_dW, d.m_dFixedWidth * d.m_dFixedWidth);
    // The K-alpha2 peak at 24.06 is gone: what is left there is the K-alpha1 tail on a third less background.
    const double x2 = cu.Ka2PositionDegrees(24.0), tail = 2000.0 * std::exp(-std::log(2.0) * std::pow((x2 - 24.0) / 0.06, 2));
    EXPECT_GT(again.m_OriginalData.Evaluate(x2), tail + 100.0 + 900.0);
    EXPECT_NEAR(d.Evaluate(x2), tail + 100.0 / 1.5, 50.0);

    // Stripping again changes nothing, and the stripped copy is a plain copy.
    const auto ys = Column(d, CGraphData::Y), es = Column(d, CGraphData::YError);
    d.StripKa2();
    EXPECT_EQ(Column(d, CGraphData::Y), ys);
    EXPECT_EQ(Column(d, CGraphData::YError), es);
    CXRDData copy = d.GetKa2Stripped();
    EXPECT_EQ(Column(copy, CGraphData::Y), ys);
    EXPECT_EQ(copy.m_nTypeFlag, 2);

    // The copy of an unstripped pattern is stripped; the pattern is not.
    CXRDData fresh = Pattern(x, y);
    fresh.m_nCountType = 0;
    CXRDData stripped = fresh.GetKa2Stripped();
    EXPECT_EQ(fresh.m_nTypeFlag, 0);
    EXPECT_EQ(Column(fresh, CGraphData::Y), y);
    EXPECT_FALSE(fresh.IsCustomErrors());
    EXPECT_EQ(stripped.m_nTypeFlag, 2);
    EXPECT_EQ(Column(stripped, CGraphData::Y), ys);
}

TEST(Ka2Strip, BackgroundAndHandedOutCopies) {
    testing_support::RegistrySandbox box;
    CXRDData d;
    pattern_testing::FillEverything(d);
    d.m_Radiation.SetTarget(CString("Cu"));
    d.m_Radiation.SetKa2(1);
    d.m_nTypeFlag = 4;
    const auto original = Column(d.m_OriginalData, CGraphData::Y);
    const auto bx = Column(d.m_Background, CGraphData::X), by = Column(d.m_Background, CGraphData::Y);
    const auto knots = Column(d.m_Background.m_Knots, CGraphData::Y);
    const auto be = Column(d.m_Background, CGraphData::YError);
    d.StripKa2();
    EXPECT_EQ(d.m_nTypeFlag, 6);
    EXPECT_EQ(Column(d.m_OriginalData, CGraphData::Y), original);
    EXPECT_EQ(Column(d.m_Background, CGraphData::X), bx);
    EXPECT_EQ(Column(d.m_Background.m_Knots, CGraphData::Y), knots);
    EXPECT_EQ(Column(d.m_Background, CGraphData::YError), be);
    for (int i = 0; i < d.m_Background.GetSize(); ++i)
        EXPECT_DOUBLE_EQ(d.m_Background.GetAt(CGraphData::Y, i), by[i] * (1.0 / 1.5));

    // Handed-out arrays: nothing for a flag of 0; the stripped copy's points otherwise, the pattern unchanged.
    std::vector<double> x = {20, 20.1, 20.2, 20.3, 20.4}, y = {10, 500, 300, 60, 10};
    CXRDData p = Pattern(x, y);
    double* px = reinterpret_cast<double*>(1);
    double *py = px, *pe = px;
    int n = -7;
    EXPECT_EQ(p.GetKa2Stripped(px, py, pe, n), 0);
    EXPECT_EQ(px, reinterpret_cast<double*>(1));
    EXPECT_EQ(n, -7);
    p.m_nTypeFlag = 1;
    ASSERT_EQ(p.GetKa2Stripped(px, py, pe, n), 1);
    ASSERT_EQ(n, 5);
    CXRDData expect = p.GetKa2Stripped();
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(px[i], x[i]);
        EXPECT_EQ(py[i], expect.GetAt(CGraphData::Y, i));
        EXPECT_EQ(pe[i], expect.GetAt(CGraphData::YError, i));
    }
    EXPECT_LT(py[2], 300.0);
    delete[] px;
    delete[] py;
    delete[] pe;
    EXPECT_EQ(Column(p, CGraphData::Y), y);
    EXPECT_EQ(p.m_nTypeFlag, 1);
}

TEST(Ka2Strip, NothingToStrip) {
    testing_support::RegistrySandbox box;
    std::vector<double> x = {20, 20.1, 20.2}, y = {10, 500, 300};
    // No K-alpha2 in the beam, or no target with K-alpha2 data: pattern, flag, mode and original copy untouched.
    for (int which = 0; which < 2; ++which) {
        CXRDData d = Pattern(x, y);
        if (which == 0) d.m_Radiation.SetKa2(0);
        else d.m_Radiation.SetLambda(1.5406);
        d.StripKa2();
        EXPECT_EQ(d.m_nTypeFlag, 0);
        EXPECT_EQ(Column(d, CGraphData::Y), y);
        EXPECT_FALSE(d.IsCustomErrors());
        EXPECT_EQ(d.m_OriginalData.GetSize(), 0);
    }
    CXRDData empty;
    empty.StripKa2();
    EXPECT_EQ(empty.m_nTypeFlag, 0);
    EXPECT_EQ(empty.GetSize(), 0);

    // One point: nothing to sweep, but the pattern counts as stripped; the failed width detection (-1) is kept
    // as the detected width and does not become the fixed width.
    CXRDData one = Pattern({30.0}, {50.0});
    one.m_bAutoWidth = 1;
    one.m_dFixedWidth = 0.25;
    one.StripKa2();
    EXPECT_EQ(one.m_nTypeFlag, 2);
    EXPECT_EQ(one.GetAt(CGraphData::Y, 0), 50.0);
    EXPECT_EQ(one.m_dDetectedWidth, -1.0);
    EXPECT_EQ(one.m_dFixedWidth, 0.25);
    EXPECT_EQ(one.m_OriginalData.GetSize(), 1);
}

TEST(Ka2Strip, BadPointsGiveNoNaN) {
    testing_support::RegistrySandbox box;
    CRadiation cu;
    // Two points exactly at the K-alpha2 angle of the first.
    const double p = cu.Ka2PositionDegrees(30.0);
    CXRDData d = Pattern({30.0, p, p}, {100.0, 40.0, 40.0});
    d.m_nCountType = 0;
    d.StripKa2();
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{100.0, 0.0, 40.0}));
    for (double e : Column(d, CGraphData::YError)) EXPECT_TRUE(std::isfinite(e));

    // NaN and negative counts: the NaN stays at its own point, errors stay numbers.
    std::vector<double> x, y;
    for (int i = 0; i < 200; ++i) {
        x.push_back(30.0 + 0.01 * i);
        y.push_back(i % 17 == 3 ? -40.0 : 100.0 + i);
    }
    y[50] = std::nan("");
    CXRDData bad = Pattern(x, y);
    bad.m_nCountType = 0;
    bad.StripKa2();
    for (int i = 0; i < bad.GetSize(); ++i) {
        if (i != 50) {
            EXPECT_TRUE(std::isfinite(bad.GetAt(CGraphData::Y, i))) << i;
        }
        EXPECT_TRUE(std::isfinite(bad.GetAt(CGraphData::YError, i))) << i;
    }
    EXPECT_TRUE(std::isfinite(bad.m_dDetectedWidth));
}

TEST(Ka2Strip, RemovesSyntheticDoubletsToWithinTheNoise) {
    testing_support::RegistrySandbox box;
    CRadiation cu;
    const double R = cu.GetKa2Ratio();
    for (double fwhm : {0.06, 0.12}) {
        testing_support::SyntheticPattern p;
        p.xFirst = 15.0, p.xLast = 100.0, p.step = 0.01;
        p.peaks = {{21.5, 4000, fwhm}, {33.2, 9000, fwhm, 0.4}, {47.8, 3000, fwhm}, {62.4, 6000, fwhm, 0.4},
                   {88.1, 2500, fwhm}};
        p.background = {300.0, -1.5};
        p.radiation = &cu;
        p.noiseSeed = 19;
        const auto syn = testing_support::MakeSynthetic(p);
        CXRDData d;
        syn.AssignTo(d);
        d.m_nCountType = 0;
        d.StripKa2();
        // What stripping should leave: the K-alpha1 peaks on the background's own K-alpha1 share.
        double chi2 = 0.0;
        for (int i = 0; i < syn.size(); ++i) {
            const double expected = syn.ka1Peaks[i] + syn.background[i] / (1.0 + R);
            const double r = (d.GetAt(CGraphData::Y, i) - expected) / std::sqrt(syn.exact[i]);
            chi2 += r * r;
        }
        EXPECT_LT(chi2 / syn.size(), 2.0) << fwhm;
        // At every K-alpha2 maximum the remaining intensity is K-alpha1 tail plus background, within the noise.
        for (const auto& peak : p.peaks) {
            const double x2 = cu.Ka2PositionDegrees(peak.position);
            const int i = static_cast<int>(std::lround((x2 - p.xFirst) / p.step));
            const double expected = syn.ka1Peaks[i] + syn.background[i] / (1.0 + R);
            const double left = d.GetAt(CGraphData::Y, i) - expected;
            EXPECT_LT(std::fabs(left), 5.0 * std::sqrt(syn.exact[i])) << peak.position << " " << fwhm;
            EXPECT_LT(std::fabs(left), 0.1 * R * peak.height) << peak.position << " " << fwhm;
        }
    }
}
