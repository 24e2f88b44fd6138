#include "xrddata/pattern/radiation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/archive_record.h"
#include "support/support.h"
#include "xrddata/platform/memfile.h"

using testing_support::Bytes;
using testing_support::LoadCause;
using testing_support::Store;

namespace {

Bytes Record(const std::string& target, double ka1, double ka2, double ratio, int valid, int ka2Flag,
             std::uint32_t signature = 0x49444152u, std::int32_t version = 1) {
    Bytes b;
    b.u32(signature).i32(version).u8(static_cast<std::uint8_t>(target.size())).raw(target);
    b.f64(ka1).f64(ka2).f64(ratio).i32(valid).i32(ka2Flag);
    return b;
}

}  // namespace

TEST(Radiation, DefaultAndSetTargetByNameIgnoringCaseAndPadding) {
    CRadiation r;
    EXPECT_EQ(r.GetTargetName(), "Cu");
    EXPECT_EQ(r.IsValidTarget() * 10 + r.IsKa2(), 11);
    EXPECT_EQ(r.GetKa2Lambda(), 1.54439);
    for (const char* s : {"Cu", "Co", "Fe", "Cr", "Mo", "Ag", "Ni", "Mn", "Ti", "W"})
        EXPECT_NE(CRadiation::FindTarget(s), nullptr) << s;

    r.SetKa2(0);
    EXPECT_EQ(r.SetTarget(CString("MO")), 1);
    EXPECT_EQ(r.GetTargetName(), "Mo");
    EXPECT_EQ(r.GetLambda(), 0.70930);
    EXPECT_EQ(r.IsKa2(), 0);  // the flag is the reader's business

    EXPECT_EQ(r.SetTarget(CString("  copper \t")), 1);
    EXPECT_EQ(r.GetTargetName(), "Cu");
    EXPECT_EQ(r.SetTarget(CString("Co\0", 3)), 1);  // NUL-padded 2-character field
    EXPECT_EQ(r.GetTargetName(), "Co");
    EXPECT_EQ(r.SetTarget(CString("wolfram")), 1);
    EXPECT_EQ(r.GetTargetFullName(), "Tungsten");

    // Unknown names leave everything as it was, a free wavelength included.
    r.SetLambda(1.20793);
    const CRadiation before = r;
    for (const char* bad : {"", "   ", "Xx", "C", "Cuu", "Cu Ka", "Uranium"}) {
        EXPECT_EQ(r.SetTarget(CString(bad)), 0) << bad;
        EXPECT_EQ(r, before) << bad;
    }
    r.SetDefaultTarget();
    EXPECT_EQ(r, CRadiation());
}

TEST(Radiation, SetTargetByWavelengthAndFreeWavelength) {
    CRadiation r;
    EXPECT_EQ(r.SetTarget(0.7093), 1);  // Mo K-alpha1
    EXPECT_EQ(r.GetTargetName(), "Mo");
    EXPECT_EQ(r.GetLambda(), 0.70930);  // the table value, not the one passed
    EXPECT_EQ(r.SetTarget(1.5418), 1);  // Cu weighted mean
    EXPECT_EQ(r.GetTargetName(), "Cu");

    // Not a known K-alpha1 or mean: a K-alpha2 line, a synchrotron wavelength, nonsense.
    const CRadiation before = r;
    for (double bad : {1.54439, 1.20793, 0.0, -1.5406, double(NAN), double(INFINITY)}) {
        EXPECT_EQ(r.SetTarget(bad), 0) << bad;
        EXPECT_EQ(r, before) << bad;
    }

    r.SetLambda(1.20793);
    EXPECT_EQ(r.IsValidTarget(), 0);
    EXPECT_EQ(r.GetLambda(), 1.20793);
    EXPECT_EQ(r.GetTargetName(), "");
    // No K-alpha2 line known: every position lies beyond the pattern.
    EXPECT_EQ(r.Ka2PositionDegrees(30.0), 210.0);
}

