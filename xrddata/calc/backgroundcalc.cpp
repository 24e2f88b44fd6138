// The background fit: knot placement, the spline matrix, the three weighted and penalised least-squares passes with
// peak exclusion, and the spline evaluation on the knots.
#include "xrddata/calc/backgroundcalc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <vector>

#include "xrddata/calc/splinenormal.h"
#include "xrddata/numeric/bandsolve.h"
#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/gaussjordan.h"
#include "xrddata/numeric/spline.h"
#include "xrddata/numeric/workvector.h"
#include "xrddata/platform/exceptions.h"

namespace {

// The natural spline's second derivatives at the knots X[1..K] for the values Y[1..K] (only the knots with
// use[j] nonzero when use is given, the others taken as 0): out[1..K], 0 at the two ends. The tridiagonal system
// of EvaluateCoefficients with the spline matrix's right-hand sides combined, so one solve instead of K.
void NaturalSecondDerivatives(const double* X, const double* Y, const int* use, int K, double* out) {
    for (int p = 1; p <= K; ++p) out[p] = 0.0;
    const int m = K - 2;
    if (m < 1) return;
    WorkVector<double> a(1, m), b(1, m), c(1, m), r(1, m), u(1, m);
    auto value = [&](int j) { return use && !use[j] ? 0.0 : Y[j]; };
    for (int i = 1; i <= m; ++i) {
        const int p = i + 1;
        a[i] = i == 1 ? 0.0 : (X[p] - X[p - 1]) / 6.0;
        b[i] = (X[p + 1] - X[p - 1]) / 3.0;
        c[i] = i == m ? 0.0 : (X[p + 1] - X[p]) / 6.0;
        const double hPrev = X[p] - X[p - 1], hNext = X[p + 1] - X[p];
        r[i] = value(p + 1) * (1.0 / hNext) + value(p) * (-(1.0 / hPrev + 1.0 / hNext)) + value(p - 1) * (1.0 / hPrev);
    }
    Tridiagonal(a.get(), b.get(), c.get(), r.get(), u.get(), m);
    for (int i = 1; i <= m; ++i) out[i + 1] = u[i];
}

}  // namespace

CBackgroundCalculation::CBackgroundCalculation(int bCustomErrors) : CXRDCalculation(bCustomErrors) {
    CBackgroundCalculation::CalculationInit();
}

CBackgroundCalculation::CBackgroundCalculation(int n, const double* x, const double* y, const double* err)
    : CXRDCalculation(n, x, y, err) {
    CBackgroundCalculation::CalculationInit();
}

CBackgroundCalculation::CBackgroundCalculation(const CArray<double, double>& x, const CArray<double, double>& y)
    : CXRDCalculation(x, y) {
    CBackgroundCalculation::CalculationInit();
}

CBackgroundCalculation::CBackgroundCalculation(const CArray<double, double>& x, const CArray<double, double>& y,
                                               const CArray<double, double>& err)
    : CXRDCalculation(x, y, err) {
    CBackgroundCalculation::CalculationInit();
}

CBackgroundCalculation::CBackgroundCalculation(const CGraphData& data) : CXRDCalculation(data) {
    CBackgroundCalculation::CalculationInit();
}

CBackgroundCalculation::CBackgroundCalculation(const CXRDData& pattern) : CXRDCalculation(pattern) {
    CBackgroundCalculation::CalculationInit();
    const int n = GetSize();
    if (n >= 1) {
        m_dFitMin = m_X.GetAt(0);
        m_dFitMax = m_X.GetAt(n - 1);
    }
}

CBackgroundCalculation::CBackgroundCalculation(const CBackgroundCalculation& other) : CXRDCalculation(other) {
    CopyFit(other);
}

CBackgroundCalculation& CBackgroundCalculation::operator=(const CBackgroundCalculation& other) {
    if (&other == this) return *this;
    CXRDCalculation::operator=(other);
    CopyFit(other);
    return *this;
}

CBackgroundCalculation::~CBackgroundCalculation() {
    CGraphData::RemoveAll();
    DestroySpline();
}

