// A Savitzky-Golay filter: one coefficient set for nl points left, nr right, polynomial order m and derivative
// order ld, applied at a point of a one-based data array with the ends clamped (positions before the first point
// read point 1, positions after the last read point n). Bad parameters leave the filter without coefficients; it
// then gives 0.0 from Evaluate and Noise.
#pragma once

#include "xrddata/platform/export.h"

class XRDDATA_API CSGFilter {
public:
    // A three-point moving average.
    CSGFilter();
    CSGFilter(int nl, int nr, int m, int ld);
    // Copies have coefficient tables of their own.
    CSGFilter(const CSGFilter& src);
    CSGFilter& operator=(const CSGFilter& src);
    ~CSGFilter();

    // Filtered value at point i of data[1..n]; 0.0 for a null array, i outside 1..n or no coefficients.
    double Evaluate(const double* data, int i, int n) const;
    // Error of that value from the point errors err[1..n]: the root of the sum of (err·coefficient)².
    double Noise(const double* err, int i, int n) const;
    // h^ld / ld!: divide a derivative filter's output by this to get the derivative for point spacing h.
    double GetNormalisation(double h) const;

    int m_nLeft;
    int m_nRight;
    int m_nOrder;
    int m_nDeriv;
    int m_nPoints;
    double* m_pRaw;   // m_pRaw[1..np] in wrap-around order (as from SavitkyGolay); null without coefficients
    double* m_pCoef;  // m_pCoef[-nl..nr]: the coefficient of each offset; null without coefficients

protected:
    void init(int nl, int nr, int m, int ld);
    void make_coeffs();
    void dest();
    // Copies the parameters and duplicates the tables of src.
    void copy(const CSGFilter& src);
};
