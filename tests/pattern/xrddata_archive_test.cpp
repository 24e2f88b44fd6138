#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pattern/pattern_support.h"
#include "support/registry_sandbox.h"
#include "support/support.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/memfile.h"

using pattern_testing::Column;
using pattern_testing::FillEverything;
using pattern_testing::Store;
using testing_support::Bytes;
using testing_support::LoadCause;
using testing_support::RegistrySandbox;

namespace {

Bytes& Str(Bytes& b, const std::string& s) { return b.u8(static_cast<std::uint8_t>(s.size())).raw(s); }

// A counting-statistics point-set record with the given columns (sizes as given: the record does not tie them).
std::string PointSet(const std::vector<double>& x, const std::vector<double>& y) {
    Bytes b;
    b.u32(0x71811680u).u32(0).i32(0).u16(static_cast<std::uint16_t>(x.size()));
    for (double v : x) b.f64(v);
    b.u16(static_cast<std::uint16_t>(y.size()));
    for (double v : y) b.f64(v);
    return b.str();
}

// A whole record as FillEverything's pattern would give it, with the point sets and the version chosen here.
std::string Record(CXRDData& d, std::int32_t version, const std::string& points, const std::string& original) {
    Bytes b;
    b.u32(0x37241840u).i32(version).raw(points);
    Str(Str(Str(b, d.m_strFileName), d.m_strSampleName), d.m_strSampleInfo);
    b.i32(d.m_CollectionDate.GetStatus()).f64(d.m_CollectionDate.m_dt);
    b.raw(Store(d.m_Radiation)).raw(Store(d.m_Background));
    b.i32(d.m_bPeakData).f64(d.m_dBackgroundScale).f64(d.m_dBackgroundLength);
    if (version != 0) b.i32(d.m_bAutoWidth);
    b.i32(d.m_nWidthType).f64(d.m_dDetectedWidth).f64(d.m_dFixedWidth).f64(d.m_dV).f64(d.m_dU).f64(d.m_dW);
    b.f64(d.m_dZeroError).i32(d.m_nCountType).f64(d.m_dScaleFactor).f64(d.m_dEsds).u32(d.m_nTypeFlag);
    return b.raw(original).str();
}

// Reads every value of a point set, so that columns shorter than the set show up under the sanitizers.
double Touch(CGraphData& g) {
    double sum = 0.0;
    for (int i = 0; i < g.GetSize(); ++i)
        sum += g.GetAt(CGraphData::X, i) + g.GetAt(CGraphData::Y, i) + g.GetAt(CGraphData::YError, i);
    return sum;
}

}  // namespace

TEST(PatternArchive, StoresTheFieldsInRecordOrder) {
    RegistrySandbox box;
    CXRDData d;
    FillEverything(d);
    std::string bytes = Store(d);
    EXPECT_EQ(bytes.substr(0, 12), std::string("\x40\x18\x24\x37\x01\x00\x00\x00\x80\x16\x81\x71", 12));
    CGraphData points = d;
    EXPECT_EQ(bytes, Record(d, 1, Store(points), Store(d.m_OriginalData)));
}

TEST(PatternArchive, RoundTripGivesBackEveryMember) {
    RegistrySandbox box;
    CXRDData d;
    FillEverything(d);
    d.m_bAutoWidth = 3;
    std::string bytes = Store(d);

    CXRDData e;
    ASSERT_EQ(LoadCause(e, bytes), -1);
    // Storing the loaded pattern gives the same bytes, and the record's layout is checked field by field above:
    // so every member came back. A few direct looks for the values most at risk:
    EXPECT_EQ(e.m_strSampleName, std::string("quartz \xFF\x01", 9));
    EXPECT_EQ(e.m_CollectionDate, COleDateTime(37622.75));
    EXPECT_EQ(e.m_Radiation.GetTargetName(), "Mo");
    EXPECT_EQ(Column(e.m_Background, CGraphData::Y), Column(d.m_Background, CGraphData::Y));
    EXPECT_EQ(Column(e.m_Background.m_Knots, CGraphData::YError), (std::vector<double>{0.0, -0.5, 0.7, 0.0}));
    EXPECT_EQ(e.m_bPeakData, 1);
    EXPECT_EQ(e.m_bAutoWidth, 3);
    EXPECT_EQ(e.m_dZeroError, 0.05);
    EXPECT_EQ(e.m_nTypeFlag, 6);
    EXPECT_EQ(Column(e.m_OriginalData, CGraphData::Y), (std::vector<double>{120.0, 260.0}));
    EXPECT_EQ(Store(e), bytes);
}

