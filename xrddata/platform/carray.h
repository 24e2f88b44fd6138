// The framework's growable array, for the element types the library hands across its interface (doubles).
// Same fields and growth rule as the array of doubles; the archive form is the element count and the elements.
#pragma once

#include <utility>

#include "xrddata/platform/archive.h"
#include "xrddata/platform/arraygrow.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    CArray() = default;
    CArray(const CArray& o) { Copy(o); }
    CArray(CArray&& o) noexcept { swap(o); }
    CArray& operator=(const CArray& o) {
        if (this != &o) Copy(o);
        return *this;
    }
    CArray& operator=(CArray&& o) noexcept {
        swap(o);
        return *this;
    }
    virtual ~CArray() { xrddata::platform::ArrayFree(m_pData); }

    int GetSize() const { return m_nSize; }
    int GetCount() const { return m_nSize; }
    int GetUpperBound() const { return m_nSize - 1; }
    bool IsEmpty() const { return m_nSize == 0; }
    void SetSize(int nNewSize, int nGrowBy = -1) {
        xrddata::platform::ArraySetSize(m_pData, m_nSize, m_nMaxSize, m_nGrowBy, nNewSize, nGrowBy);
    }
    void FreeExtra() { xrddata::platform::ArrayFreeExtra(m_pData, m_nSize, m_nMaxSize); }
    void RemoveAll() { SetSize(0, -1); }

    TYPE GetAt(int i) const { return m_pData[i]; }
    void SetAt(int i, ARG_TYPE v) { m_pData[i] = v; }
    TYPE& ElementAt(int i) { return m_pData[i]; }
    const TYPE& ElementAt(int i) const { return m_pData[i]; }
    const TYPE* GetData() const { return m_pData; }
    TYPE* GetData() { return m_pData; }
    TYPE operator[](int i) const { return m_pData[i]; }
    TYPE& operator[](int i) { return m_pData[i]; }

    void SetAtGrow(int i, ARG_TYPE v) {
        if (i >= m_nSize) SetSize(i + 1, -1);
        m_pData[i] = v;
    }
    int Add(ARG_TYPE v) {
        int i = m_nSize;
        SetAtGrow(i, v);
        return i;
    }
    int Append(const CArray& src) {
        int k = m_nSize;
        SetSize(k + src.m_nSize, -1);
        if (src.m_nSize) std::memcpy(static_cast<void*>(m_pData + k), src.m_pData, sizeof(TYPE) * src.m_nSize);
        return k;
    }
    void Copy(const CArray& src) {
        if (this == &src) return;
        SetSize(src.m_nSize, -1);
        if (src.m_nSize) std::memcpy(static_cast<void*>(m_pData), src.m_pData, sizeof(TYPE) * src.m_nSize);
    }
    void InsertAt(int i, ARG_TYPE v, int nCount = 1) {
        TYPE value = v;  // v may refer into this array
        if (i >= m_nSize) {
            SetSize(i + nCount, -1);
        } else {
            int old = m_nSize;
            SetSize(m_nSize + nCount, -1);
            std::memmove(static_cast<void*>(m_pData + i + nCount), m_pData + i, sizeof(TYPE) * (old - i));
        }
        for (int k = 0; k < nCount; ++k) m_pData[i + k] = value;
    }
    void RemoveAt(int i, int nCount = 1) {
        int after = m_nSize - (i + nCount);
        if (after > 0) std::memmove(static_cast<void*>(m_pData + i), m_pData + i + nCount, sizeof(TYPE) * after);
        m_nSize -= nCount;
    }

    // Element count, then the elements (doubles: 8 bytes each).
    virtual void Serialize(CArchive& ar) {
        static_assert(std::is_same_v<TYPE, double>, "archived as doubles");
        if (ar.IsStoring()) {
            ar.WriteCount(static_cast<DWORD>(m_nSize));
            ar.WriteDoubles(m_pData, static_cast<size_t>(m_nSize));
        } else {
            DWORD n = ar.ReadCount();
            ar.RequireItems(n, 8);
            if (n > 0x7fffffffu) throw CArchiveException(CArchiveException::endOfFile);
            SetSize(static_cast<int>(n), -1);
            ar.ReadDoubles(m_pData, n);
        }
    }

    void swap(CArray& o) noexcept {
        std::swap(m_pData, o.m_pData);
        std::swap(m_nSize, o.m_nSize);
        std::swap(m_nMaxSize, o.m_nMaxSize);
        std::swap(m_nGrowBy, o.m_nGrowBy);
    }

    TYPE* m_pData = nullptr;
    int m_nSize = 0;
    int m_nMaxSize = 0;
    int m_nGrowBy = 0;
};
