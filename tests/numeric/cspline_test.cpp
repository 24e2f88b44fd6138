// The spline point set: evaluation inside and outside the range, the error spline, root finding, stale and
// degenerate sets, copies.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "support/support.h"
#include "xrddata/numeric/cspline.h"

namespace {

// Exposes the protected parts.
class OpenSpline : public CSpline {
public:
    OpenSpline(std::initializer_list<double> xs = {}, std::initializer_list<double> ys = {}) {
        auto x = xs.begin();
        for (double y : ys) Add(*x++, y, 0.0, 0);
        Sort();
    }
    using CSpline::RidderFind;
    using CSpline::operator=;
    double* Y2() const { return m_pY2; }
};

// Independent root: bisection on the virtual Evaluate.
double Bisect(CSpline& s, double lo, double hi) {
    double flo = s.Evaluate(lo);
    for (int k = 0; k < 200; ++k) {
        double mid = 0.5 * (lo + hi), fm = s.Evaluate(mid);
        if ((fm > 0) == (flo > 0)) lo = mid, flo = fm;
        else hi = mid;
    }
    return 0.5 * (lo + hi);
}

}  // namespace

TEST(CSpline, EvaluatesCubicInsideAndLinearOutside) {
    OpenSpline s({0, 1, 2}, {0, 1, 0});
    EXPECT_EQ(s.Evaluate(0.5), 0.5);  // no spline yet: the point set's linear rule
    s.Spline(1e30, 1e30);
    EXPECT_EQ(s.Evaluate(0.5), 0.6875);
    EXPECT_EQ(s.Evaluate(-1.0), -1.0);  // linear extension of the first segment
    EXPECT_EQ(s.Evaluate(3.0), 0.0);    // beyond the last point: its value
    EXPECT_DOUBLE_EQ(s.GetCountingError(0.5), std::sqrt(0.6875));  // through the virtual Evaluate
    s.Add(3, 5);  // four points, three derivatives: linear until the next Spline
    EXPECT_EQ(s.Evaluate(0.5), 0.5);
    EXPECT_EQ(s.Evaluate(2.5), 2.5);

    OpenSpline one({2}, {7});
    one.Spline(0, 0);
    EXPECT_EQ(one.Evaluate(2.0), -DBL_MAX);  // a query never fails
    EXPECT_EQ(one.FindRoot(2.0, 1, nullptr), 0);
    EXPECT_EQ(one.xRoot(0, 5), 0.0);
    OpenSpline empty;
    empty.Spline(0, 0);
    EXPECT_EQ(empty.Y2(), nullptr);
    EXPECT_EQ(empty.FindRoot(0.0, -1, nullptr), 0);

    // Equal abscissae: the spline is refused and none is left behind.
    OpenSpline dup({0, 1, 1}, {1, 2, 2});
    EXPECT_EQ(testing_support::Raised([&] { dup.Spline(1e30, 1e30); }), "Bad x input to routine Spline");
    EXPECT_EQ(dup.Y2(), nullptr);
    EXPECT_EQ(dup.Evaluate(0.5), 1.5);
}

TEST(CSpline, ErrorSplineAndItsEndDerivative) {
    OpenSpline s({0, 1, 2}, {4, 9, 16});
    s.Spline(1e30, 1e30);
    // Taking the columns switched the set to stored errors √y = 2, 3, 4: a straight line, no curvature.
    EXPECT_TRUE(s.IsCustomErrors());
    EXPECT_EQ(s.GetYError(0.5), 2.5);
    EXPECT_EQ(s.GetYError(-1.0), 1.0);      // outside: the point set's linear extension ...
    EXPECT_EQ(s.GetYError(-5.0), DBL_MIN);  // ... floored at the smallest normal double
    double saved = CSpline::DefEndDerivative;
    CSpline::DefEndDerivative = 0.0;  // clamped ends that disagree with the line make it curve
    s.Spline(1e30, 1e30);
    EXPECT_NE(s.GetYError(0.5), 2.5);
    CSpline::DefEndDerivative = 1.0;
    s.Spline(1e30, 1e30);
    EXPECT_DOUBLE_EQ(s.GetYError(0.5), 2.5);
    CSpline::DefEndDerivative = saved;
    s.SetCountingStatistics();  // errors dropped after the spline: the error spline is no longer used
    EXPECT_DOUBLE_EQ(s.GetYError(0.5), std::sqrt(s.Evaluate(0.5)));
}