// The parameters and a copy of the knots of their own.
void CBackgroundCalculation::CopyFit(const CBackgroundCalculation& other) {
    m_dLength = other.m_dLength;
    m_dStiffness = other.m_dStiffness;
    m_dKnotDensity = other.m_dKnotDensity;
    m_dFitMin = other.m_dFitMin;
    m_dFitMax = other.m_dFitMax;
    m_pRefusal = other.m_pRefusal;
    DestroySpline();
    if (other.m_nKnots <= 0) return;
    const size_t k = static_cast<size_t>(other.m_nKnots);
    double* x = new double[k];
    double* y = nullptr;
    double* y2 = nullptr;
    try {
        y = new double[k];
        y2 = new double[k];
    } catch (...) {
        delete[] x;
        delete[] y;
        throw;
    }
    std::copy(other.m_pKnotX, other.m_pKnotX + k, x);
    std::copy(other.m_pKnotY, other.m_pKnotY + k, y);
    std::copy(other.m_pKnotY2, other.m_pKnotY2 + k, y2);
    m_pKnotX = x;
    m_pKnotY = y;
    m_pKnotY2 = y2;
    m_nKnots = other.m_nKnots;
}

void CBackgroundCalculation::CalculationInit() {
    m_dLength = 5.0;
    m_dStiffness = 1.0;
    m_dKnotDensity = 2.0;
    m_dFitMin = 0.0;
    m_dFitMax = 0.0;
    m_pRefusal = nullptr;
    DestroySpline();
    CXRDCalculation::CalculationInit();
}

void CBackgroundCalculation::DestroySpline() {
    delete[] m_pKnotX;
    delete[] m_pKnotY;
    delete[] m_pKnotY2;
    m_pKnotX = m_pKnotY = m_pKnotY2 = nullptr;
    m_nKnots = 0;
}

void CBackgroundCalculation::SetBackgroundParams(double dLength, double dStiffness, double dRangeA,
                                                 double dRangeB) {
    m_dLength = dLength;
    m_dStiffness = dStiffness;
    if (dRangeA >= dRangeB) {
        m_dFitMax = dRangeA;
        m_dFitMin = dRangeB;
    } else {
        m_dFitMin = dRangeA;
        m_dFitMax = dRangeB;
    }
}

int CBackgroundCalculation::CheckParams() {
    const int n = GetSize();
    m_pRefusal = nullptr;
    if (n <= 1) {
        m_pRefusal = "The background fit needs at least two points";
        return 0;
    }
    // Written so that a scale length that is not a number is refused too.
    if (!(m_dLength > 10.0 * GetSampling())) {
        m_pRefusal = "The background scale length must be more than ten sampling steps";
        return 0;
    }
    const double first = m_X.GetAt(0), last = m_X.GetAt(n - 1);
    // The interior knots FitBackground places; counted as a double, before anything is sized from it.
    const double interior = std::max(std::trunc((last - first) / m_dLength * m_dKnotDensity) + 1.0, 3.0);
    if (!(interior <= static_cast<double>(n))) {
        m_pRefusal = "The background scale length asks for more knots than the data have points";
        return 0;
    }
    m_dFitMin = std::min(std::max(m_dFitMin, first), last);
    m_dFitMax = std::min(std::max(m_dFitMax, first), last);
    return 1;
}

int CBackgroundCalculation::Calculate() {
    if (!CheckParams()) {
        EndProgress();
        return 0;
    }
    DestroySpline();
    SetNumPhases(3);
    BeginProgress();
    try {
        FitBackground();
    } catch (const std::bad_alloc& e) {
        DestroySpline();
        ReportException(e);
    } catch (const char*) {
        // Singular systems and degenerate knots: no background, and nothing to tell the user.
        DestroySpline();
    }
    EndProgress();
    return 0;
}

