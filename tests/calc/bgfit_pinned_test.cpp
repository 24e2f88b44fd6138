// The background fit on real instrument files and on large synthetic patterns, pinned to the knots the dense
// normal equations gave: a faster solve must find the same knots to 1e-9 of their size.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fit_reference.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/calc/backgroundcalc.h"
#include "xrddata/pattern/xrddata.h"

namespace {

class PinProbe : public CBackgroundCalculation {
public:
    using CBackgroundCalculation::CBackgroundCalculation;
    using CBackgroundCalculation::m_nKnots;
    using CBackgroundCalculation::m_pKnotY;
    using CBackgroundCalculation::m_pKnotY2;
};

struct PinnedFit {
    const char* name;
    int knots;
    double y[3];    // knot values at a quarter, the middle and three quarters of the knots
    double at[3];   // the background at a quarter, the middle and three quarters of the x range
};

// The knots and the background compared with the pinned values; relative to the largest knot value.
void ExpectPinned(PinProbe& c, double x0, double x1, const PinnedFit& pin) {
    SCOPED_TRACE(pin.name);
    ASSERT_EQ(c.m_nKnots, pin.knots);
    const int K = c.m_nKnots;
    double big = 0.0;
    for (int k = 0; k < c.m_nKnots; ++k) big = std::max(big, std::fabs(c.m_pKnotY[k]));
    const int idx[3] = {K / 4, K / 2, 3 * K / 4};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(c.m_pKnotY[idx[i]], pin.y[i], 1e-9 * big) << "knot " << idx[i];
        const double v = x0 + (x1 - x0) * (i + 1) / 4.0;
        EXPECT_NEAR(c.SplineInterpolate(v), pin.at[i], 1e-9 * big) << "x " << v;
    }
}

}  // namespace

TEST(BackgroundPinned, RealSamples) {
    XRD_REQUIRE_SAMPLES();
    testing_support::RegistrySandbox box;
    testing_support::RecordingUi ui;
    const PinnedFit pins[] = {
        {"bruker-raw2/CORKLZ20.RAW", 103, {18.991175730908751, 42.236393611210396, 54.453483671129689}, {21.069502326508491, 42.236393611210396, 54.011692467904929}},
        {"bruker-raw3/BT86.raw", 97, {275.02760088009643, 402.04213880984804, 386.95116832948003}, {275.17421612165492, 402.04213880984804, 386.91002292425355}},
        {"bruker-raw3/Cu3Au-1.raw", 159, {23.746646664735923, 11.047086619246, 10.970945965076302}, {23.077800475427001, 11.047086619246, 10.113707536372759}},
        {"bruker-raw3/KGA1-CONT.RAW", 139, {64.548255437763473, 177.41203035382452, 155.23902387187647}, {74.417281846704242, 177.41203035382452, 110.66590856589296}},
        {"bruker-raw3/LaB6_Jan2018.raw", 124, {2496.7326908394471, 1541.3763459661359, 1246.5078240325022}, {2480.6698710595247, 1558.3889808746305, 1303.6437038338215}},
        {"stoe/stoe.raw", 219, {3024.7116487885637, 2246.8185610261544, 1453.5525363491231}, {2991.069461075972, 2246.8185610261544, 1432.2145584882626}},
        {"udf/PbCrF1.udf", 583, {1088.9895093381122, 566.70812711132839, 406.80043574672652}, {1255.9475347816378, 566.70812711132839, 414.97653530244173}},
        {"udf/ZEOLITE.UDF", 70, {43.605182553836116, 85.291415060021393, 54.801133774680814}, {53.070163086571718, 84.898366143436178, 55.443363492889354}},
        {"xy/Tutorial_4.xye", 111, {2089.0107839561588, 1247.1159508970168, 533.7499424938427}, {2085.9086289704665, 1247.1159508970168, 531.65222236184661}},
        {"xy/nacl01.dat", 36, {73.521927686875031, 169.45969702803797, 168.99559822474617}, {73.120415394767562, 172.19092016876084, 163.61248301475959}},
        {"xy/xy_text.txt", 163, {53.98244752269769, 44.177900902086151, 23.458644762983266}, {48.56137879248832, 44.177900902086151, 22.245969077035529}},
    };
    for (const PinnedFit& pin : pins) {
        CXRDData d;
        ASSERT_EQ(d.DoReadFile((testing_support::SamplesDir() + "/" + pin.name).c_str(), 0), 1) << pin.name;
        const int n = d.GetSize();
        const double x0 = d.GetAt(CGraphData::X, 0), x1 = d.GetAt(CGraphData::X, n - 1);
        // A scale length of fifty steps: many knots, each under a few peaks.
        PinProbe c(d);
        c.SetBackgroundParams(50.0 * d.GetSampling(), 1.0, x0, x1);
        c.Calculate();
        ExpectPinned(c, x0, x1, pin);
    }
}

TEST(BackgroundPinned, LargeSyntheticPatterns) {
    // 100 000 points with 200 and 1 000 knots, stiff and without stiffness, and a fit range inside the data.
    fit_reference::Synthetic s = fit_reference::MakePattern(
        100000, 5.0, 0.001, {{12.0, 3000, 0.1}, {33.0, 8000, 0.2}, {47.5, 1500, 0.15}, {81.0, 2500, 0.3}}, 3);
    const PinnedFit pins[] = {
        {"synthetic 0", 202, {261.5214843266628, 206.5955327624697, 193.39413893978528}, {260.92710944367951, 207.32105688429658, 189.361945167036}},
        {"synthetic 1", 1002, {259.73827762201836, 207.46093514073027, 191.01823865949837}, {259.89310264912552, 207.89221080600294, 190.70377815163758}},
        {"synthetic 2", 1002, {259.26027699673284, 208.25188182347858, 190.87495474754891}, {259.44397910752213, 207.51214369730039, 190.87502505105167}},
        {"synthetic 3", 402, {260.88838820155286, 206.85267903738992, 188.93779538664509}, {260.75107199227256, 207.34147261614254, 189.7372013642665}},
    };
    const double lengths[] = {1.0, 0.2, 0.2, 0.5};
    const double stiffness[] = {1.0, 1.0, 0.0, 2.0};
    const double from[] = {5.0, 5.0, 5.0, 20.0}, to[] = {105.0, 105.0, 105.0, 90.0};
    for (int k = 0; k < 4; ++k) {
        PinProbe c(static_cast<int>(s.x.size()), s.x.data(), s.y.data(), nullptr);
        c.SetBackgroundParams(lengths[k], stiffness[k], from[k], to[k]);
        c.Calculate();
        ExpectPinned(c, s.x.front(), s.x.back(), pins[k]);
    }
}
