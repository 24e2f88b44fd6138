#include "xrddata/calc/background.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/archive_record.h"
#include "support/support.h"
#include "xrddata/platform/memfile.h"

using testing_support::Bytes;
using testing_support::LoadCause;
using testing_support::Store;

namespace {

Bytes& Doubles(Bytes& b, const std::vector<double>& v) {
    b.u16(static_cast<std::uint16_t>(v.size()));
    for (double d : v) b.f64(d);
    return b;
}

// A point-set record: signature, version, flag, x, y and (flag set) the errors.
Bytes& PointSet(Bytes& b, const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>* e) {
    b.u32(0x71811680u).u32(0).i32(e ? 1 : 0);
    Doubles(b, x);
    Doubles(b, y);
    if (e) Doubles(b, *e);
    return b;
}

std::vector<double> Column(CGraphData& g, CGraphData::Prop p) {
    std::vector<double> v;
    for (int i = 0; i < g.GetSize(); ++i) v.push_back(g.GetAt(p, i));
    return v;
}

// Knots (0, 0), (1, 1), (2, 0) of the natural spline: second derivatives 0, -3, 0.
void SetArchKnots(CBackground& b) {
    const double kx[] = {0, 1, 2}, ky[] = {0, 1, 0}, k2[] = {0, -3, 0};
    b.m_Knots.Assign(kx, ky, k2, 3);
}

std::vector<double> Knots(int n) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(10.0 * i);
    return v;
}

}  // namespace

TEST(Background, SplineInterpolate) {
    CBackground b;
    double xa[] = {0, 1, 2}, ya[] = {0, 1, 0}, zero[] = {0, 0, 0}, y2[] = {0, -3, 0};
    // Straight pieces without curvature.
    EXPECT_EQ(b.SplineInterpolate(0.5, xa, ya, zero, 3), 0.5);
    EXPECT_EQ(b.SplineInterpolate(1.5, xa, ya, zero, 3), 0.5);
    // Outside the knots the end intervals extend.
    EXPECT_EQ(b.SplineInterpolate(-1.0, xa, ya, zero, 3), -1.0);
    // The natural spline through the three knots.
    EXPECT_EQ(b.SplineInterpolate(0.5, xa, ya, y2, 3), 0.6875);
    EXPECT_EQ(b.SplineInterpolate(1.5, xa, ya, y2, 3), 0.6875);
    EXPECT_EQ(b.SplineInterpolate(1.0, xa, ya, y2, 3), 1.0);

    // Nothing to interpolate: null arrays, a single knot, no knots, two knots at one position.
    EXPECT_EQ(b.SplineInterpolate(0.5, nullptr, ya, y2, 3), 0.0);
    EXPECT_EQ(b.SplineInterpolate(0.5, xa, ya, nullptr, 3), 0.0);
    EXPECT_EQ(b.SplineInterpolate(0.5, xa, ya, y2, 1), 0.0);
    EXPECT_EQ(b.SplineInterpolate(0.5, xa + 2, ya + 2, y2 + 2, -5), 0.0);
    double same[] = {1, 1};
    EXPECT_EQ(b.SplineInterpolate(1.0, same, ya, y2, 2), 0.0);
}

TEST(Background, GenerateBackgroundFromKnots) {
    CBackground b;
    EXPECT_EQ(b.GenerateBackground(), 0);

    const double x[] = {0, 0.5, 1, 1.5, 2}, y[] = {7, 7, 7, 7, 7};
    CBackground curve(5, x, y, nullptr);
    // No knots: the curve keeps its values.
    EXPECT_EQ(curve.GenerateBackground(), 0);
    EXPECT_EQ(Column(curve, CGraphData::Y), (std::vector<double>{7, 7, 7, 7, 7}));

    SetArchKnots(curve);
    EXPECT_EQ(curve.GenerateBackground(), 1);
    EXPECT_EQ(Column(curve, CGraphData::Y), (std::vector<double>{0, 0.6875, 1, 0.6875, 0}));
    EXPECT_EQ(curve.IsCustomErrors(), 1);
}

TEST(Background, DisplayArraysOfInteriorKnots) {
    CBackground b;
    const std::vector<double> k2 = Knots(2);
    b.m_Knots.Assign(k2.data(), k2.data(), k2.data(), 2);
    EXPECT_EQ(b.GetCtrlDisplaySize(), 0);
    VARIANT v = b.GetCtrlDisplaySafeArray(CGraphData::X);
    EXPECT_EQ(v.vt, VT_EMPTY);

    auto values = [](VARIANT& var) {
        std::vector<double> out;
        EXPECT_EQ(var.vt, VT_ARRAY | VT_R8);
        if (var.vt != (VT_ARRAY | VT_R8)) return out;
        LONG lo = -1, hi = -1;
        SafeArrayGetLBound(var.parray, 1, &lo);
        SafeArrayGetUBound(var.parray, 1, &hi);
        EXPECT_EQ(lo, 0);
        for (LONG i = lo; i <= hi; ++i) {
            double d = 0;
            SafeArrayGetElement(var.parray, &i, &d);
            out.push_back(d);
        }
        VariantClear(&var);
        return out;
    };

    const std::vector<double> k3 = Knots(3);
    const std::vector<double> y3 = {5, 6, 7};
    b.m_Knots.Assign(k3.data(), y3.data(), k3.data(), 3);
    EXPECT_EQ(b.GetCtrlDisplaySize(), 1);
    v = b.GetCtrlDisplaySafeArray(CGraphData::X);
    EXPECT_EQ(values(v), std::vector<double>{10});
    v = b.GetCtrlDisplaySafeArray(CGraphData::Y);
    EXPECT_EQ(values(v), std::vector<double>{6});
    v = b.GetCtrlDisplaySafeArray(CGraphData::YError);
    EXPECT_EQ(v.vt, VT_EMPTY);

    const std::vector<double> k5 = Knots(5);
    b.m_Knots.Assign(k5.data(), k5.data(), k5.data(), 5);
    EXPECT_EQ(CBackground::DisplayOffset, 1);
    v = b.GetCtrlDisplaySafeArray(CGraphData::X);
    EXPECT_EQ(values(v), (std::vector<double>{10, 20, 30}));
    CBackground::DisplayOffset = 2;
    v = b.GetCtrlDisplaySafeArray(CGraphData::Y);
    EXPECT_EQ(values(v), (std::vector<double>{20, 30, 40}));
    // A window that would leave the knots hands out nothing.
    for (int bad : {-1, 3, 1000}) {
        CBackground::DisplayOffset = bad;
        v = b.GetCtrlDisplaySafeArray(CGraphData::X);
        EXPECT_EQ(v.vt, VT_EMPTY) << bad;
    }
    CBackground::DisplayOffset = 1;
}