void CBackgroundCalculation::FitBackground() {
    const int n = GetSize();
    const double* x = m_X.GetData();
    const double* y = m_Y.GetData();
    const double L = m_dLength;
    const double range = x[n - 1] - x[0];

    // About D knots per scale length over the data, at least three, plus the two outer knots.
    const double interior = std::trunc(range / L * m_dKnotDensity) + 1.0;
    if (!(interior <= static_cast<double>(INT_MAX - 2))) throw std::bad_alloc();
    const int K = std::max(static_cast<int>(interior), 3) + 2;
    m_pKnotX = new double[static_cast<size_t>(K)];
    m_pKnotY = new double[static_cast<size_t>(K)];
    m_pKnotY2 = new double[static_cast<size_t>(K)];
    m_nKnots = K;
    double* X = OneBased(m_pKnotX);
    double* Y = OneBased(m_pKnotY);
    double* Y2 = OneBased(m_pKnotY2);

    WorkVector<int> fitted(1, K);
    for (int k = 2; k <= K - 1; ++k) {
        X[k] = range * (k - 2) / (K - 3) + x[0];
        Y[k] = Evaluate(X[k]);
        Y2[k] = 0.0;
        fitted[k] = (m_dFitMin <= X[k] && X[k] <= m_dFitMax) ? 1 : 0;
    }
    X[1] = x[0] - 2.0 * L;
    Y[1] = y[0];
    fitted[1] = m_dFitMin == x[0] ? 1 : 0;
    X[K] = x[n - 1] + 2.0 * L;
    Y[K] = y[n - 1];
    fitted[K] = m_dFitMax == x[n - 1] ? 1 : 0;
    Y2[1] = Y2[K] = 0.0;

    // The spline's second derivatives follow from the knot values through one tridiagonal solve; the fit works
    // on the banded system of both (BandedSplineFit), so nothing of size K×K is formed.
    NaturalSecondDerivatives(X, Y, nullptr, K, Y2);

    // The points in use, one byte each; the targets (the counts of the points in use) and the sigmas are formed
    // from the data as each pass needs them rather than kept in columns of their own.
    std::vector<unsigned char> inUse(static_cast<size_t>(n) + 1, 1);
    BandedSplineFit(0, n, fitted.get(), inUse.data());
    NextPhase(1);

    ExcludePeaks(inUse.data());
    BandedSplineFit(1, n, fitted.get(), inUse.data());
    NextPhase(1);

    ExcludePeaks(inUse.data());
    BandedSplineFit(1, n, fitted.get(), inUse.data());
    NextPhase(1);
}

double CBackgroundCalculation::PointSigma(int pass, int i) const {
    const double* y = m_Y.GetData();
    // The first pass weights by the count itself, not its root.
    if (pass == 0) return y[i - 1] + 1.0;
    if (IsCustomErrors()) {
        const double* err = m_YError.GetData();
        return std::sqrt(err[i - 1] * err[i - 1] + 1.0);
    }
    return std::sqrt(y[i - 1] + 1.0);
}

// One-sided and cumulative: points below the background always stay, a point once out never returns. A sigma that
// is not a number fails the comparison, so such a point leaves.
void CBackgroundCalculation::ExcludePeaks(unsigned char* inUse) {
    const int n = GetSize();
    const double* x = m_X.GetData();
    const double* y = m_Y.GetData();
    for (int i = 1; i <= n; ++i) {
        if (!inUse[i]) continue;
        const double r = y[i - 1] - SplineInterpolate(x[i - 1]);
        if (!(r <= 2.0 * PointSigma(1, i))) inUse[i] = 0;
    }
}

void CBackgroundCalculation::UpdateSecondDerivatives(double** spline) {
    const int K = m_nKnots;
    const double* Y = OneBased(m_pKnotY);
    double* Y2 = OneBased(m_pKnotY2);
    for (int p = 1; p <= K; ++p) {
        double sum = 0.0;
        for (int j = 1; j <= K; ++j) sum += spline[p][j] * Y[j];
        Y2[p] = sum;
    }
}

void CBackgroundCalculation::EvaluateCoefficients(double** spline) {
    const int K = m_nKnots;
    for (int p = 1; p <= K; ++p)
        for (int j = 1; j <= K; ++j) spline[p][j] = 0.0;
    const int m = K - 2;  // interior knots 2..K-1 are rows 1..m of the tridiagonal system
    if (m < 1) return;
    const double* X = OneBased(m_pKnotX);
    WorkVector<double> a(1, m), b(1, m), c(1, m), r(1, m), u(1, m);
    for (int i = 1; i <= m; ++i) {
        const int p = i + 1;
        a[i] = i == 1 ? 0.0 : (X[p] - X[p - 1]) / 6.0;
        b[i] = (X[p + 1] - X[p - 1]) / 3.0;
        c[i] = i == m ? 0.0 : (X[p + 1] - X[p]) / 6.0;
    }
    for (int j = 1; j <= K; ++j) {
        for (int i = 1; i <= m; ++i) {
            const int p = i + 1;
            const double hPrev = X[p] - X[p - 1], hNext = X[p + 1] - X[p];
            if (j == p + 1)
                r[i] = 1.0 / hNext;
            else if (j == p)
                r[i] = -(1.0 / hPrev + 1.0 / hNext);
            else if (j == p - 1)
                r[i] = 1.0 / hPrev;
            else
                r[i] = 0.0;
        }
        Tridiagonal(a.get(), b.get(), c.get(), r.get(), u.get(), m);
        for (int i = 1; i <= m; ++i) spline[i + 1][j] = u[i];
    }
}

