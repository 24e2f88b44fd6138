// Helpers for the pattern tests: access to the protected operations of the pattern, and a pattern with every
// member set to a value no pattern starts with.
#pragma once

#include <string>
#include <vector>

#include "support/archive_record.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/memfile.h"

namespace pattern_testing {

// Opens the protected operations of the pattern to the tests.
class Probe : public CXRDData {
public:
    using CXRDData::CXRDData;
    using CXRDData::ClearTypeFlag;
    using CXRDData::GetProfileInt;
    using CXRDData::GetProfileReal;
    using CXRDData::GetProfileString;
    using CXRDData::GetRegistryKey;
    using CXRDData::GetSectionKey;
    using CXRDData::HeaderInit;
    using CXRDData::ReadFactory;
    using CXRDData::ReadRegistry;
    using CXRDData::SetBackgroundSubtracted;
    using CXRDData::SetKa2Stripped;
    using CXRDData::SetOriginalFlag;
    using CXRDData::WriteProfileInt;
    using CXRDData::WriteProfileReal;
    using CXRDData::WriteProfileString;
    using CXRDData::WriteRegistry;
};

using testing_support::Store;

// True when the two patterns store the same record once a takes b's peak flag, "AutoWidth" and zero error (the
// members that assignment leaves alone); a keeps its own afterwards.
inline bool SameRecords(CXRDData& a, CXRDData& b) {
    const int peak = a.m_bPeakData, autoWidth = a.m_bAutoWidth;
    const double zero = a.m_dZeroError;
    a.m_bPeakData = b.m_bPeakData;
    a.m_bAutoWidth = b.m_bAutoWidth;
    a.m_dZeroError = b.m_dZeroError;
    const bool same = Store(a) == Store(b);
    a.m_bPeakData = peak;
    a.m_bAutoWidth = autoWidth;
    a.m_dZeroError = zero;
    return same;
}

inline std::vector<double> Column(const CGraphData& g, CGraphData::Prop p) {
    std::vector<double> v;
    for (int i = 0; i < g.GetSize(); ++i) v.push_back(g.GetAt(p, i));
    return v;
}

// Points (custom errors), header, a background with knots, settings, flag and original data all set.
inline void FillEverything(CXRDData& d) {
    const double x[] = {10.0, 10.5, 11.0, 11.5};
    const double y[] = {100.0, 250.0, 90.0, 40.0};
    const double e[] = {10.0, 15.8, 9.5, 6.3};
    d.CGraphData::Assign(x, y, e, 4);
    d.m_strFileName = "/data/run\xC3\xA9.raw";
    d.m_strSampleName = std::string("quartz \xFF\x01", 9);
    d.m_strSampleInfo = "line one\r\nline two";
    d.m_CollectionDate = COleDateTime(37622.75);
    d.m_Radiation.SetTarget(CString("Mo"));
    d.m_Radiation.SetKa2(0);
    const double bx[] = {10.0, 10.5, 11.0, 11.5};
    const double by[] = {0.0, 0.0, 0.0, 0.0};
    d.m_Background.CGraphData::Assign(bx, by, nullptr, 4);
    const double kx[] = {9.0, 10.0, 11.0, 12.0};
    const double ky[] = {20.0, 22.0, 21.0, 19.0};
    const double k2[] = {0.0, -0.5, 0.7, 0.0};
    d.m_Background.m_Knots.Assign(kx, ky, k2, 4);
    d.m_Background.GenerateBackground();
    d.m_bPeakData = 1;
    d.m_dBackgroundScale = 2.5;
    d.m_dBackgroundLength = 7.25;
    d.m_bAutoWidth = 0;
    d.m_dDetectedWidth = 0.0875;
    d.m_nWidthType = 1;
    d.m_dFixedWidth = 0.3;
    d.m_dV = -0.002;
    d.m_dU = 0.004;
    d.m_dW = 0.0009;
    d.m_dZeroError = 0.05;
    d.m_nCountType = 2;
    d.m_dScaleFactor = 3.5;
    d.m_dEsds = 4.5;
    d.m_nTypeFlag = 6;
    const double ox[] = {10.0, 10.5};
    const double oy[] = {120.0, 260.0};
    d.m_OriginalData.Assign(ox, oy, nullptr, 2);
}

}  // namespace pattern_testing
