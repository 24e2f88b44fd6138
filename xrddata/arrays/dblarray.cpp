#include "xrddata/arrays/dblarray.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "xrddata/arrays/heapsort.h"
#include "xrddata/platform/strutil.h"

CdblArray::CdblArray() { Initialise(); }

CdblArray::CdblArray(CArray<double, double>& src) {
    Initialise();
    Copy(src);
}

CdblArray::CdblArray(const CdblArray& src) {
    Initialise();
    Copy(src);
}

CdblArray& CdblArray::operator=(const CdblArray& src) {
    if (this != &src) Copy(src);
    return *this;
}

CdblArray::~CdblArray() {
    ShareEnd();
    xrddata::platform::ArrayFree(m_pData);
}

void CdblArray::Initialise() {
    m_pData = nullptr;
    m_nSize = m_nMaxSize = m_nGrowBy = 0;
    m_hShare = nullptr;
    m_pShared = nullptr;
    m_nShareBytes = 0;
    // The block name carries the object's address, so two live arrays of one process never collide: lower-case
    // hexadecimal without leading zeros, as "%lx" writes it, but without printf (a pattern builds a dozen arrays,
    // and formatting them was a measurable part of a small file's import).
    static constexpr char kPrefix[] = "CdblArray_Shared_";
    char name[sizeof kPrefix + 2 * sizeof(std::uintptr_t)];
    std::memcpy(name, kPrefix, sizeof kPrefix - 1);
    char* const digits = name + sizeof kPrefix - 1;
    const auto end = std::to_chars(digits, name + sizeof name, reinterpret_cast<std::uintptr_t>(this), 16).ptr;
    m_strShareName.assign(name, end);
}

void CdblArray::SetSize(int nNewSize, int nGrowBy) {
    xrddata::platform::ArraySetSize(m_pData, m_nSize, m_nMaxSize, m_nGrowBy, nNewSize, nGrowBy);
}

void CdblArray::RemoveAll() {
    ShareEnd();
    SetSize(0, -1);
}

void CdblArray::FreeExtra() { xrddata::platform::ArrayFreeExtra(m_pData, m_nSize, m_nMaxSize); }

int CdblArray::Add(double v) {
    int i = m_nSize;
    SetAtGrow(i, v);
    return i;
}

void CdblArray::SetAtGrow(int i, double v) {
    if (i >= m_nSize) SetSize(i + 1, -1);
    m_pData[i] = v;
}

void CdblArray::InsertAt(int i, double v, int nCount) {
    if (nCount <= 0) return;
    if (i >= m_nSize) {
        SetSize(i + nCount, -1);
    } else {
        int old = m_nSize;
        SetSize(m_nSize + nCount, -1);
        std::memmove(m_pData + i + nCount, m_pData + i, sizeof(double) * static_cast<size_t>(old - i));
        ConstructElements(m_pData + i, nCount);
    }
    for (int k = 0; k < nCount; ++k) m_pData[i + k] = v;
}

void CdblArray::InsertAt(int i, CdblArray* src) {
    if (!src || src->GetSize() <= 0) return;
    int n = src->GetSize();
    if (src == this) {
        CdblArray copy(*src);
        InsertAt(i, &copy);
        return;
    }
    InsertAt(i, src->GetAt(0), n);
    CopyElements(m_pData + i, src->GetData(), n);
}

void CdblArray::InsertAt(int i, CArray<double, double>* src) {
    if (!src || src->GetSize() <= 0) return;
    int n = src->GetSize();
    InsertAt(i, src->GetAt(0), n);
    CopyElements(m_pData + i, src->GetData(), n);
}

void CdblArray::RemoveAt(int i, int nCount) {
    int after = m_nSize - (i + nCount);
    if (after > 0) std::memmove(m_pData + i, m_pData + i + nCount, sizeof(double) * static_cast<size_t>(after));
    m_nSize -= nCount;
}

int CdblArray::Append(const CdblArray& src) {
    int k = m_nSize;
    int n = src.GetSize();
    if (&src == this) {
        SetSize(k + n, -1);
        CopyElements(m_pData + k, m_pData, n);
        return k;
    }
    SetSize(k + n, -1);
    CopyElements(m_pData + k, src.GetData(), n);
    return k;
}

int CdblArray::Append(const CArray<double, double>& src) {
    int k = m_nSize;
    SetSize(k + src.GetSize(), -1);
    CopyElements(m_pData + k, src.GetData(), src.GetSize());
    return k;
}

void CdblArray::Copy(const CdblArray& src) {
    if (&src == this) return;
    SetSize(src.GetSize(), -1);
    CopyElements(m_pData, src.GetData(), src.GetSize());
}

void CdblArray::Copy(const CArray<double, double>& src) {
    SetSize(src.GetSize(), -1);
    CopyElements(m_pData, src.GetData(), src.GetSize());
}

void CdblArray::GetData(CArray<double, double>& dst) {
    dst.SetSize(m_nSize, -1);
    CopyElements(dst.GetData(), m_pData, m_nSize);
}

CdblArray& CdblArray::operator+=(const CdblArray& src) {
    if (src.GetSize() == m_nSize)
        for (int i = 0; i < m_nSize; ++i) m_pData[i] += src.m_pData[i];
    return *this;
}

CdblArray& CdblArray::operator+=(const CArray<double, double>& src) {
    if (src.GetSize() == m_nSize)
        for (int i = 0; i < m_nSize; ++i) m_pData[i] += src.GetData()[i];
    return *this;
}

CdblArray& CdblArray::operator-=(const CdblArray& src) {
    if (src.GetSize() == m_nSize)
        for (int i = 0; i < m_nSize; ++i) m_pData[i] -= src.m_pData[i];
    return *this;
}

CdblArray& CdblArray::operator-=(const CArray<double, double>& src) {
    if (src.GetSize() == m_nSize)
        for (int i = 0; i < m_nSize; ++i) m_pData[i] -= src.GetData()[i];
    return *this;
}

int CdblArray::Locate(double x) {
    if (m_nSize <= 0) return -1;
    if (m_nSize == 1) return 0;
    int lo = 0, hi = m_nSize;
    do {
        int mid = (lo + hi) >> 1;
        if (x < m_pData[mid]) hi = mid;
        else lo = mid;
    } while (hi - lo > 1);
    return lo;
}

void CdblArray::Sort() {
    double* const none[1] = {nullptr};
    xrd_detail::HeapSortWith<1>(m_pData, m_nSize, none);
}

void CdblArray::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD>(m_nSize));
        SerializeElements(ar, m_pData, m_nSize);
    } else {
        DWORD n = ar.ReadCount();
        // A count the stream cannot deliver is a damaged stream: fail before allocating for it.
        ar.RequireItems(n, sizeof(double));
        if (n > 0x7fffffffu) throw CArchiveException(CArchiveException::endOfFile);
        SetSize(static_cast<int>(n), -1);
        SerializeElements(ar, m_pData, m_nSize);
    }
}

void CdblArray::ConstructElements(double* p, int n) {
    if (n > 0) std::memset(p, 0, sizeof(double) * static_cast<size_t>(n));
}

void CdblArray::CopyElements(double* dst, const double* src, int n) {
    if (n > 0) std::memmove(dst, src, sizeof(double) * static_cast<size_t>(n));
}

void CdblArray::SerializeElements(CArchive& ar, double* p, int n) {
    if (n <= 0) return;
    if (ar.IsStoring()) ar.WriteDoubles(p, static_cast<size_t>(n));
    else ar.ReadDoubles(p, static_cast<size_t>(n));
}
