// CdblArray: the growable array of doubles under every column of numbers (point-set columns, spline knots, work
// arrays). Behaves like the framework's CArray<double,double> (same growth rule, zero-filled growth) and adds a
// bracketing search, an in-place heap sort, element-wise += and -=, archive persistence and sharing of its
// elements with other processes through a named memory block.
#pragma once

#include "xrddata/platform/archive.h"
#include "xrddata/platform/carray.h"
#include "xrddata/platform/types.h"
#include "xrddata/platform/variant.h"

class XRDDATA_API CdblArray {
    // The library's hand-over of whole columns (arrays/columns.h).
    friend struct CGraphDataColumns;

public:
    enum ShareDirection { ToShared = 0, FromShared = 1 };

    CdblArray();
    explicit CdblArray(CArray<double, double>& src);
    // Copies duplicate the elements and get their own share name; they never share a buffer or block.
    CdblArray(const CdblArray& src);
    CdblArray& operator=(const CdblArray& src);
    ~CdblArray();

    int GetSize() const { return m_nSize; }
    int GetUpperBound() const { return m_nSize - 1; }
    void SetSize(int nNewSize, int nGrowBy = -1);
    void RemoveAll();
    void FreeExtra();

    double GetAt(int i) const { return m_pData[i]; }
    double operator[](int i) const { return m_pData[i]; }
    double& ElementAt(int i) { return m_pData[i]; }
    double& operator[](int i) { return m_pData[i]; }
    void SetAt(int i, double v) { m_pData[i] = v; }
    const double* GetData() const { return m_pData; }
    double* GetData() { return m_pData; }

    int Add(double v);
    void SetAtGrow(int i, double v);
    void InsertAt(int i, double v, int nCount = 1);
    void InsertAt(int i, CdblArray* src);
    void InsertAt(int i, CArray<double, double>* src);
    void RemoveAt(int i, int nCount = 1);
    int Append(const CdblArray& src);
    int Append(const CArray<double, double>& src);
    void Copy(const CdblArray& src);
    void Copy(const CArray<double, double>& src);
    void GetData(CArray<double, double>& dst);

    CdblArray& operator+=(const CdblArray& src);
    CdblArray& operator+=(const CArray<double, double>& src);
    CdblArray& operator-=(const CdblArray& src);
    CdblArray& operator-=(const CArray<double, double>& src);

    // Index of the last element not greater than x in an ascending array (0 below the first; -1 when empty).
    int Locate(double x);
    void Sort();

    virtual void Serialize(CArchive& ar);

    // Sharing with other processes through a named memory block of one double per slot; a slot holding the
    // largest finite double (or more) is empty when read back.
    int Share();
    void ShareRefresh(ShareDirection dir);
    void ShareEnd();
    int IsSharing() const;
    int IsSharingValid() const;
    unsigned NShared() const;
    const char* GetShareName() const { return m_strShareName.c_str(); }
    // The elements as a VT_ARRAY | VT_R8 VARIANT (lower bound 0) that the caller clears; VT_EMPTY when empty.
    VARIANT GetSafeArray();

protected:
    void ConstructElements(double* p, int n);
    void CopyElements(double* dst, const double* src, int n);
    void SerializeElements(CArchive& ar, double* p, int n);
    void Initialise();

    double* m_pData;
    int m_nSize;
    int m_nMaxSize;
    int m_nGrowBy;
    HANDLE m_hShare;
    double* m_pShared;
    unsigned m_nShareBytes;
    CString m_strShareName;
};
