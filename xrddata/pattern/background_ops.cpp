// The pattern's background: fitting one with the spline background calculation, storing its knots and the curve
// they give at the pattern's x values, and background-subtracted copies of the points. The pattern's own points
// are never changed here; bit 4 of the type flag says that a background is stored.
#include <cfloat>
#include <optional>

#include "xrddata/arrays/columns.h"
#include "xrddata/arrays/pointfile.h"
#include "xrddata/calc/backgroundcalc.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/window.h"

namespace {

// Yes when every x is above the one before: the calculation's sort of its points then leaves them as they are.
bool StrictlyAscending(const CdblArray& x) {
    const int n = x.GetSize();
    const double* p = x.GetData();
    for (int i = 1; i < n; ++i)
        if (!(p[i - 1] < p[i])) return false;
    return true;
}

// The pattern's columns handed to the calculation for the time of a fit, and back when it ends (also by an
// exception). The fit only reads its points, so what comes back is what went in.
class LentColumns {
public:
    LentColumns(CGraphData& owner, CGraphData& borrower) : m_owner(owner), m_borrower(borrower) { Exchange(); }
    ~LentColumns() { Exchange(); }
    LentColumns(const LentColumns&) = delete;
    LentColumns& operator=(const LentColumns&) = delete;

private:
    void Exchange() noexcept {
        for (CGraphData::Prop p : {CGraphData::X, CGraphData::Y, CGraphData::YError})
            CGraphDataColumns::SwapElements(CGraphDataColumns::Column(m_owner, p),
                                            CGraphDataColumns::Column(m_borrower, p));
    }
    CGraphData& m_owner;
    CGraphData& m_borrower;
};

}  // namespace

// Runs the fit synchronously on this thread. The begin and progress notices go to the window; the end message is
// not used (the call returning is the end).
void CXRDData::CalculateBackground(int* pFlag, HWND hWnd, UINT nBeginMessage, UINT nProgressMessage,
                                   UINT /*nEndMessage*/) {
    const int n = GetSize();
    const double xmin = n > 0 ? m_X.GetAt(0) : DBL_MAX;
    const double xmax = n > 0 ? m_X.GetAt(n - 1) : -DBL_MAX;
    // The calculation works on a copy of the points of its own, sorted. When the copy would equal the points
    // (x strictly rising) and no window is told of the progress (a notice handler runs on this thread and could
    // look at the pattern), the fit borrows the pattern's own columns instead, which saves a copy of every point.
    const bool lend = !(hWnd && IsWindow(hWnd)) && StrictlyAscending(m_X);
    CBackgroundCalculation calc = lend ? CBackgroundCalculation(m_bCustomErrors) : CBackgroundCalculation(*this);
    if (lend) {
        calc.m_strSampleName = m_strSampleName;
        calc.m_strSampleInfo = m_strSampleInfo;
        calc.m_CollectionDate = m_CollectionDate;
        calc.m_Radiation = m_Radiation;
    }
    calc.SetThreadInfo(pFlag, hWnd, nBeginMessage, nProgressMessage, 0);
    calc.SetBackgroundParams(m_dBackgroundLength, m_dBackgroundScale, xmin, xmax);
    int fittedPoints = 0;
    {
        std::optional<LentColumns> lent;
        if (lend) lent.emplace(*this, calc);
        calc.Calculate();
        fittedPoints = calc.GetSize();
    }
    if (fittedPoints == 0 || calc.m_nKnots <= 0) return;  // what StoreBackground refuses
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