TEST(Background, ArchiveBytesAndRoundTrip) {
    CBackground empty;
    Bytes expect;
    expect.u32(0x2A7F4094u).u32(0).u16(0);
    PointSet(expect, {}, {}, nullptr);
    EXPECT_EQ(Store(empty), expect.str());
    EXPECT_EQ(expect.size(), 26u);
    EXPECT_EQ(expect.str().substr(0, 4), "\x94\x40\x7F\x2A");

    const double x[] = {0, 0.5, 1.5, 2};
    const double y[] = {9, 9, 9, 9};
    CBackground b(4, x, y, nullptr);
    SetArchKnots(b);
    ASSERT_EQ(b.GenerateBackground(), 1);
    const std::vector<double> curve = Column(b, CGraphData::Y);

    Bytes full;
    full.u32(0x2A7F4094u).u32(0);
    Doubles(full, {0, 0.5, 1.5, 2});
    const std::vector<double> k2 = {0, -3, 0};
    PointSet(full, {0, 1, 2}, {0, 1, 0}, &k2);
    const std::string stored = Store(b);
    EXPECT_EQ(stored, full.str());

    // Loading regenerates the curve from the stored knots, replacing whatever the object held.
    const double ox[] = {5, 6, 7, 8, 9, 10};
    CBackground back(6, ox, ox, ox);
    std::uint64_t left = 99;
    EXPECT_EQ(LoadCause(back, stored + "next", &left), -1);
    EXPECT_EQ(left, 4u);
    EXPECT_EQ(Column(back, CGraphData::X), (std::vector<double>{0, 0.5, 1.5, 2}));
    EXPECT_EQ(Column(back, CGraphData::Y), curve);
    EXPECT_EQ(Column(back.m_Knots, CGraphData::YError), k2);
    EXPECT_EQ(Store(back), stored);

}

TEST(Background, BadRecordsFailCleanly) {
    const double x[] = {0, 1, 2};
    CBackground b(3, x, x, nullptr);
    SetArchKnots(b);
    const std::string good = Store(b);

    // Wrong magic fails at once, before anything is read into the object.
    CBackground target(3, x, x, nullptr);
    std::string bad = good;
    bad[0] = 0x95;
    EXPECT_EQ(LoadCause(target, bad), CArchiveException::badIndex);
    EXPECT_EQ(Column(target, CGraphData::Y), (std::vector<double>{0, 1, 2}));
    bad = good;
    bad[4] = 1;
    EXPECT_EQ(LoadCause(target, bad), CArchiveException::badSchema);
    EXPECT_EQ(Column(target, CGraphData::Y), (std::vector<double>{0, 1, 2}));
    // The embedded knot record has its own signature and version.
    bad = good;
    bad[10 + 3 * 8] = 0;
    EXPECT_EQ(LoadCause(target, bad), CArchiveException::badIndex);

    // Cut at every offset: a clean end-of-file, and the object stays usable whatever was read.
    for (size_t n = 0; n < good.size(); ++n) {
        CBackground part(3, x, x, nullptr);
        SetArchKnots(part);
        EXPECT_EQ(LoadCause(part, good.substr(0, n)), CArchiveException::endOfFile) << n;
        part.GenerateBackground();
        VARIANT v = part.GetCtrlDisplaySafeArray(CGraphData::Y);
        VariantClear(&v);
        Store(part);
        // Every knot the set reports can be read in each column.
        EXPECT_EQ(Column(part.m_Knots, CGraphData::Y).size(), Column(part.m_Knots, CGraphData::YError).size());
    }

    // Knot columns of different lengths: refused, knots emptied.
    Bytes mismatched;
    mismatched.u32(0x2A7F4094u).u32(0);
    Doubles(mismatched, {0, 1});
    const std::vector<double> e2 = {0, 0, 0};
    PointSet(mismatched, {0, 1, 2}, {0, 1}, &e2);
    EXPECT_EQ(LoadCause(target, mismatched.str()), CArchiveException::genericException);
    EXPECT_EQ(target.m_Knots.GetSize(), 0);
    EXPECT_EQ(target.GenerateBackground(), 0);
}
