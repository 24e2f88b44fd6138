// The diffraction pattern: removing the K-alpha2 component of the radiation from the intensities.
#include <cmath>

#include "xrddata/pattern/ka2sweep.h"
#include "xrddata/pattern/xrddata.h"

namespace {

constexpr double kErrorFloor = 2.2250738585072014e-308;

}  // namespace

// The K-alpha2 share of every point is removed by the sweep (ka2sweep.cpp) on the variances, which are turned back
// into errors; a stored background keeps its K-alpha1 share; errors and feature width are then derived afresh.
void CXRDData::StripKa2() {
    if (m_nTypeFlag & Ka2StrippedBit) return;
    const int n = GetSize();
    if (!m_Radiation.IsValidTarget() || !m_Radiation.IsKa2() || n < 1) return;
    StripKa2WithRatio(m_Radiation.GetKa2Ratio());
}

// The stripping itself, with the intensity ratio R = I(K-alpha2) / I(K-alpha1) given.
void CXRDData::StripKa2WithRatio(double R) {
    const int n = GetSize();
    if (!(m_nTypeFlag & BackgroundSubtractedBit)) m_OriginalData = static_cast<const CGraphData&>(*this);
    SetCustomErrors();
    double *x, *y, *v;
    int nn;
    GetDataRef(x, y, v, nn);
    for (int i = 0; i < n; ++i) v[i] = v[i] * v[i];

    const CRadiation& radiation = m_Radiation;
    Ka2Sweep(x, y, v, n, R, [&radiation](double twoTheta) { return radiation.Ka2PositionDegrees(twoTheta); });
    for (int i = 0; i < n; ++i) v[i] = v[i] >= 0.0 ? std::sqrt(v[i]) : kErrorFloor;

    // The stored background was fitted under both lines; it keeps the K-alpha1 share of its intensity.
    if (m_Background.GetSize() > 0) {
        double *bx, *by, *be;
        int nb;
        m_Background.GetDataRef(bx, by, be, nb);
        const double scale = 1.0 / (R + 1.0);
        for (int i = 0; i < nb; ++i) by[i] *= scale;
    }
    GenerateErrors();
    RefreshFeatureWidth();
    m_nTypeFlag |= Ka2StrippedBit;
}

CXRDData CXRDData::GetKa2Stripped() const {
    CXRDData copy(*this);
    if (!(m_nTypeFlag & Ka2StrippedBit)) copy.StripKa2();
    return copy;
}

// A pattern whose type flag is still 0 hands out nothing.
int CXRDData::GetKa2Stripped(double*& x, double*& y, double*& err, int& n) {
    if (m_nTypeFlag == 0) return 0;
    CXRDData copy = GetKa2Stripped();
    copy.GetData(x, y, err, n);
    return 1;
}