TEST(Radiation, Ka2PositionFollowsBraggsLawAndNeverFails) {
    CRadiation r;
    for (const char* s : {"Cu", "Mo", "Cr", "W"}) {
        ASSERT_EQ(r.SetTarget(CString(s)), 1);
        const double deg = M_PI / 180.0;
        for (double tt : {5.0, 30.0, 90.0, 150.0}) {
            const double p = r.Ka2PositionDegrees(tt);
            // Same lattice spacing d = lambda / (2 sin theta) for both lines.
            EXPECT_NEAR(r.GetKa1Lambda() / std::sin(tt / 2 * deg), r.GetKa2Lambda() / std::sin(p / 2 * deg), 1e-12)
                << s << " " << tt;
            EXPECT_GT(p, tt);
        }
    }
    r.SetTarget(CString("Cu"));
    // Cu at 2-theta 90: the familiar doublet splitting of about 0.28 degrees.
    EXPECT_NEAR(r.Ka2PositionDegrees(90.0) - 90.0, 0.2850, 0.0005);

    // Near backscattering no K-alpha2 reflection exists: a position beyond every angle, never NaN.
    EXPECT_EQ(r.Ka2PositionDegrees(179.0), 359.0);
    EXPECT_EQ(r.Ka2PositionDegrees(-3.0), -3.0);
    EXPECT_EQ(r.Ka2PositionDegrees(NAN), CRadiation::NoPosition);

    // At or above the argument and rising with it over the whole range, for the widest and narrowest doublets.
    for (const char* s : {"Ti", "W"}) {
        r.SetTarget(CString(s));
        double last = -20.0;
        for (double tt = -10.0; tt <= 370.0; tt += 0.01) {
            const double p = r.Ka2PositionDegrees(tt);
            ASSERT_FALSE(std::isnan(p)) << s << " " << tt;
            ASSERT_GE(p, tt) << s << " " << tt;
            ASSERT_GT(p, last) << s << " " << tt;
            last = p;
        }
    }
}

TEST(Radiation, ArchiveRecordBytesAndRoundTrip) {
    CRadiation r;
    EXPECT_EQ(Store(r), Record("Cu", 1.54056, 1.54439, 0.5, 1, 1).str());
    CRadiation free;
    free.SetLambda(1.20793);
    free.SetKa2(0);
    EXPECT_EQ(Store(free), Record("", 1.20793, 0.0, 0.0, 0, 0).str());

    CRadiation mo;
    mo.SetTarget(CString("Mo"));
    mo.SetKa2(0);
    for (CRadiation* src : {&r, &free, &mo}) {
        CRadiation back;
        back.SetTarget(CString("W"));
        // The record ends where the radiation's bytes end: what follows is left for the next reader.
        std::uint64_t left = 0;
        EXPECT_EQ(LoadCause(back, Store(*src) + "tail", &left), -1);
        EXPECT_EQ(left, 4u);
        EXPECT_EQ(back, *src);
    }

    // Wavelengths come from the record, not from the table.
    CRadiation odd;
    EXPECT_EQ(LoadCause(odd, Record("Cu", 1.540598, 1.544426, 0.497, 1, 1).str()), -1);
    EXPECT_EQ(odd.GetLambda(), 1.540598);
    EXPECT_EQ(odd.GetKa2Ratio(), 0.497);
}

TEST(Radiation, BadRecordsRaiseArchiveExceptionsAndChangeNothing) {
    CRadiation mo;
    mo.SetTarget(CString("Mo"));
    const std::string good = Record("Cu", 1.54056, 1.54439, 0.5, 1, 0).str();

    CRadiation r = mo;
    EXPECT_EQ(LoadCause(r, Record("Cu", 1.54056, 1.54439, 0.5, 1, 0, 0x49444153u).str()), 5);
    EXPECT_EQ(LoadCause(r, Record("Cu", 1.54056, 1.54439, 0.5, 1, 0, 0x49444152u, 0).str()), 7);
    EXPECT_EQ(LoadCause(r, Record("Cu", 1.54056, 1.54439, 0.5, 1, 0, 0x49444152u, 2).str()), 7);
    // A selected target whose ratio or lines cannot be used; a flag out of range.
    EXPECT_EQ(LoadCause(r, Record("Cu", 1.54056, 1.54439, 0.0, 1, 0).str()), 1);
    EXPECT_EQ(LoadCause(r, Record("Cu", NAN, 1.54439, 0.5, 1, 0).str()), 1);
    EXPECT_EQ(LoadCause(r, Record("Cu", 1.54056, 1.54439, 0.5, 2, 0).str()), 1);
    EXPECT_EQ(r, mo);

    // Cut at every offset: end of file, nothing changed.
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_EQ(LoadCause(r, good.substr(0, n)), CArchiveException::endOfFile) << n;
        EXPECT_EQ(r, mo) << n;
    }
    EXPECT_EQ(LoadCause(r, good), -1);
    EXPECT_EQ(r.GetTargetName(), "Cu");
    EXPECT_EQ(r.IsKa2(), 0);
}
