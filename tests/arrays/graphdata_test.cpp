// The point set: interpolation, errors in both modes, adding, assigning and handing data out.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

#include "arrays/reference_sort.h"
#include "xrddata/arrays/graphdata.h"

namespace {

CGraphData Points(std::initializer_list<std::pair<double, double>> pts, int custom = 0) {
    CGraphData g(custom);
    for (auto [x, y] : pts) g.Add(x, y, std::sqrt(std::fabs(y)), 0);
    g.Sort();
    return g;
}

}  // namespace

TEST(GraphData, EvaluateInterpolatesAndExtendsTheFirstSegment) {
    CGraphData g = Points({{1, 10}, {2, 20}, {3, 40}});
    EXPECT_EQ(g.Evaluate(2.5), 30.0);
    EXPECT_EQ(g.Evaluate(0), 0.0);
    EXPECT_EQ(g.Evaluate(3), 40.0);
    EXPECT_EQ(g.Evaluate(7), 40.0);
    EXPECT_EQ(g.Evaluate(1), 10.0);
    CGraphData one = Points({{1, 10}}, 1);
    EXPECT_EQ(one.Evaluate(1), -DBL_MAX);
    EXPECT_EQ(one.GetYError(5), std::sqrt(10.0));
    CGraphData empty;
    EXPECT_EQ(empty.Evaluate(1), -DBL_MAX);
    EXPECT_EQ(empty.GetMinX(), DBL_MAX);
    EXPECT_EQ(empty.GetMaxX(), -DBL_MAX);
    EXPECT_EQ(empty.GetMinY(), DBL_MAX);
    EXPECT_EQ(empty.GetMaxY(), -DBL_MAX);
    EXPECT_EQ(empty.IsInRange(0), 0);
    EXPECT_EQ(empty.GetSampling(), 0.0);
}

TEST(GraphData, ErrorsInBothModes) {
    CGraphData g = Points({{1, -9}, {2, 0}, {3, 16}});
    EXPECT_EQ(g.GetAt(CGraphData::YError, 0), 3.0);
    EXPECT_EQ(g.GetAt(CGraphData::YError, 1), 0.0);
    EXPECT_EQ(g.GetAt(static_cast<CGraphData::Prop>(7), 0), -DBL_MAX);
    EXPECT_EQ(g.GetYError(2.5), std::sqrt(8.0));
    g.SetAt(CGraphData::Y, 1, NAN);
    EXPECT_EQ(g.GetCountingError(1), DBL_MIN);

    CGraphData c(1);
    c.Add(1, 10, 1.0, 0);
    c.Add(2, 20, 3.0, 0);
    c.Add(3, 30, -5.0, 0);  // stored as the error floor
    EXPECT_EQ(c.GetAt(CGraphData::YError, 2), DBL_MIN);
    EXPECT_EQ(c.GetYError(1.5), 2.0);
    EXPECT_EQ(c.GetYError(3.0), DBL_MIN);
    EXPECT_EQ(c.GetYError(1.0), 1.0);
    EXPECT_EQ(c.GetYError(0.0), DBL_MIN);  // extension below: 1 - 2 = -1, floored
    EXPECT_EQ(c.GetYError(9.0), DBL_MIN);
    c.SetAt(CGraphData::YError, 2, 7.0);
    EXPECT_EQ(c.GetYError(3.0), 7.0);  // at the last x within the tolerance

    EXPECT_EQ(Points({{1, -5}, {2, 2}, {3, 7}}).GetMaxY(), 7.0);
    EXPECT_EQ(Points({{1, -5}, {2, 2}, {3, 7}}).GetMinY(), -5.0);
    CGraphData r = Points({{1, 1}, {3, 1}});
    EXPECT_EQ(r.IsInRange(1), 1);
    EXPECT_EQ(r.IsInRange(3), 1);
    EXPECT_EQ(r.IsInRange(3.0000001), 0);
}

TEST(GraphData, AddSortsOnRequest) {
    CGraphData c(1);
    c.Add(10, 1, 1, 0);
    c.Add(2, 1, 1, 0);
    EXPECT_EQ(c.Add(1, 1, 1, 0), 2);  // appended, order unchanged
    EXPECT_EQ(c.GetAt(CGraphData::X, 0), 10.0);
    EXPECT_EQ(c.Add(5, 1, 0, 1), 2);  // sorted: 1 2 5 10
    EXPECT_EQ(c.GetAt(CGraphData::YError, 2), DBL_MIN);
    double& ref = c.ElementAt(CGraphData::X, 0);
    EXPECT_EQ(ref, 1.0);
    ref = 5.0;
    EXPECT_EQ(c.GetAt(CGraphData::X, 0), 1.0);
}