TEST(CSpline, FindRootBracketsAndRefinesTheCrossing) {
    OpenSpline s({0, 1, 2}, {3, 1, -2});
    s.Spline(1e30, 1e30);
    double exact = Bisect(s, 1.0, 2.0), up = 0, down = 0;
    ASSERT_EQ(s.FindRoot(0.5, 1, &up), 1);
    ASSERT_EQ(s.FindRoot(1.9, -1, &down), 1);
    EXPECT_NEAR(up, exact, 0.01);  // the accuracy asked for: 1% of the point spacing
    EXPECT_NEAR(down, exact, 0.01);
    EXPECT_EQ(s.xRoot(2.0, 1.0), s.xRoot(1.0, 2.0));
    EXPECT_NEAR(s.xRoot(NAN, 9.0), exact, 0.01);  // clipped to the range [0, 2]
    EXPECT_EQ(s.FindRoot(1.2, 1, nullptr), 1);
    EXPECT_EQ(s.FindRoot(-0.1, 1, &up), 0);  // outside the range
    EXPECT_EQ(s.FindRoot(2.1, -1, &up), 0);
    EXPECT_EQ(s.FindRoot(NAN, -1, &up), 0);
    EXPECT_EQ(s.FindRoot(0.5, -1, &up), 0);  // nothing below changes sign
    EXPECT_EQ(s.FindRoot(0.5, 0, &up), 0);   // not a direction: no endless loop

    // Downward, the first point counts: the crossing in the first interval is found.
    OpenSpline t({0, 1, 2}, {-1, 2, 3});
    t.Spline(1e30, 1e30);
    double r = 0;
    ASSERT_EQ(t.FindRoot(1.5, -1, &r), 1);
    EXPECT_NEAR(r, Bisect(t, 0.0, 1.0), 0.01);

    OpenSpline line({0, 1, 2, 3}, {-1.5, -0.5, 0.5, 1.5});
    line.Spline(1e30, 1e30);
    EXPECT_EQ(line.RidderFind(0.0, 1.0, 1e-6), 0.0);  // same sign at both ends
    EXPECT_EQ(line.RidderFind(1.5, 3.0, 1e-6), 1.5);  // an end that is a zero
    EXPECT_NEAR(line.RidderFind(0.0, 3.0, 1e-9), 1.5, 1e-9);
    ASSERT_EQ(line.FindRoot(1.5, 1, &r), 1);  // starting on the zero
    EXPECT_EQ(r, 1.5);
}

TEST(CSpline, CopiesOwnTheirDerivativeArrays) {
    auto* orig = new OpenSpline({0, 1, 2, 4}, {0, 0.8, 0.9, -0.7});
    orig->Spline(0.5, 1e30);
    double want = orig->Evaluate(1.5);
    OpenSpline copy(*orig), assigned;
    assigned = *orig;
    EXPECT_NE(copy.Y2(), orig->Y2());
    EXPECT_NE(assigned.Y2(), orig->Y2());
    delete orig;
    EXPECT_EQ(copy.Evaluate(1.5), want);
    EXPECT_EQ(assigned.Evaluate(1.5), want);

    CGraphData plain;  // from a plain point set: the points, no spline
    plain.Add(0, 0), plain.Add(1, 1), plain.Add(2, 0);
    assigned = plain;
    EXPECT_EQ(assigned.Y2(), nullptr);
    EXPECT_EQ(assigned.Evaluate(0.5), 0.5);
    EXPECT_EQ(CSpline(plain).GetSize(), 3);
}
