// CGraphData: the point set of the system, three parallel columns x, y and y-error kept sorted by x, with linear
// interpolation, counting-statistics errors (the error of a count is its square root, derived on demand) or a
// stored error column, text import and export, archive persistence and sharing with other processes.
// Base of the spline, the stored background and the diffraction pattern; derived classes keep the virtual
// operations in this order and append their own.
#pragma once

#include <cfloat>
#include <cmath>

#include "xrddata/arrays/dblarray.h"

class XRDDATA_API CGraphData {
    // The library's hand-over of whole columns (arrays/columns.h).
    friend struct CGraphDataColumns;

public:
    enum Prop { X = 0, Y = 1, YError = 2 };

    explicit CGraphData(int bCustomErrors = 0);
    CGraphData(int n, const double* x, const double* y, const double* err);
    CGraphData(const CArray<double, double>& x, const CArray<double, double>& y);
    CGraphData(const CArray<double, double>& x, const CArray<double, double>& y, const CArray<double, double>& err);
    CGraphData(const CGraphData& src);
    CGraphData& operator=(const CGraphData& src);
    void Copy(const CGraphData& src);

    // Virtual operations, in slot order.
    virtual ~CGraphData();
    virtual void Serialize(CArchive& ar);
    virtual int DoImportFile(const char* path);
    virtual int DoExportAsText(const char* path);
    virtual void Sort();
    virtual int Locate(double x);
    virtual double Evaluate(double x);
    virtual double GetCountingError(double x);
    virtual double GetCountingError(int i);
    virtual double GetYError(double x);
    virtual void RemoveAll();

    int GetSize() const { return m_X.GetSize(); }
    int GetUpperBound() const { return m_X.GetSize() - 1; }
    void SetSize(int n, int nGrowBy = -1);

    double GetAt(Prop p, int i) const;
    void SetAt(Prop p, int i, double v);
    // A reference to one process-wide scratch value holding GetAt(p, i); writing through it changes nothing here.
    double& ElementAt(Prop p, int i);

    int Add(double x, double y, double err = 0.0, int bSort = 1);
    int Append(const CGraphData& src);
    CGraphData& operator+=(const CGraphData& src);

    void Assign(const double* x, const double* y, const double* err, int n);
    void Assign(const CArray<double, double>& x, const CArray<double, double>& y);
    void Assign(const CArray<double, double>& x, const CArray<double, double>& y, const CArray<double, double>& err);

    // Newly allocated copies (new[]) that the caller releases with delete[].
    void GetData(double*& x, double*& y, double*& err, int& n);
    void GetData(CArray<double, double>& x, CArray<double, double>& y, CArray<double, double>& err);
    // Pointers into the set's own columns (switches to custom errors); valid until the next resize.
    void GetDataRef(double*& x, double*& y, double*& err, int& n);

    void SetCustomErrors();
    void SetCountingStatistics();
    int IsCustomErrors() const { return m_bCustomErrors != 0; }

    double GetMinX();
    double GetMaxX();
    double GetMinY();
    double GetMaxY();
    double GetSampling();
    int IsInRange(double x);

    // Sharing with other processes: x, y and (optionally) the errors as three named blocks.
    int Share(int bErrors);
    void ShareRefresh(CdblArray::ShareDirection dir);
    void ShareEnd();
    int IsSharing();
    int IsSharingValid();
    unsigned NShared();
    const char* GetXShareName() const { return m_X.GetShareName(); }
    const char* GetYShareName() const { return m_Y.GetShareName(); }
    const char* GetYErrorShareName() const { return m_YError.GetShareName(); }
    VARIANT GetSafeArray(Prop p);

protected:
    void Sort_xy();
    void Sort_xy_and_Error();
    void LoadCurrentVersion(CArchive& ar);

    CdblArray m_X;
    CdblArray m_Y;
    CdblArray m_YError;
    int m_bCustomErrors;
};

// The counting-statistics error of a count: the square root of its magnitude; DBL_MIN for NaN.
inline double CountingErrorOf(double count) { return std::isnan(count) ? DBL_MIN : std::sqrt(std::fabs(count)); }
