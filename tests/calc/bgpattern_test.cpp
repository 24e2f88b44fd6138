// The background on the pattern: fitting and storing it, the type flag and the original copy, and the
// background-subtracted copies.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fit_reference.h"
#include "support/registry_sandbox.h"
#include "xrddata/calc/backgroundcalc.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/window.h"

namespace {

std::vector<double> Column(const CGraphData& g, CGraphData::Prop p) {
    std::vector<double> v;
    for (int i = 0; i < g.GetSize(); ++i) v.push_back(g.GetAt(p, i));
    return v;
}

// A pattern of peaks on a smooth background, 10 to 70 degrees.
CXRDData Pattern(unsigned seed = 21) {
    fit_reference::Synthetic s =
        fit_reference::MakePattern(3001, 10.0, 0.02, {{22.0, 2500.0, 0.2}, {41.0, 900.0, 0.3}, {58.0, 1600.0, 0.25}}, seed);
    return CXRDData(static_cast<int>(s.x.size()), s.x.data(), s.y.data(), nullptr);
}

class KnotAccess : public CBackgroundCalculation {
public:
    using CBackgroundCalculation::CBackgroundCalculation;
    using CBackgroundCalculation::m_nKnots;
    using CBackgroundCalculation::m_pKnotX;
    using CBackgroundCalculation::m_pKnotY;
    using CBackgroundCalculation::m_pKnotY2;
};

}  // namespace

TEST(PatternBackground, SubtractedCopies) {
    testing_support::RegistrySandbox sandbox;
    const double x[] = {1.0, 2.0, 3.0}, y[] = {10.0, 3.0, 8.0};
    CXRDData d(3, x, y, nullptr);
    // Without a background: an unchanged copy in the pattern's own error mode.
    CGraphData plain = d.GetBackgroundSubtracted();
    EXPECT_EQ(Column(plain, CGraphData::Y), (std::vector<double>{10.0, 3.0, 8.0}));
    EXPECT_FALSE(plain.IsCustomErrors());

    const double by[] = {4.0, 5.0, 4.0};
    d.m_Background.CGraphData::Assign(x, by, nullptr, 3);
    CGraphData sub = d.GetBackgroundSubtracted();
    EXPECT_EQ(Column(sub, CGraphData::Y), (std::vector<double>{6.0, 0.0, 4.0}));  // clipped at 0
    EXPECT_TRUE(sub.IsCustomErrors());
    EXPECT_EQ(Column(sub, CGraphData::YError), (std::vector<double>{std::sqrt(10.0), std::sqrt(3.0), std::sqrt(8.0)}));
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{10.0, 3.0, 8.0}));
    EXPECT_FALSE(d.IsCustomErrors());

    // A background shorter than the pattern: only the points both have are subtracted.
    d.m_Background.SetSize(2, -1);
    EXPECT_EQ(Column(d.GetBackgroundSubtracted(), CGraphData::Y), (std::vector<double>{6.0, 0.0, 8.0}));
}

TEST(PatternBackground, StoreTakesTheKnotsAndSavesTheOriginal) {
    testing_support::RegistrySandbox sandbox;
    CXRDData d = Pattern();
    KnotAccess calc(d);
    calc.SetBackgroundParams(1.0, 1.0, 10.0, 70.0);
    calc.Calculate();
    ASSERT_GT(calc.m_nKnots, 0);
    d.StoreBackground(calc);
    EXPECT_EQ(d.m_nTypeFlag, 4);
    EXPECT_EQ(d.IsBackgroundSubtracted(), 1);
    EXPECT_EQ(d.BackgroundExists(), 1);
    EXPECT_EQ(Column(d.m_OriginalData, CGraphData::Y), Column(d, CGraphData::Y));
    EXPECT_EQ(Column(d.m_Background, CGraphData::X), Column(d, CGraphData::X));
    EXPECT_EQ(Column(d.m_Background.m_Knots, CGraphData::X),
              std::vector<double>(calc.m_pKnotX, calc.m_pKnotX + calc.m_nKnots));
    EXPECT_EQ(Column(d.m_Background.m_Knots, CGraphData::YError),
              std::vector<double>(calc.m_pKnotY2, calc.m_pKnotY2 + calc.m_nKnots));
    for (int i = 0; i < d.GetSize(); i += 97) {
        const double xi = d.GetAt(CGraphData::X, i);
        EXPECT_NEAR(d.m_Background.GetAt(CGraphData::Y, i), calc.SplineInterpolate(xi), 1e-9) << xi;
    }
    EXPECT_FALSE(d.IsCustomErrors());  // the pattern's own points and mode are untouched

    // On a pattern already K-alpha2 stripped the original (saved before stripping) stays; only bit 4 is added.
    CXRDData stripped = Pattern(22);
    stripped.m_nTypeFlag = 2;
    const double ox[] = {1.0}, oy[] = {123.0};
    stripped.m_OriginalData.Assign(ox, oy, nullptr, 1);
    stripped.StoreBackground(calc);
    EXPECT_EQ(stripped.m_nTypeFlag, 6);
    EXPECT_EQ(Column(stripped.m_OriginalData, CGraphData::Y), (std::vector<double>{123.0}));
}

