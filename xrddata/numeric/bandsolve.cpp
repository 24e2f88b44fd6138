#include "xrddata/numeric/bandsolve.h"

#include <cmath>
#include <utility>

#include "xrddata/numeric/error.h"

BandSystem::BandSystem(int n, int kl, int ku)
    : m_n(n),
      m_kl(kl),
      m_ku(ku),
      m_w(static_cast<size_t>(2 * kl + ku + 1)),
      m_a(static_cast<size_t>(n) * m_w, 0.0),
      m_b(static_cast<size_t>(n), 0.0) {}

const std::vector<double>& BandSystem::Solve() {
    const int n = m_n, reach = m_kl + m_ku;
    for (int c = 0; c < n; ++c) {
        const int rows = c + m_kl < n - 1 ? c + m_kl : n - 1;
        const int cols = c + reach < n - 1 ? c + reach : n - 1;
        int piv = c;
        double big = std::fabs(m_a[Index(c, c)]);
        for (int r = c + 1; r <= rows; ++r) {
            const double v = std::fabs(m_a[Index(r, c)]);
            if (v > big) {
                big = v;
                piv = r;
            }
        }
        if (!(big > 0.0)) NumericalError("Singular band matrix");
        // Rows c .. c+kl hold nothing left of column c and nothing right of c+kl+ku, which both rows store.
        if (piv != c) {
            for (int col = c; col <= cols; ++col) std::swap(m_a[Index(c, col)], m_a[Index(piv, col)]);
            std::swap(m_b[static_cast<size_t>(c)], m_b[static_cast<size_t>(piv)]);
        }
        const double d = m_a[Index(c, c)];
        for (int r = c + 1; r <= rows; ++r) {
            const double f = m_a[Index(r, c)] / d;
            if (f == 0.0) continue;
            m_a[Index(r, c)] = 0.0;
            for (int col = c + 1; col <= cols; ++col) m_a[Index(r, col)] -= f * m_a[Index(c, col)];
            m_b[static_cast<size_t>(r)] -= f * m_b[static_cast<size_t>(c)];
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        const int cols = i + reach < n - 1 ? i + reach : n - 1;
        double s = m_b[static_cast<size_t>(i)];
        for (int col = i + 1; col <= cols; ++col) s -= m_a[Index(i, col)] * m_b[static_cast<size_t>(col)];
        m_b[static_cast<size_t>(i)] = s / m_a[Index(i, i)];
    }
    return m_b;
}
