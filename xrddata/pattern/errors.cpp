// The diffraction pattern: intensity errors from the raw-data error model, the two-theta zero error, the width
// function and the detection of the peak feature width.
#include <cmath>
#include <typeinfo>
#include <vector>

#include "xrddata/numeric/scalar.h"
#include "xrddata/pattern/widthscore.h"
#include "xrddata/pattern/widthsearch.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/ui.h"

namespace {

constexpr double kErrorFloor = 2.2250738585072014e-308;

bool Ascending(const double* x, int n) {
    bool ok = true;
    for (int i = 1; i < n; ++i) ok &= x[i - 1] <= x[i];  // false at a NaN too
    return ok;
}

}  // namespace

void CXRDData::GenerateErrors() {
    SetCustomErrors();
    double *x, *y, *err;
    int n;
    GetDataRef(x, y, err, n);
    for (int i = 0; i < n; ++i) {
        // Counts of 1 or less (and NaN) are taken as 1: no point is without an error.
        const double c = y[i] > 1.0 ? y[i] : 1.0;
        double e;
        switch (m_nCountType) {
            case 0: e = std::sqrt(c); break;
            case 1: e = std::sqrt(c * m_dScaleFactor); break;
            case 2: e = c * m_dEsds * 0.01; break;
            default: continue;
        }
        // A negative scale factor or percentage is no error model; such a point gets the error floor rather
        // than a NaN or a negative deviation.
        if (std::isnan(e) || e < 0.0) e = kErrorFloor;
        err[i] = e;
    }
}

void CXRDData::SetZeroError(double dZero) {
    // A zero error that is not a number would wipe out every angle.
    if (!std::isfinite(dZero)) return;
    const double d = dZero - m_dZeroError;
    double *x, *y, *err;
    int n;
    GetDataRef(x, y, err, n);
    for (int i = 0; i < n; ++i) x[i] -= d;
    if (m_Background.GetSize() > 0) {
        m_Background.GetDataRef(x, y, err, n);
        for (int i = 0; i < n; ++i) x[i] -= d;
    }
    m_dZeroError = dZero;
}

void CXRDData::SetUVW(double U, double V, double W) {
    m_dU = U;
    m_dV = V;
    m_dW = W;
}

void CXRDData::GetUVW(double& U, double& V, double& W) const {
    U = m_dU;
    V = m_dV;
    W = m_dW;
}

double CXRDData::CalculateFeatureWidth(double twoTheta) {
    const double t = std::tan(PI * twoTheta * 0.002777777777777778);  // tan(theta)
    double w2 = (t * m_dU + m_dV) * t + m_dW;
    // The floor also catches a NaN, so the width is never below 1e-5.
    if (!(w2 >= 1e-10)) w2 = 1e-10;
    return std::sqrt(w2);
}

double CXRDData::DetectFeatureWidth(double dMaxWidth, int bTruncate) { return DetectWidth(dMaxWidth, bTruncate, true); }

double CXRDData::DetectWidth(double dMaxWidth, int bTruncate, bool switchErrors) {
    const int n = GetSize();
    if (n < 2) return -1.0;
    CWaitCursor wait;
    const double xmin = GetMinX(), xmax = GetMaxX(), s = GetSampling();
    double result = Maximum(s, 0.1);
    const double wmax = Minimum(dMaxWidth, 0.5 * (xmax - xmin));
    const double dw = Maximum(0.01, 0.5 * s);
    double w = dw, best = 0.0;
    if (!Ascending(m_X.GetData(), n)) {
        // Angles out of order: the trials on working copies of the point set, interpolated by bisection.
        CGraphData smooth(*this), deriv(*this);
        for (;;) {
            const double c = WidthCorr(smooth, deriv, w, s, n);
            if (c > best) {
                best = c;
                result = 1.5 * w;
            }
            w = w + dw;
            // Written so that a NaN width (angles that are not numbers) ends the trials too.
            if (!(w <= wmax) || c < 0.5 * best) break;
        }
    } else {
        // The first trial is scored exactly when any is (the half-width (w + s)/s only grows with w, and is at
        // least 1.5 points for a positive step): it leaves the pattern in custom-error mode, as WidthCorr does.
        const double q = (w + s) / s;
        if (switchErrors && q >= 1.0 && q < n - 1.0) SetCustomErrors();
        const WidthThreadsClaim claim;
        result = SearchWidth(m_X.GetData(), m_Y.GetData(), n, s, dw, wmax, result, claim.Threads());
    }
    if (bTruncate) result = TruncateToPrecision(result, 0.001);
    return result;
}

// The score of one trial width: the smoothed profile correlated with its own first derivative taken w further
// down the angle scale, normalised by the profile's mean square. Peaks of about the trial width give the largest
// score.
double CXRDData::WidthCorr(CGraphData& smooth, CGraphData& deriv, double dWidth, double dStep, int n) {
    // Half-width of the filters in points, (w + s)/s truncated; compared as a double first so that a zero or
    // non-finite step cannot overflow the conversion.
    const double q = (dWidth + dStep) / dStep;
    if (!(q >= 1.0) || !(q < n - 1.0)) return 0.0;
    if (n > GetSize() || n > smooth.GetSize() || n > deriv.GetSize()) return 0.0;
    const int m = static_cast<int>(q);

    double *x, *y, *err;
    int nn;
    GetDataRef(x, y, err, nn);
    double *sx, *sy, *dx, *dy;
    int ns, nd;
    smooth.GetDataRef(sx, sy, err, ns);
    deriv.GetDataRef(dx, dy, err, nd);

    // The filters see the column as data[1..n] with data = the buffer itself and the window centred on point j:
    // for j = m the leftmost position 0 is clamped to 1, and no position reaches n.
    WidthFilters(y, n, m, dStep, sy, dy);

    if (typeid(deriv) == typeid(CGraphData) && Ascending(x, n) && Ascending(dx, nd))
        return WidthScore(x, sy, dx, dy, nd, n, m, dWidth, dStep);
    double sAD = 0.0, sAA = 0.0;
    for (int j = m + 1; j <= n - 1; ++j) {
        const double a = sy[j];
        const double b = deriv.Evaluate(x[j] - dWidth);
        sAD = sAD + a * b * dStep;
        sAA = sAA + a * a * dStep;
    }
    const double meanSquare = sAA / (n * dStep);
    if (meanSquare == 0.0) return 0.0;
    return sAD / meanSquare;
}

void CXRDData::RefreshFeatureWidth() { SetRefreshedWidth(DetectFeatureWidth(5.0, 0)); }

void CXRDData::SetRefreshedWidth(double w) {
    m_dDetectedWidth = w;
    // -1 says that there were too few points to detect anything; it is no width to work with.
    if (m_bAutoWidth && w > 0.0) m_dFixedWidth = w;
    if (m_nWidthType == 0) {
        m_dV = 0.0;
        m_dU = 0.0;
        m_dW = m_dFixedWidth * m_dFixedWidth;
    }
}
