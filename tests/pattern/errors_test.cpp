// Intensity errors from the error models, the zero-error shift, the width function and the width refresh.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "pattern/pattern_support.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/pattern/xrddata.h"

namespace {

using pattern_testing::Column;

class WidthProbe : public CXRDData {
public:
    using CXRDData::CXRDData;
    using CXRDData::RefreshFeatureWidth;
};

CXRDData Pattern(std::vector<double> x, std::vector<double> y) {
    return CXRDData(static_cast<int>(x.size()), x.data(), y.data(), nullptr);
}

}  // namespace

TEST(Errors, GenerateErrorsFollowsTheCountModel) {
    testing_support::RegistrySandbox box;
    CXRDData d = Pattern({1, 2, 3, 4, 5}, {0.25, 400, -5, std::nan(""), 1.0});
    EXPECT_FALSE(d.IsCustomErrors());
    d.m_nCountType = 0;
    d.GenerateErrors();
    EXPECT_TRUE(d.IsCustomErrors());
    EXPECT_EQ(Column(d, CGraphData::YError), (std::vector<double>{1.0, 20.0, 1.0, 1.0, 1.0}));

    d.m_nCountType = 1;
    d.m_dScaleFactor = 4.0;
    d.GenerateErrors();
    EXPECT_EQ(Column(d, CGraphData::YError), (std::vector<double>{2.0, 40.0, 2.0, 2.0, 2.0}));

    d.m_nCountType = 2;
    d.m_dEsds = 2.0;
    d.GenerateErrors();
    EXPECT_EQ(d.GetAt(CGraphData::YError, 1), 8.0);
    EXPECT_DOUBLE_EQ(d.GetAt(CGraphData::YError, 2), 0.02);

    // Another model leaves the errors as they are.
    d.m_nCountType = 7;
    d.SetAt(CGraphData::YError, 0, 3.5);
    d.GenerateErrors();
    EXPECT_EQ(d.GetAt(CGraphData::YError, 0), 3.5);
    EXPECT_EQ(d.GetAt(CGraphData::YError, 1), 8.0);

    // A negative scale factor or percentage gives the error floor, never a NaN or a negative deviation.
    d.m_nCountType = 1;
    d.m_dScaleFactor = -4.0;
    d.GenerateErrors();
    for (double e : Column(d, CGraphData::YError)) EXPECT_EQ(e, 2.2250738585072014e-308);
    d.m_nCountType = 2;
    d.m_dEsds = -1.0;
    d.GenerateErrors();
    for (double e : Column(d, CGraphData::YError)) EXPECT_EQ(e, 2.2250738585072014e-308);

    CXRDData empty;
    empty.GenerateErrors();
    EXPECT_EQ(empty.GetSize(), 0);
}

TEST(Errors, ZeroErrorShiftsPatternAndBackgroundOnly) {
    testing_support::RegistrySandbox box;
    CXRDData d;
    pattern_testing::FillEverything(d);
    d.m_dZeroError = 0.0;
    const auto x0 = Column(d, CGraphData::X), bx0 = Column(d.m_Background, CGraphData::X);
    const auto knots = Column(d.m_Background.m_Knots, CGraphData::X), orig = Column(d.m_OriginalData, CGraphData::X);
    const auto y0 = Column(d, CGraphData::Y);

    d.SetZeroError(0.1);
    EXPECT_EQ(d.GetZeroError(), 0.1);
    for (int i = 0; i < d.GetSize(); ++i) EXPECT_EQ(d.GetAt(CGraphData::X, i), x0[i] - 0.1);
    for (int i = 0; i < d.m_Background.GetSize(); ++i) EXPECT_EQ(d.m_Background.GetAt(CGraphData::X, i), bx0[i] - 0.1);
    EXPECT_EQ(Column(d.m_Background.m_Knots, CGraphData::X), knots);
    EXPECT_EQ(Column(d.m_OriginalData, CGraphData::X), orig);
    EXPECT_EQ(Column(d, CGraphData::Y), y0);

    // The same value again changes nothing; 0 moves everything back.
    const auto shifted = Column(d, CGraphData::X);
    d.SetZeroError(0.1);
    EXPECT_EQ(Column(d, CGraphData::X), shifted);
    d.SetZeroError(0.0);
    for (int i = 0; i < d.GetSize(); ++i) EXPECT_NEAR(d.GetAt(CGraphData::X, i), x0[i], 1e-12);
    EXPECT_EQ(d.GetZeroError(), 0.0);

    // A zero error that is not a number is refused rather than wiping out the angles.
    d.SetZeroError(std::nan(""));
    d.SetZeroError(std::numeric_limits<double>::infinity());
    EXPECT_EQ(d.GetZeroError(), 0.0);
    for (int i = 0; i < d.GetSize(); ++i) EXPECT_NEAR(d.GetAt(CGraphData::X, i), x0[i], 1e-12);

    // A pattern without points or background keeps only the value.
    CXRDData empty;
    empty.SetZeroError(0.05);
    EXPECT_EQ(empty.GetZeroError(), 0.05);
}

