// Normal equations of the background spline fit, accumulated per knot interval.
//
// The spline value at a point x in the knot interval [lo, lo+1] is f·Y with the basis vector
//     f = A·e(lo) + B·e(lo+1) + c1·M[lo] + c2·M[lo+1]
// (e = unit vectors, M = rows of the spline matrix of second derivatives per knot value). Every f is dense, so
// adding w·f·fᵀ per point costs K² per point. Instead each point adds to sixteen moment sums of its interval
// (w·a·aᵀ and w·a·y for a = (A, B, c1, c2)), and the normal matrix and right-hand side are expanded from the sums
// once: an order-K·q² step for q fitted knots, independent of the number of points.
#pragma once

#include <cstddef>
#include <vector>

class SplineNormalSums {
public:
    // knotX[1..K] ascending, spline[1..K][1..K]; both must outlive the object. The spline matrix is needed only
    // by Expand and may be null otherwise.
    SplineNormalSums(int nKnots, const double* knotX, double** spline);

    // The knot interval of x (lo in 1..K-1; x equal to a knot belongs to the interval on its right, x outside the
    // knots to the first or last interval) and the basis coefficients A, B, c1, c2.
    static int Bracket(const double* knotX, int nKnots, double x, double coef[4]);

    // Adds a point at x with weight w and target value y.
    void Add(double x, double w, double y);

    // The sums of interval lo (1..K-1): w·a·aᵀ as [0] AA, [1] AB, [2] AC1, [3] AC2, [4] BB, [5] BC1, [6] BC2,
    // [7] C1C1, [8] C1C2, [9] C2C2, then w·a·y as [10] A, [11] B, [12] C1, [13] C2.
    const double* Interval(int lo) const { return &m_sums[static_cast<size_t>(lo) * kSums]; }

    // Adds to the lower triangle of n[1..q][1..q] and to beta[1..q] the normal equations of the fitted knots
    // (fitted[1..K] nonzero; rank[j] = 1..q in knot order), with the held knots' values knotY[j] moved to the
    // right-hand side.
    void Expand(const int* fitted, const int* rank, int q, const double* knotY, double** n, double* beta) const;

private:
    static constexpr int kSums = 14;  // 10 of the symmetric 4×4 moments, then 4 of the right-hand side
    int m_nKnots;
    const double* m_pKnotX;
    double** m_pSpline;
    std::vector<double> m_sums;  // kSums per interval, interval lo at lo·kSums
};
