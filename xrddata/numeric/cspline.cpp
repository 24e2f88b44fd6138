#include "xrddata/numeric/cspline.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/scalar.h"
#include "xrddata/numeric/spline.h"

double CSpline::DefEndDerivative = 1e+30;

CSpline::CSpline(int bCustomErrors) : CGraphData(bCustomErrors) { InitSpline(); }

CSpline::CSpline(CGraphData& src) : CGraphData(src) { InitSpline(); }

CSpline::CSpline(int n, const double* x, const double* y, const double* err) : CGraphData(n, x, y, err) {
    InitSpline();
}

CSpline::CSpline(const CArray<double, double>& x, const CArray<double, double>& y) : CGraphData(x, y) {
    InitSpline();
}

CSpline::CSpline(const CArray<double, double>& x, const CArray<double, double>& y,
                 const CArray<double, double>& err)
    : CGraphData(x, y, err) {
    InitSpline();
}

CSpline::CSpline(const CSpline& src) : CGraphData(src) {
    InitSpline();
    CopySpline(src);
}

CSpline& CSpline::operator=(const CSpline& src) {
    if (this != &src) {
        ResetSpline(0);
        CGraphData::operator=(src);
        CopySpline(src);
    }
    return *this;
}

CSpline& CSpline::operator=(const CGraphData& src) {
    if (this != &src) {
        ResetSpline(0);
        CGraphData::operator=(src);
    }
    return *this;
}

CSpline::~CSpline() { ResetSpline(0); }

void CSpline::InitSpline() {
    m_pY2 = nullptr;
    m_pYError2 = nullptr;
    m_nSplinePoints = 0;
}

void CSpline::ResetSpline(int bAllocate) {
    delete[] m_pY2;
    delete[] m_pYError2;
    InitSpline();
    int n = GetSize();
    if (!bAllocate || n <= 0) return;
    m_pY2 = new double[n]();
    try {
        m_pYError2 = new double[n]();
    } catch (...) {
        ResetSpline(0);
        throw;
    }
    m_nSplinePoints = n;
}

void CSpline::CopySpline(const CSpline& src) {
    if (!src.HasYSpline() || GetSize() != src.GetSize()) return;
    ResetSpline(1);
    std::memcpy(m_pY2, src.m_pY2, sizeof(double) * m_nSplinePoints);
    std::memcpy(m_pYError2, src.m_pYError2, sizeof(double) * m_nSplinePoints);
}

bool CSpline::HasYSpline() const { return m_pY2 && m_nSplinePoints >= 2 && m_nSplinePoints == GetSize(); }

bool CSpline::HasErrorSpline() const {
    return m_pYError2 && HasYSpline() && m_bCustomErrors && m_YError.GetSize() == m_nSplinePoints;
}

void CSpline::Spline(double yp1, double ypn) {
    ResetSpline(1);
    if (!m_pY2 || !m_pYError2) return;
    double *x, *y, *err;
    int n;
    GetDataRef(x, y, err, n);
    if (n < 2) return;
    try {
        ::Spline(OneBased(x), OneBased(y), n, yp1, ypn, OneBased(m_pY2));
        ::Spline(OneBased(x), OneBased(err), n, DefEndDerivative, DefEndDerivative, OneBased(m_pYError2));
    } catch (...) {
        ResetSpline(0);  // no half-computed spline stays behind
        throw;
    }
}

double CSpline::Evaluate(double x) {
    int n = GetSize();
    if (HasYSpline() && m_X[0] <= x && x <= m_X[n - 1]) {
        // Points edited since Spline() may have made an interval zero-wide; the query then answers linearly
        // rather than fail.
        try {
            double y;
            ::SplineInterpolate(OneBased(m_X.GetData()), OneBased(m_Y.GetData()), OneBased(m_pY2), n, x, &y);
            return y;
        } catch (const char*) {
        }
    }
    return CGraphData::Evaluate(x);
}

double CSpline::GetYError(double x) {
    int n = GetSize();
    double e;
    bool done = false;
    if (HasErrorSpline() && m_X[0] <= x && x <= m_X[n - 1]) {
        try {
            ::SplineInterpolate(OneBased(m_X.GetData()), OneBased(m_YError.GetData()), OneBased(m_pYError2), n, x,
                                &e);
            done = true;
        } catch (const char*) {  // a zero-wide interval, as in Evaluate
        }
    }
    if (!done) e = CGraphData::GetYError(x);
    return e > DBL_MIN ? e : DBL_MIN;
}

double CSpline::RootAccuracy() const {
    int n = GetSize();
    return (m_X[n - 1] - m_X[0]) / (n - 1) * 0.01;
}

double CSpline::xRoot(double x1, double x2) {
    int n = GetSize();
    if (n < 2) return 0.0;  // no interval to search
    if (x1 > x2) Swap(x1, x2);
    if (!(x1 >= m_X[0])) x1 = m_X[0];  // also a NaN x1
    if (x2 > m_X[n - 1]) x2 = m_X[n - 1];
    return RidderFind(x1, x2, RootAccuracy());
}

int CSpline::FindRoot(double x, int dir, double* root) {
    int n = GetSize();
    // Only the two directions exist (any other step would never leave the loop); a search needs an interval.
    if ((dir != 1 && dir != -1) || n < 2) return 0;
    if (!(m_X[0] <= x && x <= m_X[n - 1])) return 0;  // outside the range, or NaN
    double f0 = Evaluate(x);
    int i = Locate(x);
    if (dir == 1) ++i;
    // Upward the bracket reaches back to point i-1, so i starts at 1; downward point 0 is a candidate too.
    int first = dir == 1 ? 1 : 0;
    for (; first <= i && i < n; i += dir) {
        if (f0 * m_Y[i] > 0.0) continue;
        double lo, hi;
        if (dir == 1) {
            lo = x < m_X[i - 1] ? m_X[i - 1] : x;
            hi = m_X[i];
        } else {
            lo = m_X[i];
            hi = i + 1 < n && x > m_X[i + 1] ? m_X[i + 1] : x;
        }
        if (root) *root = RidderFind(lo, hi, RootAccuracy());
        return 1;
    }
    return 0;
}

double CSpline::RidderFind(double x1, double x2, double xacc) {
    const int MAXIT = 60;
    const double UNUSED = -1.11e+30;
    double fl = Evaluate(x1), fh = Evaluate(x2);
    if (!((fl > 0.0 && fh < 0.0) || (fl < 0.0 && fh > 0.0))) {
        if (fl == 0.0) return x1;
        if (fh == 0.0) return x2;
        return 0.0;
    }
    double xl = x1, xh = x2, ans = UNUSED;
    for (int j = 1; j <= MAXIT; ++j) {
        double xm = 0.5 * (xl + xh);
        double fm = Evaluate(xm);
        double s = std::sqrt(fm * fm - fl * fh);
        if (s == 0.0 || std::isnan(s)) return ans;
        double xnew = xm + (xm - xl) * (fl >= fh ? 1.0 : -1.0) * fm / s;
        double d = std::fabs(xnew - ans);
        if (d <= xacc || std::isnan(d)) return ans;
        ans = xnew;
        double fnew = Evaluate(ans);
        if (fnew == 0.0) return ans;
        if (Sign(fm, fnew) != fm) {
            xl = xm;
            fl = fm;
            xh = ans;
            fh = fnew;
        } else if (Sign(fl, fnew) != fl) {
            xh = ans;
            fh = fnew;
        } else if (Sign(fh, fnew) != fh) {
            xl = ans;
            fl = fnew;
        }
        if (std::fabs(xh - xl) <= xacc) return ans;
    }
    return 0.0;
}
