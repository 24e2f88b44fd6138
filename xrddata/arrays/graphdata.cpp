#include "xrddata/arrays/graphdata.h"

#include <cfloat>
#include <cmath>
#include <new>

#include "xrddata/arrays/heapsort.h"
#include "xrddata/platform/exceptions.h"

namespace {
// The value handed out by ElementAt, shared by all point sets of the process.
double g_scratch = 0.0;

inline double ErrorFloor(double e) { return e > DBL_MIN ? e : DBL_MIN; }  // NaN gives DBL_MIN
}  // namespace

CGraphData::CGraphData(int bCustomErrors) : m_bCustomErrors(bCustomErrors) {
    m_X.SetSize(0, -1);
    m_Y.SetSize(0, -1);
    m_YError.SetSize(0, -1);
}

CGraphData::CGraphData(int n, const double* x, const double* y, const double* err) : CGraphData(0) {
    Assign(x, y, err, n);
}

CGraphData::CGraphData(const CArray<double, double>& x, const CArray<double, double>& y) : CGraphData(0) {
    Assign(x, y);
}

CGraphData::CGraphData(const CArray<double, double>& x, const CArray<double, double>& y,
                       const CArray<double, double>& err)
    : CGraphData(0) {
    Assign(x, y, err);
}

CGraphData::CGraphData(const CGraphData& src) : CGraphData(0) { Copy(src); }

CGraphData& CGraphData::operator=(const CGraphData& src) {
    Copy(src);
    return *this;
}

void CGraphData::Copy(const CGraphData& src) {
    if (&src == this) return;
    m_X.Copy(src.m_X);
    m_Y.Copy(src.m_Y);
    m_bCustomErrors = src.m_bCustomErrors;
    if (m_bCustomErrors) {
        m_YError.Copy(src.m_YError);
    } else {
        m_YError.ShareEnd();
        m_YError.SetSize(0, -1);
    }
    Sort();
}

CGraphData::~CGraphData() {
    ShareEnd();
    m_X.SetSize(0, -1);
    m_Y.SetSize(0, -1);
    m_YError.SetSize(0, -1);
}

void CGraphData::SetSize(int n, int nGrowBy) {
    m_X.SetSize(n, nGrowBy);
    m_Y.SetSize(n, nGrowBy);
    if (m_bCustomErrors) {
        m_YError.SetSize(n, nGrowBy);
    } else if (m_YError.GetSize() != 0) {
        m_YError.ShareEnd();
        m_YError.SetSize(0, -1);
    }
}

void CGraphData::RemoveAll() {
    ShareEnd();
    m_X.SetSize(0, -1);
    m_Y.SetSize(0, -1);
    m_YError.SetSize(0, -1);
}

double CGraphData::GetAt(Prop p, int i) const {
    switch (p) {
        case X: return m_X.GetAt(i);
        case Y: return m_Y.GetAt(i);
        case YError:
            if (m_bCustomErrors) return m_YError.GetAt(i);
            return const_cast<CGraphData*>(this)->GetCountingError(i);
        default: return -DBL_MAX;
    }
}

void CGraphData::SetAt(Prop p, int i, double v) {
    switch (p) {
        case X: m_X.SetAt(i, v); break;
        case Y: m_Y.SetAt(i, v); break;
        case YError:
            if (m_bCustomErrors) m_YError.SetAt(i, v);
            break;
        default: break;
    }
}

double& CGraphData::ElementAt(Prop p, int i) {
    g_scratch = GetAt(p, i);
    return g_scratch;
}

int CGraphData::Add(double x, double y, double err, int bSort) {
    int i = GetSize();
    SetSize(i + 1, -1);
    m_X.SetAt(i, x);
    m_Y.SetAt(i, y);
    if (m_bCustomErrors) m_YError.SetAt(i, ErrorFloor(err));
    if (!bSort) return i;
    Sort();
    return Locate(x);
}

