// A measured pattern for the tests of the settings dialog and its renderings: three points, and background and
// width settings that no factory default has.
#pragma once

#include "xrddata/pattern/xrddata.h"

namespace testing_support {

// Points (10, 100), (10.5, 400), (11, 0.5); scale length 6.5, stiffness 2.0; a constant width of 0.15, not
// detected (the detected width is 0.08); an esd of 3 %.
inline void FillMeasured(CXRDData& d) {
    const double x[] = {10.0, 10.5, 11.0};
    const double y[] = {100.0, 400.0, 0.5};
    d.CGraphData::Assign(x, y, nullptr, 3);
    d.m_dBackgroundLength = 6.5;
    d.m_dBackgroundScale = 2.0;
    d.m_bAutoWidth = 0;
    d.m_dDetectedWidth = 0.08;
    d.m_nWidthType = 0;
    d.m_dFixedWidth = 0.15;
    d.m_dEsds = 3.0;
}

}  // namespace testing_support