void CBackgroundCalculation::Model(double x, double* basis, double** spline) {
    const int K = m_nKnots;
    if (K < 2) return;
    double coef[4];
    const int lo = SplineNormalSums::Bracket(OneBased(m_pKnotX), K, x, coef);
    const int hi = lo + 1;
    for (int j = 1; j <= K; ++j) basis[j] = coef[2] * spline[lo][j] + coef[3] * spline[hi][j];
    basis[lo] += coef[0];
    basis[hi] += coef[1];
}

// The normal equations are accumulated per knot interval (SplineNormalSums) instead of point by point with dense
// basis vectors: the same sums in another order, at a cost independent of the number of points.
void CBackgroundCalculation::SplineFit(double* yFit, double* sigma, int nPoints, int* fitted, int* inUse,
                                       double** spline) {
    const int K = m_nKnots;
    if (K < 1) return;
    WorkVector<int> rank(1, K);
    int q = 0;
    for (int j = 1; j <= K; ++j) rank[j] = fitted[j] ? ++q : 0;
    if (q == 0) return;
    const int n = std::min(nPoints, GetSize());
    const double* x = m_X.GetData();

    double sum = 0.0;
    int used = 0;
    for (int i = 1; i <= n; ++i)
        if (inUse[i]) {
            sum += sigma[i];
            ++used;
        }
    const double meanSigma = used ? sum / used : 1.0;

    Progress(0.0);
    WorkMatrix normal(1, q, 1, q);
    WorkMatrix beta(1, q, 1, 1);
    for (int l = 1; l <= q; ++l) {
        beta[l][1] = 0.0;
        for (int k = 1; k <= q; ++k) normal[l][k] = 0.0;
    }

    const double* X = OneBased(m_pKnotX);
    double* Y = OneBased(m_pKnotY);
    SplineNormalSums sums(K, X, spline);
    for (int i = 1; i <= n; ++i) {
        if (!inUse[i]) continue;
        Progress(0.5 * i / nPoints);
        const double w = sigma[i] > 0.0 ? 1.0 / (sigma[i] * sigma[i]) : 1.0;
        sums.Add(x[i - 1], w, yFit[i]);
    }
    WorkVector<double> rhs(1, q);
    for (int l = 1; l <= q; ++l) rhs[l] = 0.0;
    sums.Expand(fitted, rank.get(), q, Y, normal.get(), rhs.get());
    for (int l = 1; l <= q; ++l) beta[l][1] = rhs[l];

    // Roughness penalty: the summed products of the second derivatives that two fitted knots induce.
    if (m_dStiffness > 0.0) {
        const double t = (2.0 * meanSigma / m_dStiffness) / (m_dLength * m_dLength);
        const double lambda = 1.0 / (t * t);
        WorkMatrix products(1, q, 1, q);
        for (int l = 1; l <= q; ++l)
            for (int k = 1; k <= l; ++k) products[l][k] = 0.0;
        WorkVector<double> row(1, q);
        for (int p = 1; p <= K; ++p) {
            for (int j = 1; j <= K; ++j)
                if (fitted[j]) row[rank[j]] = spline[p][j];
            for (int l = 1; l <= q; ++l) {
                const double ml = row[l];
                if (ml == 0.0) continue;
                double* pl = products[l];
                for (int k = 1; k <= l; ++k) pl[k] += ml * row[k];
            }
        }
        for (int l = 1; l <= q; ++l)
            for (int k = 1; k <= l; ++k) normal[l][k] += lambda * products[l][k];
    }
    for (int l = 1; l <= q; ++l)
        for (int k = 1; k < l; ++k) normal[k][l] = normal[l][k];

    Progress(0.75);
    GaussJordan(normal.get(), q, beta.get(), 1);
    for (int j = 1; j <= K; ++j)
        if (fitted[j]) Y[j] = beta[rank[j]][1];
    UpdateSecondDerivatives(spline);
    Progress(1.0);
}