int CGraphData::Append(const CGraphData& src) {
    if (&src == this) {
        CGraphData copy(src);
        return Append(copy);
    }
    if (src.m_bCustomErrors && !m_bCustomErrors) SetCustomErrors();
    int old = m_X.Append(src.m_X);
    m_Y.Append(src.m_Y);
    if (src.m_bCustomErrors || !m_bCustomErrors) {
        m_YError.Append(src.m_YError);
    } else {
        CGraphData& s = const_cast<CGraphData&>(src);
        for (int i = 0; i < src.GetSize(); ++i) m_YError.Add(s.GetCountingError(i));
    }
    Sort();
    return old;
}

CGraphData& CGraphData::operator+=(const CGraphData& src) {
    Append(src);
    return *this;
}

void CGraphData::Assign(const double* x, const double* y, const double* err, int n) {
    RemoveAll();
    if (n < 1) return;
    // The framework's address test becomes a non-null test here.
    m_bCustomErrors = err != nullptr;
    SetSize(n, -1);
    if (x) std::memcpy(m_X.GetData(), x, sizeof(double) * static_cast<size_t>(n));
    if (y) std::memcpy(m_Y.GetData(), y, sizeof(double) * static_cast<size_t>(n));
    if (m_bCustomErrors) std::memcpy(m_YError.GetData(), err, sizeof(double) * static_cast<size_t>(n));
    Sort();
}

// Empty arrays leave the points as they are (sorted).
void CGraphData::Assign(const CArray<double, double>& x, const CArray<double, double>& y) {
    int n = std::min(x.GetSize(), y.GetSize());
    if (n > 0)
        Assign(x.GetData(), y.GetData(), nullptr, n);
    else
        Sort();
}

void CGraphData::Assign(const CArray<double, double>& x, const CArray<double, double>& y,
                        const CArray<double, double>& err) {
    // Never read past the end of the error array: take the smallest of the three sizes.
    int n = std::min(std::min(x.GetSize(), y.GetSize()), err.GetSize());
    if (n > 0)
        Assign(x.GetData(), y.GetData(), err.GetData(), n);
    else
        Sort();
}

void CGraphData::GetData(double*& x, double*& y, double*& err, int& n) {
    n = GetSize();
    if (n <= 0) return;
    bool counting = !m_bCustomErrors;
    double* px = nullptr;
    double* py = nullptr;
    double* pe = nullptr;
    try {
        if (counting) SetCustomErrors();
        px = new double[static_cast<size_t>(n)];
        py = new double[static_cast<size_t>(n)];
        pe = new double[static_cast<size_t>(n)];
        std::memcpy(px, m_X.GetData(), sizeof(double) * static_cast<size_t>(n));
        std::memcpy(py, m_Y.GetData(), sizeof(double) * static_cast<size_t>(n));
        std::memcpy(pe, m_YError.GetData(), sizeof(double) * static_cast<size_t>(n));
    } catch (const std::bad_alloc& e) {
        ReportException(e);
        delete[] px;
        delete[] py;
        delete[] pe;
        px = py = pe = nullptr;
    }
    if (counting) SetCountingStatistics();
    x = px;
    y = py;
    err = pe;
}

void CGraphData::GetData(CArray<double, double>& x, CArray<double, double>& y, CArray<double, double>& err) {
    m_X.GetData(x);
    m_Y.GetData(y);
    if (m_bCustomErrors) {
        m_YError.GetData(err);
        return;
    }
    int n = GetSize();
    err.SetSize(n, -1);
    for (int i = 0; i < n; ++i) {
        double v = m_Y.GetAt(i);
        err.SetAt(i, v > 0 ? std::sqrt(v) : 0.0);
    }
}

void CGraphData::GetDataRef(double*& x, double*& y, double*& err, int& n) {
    n = GetSize();
    if (n <= 0) {
        x = y = err = nullptr;
        return;
    }
    SetCustomErrors();
    x = m_X.GetData();
    y = m_Y.GetData();
    err = m_YError.GetData();
}