TEST(PatternArchive, VersionZeroKeepsAutoWidthAndNothingIsSorted) {
    RegistrySandbox box;
    CXRDData src;
    FillEverything(src);
    // Points stored in descending order stay in that order.
    std::string bytes = Record(src, 0, PointSet({3.0, 2.0, 1.0}, {30.0, 20.0, 10.0}), PointSet({}, {}));
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x40\x18\x24\x37\x00\x00\x00\x00", 8));

    CXRDData d;
    d.m_bAutoWidth = 0;  // differs from the stored default of a new pattern
    ASSERT_EQ(LoadCause(d, bytes), -1);
    EXPECT_EQ(d.m_bAutoWidth, 0);
    EXPECT_EQ(Column(d, CGraphData::X), (std::vector<double>{3.0, 2.0, 1.0}));
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{30.0, 20.0, 10.0}));
    EXPECT_FALSE(d.IsCustomErrors());
    EXPECT_EQ(d.m_strSampleInfo, src.m_strSampleInfo);
    EXPECT_EQ(d.m_nWidthType, 1);
    EXPECT_EQ(d.m_dDetectedWidth, 0.0875);
    EXPECT_EQ(d.m_dV, -0.002);
    EXPECT_EQ(d.m_dEsds, 4.5);
    EXPECT_EQ(d.m_nTypeFlag, 6);
    EXPECT_EQ(d.m_OriginalData.GetSize(), 0);
    d.m_bAutoWidth = 1;
    ASSERT_EQ(LoadCause(d, bytes), -1);
    EXPECT_EQ(d.m_bAutoWidth, 1);
}

TEST(PatternArchive, BadMagicOrVersionChangesNothing) {
    RegistrySandbox box;
    CXRDData src;
    FillEverything(src);
    std::string good = Store(src);
    CXRDData d;
    FillEverything(d);
    d.m_strSampleName = "mine";
    const std::string before = Store(d);

    std::string magic = good;
    magic[3] = '\x38';
    EXPECT_EQ(LoadCause(d, magic), CArchiveException::badIndex);
    std::string swapped = good;
    std::swap(swapped[0], swapped[3]);
    EXPECT_EQ(LoadCause(d, swapped), CArchiveException::badIndex);
    for (char version : {'\x02', '\xff', '\x7f'}) {
        std::string v = good;
        v[4] = version;
        v[7] = version == '\x7f' ? '\x00' : version;
        EXPECT_EQ(LoadCause(d, v), CArchiveException::badSchema);
    }
    EXPECT_EQ(Store(d), before);
    // An embedded point set with a wrong signature is refused too (after the header passed).
    std::string points = good;
    points[8] = '\x81';
    EXPECT_EQ(LoadCause(d, points), CArchiveException::badIndex);
}

TEST(PatternArchive, RecordsCutAtEveryOffsetFailCleanly) {
    RegistrySandbox box;
    CXRDData src;
    FillEverything(src);
    const std::string full = Store(src);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        CXRDData d;
        EXPECT_NE(LoadCause(d, full.substr(0, cut)), -1);
        Touch(d);
        Touch(d.m_OriginalData);
        Touch(d.m_Background);
        Touch(d.m_Background.m_Knots);
    }

    // Members before the cut are new, the rest as they were: cut inside the radiation record.
    CGraphData points = src;
    size_t radiation = 8 + Store(points).size() + (1 + src.m_strFileName.size()) + (1 + 9) +
                       (1 + src.m_strSampleInfo.size()) + 12;
    CXRDData d;
    EXPECT_EQ(LoadCause(d, full.substr(0, radiation + 5)), CArchiveException::endOfFile);
    EXPECT_EQ(d.GetSize(), 4);
    EXPECT_EQ(d.m_strSampleName, src.m_strSampleName);
    EXPECT_EQ(d.m_CollectionDate, src.m_CollectionDate);
    EXPECT_TRUE(d.m_Radiation == CRadiation());
    EXPECT_EQ(d.m_nTypeFlag, 0);
    EXPECT_EQ(d.m_dEsds, 1.0);
}
