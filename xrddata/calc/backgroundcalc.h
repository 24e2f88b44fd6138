// CBackgroundCalculation: fits the slowly varying background under a diffraction pattern as a natural cubic spline
// through evenly spaced knots (about two per scale length, plus one outer knot two scale lengths beyond each end of
// the data). The knot values come from a weighted, penalised linear least-squares fit, made three times while the
// points lying well above the current background (the peaks) are dropped. A calculation with three progress
// phases, runnable on a worker thread; the result is the knot list, which the pattern stores as its background.
#pragma once

#include "xrddata/calc/calculation.h"

class XRDDATA_API CBackgroundCalculation : public CXRDCalculation {
    // The pattern takes the knots of a finished fit (StoreBackground).
    friend class CXRDData;

public:
    explicit CBackgroundCalculation(int bCustomErrors = 0);
    CBackgroundCalculation(int n, const double* x, const double* y, const double* err);
    CBackgroundCalculation(const CArray<double, double>& x, const CArray<double, double>& y);
    CBackgroundCalculation(const CArray<double, double>& x, const CArray<double, double>& y,
                           const CArray<double, double>& err);
    explicit CBackgroundCalculation(const CGraphData& data);
    // The pattern's data; the fit range is its first to its last x.
    explicit CBackgroundCalculation(const CXRDData& pattern);
    // Copies own their own knot arrays.
    CBackgroundCalculation(const CBackgroundCalculation& other);
    CBackgroundCalculation& operator=(const CBackgroundCalculation& other);
    ~CBackgroundCalculation() override;

    // Scale length, stiffness (0 or less: no smoothing penalty) and the fit range, whose ends may come in either
    // order. Checked when the fit runs.
    void SetBackgroundParams(double dLength, double dStiffness, double dRangeA, double dRangeB);
    // Runs the fit; always returns 0. Success shows as knots held (m_nKnots > 0). A fit refused for its
    // parameters keeps any earlier knots; a failed one (singular system, memory) holds none.
    int Calculate() override;
    // The fitted spline at x; 0.0 without knots or in a knot interval of zero width.
    double SplineInterpolate(double x);
    // Why the last run was refused by its parameters (a static text), or null when it was not refused (it ran,
    // or nothing ran yet).
    const char* GetRefusal() const { return m_pRefusal; }

protected:
    void CalculationInit() override;

    // 1 when the fit may run: at least two points, a scale length above ten sampling steps and no more interior
    // knots than points (a knot beyond that is not determined by the data). Clamps the fit range into the data.
    // A refusal leaves its reason for GetRefusal.
    int CheckParams();
    // Places the knots, then three passes of SplineFit with the peaks excluded after the first and second.
    void FitBackground();
    // One weighted least-squares solve for the fitted knots (fitted[1..K]) from the points in use (inUse[1..n]),
    // with target values yFit[1..n] and standard deviations sigma[1..n]; spline is the K×K matrix of
    // EvaluateCoefficients. The held knots keep their values.
    void SplineFit(double* yFit, double* sigma, int nPoints, int* fitted, int* inUse, double** spline);
    // basis[1..K]: the spline value at x is the sum of basis[j]·(value of knot j).
    void Model(double x, double* basis, double** spline);
    // spline[p][j] (1..K): change of the natural spline's second derivative at knot p per unit change of knot j.
    void EvaluateCoefficients(double** spline);
    // Releases the knots.
    void DestroySpline();

    double m_dLength = 5.0;
    double m_dStiffness = 1.0;
    double m_dKnotDensity = 2.0;
    double m_dFitMin = 0.0;
    double m_dFitMax = 0.0;
    // Knot positions (ascending), values and second derivatives, zero-based, m_nKnots each; all null without knots.
    double* m_pKnotX = nullptr;
    double* m_pKnotY = nullptr;
    double* m_pKnotY2 = nullptr;
    int m_nKnots = 0;
    const char* m_pRefusal = nullptr;

private:
    void CopyFit(const CBackgroundCalculation& other);
    // Takes the points lying more than two sigmas (of the later passes) above the current spline out of use.
    void ExcludePeaks(unsigned char* inUse);
    // The sigma of point i (1..n) in a pass: 0 the first (the count plus one), 1 the later ones (the root of the
    // error squared plus one in custom-error mode, else of the count plus one).
    double PointSigma(int pass, int i) const;
    // Y2 = spline·Y on the one-based knot arrays.
    void UpdateSecondDerivatives(double** spline);
    // The same least-squares solve as SplineFit, on the banded system of the knot values, the second derivatives
    // and the spline conditions between them (no K×K matrix), then Y2 from the new values.
    // Targets are the counts of the points in use (inUse[1..n]), sigmas those of PointSigma in the pass given.
    void BandedSplineFit(int pass, int nPoints, const int* fitted, const unsigned char* inUse);
};
