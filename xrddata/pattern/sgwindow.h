// CSGWindowFilter: the Savitzky-Golay smoothing and first-derivative filters of one symmetric window (m points on
// each side, polynomial order up to 6) applied along a whole column at a cost per point that does not grow with m.
// Both filters are fixed combinations of the window's moments sum(u^t·y), u = offset/m, so the moments are carried
// from point to point (one point enters, one leaves) and formed afresh every window length to keep rounding
// from piling up. Reads the data like CSGFilter::Evaluate: data[1..n], positions outside clamped to 1 and n.
// The feature-width detection runs these filters for every trial width, on windows of up to thousands of points.
#pragma once

#include <vector>

#include "xrddata/platform/export.h"

class XRDDATA_API CSGWindowFilter {
public:
    static constexpr int MaxOrder = 6;

    // Window of m points each side and polynomial order; without coefficients (IsValid 0) when m < 1, the order
    // is outside 0..MaxOrder or above 2m.
    CSGWindowFilter(int m, int order);

    int IsValid() const { return m_bValid; }
    int GetHalfWidth() const { return m_nHalf; }
    int GetOrder() const { return m_nOrder; }

    // Coefficient of offset k (-m..m) of the filter for derivative order ld (0 or 1): the value of
    // CSGFilter(m, m, order, ld) at that offset. 0.0 outside or without coefficients.
    double Coefficient(int ld, int k) const;
    // The polynomial of the filter for derivative order ld (0 or 1) in u = k/m, lowest power first (see m_Beta);
    // empty without coefficients.
    const std::vector<double>& Polynomial(int ld) const { return m_Beta[ld]; }

    // For i = first..last: out0[i] = (smoothing filter at i) / scale0 and out1[i] = (first-derivative filter at
    // i) / scale1, both over data[1..n] with clamped positions; either output may be null. Points i outside
    // 1..n, a null data array or a filter without coefficients give 0.0 (as CSGFilter::Evaluate does).
    void Apply(const double* data, int n, int first, int last, double* out0, double scale0, double* out1,
               double scale1) const;
    // The same, with out0 holding point i at out0[i - origin0] and out1 point i at out1[i - origin1]: a caller
    // that keeps only a stretch of the outputs passes a buffer for that stretch alone.
    void Apply(const double* data, int n, int first, int last, double* out0, int origin0, double scale0,
               double* out1, int origin1, double scale1) const;

private:
    int m_nHalf;
    int m_nOrder;
    int m_bValid;
    // Polynomial coefficients in u = k/m of the two filters: coefficient(ld, k) = sum over t of m_Beta[ld][t]·u^t.
    std::vector<double> m_Beta[2];
};
