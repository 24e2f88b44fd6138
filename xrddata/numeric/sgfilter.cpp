#include "xrddata/numeric/sgfilter.h"

#include <cmath>
#include <cstring>

#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/savgol.h"

CSGFilter::CSGFilter() { init(1, 1, 0, 0); }

CSGFilter::CSGFilter(int nl, int nr, int m, int ld) { init(nl, nr, m, ld); }

CSGFilter::CSGFilter(const CSGFilter& src) : m_pRaw(nullptr), m_pCoef(nullptr) { copy(src); }

CSGFilter& CSGFilter::operator=(const CSGFilter& src) {
    if (this != &src) {
        dest();
        copy(src);
    }
    return *this;
}

CSGFilter::~CSGFilter() { dest(); }

void CSGFilter::init(int nl, int nr, int m, int ld) {
    m_nLeft = nl;
    m_nRight = nr;
    m_nOrder = m;
    m_nDeriv = ld;
    // Wraps only for windows that are refused anyway (make_coeffs checks the parameters before using np).
    m_nPoints = static_cast<int>(static_cast<unsigned>(nl) + static_cast<unsigned>(nr) + 1u);
    m_pRaw = nullptr;
    m_pCoef = nullptr;
    make_coeffs();
}

void CSGFilter::make_coeffs() {
    // Parameters that SavitkyGolay refuses are refused before the tables are sized from them.
    long long window = static_cast<long long>(m_nLeft) + m_nRight;
    if (m_nLeft < 0 || m_nRight < 0 || m_nDeriv < 0 || m_nDeriv > m_nOrder || window < m_nOrder ||
        window + 1 != m_nPoints)
        return;
    try {
        m_pRaw = dvector(1, m_nPoints);
        m_pCoef = dvector(-m_nLeft, m_nRight);
        SavitkyGolay(m_pRaw, m_nPoints, m_nLeft, m_nRight, m_nDeriv, m_nOrder);
    } catch (const char*) {
        dest();
        return;
    } catch (...) {
        dest();
        throw;
    }
    for (int i = 0; i <= m_nLeft; ++i) m_pCoef[-i] = m_pRaw[i + 1];
    for (int j = 1; j <= m_nRight; ++j) m_pCoef[j] = m_pRaw[m_nPoints + 1 - j];
}

void CSGFilter::dest() {
    free_dvector(m_pRaw, 1, m_nPoints);
    m_pRaw = nullptr;
    free_dvector(m_pCoef, -m_nLeft, m_nRight);
    m_pCoef = nullptr;
}

void CSGFilter::copy(const CSGFilter& src) {
    m_nLeft = src.m_nLeft;
    m_nRight = src.m_nRight;
    m_nOrder = src.m_nOrder;
    m_nDeriv = src.m_nDeriv;
    m_nPoints = src.m_nPoints;
    m_pRaw = nullptr;
    m_pCoef = nullptr;
    if (!src.m_pRaw || !src.m_pCoef) return;
    try {
        m_pRaw = dvector(1, m_nPoints);
        m_pCoef = dvector(-m_nLeft, m_nRight);
    } catch (...) {
        dest();
        throw;
    }
    std::memcpy(&m_pRaw[1], &src.m_pRaw[1], sizeof(double) * m_nPoints);
    std::memcpy(&m_pCoef[-m_nLeft], &src.m_pCoef[-m_nLeft], sizeof(double) * m_nPoints);
}

namespace {

inline int Clamp(long long idx, int n) { return idx < 1 ? 1 : idx > n ? n : static_cast<int>(idx); }

}  // namespace

double CSGFilter::Evaluate(const double* data, int i, int n) const {
    if (!data || i <= 0 || n < i || !m_pCoef) return 0.0;
    double s = 0.0;
    for (int k = -m_nLeft; k <= m_nRight; ++k) s += data[Clamp(static_cast<long long>(i) + k, n)] * m_pCoef[k];
    return s;
}

double CSGFilter::Noise(const double* err, int i, int n) const {
    if (!err || i <= 0 || n < i || !m_pCoef) return 0.0;
    double s = 0.0;
    for (int k = -m_nLeft; k <= m_nRight; ++k) {
        double t = err[Clamp(static_cast<long long>(i) + k, n)] * m_pCoef[k];
        s += t * t;
    }
    return s > 0.0 ? std::sqrt(s) : 0.0;
}

double CSGFilter::GetNormalisation(double h) const {
    double r = 1.0;
    for (int t = 1; t <= m_nDeriv; ++t) r = r * h / t;
    return r;
}
