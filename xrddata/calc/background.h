// CBackground: the background of a diffraction pattern as the pattern keeps it. The curve (x = the pattern's x
// values, y = background) is the point set itself; m_Knots holds the fitted spline's knots (x = position, y = value,
// error column = second derivative), from which the curve is regenerated. The knots are handed to display controls
// as VARIANT arrays; the archive record stores the curve's x values and the knots, never the curve's y values.
#pragma once

#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/archive.h"
#include "xrddata/platform/carray.h"
#include "xrddata/platform/variant.h"

class XRDDATA_API CBackground : public CGraphData {
public:
    // Record signature (bytes 94 40 7F 2A) and the version written.
    static constexpr std::uint32_t Magic = 0x2A7F4094u;
    static constexpr std::uint32_t Version = 0;

    // Index of the first knot handed to display controls: 1 skips the outer knot below the data. Values outside
    // 0..2 would put the displayed window outside the knots; GetCtrlDisplaySafeArray then hands out nothing.
    static int DisplayOffset;

    explicit CBackground(int bCustomErrors = 0);
    CBackground(int n, const double* x, const double* y, const double* err);
    CBackground(const CArray<double, double>& x, const CArray<double, double>& y);
    CBackground(const CArray<double, double>& x, const CArray<double, double>& y, const CArray<double, double>& err);
    CBackground(const CBackground& other);
    CBackground& operator=(const CBackground& other);
    // Curve and knots copied (error mode and, in custom-error mode, errors included), each then sorted.
    void Copy(const CBackground& other);
    // Appends the other curve to this curve and the other knots to these knots.
    CBackground& operator+=(const CBackground& other);

    ~CBackground() override;
    void Serialize(CArchive& ar) override;
    // Ends the sharing of the curve's columns, empties the curve and the knots.
    void RemoveAll() override;

    // Recomputes the curve's y values from the knots. 1 on success; 0 (nothing changed) when the curve or the
    // knot set is empty.
    int GenerateBackground();
    // The natural cubic spline through n knots (positions xa, values ya, second derivatives y2a, zero-based) at x.
    // x outside the knots uses the first or last interval. 0.0 for null arrays, n < 2 or two knots at one position.
    double SplineInterpolate(double x, double* xa, double* ya, double* y2a, int n);
    // Number of knots handed to a display control: knot count - 2, 0 with fewer than 3 knots.
    int GetCtrlDisplaySize();
    // The displayed knots' positions (X) or values (Y) as a VT_R8 safe array with lower bound 0 inside a VARIANT
    // that the caller owns (VariantClear). VT_EMPTY for YError, without knots to display, or when DisplayOffset
    // lies outside 0..2.
    VARIANT GetCtrlDisplaySafeArray(CGraphData::Prop prop);

    // The spline knots; the pattern fills them from a background fit.
    CGraphData m_Knots;

protected:
    void LoadCurrentVersion(CArchive& ar);
};
