// CSpline: a point set that carries cubic-spline second derivatives for its y column and its error column,
// evaluates through them inside its x range (the point set's linear rule outside), and finds zero crossings of the
// spline with Ridders' method. The derivatives belong to the points as they were at the last Spline(); after the
// points change Spline() must be called again (until then a set whose size changed evaluates linearly).
#pragma once

#include "xrddata/arrays/graphdata.h"

class XRDDATA_API CSpline : public CGraphData {
public:
    explicit CSpline(int bCustomErrors = 0);
    CSpline(CGraphData& src);
    CSpline(int n, const double* x, const double* y, const double* err);
    CSpline(const CArray<double, double>& x, const CArray<double, double>& y);
    CSpline(const CArray<double, double>& x, const CArray<double, double>& y, const CArray<double, double>& err);
    // Copies duplicate the derivative arrays; assigning a plain point set leaves no spline.
    CSpline(const CSpline& src);
    CSpline& operator=(const CSpline& src);
    CSpline& operator=(const CGraphData& src);

    ~CSpline() override;
    double Evaluate(double x) override;
    double GetYError(double x) override;

    // Computes both splines: y with end derivatives yp1 and ypn, the errors with DefEndDerivative at both ends
    // (above 9.9e+29: natural ends). Switches a counting-statistics set to custom errors.
    virtual void Spline(double yp1, double ypn);
    // A zero of the spline between x1 and x2 (clipped to the x range); 0.0 when none is bracketed.
    virtual double xRoot(double x1, double x2);
    // From x, searches in direction dir (+1 upward, -1 downward) for the first point whose y has the sign opposite
    // to the spline at x and refines the crossing into *root (if not null). Returns 1 when found, else 0.
    virtual int FindRoot(double x, int dir, double* root);

    // Frees both derivative arrays; with bAllocate nonzero and points present, allocates one double per point.
    void ResetSpline(int bAllocate);

    // End derivative of the error spline; above 9.9e+29 a natural end.
    static double DefEndDerivative;

protected:
    void InitSpline();
    double RidderFind(double x1, double x2, double xacc);

    double* m_pY2;
    double* m_pYError2;

private:
    // Whether the arrays match the current points (allocated for this many points, errors stored).
    bool HasYSpline() const;
    bool HasErrorSpline() const;
    void CopySpline(const CSpline& src);
    double RootAccuracy() const;

    int m_nSplinePoints;  // the number of points the derivative arrays were allocated for
};
