// The pattern's background: fitting one with the spline background calculation, storing its knots and the curve
// they give at the pattern's x values, and background-subtracted copies of the points. The pattern's own points
// are never changed here; bit 4 of the type flag says that a background is stored.
#include <cfloat>

#include "xrddata/arrays/pointfile.h"
#include "xrddata/calc/backgroundcalc.h"
#include "xrddata/pattern/xrddata.h"

// Runs the fit synchronously on this thread. The begin and progress notices go to the window; the end message is
// not used (the call returning is the end).
void CXRDData::CalculateBackground(int* pFlag, HWND hWnd, UINT nBeginMessage, UINT nProgressMessage,
                                   UINT /*nEndMessage*/) {
    CBackgroundCalculation calc(*this);
    calc.SetThreadInfo(pFlag, hWnd, nBeginMessage, nProgressMessage, 0);
    const int n = GetSize();
    const double xmin = n > 0 ? m_X.GetAt(0) : DBL_MAX;
    const double xmax = n > 0 ? m_X.GetAt(n - 1) : -DBL_MAX;
    calc.SetBackgroundParams(m_dBackgroundLength, m_dBackgroundScale, xmin, xmax);
    calc.Calculate();
    if (calc.GetSize() == 0 || calc.m_nKnots <= 0) return;  // what StoreBackground refuses
    // Storing needs the knots only: the fit's copy of the points goes first, so that it and the stored curve
    // (and the original data kept when this is the first processing step) are not held at once.
    calc.SetSize(0, -1);
    StoreKnots(calc);
}

// A calculation without knots (its fit was refused or failed) changes nothing: storing it would set the
// background-subtracted bit over an all-zero curve.
void CXRDData::StoreBackground(CBackgroundCalculation& calc) {
    if (calc.GetSize() == 0 || calc.m_nKnots <= 0) return;
    StoreKnots(calc);
}

void CXRDData::StoreKnots(const CBackgroundCalculation& calc) {
    if (!(m_nTypeFlag & Ka2StrippedBit)) m_OriginalData = static_cast<const CGraphData&>(*this);
    const int n = GetSize();
    m_Background.SetSize(n, -1);
    double *bx, *by, *be;
    int bn;
    m_Background.GetDataRef(bx, by, be, bn);
    for (int i = 0; i < bn; ++i) bx[i] = m_X.GetAt(i);
    m_Background.m_Knots.Assign(calc.m_pKnotX, calc.m_pKnotY, calc.m_pKnotY2, calc.m_nKnots);
    m_Background.GenerateBackground();
    m_nTypeFlag |= BackgroundSubtractedBit;
}

CGraphData CXRDData::GetBackgroundSubtracted() {
    CGraphData copy(static_cast<const CGraphData&>(*this));
    const int nb = m_Background.GetSize();
    if (nb > 0) {
        double *x, *y, *e;
        int n;
        copy.GetDataRef(x, y, e, n);  // custom errors: the unsubtracted counts' errors
        for (int i = 0; i < n && i < nb; ++i) y[i] = NetCount(y[i], m_Background.GetAt(CGraphData::Y, i));
    }
    return copy;
}