TEST(PatternBackground, StoringNoKnotsChangesNothing) {
    testing_support::RegistrySandbox sandbox;
    CXRDData d = Pattern();
    const double kx[] = {0.0, 40.0, 80.0}, ky[] = {5.0, 6.0, 7.0}, k2[] = {0.0, 0.0, 0.0};
    d.m_Background.CGraphData::Assign(std::vector<double>{10.0, 20.0}.data(), std::vector<double>{5.25, 5.5}.data(),
                                      nullptr, 2);
    d.m_Background.m_Knots.Assign(kx, ky, k2, 3);

    // A fit refused for its scale length holds no knots: no bit, no original copy, the background untouched.
    KnotAccess refused(d);
    refused.SetBackgroundParams(0.1, 1.0, 10.0, 70.0);
    refused.Calculate();
    ASSERT_EQ(refused.m_nKnots, 0);
    d.StoreBackground(refused);
    // A calculation without points: nothing either.
    KnotAccess empty;
    d.StoreBackground(empty);
    EXPECT_EQ(d.m_nTypeFlag, 0);
    EXPECT_EQ(d.m_OriginalData.GetSize(), 0);
    EXPECT_EQ(Column(d.m_Background, CGraphData::Y), (std::vector<double>{5.25, 5.5}));
    EXPECT_EQ(d.m_Background.m_Knots.GetSize(), 3);

    // The same through CalculateBackground with a scale length below ten sampling steps.
    d.m_dBackgroundLength = 0.15;
    d.CalculateBackground(nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(d.m_nTypeFlag, 0);
    EXPECT_EQ(Column(d.m_Background, CGraphData::Y), (std::vector<double>{5.25, 5.5}));
}

TEST(PatternBackground, CalculateBackgroundRunsHereAndReplaces) {
    testing_support::RegistrySandbox sandbox;
    HWND w = xrddata::platform::CreateNoticeWindow();
    CXRDData d = Pattern();
    d.m_dBackgroundLength = 1.5;
    d.m_dBackgroundScale = 2.0;
    d.CalculateBackground(nullptr, w, 11, 12, 13);
    // Begin and progress up to 100 arrive; the end message is not used.
    std::vector<MSG> seen;
    MSG m;
    while (PeekMessage(&m, w, 0, 0, PM_REMOVE)) seen.push_back(m);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front().message, 11u);
    EXPECT_EQ(seen.back().message, 12u);
    EXPECT_EQ(seen.back().wParam, 100u);
    for (const MSG& n : seen) EXPECT_NE(n.message, 13u);
    EXPECT_EQ(d.m_nTypeFlag, 4);
    const std::vector<double> first = Column(d.m_Background, CGraphData::Y);

    // The fit is the one of a calculation built from the pattern with its settings and full range.
    KnotAccess calc(d);
    calc.SetBackgroundParams(1.5, 2.0, 10.0, 70.0);
    calc.Calculate();
    for (int i = 0; i < d.GetSize(); i += 101)
        EXPECT_NEAR(first[i], calc.SplineInterpolate(d.GetAt(CGraphData::X, i)), 1e-9);

    // A second call replaces the background, keeps bit 4 and saves the (unchanged) points again.
    d.m_OriginalData.RemoveAll();
    d.m_dBackgroundLength = 4.0;
    d.CalculateBackground(nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(d.m_nTypeFlag, 4);
    EXPECT_EQ(d.m_OriginalData.GetSize(), d.GetSize());
    EXPECT_NE(Column(d.m_Background, CGraphData::Y), first);
    EXPECT_EQ(d.m_Background.m_Knots.GetSize(), 2 * 60 / 4 + 1 + 2);
    DestroyWindow(w);
}

// CalculateBackground releases the fit's copy of the points before storing: what it stores is what storing the
// calculation gives, column for column, on a first fit and on a refit of a pattern with custom errors.
TEST(PatternBackground, CalculateBackgroundStoresWhatStoreBackgroundStores) {
    testing_support::RegistrySandbox sandbox;
    CXRDData a = Pattern(), b = Pattern();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        a.m_dBackgroundLength = b.m_dBackgroundLength = round ? 3.0 : 1.5;
        a.m_dBackgroundScale = b.m_dBackgroundScale = 1.0;
        a.CalculateBackground(nullptr, nullptr, 0, 0, 0);
        CBackgroundCalculation calc(b);
        calc.SetBackgroundParams(b.m_dBackgroundLength, b.m_dBackgroundScale, b.GetMinX(), b.GetMaxX());
        calc.Calculate();
        b.StoreBackground(calc);
        EXPECT_EQ(a.m_nTypeFlag, b.m_nTypeFlag);
        EXPECT_EQ(a.m_Background.IsCustomErrors(), b.m_Background.IsCustomErrors());
        for (CGraphData::Prop p : {CGraphData::X, CGraphData::Y, CGraphData::YError}) {
            EXPECT_EQ(Column(a.m_Background, p), Column(b.m_Background, p)) << p;
            EXPECT_EQ(Column(a.m_Background.m_Knots, p), Column(b.m_Background.m_Knots, p)) << p;
            EXPECT_EQ(Column(a.m_OriginalData, p), Column(b.m_OriginalData, p)) << p;
            // The fit leaves the pattern's own points as they were.
            EXPECT_EQ(Column(a, p), Column(b, p)) << p;
        }
        a.GenerateErrors();
        b.GenerateErrors();
    }
    // So does a refused fit.
    const std::vector<double> y = Column(a, CGraphData::Y);
    a.m_dBackgroundLength = 0.01;
    a.CalculateBackground(nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(Column(a, CGraphData::Y), y);
    EXPECT_EQ(a.GetSize(), b.GetSize());
}