TEST(GraphData, AppendAssignAndModes) {
    CGraphData custom(1);
    custom.Add(1, 4, 0.5, 0);
    CGraphData counting = Points({{0, 9}, {3, 16}});
    EXPECT_EQ(custom.Append(counting), 1);
    ASSERT_EQ(custom.GetSize(), 3);
    EXPECT_EQ(custom.GetAt(CGraphData::X, 0), 0.0);
    EXPECT_EQ(custom.GetAt(CGraphData::YError, 0), 3.0);
    EXPECT_EQ(custom.GetAt(CGraphData::YError, 1), 0.5);
    EXPECT_EQ(custom.GetAt(CGraphData::YError, 2), 4.0);

    CGraphData plain = Points({{5, 25}});
    plain += custom;  // switches to custom errors: its own point gets sqrt(25)
    EXPECT_TRUE(plain.IsCustomErrors());
    EXPECT_EQ(plain.GetYError(5.0), 5.0);

    CArray<double, double> x, y, e;
    for (double v : {5.0, 4.0, 3.0, 2.0, 1.0}) x.Add(v);
    for (double v : {1.0, 2.0, 3.0}) y.Add(v);
    e.Add(0.1);
    CGraphData g = Points({{100, 1}});
    g.Assign(x, y);
    ASSERT_EQ(g.GetSize(), 3);
    EXPECT_EQ(g.GetAt(CGraphData::X, 0), 3.0);
    EXPECT_EQ(g.GetAt(CGraphData::Y, 0), 3.0);
    CArray<double, double> none;
    g.Assign(none, y);
    EXPECT_EQ(g.GetSize(), 3);  // nothing to assign: the old points stay
    g.Assign(x, y, e);          // the error array bounds the count
    ASSERT_EQ(g.GetSize(), 1);
    EXPECT_EQ(g.GetAt(CGraphData::YError, 0), 0.1);

    double xs[] = {3, 1, 2}, ys[] = {30, 10, 20}, es[] = {3, 1, 2};
    CGraphData raw(3, xs, ys, es);
    EXPECT_TRUE(raw.IsCustomErrors());
    EXPECT_EQ(raw.GetAt(CGraphData::YError, 0), 1.0);
    raw.Assign(xs, nullptr, nullptr, 3);
    EXPECT_FALSE(raw.IsCustomErrors());
    EXPECT_EQ(raw.GetAt(CGraphData::Y, 2), 0.0);
    raw.Assign(xs, ys, es, 0);
    EXPECT_EQ(raw.GetSize(), 0);
}

TEST(GraphData, HandingDataOut) {
    CGraphData g = Points({{1, 4}, {2, -9}});
    double *x = nullptr, *y = nullptr, *e = nullptr;
    int n = 0;
    g.GetData(x, y, e, n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(e[0], 2.0);
    EXPECT_EQ(e[1], 3.0);
    EXPECT_FALSE(g.IsCustomErrors());
    delete[] x;
    delete[] y;
    delete[] e;

    CArray<double, double> ax, ay, ae;
    g.GetData(ax, ay, ae);
    EXPECT_EQ(ae[0], 2.0);
    EXPECT_EQ(ae[1], 0.0);  // no error for negative counts here

    g.GetDataRef(x, y, e, n);
    EXPECT_TRUE(g.IsCustomErrors());
    EXPECT_EQ(e[1], 3.0);
    y[0] = 100;
    EXPECT_EQ(g.GetAt(CGraphData::Y, 0), 100.0);

    CGraphData empty;
    empty.GetDataRef(x, y, e, n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(x, nullptr);
}

TEST(GraphData, CopiesTakeTheSourceModeAndSort) {
    CGraphData c(1);
    c.Add(2, 4, 1.5, 0);
    c.Add(1, 9, 2.5, 0);
    CGraphData d(c);
    EXPECT_TRUE(d.IsCustomErrors());
    EXPECT_EQ(d.GetAt(CGraphData::X, 0), 1.0);
    EXPECT_EQ(d.GetAt(CGraphData::YError, 0), 2.5);
    CGraphData e = Points({{7, 49}});
    d = e;
    EXPECT_FALSE(d.IsCustomErrors());
    EXPECT_EQ(d.GetSize(), 1);
    d.SetCustomErrors();
    EXPECT_EQ(d.GetAt(CGraphData::YError, 0), 7.0);
    d.SetCountingStatistics();
    EXPECT_FALSE(d.IsCustomErrors());
}

TEST(GraphData, EqualXEndInTheHeapSortOrder) {
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        int n = 1 + static_cast<int>(rng() % 50);
        CGraphData g(1);
        std::vector<RefPoint> ref;
        for (int i = 0; i < n; ++i) {
            double x = static_cast<double>(rng() % 6), y = i, e = 1000 + i;
            g.Add(x, y, e, 0);
            ref.push_back({x, y, e});
        }
        g.Sort();
        ReferenceSort(ref);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(g.GetAt(CGraphData::X, i), ref[i].x);
            ASSERT_EQ(g.GetAt(CGraphData::Y, i), ref[i].y) << "round " << round;
            ASSERT_EQ(g.GetAt(CGraphData::YError, i), ref[i].e);
        }
    }
}