// The least-squares problem of SplineFit in other unknowns: the fitted knot values Y, the second derivatives M
// at the interior knots, and a multiplier per interior knot for the spline condition that ties them,
// T·M = R·Y (the tridiagonal system of EvaluateCoefficients). A point in knot interval lo depends on
// Y[lo], Y[lo+1], M[lo] and M[lo+1] only, and the penalty is λ·Σ (M[p] − h[p])², h the second derivatives the
// held knots induce, so every equation couples a knot with its neighbours: ordered knot by knot (Y, M,
// multiplier), the matrix is a band five wide on either side of the diagonal. Its solution is the minimum
// that the dense normal equations give. The second derivatives are scaled by the knot spacing squared and the
// spline conditions by the spacing, which keeps the entries of one size.
void CBackgroundCalculation::BandedSplineFit(int pass, int nPoints, const int* fitted, const unsigned char* inUse) {
    const int K = m_nKnots;
    if (K < 1) return;
    int q = 0;
    for (int j = 1; j <= K; ++j)
        if (fitted[j]) ++q;
    if (q == 0) return;
    const int n = std::min(nPoints, GetSize());
    const double* x = m_X.GetData();
    const double* counts = m_Y.GetData();

    double sum = 0.0;
    int used = 0;
    for (int i = 1; i <= n; ++i)
        if (inUse[i]) {
            sum += PointSigma(pass, i);
            ++used;
        }
    const double meanSigma = used ? sum / used : 1.0;

    Progress(0.0);
    const double* X = OneBased(m_pKnotX);
    double* Y = OneBased(m_pKnotY);
    SplineNormalSums sums(K, X, nullptr);
    for (int i = 1; i <= n; ++i) {
        if (!inUse[i]) continue;
        Progress(0.5 * i / nPoints);
        const double sigma = PointSigma(pass, i);
        const double w = sigma > 0.0 ? 1.0 / (sigma * sigma) : 1.0;
        sums.Add(x[i - 1], w, counts[i - 1]);
    }

    // Unknowns knot by knot; -1 where the knot has none of that kind (a held value, the ends' derivatives).
    std::vector<int> iY(static_cast<size_t>(K) + 2, -1), iM(iY), iL(iY);
    int N = 0;
    for (int k = 1; k <= K; ++k) {
        if (fitted[k]) iY[static_cast<size_t>(k)] = N++;
        if (k >= 2 && k <= K - 1) {
            iM[static_cast<size_t>(k)] = N++;
            iL[static_cast<size_t>(k)] = N++;
        }
    }
    const double spacing = K > 3 ? (X[K - 1] - X[2]) / (K - 3) : X[K] - X[1];
    const double hs = spacing > 0.0 && std::isfinite(spacing) ? spacing : 1.0;
    const double dM = 1.0 / (hs * hs), dL = hs;
    BandSystem sys(N, 5, 5);

    // One term of an interval: an unknown's index, or -1 and a known value (a held knot's value; the zero
    // second derivative at either end).
    struct Term {
        int index;
        double value;
    };
    auto yTerm = [&](int k) {
        const int i = iY[static_cast<size_t>(k)];
        return i >= 0 ? Term{i, 0.0} : Term{-1, Y[k]};
    };
    auto mTerm = [&](int k) { return Term{iM[static_cast<size_t>(k)], 0.0}; };
    static const int pair[4][4] = {{0, 1, 2, 3}, {1, 4, 5, 6}, {2, 5, 7, 8}, {3, 6, 8, 9}};
    for (int lo = 1; lo <= K - 1; ++lo) {
        const double* s = sums.Interval(lo);
        // In the scaled unknowns the derivative coefficients c1, c2 carry the factor dM.
        const Term terms[4] = {yTerm(lo), yTerm(lo + 1), mTerm(lo), mTerm(lo + 1)};
        for (int r = 0; r < 4; ++r) {
            if (terms[r].index < 0) continue;
            const double sr = r < 2 ? 1.0 : dM;
            sys.AddRhs(terms[r].index, s[10 + r] * sr);
            for (int c = 0; c < 4; ++c) {
                const double h = s[pair[r][c]] * sr * (c < 2 ? 1.0 : dM);
                if (terms[c].index >= 0)
                    sys.Add(terms[r].index, terms[c].index, h);
                else if (c < 2)
                    sys.AddRhs(terms[r].index, -h * terms[c].value);
            }
        }
    }

    // Roughness penalty on the second derivatives, less what the held knots induce.
    if (m_dStiffness > 0.0) {
        const double t = (2.0 * meanSigma / m_dStiffness) / (m_dLength * m_dLength);
        const double lambda = 1.0 / (t * t);
        WorkVector<double> held(1, K);
        bool anyHeld = false;
        for (int j = 1; j <= K; ++j) anyHeld |= !fitted[j];
        if (anyHeld) {
            std::vector<int> isHeld(static_cast<size_t>(K) + 1, 0);
            for (int j = 1; j <= K; ++j) isHeld[static_cast<size_t>(j)] = !fitted[j];
            NaturalSecondDerivatives(X, Y, isHeld.data(), K, held.get());
        } else {
            for (int j = 1; j <= K; ++j) held[j] = 0.0;
        }
        for (int p = 2; p <= K - 1; ++p) {
            const int i = iM[static_cast<size_t>(p)];
            sys.Add(i, i, lambda * dM * dM);
            sys.AddRhs(i, lambda * held[p] * dM);
        }
    }

    // The spline conditions, T·M − R·Y = 0, row p for interior knot p, scaled by the spacing; the held values go
    // to the right-hand side. Each enters as a row and, mirrored, as a column.
    for (int p = 2; p <= K - 1; ++p) {
        const int row = iL[static_cast<size_t>(p)];
        const double hPrev = X[p] - X[p - 1], hNext = X[p + 1] - X[p];
        const double tm[3] = {p > 2 ? hPrev / 6.0 : 0.0, (X[p + 1] - X[p - 1]) / 3.0, p < K - 1 ? hNext / 6.0 : 0.0};
        const double ry[3] = {1.0 / hPrev, -(1.0 / hPrev + 1.0 / hNext), 1.0 / hNext};
        for (int d = 0; d < 3; ++d) {
            const int k = p - 1 + d;
            const int im = iM[static_cast<size_t>(k)];
            if (im >= 0 && tm[d] != 0.0) {
                const double v = tm[d] * dL * dM;
                sys.Add(row, im, v);
                sys.Add(im, row, v);
            }
            const int iy = iY[static_cast<size_t>(k)];
            const double v = -ry[d] * dL;
            if (iy >= 0) {
                sys.Add(row, iy, v);
                sys.Add(iy, row, v);
            } else {
                sys.AddRhs(row, -v * Y[k]);
            }
        }
    }

    Progress(0.75);
    const std::vector<double>& z = sys.Solve();
    for (int j = 1; j <= K; ++j)
        if (fitted[j]) Y[j] = z[static_cast<size_t>(iY[static_cast<size_t>(j)])];
    NaturalSecondDerivatives(X, Y, nullptr, K, OneBased(m_pKnotY2));
    Progress(1.0);
}

double CBackgroundCalculation::SplineInterpolate(double x) {
    const int K = m_nKnots;
    if (K < 1 || !m_pKnotX) return 0.0;
    const double* X = OneBased(m_pKnotX);
    const double* Y = OneBased(m_pKnotY);
    const double* Y2 = OneBased(m_pKnotY2);
    int klo = 1, khi = K;
    while (khi - klo > 1) {
        const int k = (khi + klo) / 2;
        if (X[k] > x)
            khi = k;
        else
            klo = k;
    }
    const double h = X[khi] - X[klo];
    if (h == 0.0) return 0.0;
    const double a = (X[khi] - x) / h, b = (x - X[klo]) / h;
    return a * Y[klo] + b * Y[khi] + ((a * a * a - a) * Y2[klo] + (b * b * b - b) * Y2[khi]) * h * h / 6.0;
}
