// Linear systems whose matrix is banded: kl diagonals below and ku above the main one. Gaussian elimination
// with partial pivoting keeps the band (the row exchanges widen the upper part to kl + ku), so a system of n
// unknowns costs n·kl·(kl + ku) operations and n·(2kl + ku + 1) doubles, where a dense solve costs n³ and n².
#pragma once

#include <cstddef>
#include <vector>

#include "xrddata/platform/export.h"

class XRDDATA_API BandSystem {
public:
    // An n×n matrix of zeros with the given band, and a zero right-hand side.
    BandSystem(int n, int kl, int ku);

    int Size() const { return m_n; }
    // Adds v to the element (row, col); both zero-based, |row − col| within the band.
    void Add(int row, int col, double v) { m_a[Index(row, col)] += v; }
    double At(int row, int col) const { return m_a[Index(row, col)]; }
    void AddRhs(int row, double v) { m_b[static_cast<size_t>(row)] += v; }

    // Solves in place and returns the solution (zero-based). Raises "Singular band matrix" (the numerical
    // error of xrddata/numeric/error.h) when a pivot is zero or not a number.
    const std::vector<double>& Solve();

private:
    size_t Index(int row, int col) const {
        return static_cast<size_t>(row) * m_w + static_cast<size_t>(col - row + m_kl);
    }

    int m_n, m_kl, m_ku;
    size_t m_w;  // stored columns per row: row r holds columns r − kl .. r + kl + ku
    std::vector<double> m_a;
    std::vector<double> m_b;
};