void CGraphData::SetCustomErrors() {
    if (m_bCustomErrors) return;
    m_bCustomErrors = 1;
    int n = GetSize();
    if (n > 0) {
        m_YError.SetSize(n, -1);
        for (int i = 0; i < n; ++i) m_YError.SetAt(i, GetCountingError(i));
    }
}

void CGraphData::SetCountingStatistics() {
    if (!m_bCustomErrors) return;
    m_bCustomErrors = 0;
    m_YError.ShareEnd();
    m_YError.SetSize(0, -1);
}

double CGraphData::GetMinX() { return GetSize() > 0 ? m_X.GetAt(0) : DBL_MAX; }
double CGraphData::GetMaxX() { return GetSize() > 0 ? m_X.GetAt(GetSize() - 1) : -DBL_MAX; }

double CGraphData::GetMinY() {
    double v = DBL_MAX;
    for (int i = 0; i < GetSize(); ++i)
        if (m_Y.GetAt(i) < v) v = m_Y.GetAt(i);
    return v;
}

double CGraphData::GetMaxY() {
    double v = -DBL_MAX;
    for (int i = 0; i < GetSize(); ++i)
        if (m_Y.GetAt(i) > v) v = m_Y.GetAt(i);
    return v;
}

double CGraphData::GetSampling() {
    int n = GetSize();
    if (n < 2) return 0.0;
    return (m_X.GetAt(n - 1) - m_X.GetAt(0)) / (n - 1);
}

int CGraphData::IsInRange(double x) {
    int n = GetSize();
    if (n == 0) return 0;
    return m_X.GetAt(0) <= x && x <= m_X.GetAt(n - 1) ? 1 : 0;
}

int CGraphData::Locate(double x) { return m_X.Locate(x); }

double CGraphData::Evaluate(double x) {
    int n = GetSize();
    if (n <= 1) return -DBL_MAX;
    int i = Locate(x);
    const double* px = m_X.GetData();
    const double* py = m_Y.GetData();
    if (i >= 0 && i < n - 1) return py[i] + (py[i + 1] - py[i]) * (x - px[i]) / (px[i + 1] - px[i]);
    if (x <= px[0]) return py[0];
    if (x < px[n - 1]) return -DBL_MAX;
    return py[n - 1];
}

double CGraphData::GetYError(double x) {
    if (!m_bCustomErrors) return GetCountingError(x);
    int n = GetSize();
    if (n == 0) return DBL_MIN;
    const double* px = m_X.GetData();
    const double* pe = m_YError.GetData();
    double e;
    if (n == 1) {
        e = pe[0];
    } else {
        int i = Locate(x);
        if (i >= 0 && i < n - 1) {
            e = pe[i] + (pe[i + 1] - pe[i]) * (x - px[i]) / (px[i + 1] - px[i]);
        } else {
            double tol = (px[n - 1] - px[0]) * 2.220446049250313e-16;
            if (px[0] - tol < x && x < px[0] + tol) e = pe[0];
            else if (px[n - 1] - tol < x && x < px[n - 1] + tol) e = pe[n - 1];
            else return DBL_MIN;
        }
    }
    return ErrorFloor(e);
}

double CGraphData::GetCountingError(int i) { return CountingErrorOf(m_Y.GetAt(i)); }

double CGraphData::GetCountingError(double x) {
    double v = Evaluate(x);
    if (std::isnan(v)) return DBL_MIN;
    return std::sqrt(std::fabs(v));
}

void CGraphData::Sort() {
    if (m_bCustomErrors) Sort_xy_and_Error();
    else Sort_xy();
}

void CGraphData::Sort_xy() {
    double* const comp[1] = {m_Y.GetData()};
    xrd_detail::HeapSortWith<1>(m_X.GetData(), std::min(m_X.GetSize(), m_Y.GetSize()), comp);
}

void CGraphData::Sort_xy_and_Error() {
    int n = std::min(m_X.GetSize(), m_Y.GetSize());
    double* const comp[2] = {m_Y.GetData(), m_YError.GetSize() >= n ? m_YError.GetData() : nullptr};
    xrd_detail::HeapSortWith<2>(m_X.GetData(), n, comp);
}