TEST(Errors, WidthFunction) {
    testing_support::RegistrySandbox box;
    CXRDData d;
    d.SetUVW(0.0, 0.0, 0.01);
    for (double tt : {0.0, 10.0, 45.0, 90.0, 150.0}) EXPECT_DOUBLE_EQ(d.CalculateFeatureWidth(tt), 0.1);
    d.SetUVW(0.0, 0.0, 0.0);
    EXPECT_EQ(d.CalculateFeatureWidth(30.0), 1e-5);
    // At two-theta 90 tan(theta) is 1: w² = U + V + W. V is stored before U.
    d.SetUVW(0.04, -0.02, 0.0025);
    EXPECT_EQ(d.m_dU, 0.04);
    EXPECT_EQ(d.m_dV, -0.02);
    EXPECT_EQ(d.m_dW, 0.0025);
    double U = 0, V = 0, W = 0;
    d.GetUVW(U, V, W);
    EXPECT_EQ(U, 0.04);
    EXPECT_EQ(V, -0.02);
    EXPECT_EQ(W, 0.0025);
    EXPECT_NEAR(d.CalculateFeatureWidth(90.0), std::sqrt(0.0225), 1e-12);
    // Negative or unusable coefficients fall to the floor, never to a NaN.
    d.SetUVW(0.0, -1.0, 0.0);
    EXPECT_EQ(d.CalculateFeatureWidth(60.0), 1e-5);
    d.SetUVW(std::nan(""), 0.0, 0.0);
    EXPECT_EQ(d.CalculateFeatureWidth(60.0), 1e-5);
}

TEST(Errors, WidthRefreshFollowsTheWidthSettings) {
    testing_support::RegistrySandbox box;
    std::vector<double> x, y;
    for (int i = 0; i <= 1000; ++i) {
        x.push_back(20.0 + 0.02 * i);
        const double d = (x.back() - 30.0) / 0.15;
        y.push_back(50.0 + 2000.0 * std::exp(-std::log(2.0) * d * d));
    }
    WidthProbe p(static_cast<int>(x.size()), x.data(), y.data(), nullptr);
    const double detected = p.DetectFeatureWidth(5.0, 0);
    // The refresh under the given width settings, from a constant width of 0.7 and U, V, W = 1, 2, 3.
    auto refresh = [&p](int autoWidth, int widthType) {
        p.m_bAutoWidth = autoWidth;
        p.m_nWidthType = widthType;
        p.m_dFixedWidth = 0.7;
        p.SetUVW(1, 2, 3);
        p.RefreshFeatureWidth();
    };

    refresh(1, 0);
    EXPECT_EQ(p.m_dDetectedWidth, detected);
    EXPECT_EQ(p.m_dFixedWidth, detected);
    EXPECT_EQ(p.m_dU, 0.0);
    EXPECT_EQ(p.m_dV, 0.0);
    EXPECT_EQ(p.m_dW, detected * detected);

    refresh(0, 1);
    EXPECT_EQ(p.m_dDetectedWidth, detected);
    EXPECT_EQ(p.m_dFixedWidth, 0.7);
    EXPECT_EQ(p.m_dU, 1.0);
    EXPECT_EQ(p.m_dV, 2.0);
    EXPECT_EQ(p.m_dW, 3.0);

    // With too few points nothing is detected (-1): that failure code does not become the fixed width.
    const double one = 25.0, count = 10.0;
    WidthProbe single(1, &one, &count, nullptr);
    single.m_bAutoWidth = 1;
    single.m_nWidthType = 0;
    single.m_dFixedWidth = 0.2;
    single.RefreshFeatureWidth();
    EXPECT_EQ(single.m_dDetectedWidth, -1.0);
    EXPECT_EQ(single.m_dFixedWidth, 0.2);
    EXPECT_NEAR(single.m_dW, 0.04, 1e-15);
}
