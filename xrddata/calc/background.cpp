// Stored background record, little-endian:
//   uint32 magic 0x2A7F4094 (bytes 94 40 7F 2A)
//   uint32 version 0
//   the curve's x column as an array of doubles (element count, then the doubles)
//   the knot set as a point-set record (its custom-error flag is 1 for fitted knots: the second derivatives
//   follow as its error column)
// The curve's y values are not stored: loading regenerates them from the knots.
#include "xrddata/calc/background.h"

#include <new>

#include "xrddata/arrays/safearray.h"
#include "xrddata/platform/exceptions.h"

int CBackground::DisplayOffset = 1;

CBackground::CBackground(int bCustomErrors) : CGraphData(bCustomErrors), m_Knots(0) {}

CBackground::CBackground(int n, const double* x, const double* y, const double* err)
    : CGraphData(n, x, y, err), m_Knots(0) {}

CBackground::CBackground(const CArray<double, double>& x, const CArray<double, double>& y)
    : CGraphData(x, y), m_Knots(0) {}

CBackground::CBackground(const CArray<double, double>& x, const CArray<double, double>& y,
                         const CArray<double, double>& err)
    : CGraphData(x, y, err), m_Knots(0) {}

CBackground::CBackground(const CBackground& other) : CGraphData(0), m_Knots(0) { Copy(other); }

CBackground& CBackground::operator=(const CBackground& other) {
    Copy(other);
    return *this;
}

void CBackground::Copy(const CBackground& other) {
    if (&other == this) return;
    // The point-set copy sorts through the virtual Sort.
    CGraphData::Copy(other);
    m_Knots.Copy(other.m_Knots);
}

CBackground& CBackground::operator+=(const CBackground& other) {
    if (&other == this) {
        CBackground copy(other);
        return *this += copy;
    }
    Append(other);
    m_Knots.Append(other.m_Knots);
    return *this;
}

CBackground::~CBackground() { CBackground::RemoveAll(); }

void CBackground::RemoveAll() {
    CGraphData::RemoveAll();
    m_Knots.RemoveAll();
}

double CBackground::SplineInterpolate(double x, double* xa, double* ya, double* y2a, int n) {
    // A single knot has no interval; fewer would index before the arrays.
    if (!xa || !ya || !y2a || n < 2) return 0.0;
    int klo = 0;
    int khi = n - 1;
    // Bisection: a knot equal to x falls to the interval on its right.
    while (khi - klo > 1) {
        int k = (khi + klo) / 2;
        if (xa[k] > x) khi = k;
        else klo = k;
    }
    double h = xa[khi] - xa[klo];
    if (h == 0.0) return 0.0;
    double a = (xa[khi] - x) / h;
    double b = (x - xa[klo]) / h;
    return a * ya[klo] + b * ya[khi] + ((a * a * a - a) * y2a[klo] + (b * b * b - b) * y2a[khi]) * (h * h) / 6.0;
}

int CBackground::GenerateBackground() {
    double *x, *y, *err;
    int n;
    double *kx, *ky, *ky2;
    int nk;
    // Both leave a counting-statistics set in custom-error mode, its errors taken from its y values now.
    GetDataRef(x, y, err, n);
    m_Knots.GetDataRef(kx, ky, ky2, nk);
    if (!x || !y || !err || !kx || !ky || !ky2) return 0;
    for (int i = 0; i < n; ++i) y[i] = SplineInterpolate(x[i], kx, ky, ky2, nk);
    return 1;
}

int CBackground::GetCtrlDisplaySize() {
    int n = m_Knots.GetSize();
    return n < 3 ? 0 : n - 2;
}

VARIANT CBackground::GetCtrlDisplaySafeArray(CGraphData::Prop prop) {
    VARIANT v;
    VariantInit(&v);
    int c = GetCtrlDisplaySize();
    if (c <= 0) return v;
    // The window DisplayOffset .. DisplayOffset + c - 1 lies inside the c + 2 knots only for offsets 0 to 2.
    const int offset = DisplayOffset;
    if (offset < 0 || offset > 2) return v;

    double *kx, *ky, *ky2;
    int nk;
    m_Knots.GetDataRef(kx, ky, ky2, nk);
    const double* src = nullptr;
    if (prop == CGraphData::X) src = kx;
    else if (prop == CGraphData::Y) src = ky;
    if (!src) return v;

    return xrddata::arrays::DoubleSafeArray(src + offset, c);
}

void CBackground::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << Magic << Version;
        m_X.Serialize(ar);
        m_Knots.Serialize(ar);
        return;
    }
    LoadCurrentVersion(ar);
}

void CBackground::LoadCurrentVersion(CArchive& ar) {
    if (!ar.IsLoading()) return;
    std::uint32_t magic, version;
    ar >> magic;
    if (magic != Magic) throw CArchiveException(CArchiveException::badIndex);
    ar >> version;
    if (version != Version) throw CArchiveException(CArchiveException::badSchema);
    m_X.Serialize(ar);
    // y (and, in custom-error mode, the errors) follow the x column's new size.
    SetSize(m_X.GetSize(), -1);
    // The point-set loader refuses knots whose columns disagree, so the spline never reads past a column.
    m_Knots.Serialize(ar);
    GenerateBackground();
}
