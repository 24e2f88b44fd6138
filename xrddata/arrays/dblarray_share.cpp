// CdblArray: sharing the elements with other processes through a named memory block, and handing them out as a
// VARIANT safe array.
//
// Block layout: NShared() slots of one little-endian IEEE double each, slot i holding element i, no header. Slots
// beyond the array's size hold 0.0 when written from the array. When read back, a slot holding the largest finite
// double (or more, or a NaN) is empty: another process shortens the array by writing that value into slots.
#include <cfloat>
#include <cstdint>
#include <cstring>
#include <new>

#include "xrddata/arrays/dblarray.h"
#include "xrddata/arrays/safearray.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/sharedmem.h"

namespace {

inline bool SlotHoldsValue(double v) { return v < DBL_MAX; }

}  // namespace

int CdblArray::Share() {
    if (IsSharingValid()) {
        ShareRefresh(ToShared);
        return 1;
    }
    ShareEnd();
    // The block size is kept as a 32-bit byte count: an array too large for it cannot be shared (the byte count
    // would wrap and the block would be smaller than the array).
    if (m_nSize <= 0 || static_cast<std::uint64_t>(m_nSize) * sizeof(double) > 0xFFFFFFFFu) return 0;
    unsigned bytes = static_cast<unsigned>(m_nSize) * sizeof(double);
    m_hShare = xrddata::platform::CreateSharedBlock(m_strShareName.c_str(), bytes);
    if (!m_hShare) return 0;
    m_pShared = static_cast<double*>(xrddata::platform::MapSharedBlock(m_hShare));
    if (!m_pShared) {
        ShareEnd();
        return 0;
    }
    m_nShareBytes = bytes;
    CopyElements(m_pShared, m_pData, m_nSize);
    return 1;
}

void CdblArray::ShareRefresh(ShareDirection dir) {
    if (!IsSharingValid()) return;
    const unsigned slots = NShared();
    if (dir == ToShared) {
        if (m_nSize > 0) CopyElements(m_pShared, m_pData, m_nSize);
        for (unsigned i = static_cast<unsigned>(m_nSize); i < slots; ++i) m_pShared[i] = 0.0;
        return;
    }
    unsigned count = 0;
    for (unsigned i = 0; i < slots; ++i)
        if (SlotHoldsValue(m_pShared[i])) ++count;
    SetSize(static_cast<int>(count), -1);
    // The other process may write while we read: never take more values than were counted, and zero what a
    // second look no longer finds.
    unsigned k = 0;
    for (unsigned i = 0; i < slots && k < count; ++i) {
        double v = m_pShared[i];
        if (SlotHoldsValue(v)) m_pData[k++] = v;
    }
    for (; k < count; ++k) m_pData[k] = 0.0;
}

void CdblArray::ShareEnd() {
    if (m_pShared) xrddata::platform::UnmapSharedBlock(m_pShared, xrddata::platform::GetSharedBlockSize(m_hShare));
    if (m_hShare) xrddata::platform::CloseSharedBlock(m_hShare);
    m_hShare = nullptr;
    m_pShared = nullptr;
    m_nShareBytes = 0;
}

int CdblArray::IsSharing() const { return m_hShare && m_pShared && m_nShareBytes ? 1 : 0; }

int CdblArray::IsSharingValid() const {
    return IsSharing() && NShared() >= static_cast<unsigned>(m_nSize) ? 1 : 0;
}

unsigned CdblArray::NShared() const { return IsSharing() ? m_nShareBytes / sizeof(double) : 0; }

VARIANT CdblArray::GetSafeArray() { return xrddata::arrays::DoubleSafeArray(m_pData, m_pData ? m_nSize : 0); }

VARIANT xrddata::arrays::DoubleSafeArray(const double* values, int n) {
    VARIANT v;
    VariantInit(&v);
    if (n <= 0) return v;
    SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(n));
    if (!psa) {
        ReportException(std::bad_alloc());
        return v;
    }
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(psa, 1, &lo);
    SafeArrayGetUBound(psa, 1, &hi);
    void* data = nullptr;
    if (static_cast<long long>(hi) - lo + 1 != n || FAILED(SafeArrayAccessData(psa, &data))) {
        SafeArrayDestroy(psa);
        return v;
    }
    std::memcpy(data, values, sizeof(double) * static_cast<std::size_t>(n));
    SafeArrayUnaccessData(psa);
    v.vt = static_cast<VARTYPE>(VT_ARRAY | VT_R8);
    v.parray = psa;
    return v;
}
