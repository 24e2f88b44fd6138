#include "xrddata/platform/variant.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "xrddata/platform/utf.h"

namespace {

// The byte length of a BSTR is a 32-bit unsigned in front of the characters, and a NUL character follows them.
constexpr size_t kPrefix = sizeof(std::uint32_t);
constexpr UINT kMaxBstrChars = (0xFFFFFFFFu - 2 * sizeof(OLECHAR)) / sizeof(OLECHAR);

char* BstrBlock(BSTR s) { return reinterpret_cast<char*>(s) - kPrefix; }

// Element size of a safe array type, 0 for the types this layer does not keep in arrays.
ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_UI1: return 1;
        case VT_I2: case VT_BOOL: return 2;
        case VT_I4: case VT_R4: return 4;
        case VT_R8: return 8;
        case VT_BSTR: return sizeof(BSTR);
        default: return 0;
    }
}

// Values held in the VARIANT itself; a reference (VT_BYREF) owns nothing either.
bool IsScalarType(VARTYPE vt) {
    if (vt & VT_BYREF) return true;
    switch (vt) {
        case VT_EMPTY: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_UI1: case VT_BOOL: case VT_DATE:
            return true;
        default: return false;
    }
}

bool IsArrayType(VARTYPE vt) { return (vt & VT_ARRAY) && ElementSize(static_cast<VARTYPE>(vt & ~VT_ARRAY)); }

BSTR CopyBstr(BSTR s, bool& failed) {
    failed = false;
    if (!s) return nullptr;
    BSTR copy = SysAllocStringLen(s, SysStringLen(s));
    failed = copy == nullptr;
    return copy;
}

// The element at an index, or null when the index lies outside the bounds.
char* Element(const SAFEARRAY* psa, const LONG* rgIndices) {
    long long i = static_cast<long long>(rgIndices[0]) - psa->rgsabound[0].lLbound;
    if (i < 0 || i >= static_cast<long long>(psa->rgsabound[0].cElements)) return nullptr;
    return static_cast<char*>(psa->pvData) + i * psa->cbElements;
}

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at s[i] (n bytes in all) and advances i. Overlong forms, surrogates, values above
// U+10FFFF and cut sequences give U+FFFD and consume one byte, so decoding always makes progress.
char32_t DecodeUtf8(const unsigned char* s, size_t n, size_t& i) {
    unsigned char c = s[i];
    if (c < 0x80) {
        ++i;
        return c;
    }
    int extra;
    char32_t cp, min;
    if ((c & 0xE0) == 0xC0) {
        extra = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3, cp = c & 0x07, min = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (n - i <= static_cast<size_t>(extra)) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += static_cast<size_t>(extra) + 1;
    return cp;
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    if (length > kMaxBstrChars) return nullptr;
    size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
    char* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    std::uint32_t stored = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &stored, kPrefix);
    BSTR s = reinterpret_cast<BSTR>(block + kPrefix);
    if (text) std::memcpy(s, text, bytes);
    s[length] = 0;
    return s;
}

UINT SysStringLen(BSTR s) {
    if (!s) return 0;
    std::uint32_t bytes;
    std::memcpy(&bytes, BstrBlock(s), kPrefix);
    return bytes / sizeof(OLECHAR);
}

void SysFreeString(BSTR s) {
    if (s) std::free(BstrBlock(s));
}

BSTR SysAllocStringFromUtf8(const CString& text) {
    std::u16string units;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t i = 0;
    try {
        units.reserve(text.size());
        while (i < text.size()) {
            char32_t cp = DecodeUtf8(p, text.size(), i);
            if (cp >= 0x10000) {
                cp -= 0x10000;
                units += static_cast<char16_t>(0xD800 + (cp >> 10));
                units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            } else {
                units += static_cast<char16_t>(cp);
            }
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (units.size() > kMaxBstrChars) return nullptr;
    return SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
}

CString Utf8FromBstr(BSTR s) { return xrddata::platform::Utf8FromUtf16(s, SysStringLen(s), kReplacement); }

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    ULONG size = ElementSize(vt);
    if (!size) return nullptr;
    const ULONG count = cElements;
    // The upper bound must be a LONG too.
    if (static_cast<long long>(lLbound) + count - 1 > 0x7FFFFFFFLL) return nullptr;
    auto* psa = new (std::nothrow) SAFEARRAY{};
    if (!psa) return nullptr;
    psa->cDims = 1;
    psa->cbElements = size;
    psa->rgsabound[0] = SAFEARRAYBOUND{count, lLbound};
    psa->vt = vt;
    if (count) {
        psa->pvData = std::calloc(count, size);
        if (!psa->pvData) {
            delete psa;
            return nullptr;
        }
    }
    return psa;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks) return DISP_E_ARRAYISLOCKED;
    if (psa->vt == VT_BSTR) {
        auto* items = static_cast<BSTR*>(psa->pvData);
        for (ULONG i = 0; i < psa->rgsabound[0].cElements; ++i) SysFreeString(items[i]);
    }
    std::free(psa->pvData);
    delete psa;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (!psa || !plLbound) return E_INVALIDARG;
    if (nDim != 1) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (!psa || !plUbound) return E_INVALIDARG;
    if (nDim != 1) return DISP_E_BADINDEX;
    *plUbound = static_cast<LONG>(static_cast<long long>(psa->rgsabound[0].lLbound) + psa->rgsabound[0].cElements - 1);
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (!psa || !ppvData) return E_INVALIDARG;
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (!psa->cLocks) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv) {
    if (!psa || !rgIndices || !pv) return E_INVALIDARG;
    char* item = Element(psa, rgIndices);
    if (!item) return DISP_E_BADINDEX;
    if (psa->vt == VT_BSTR) {
        bool failed;
        BSTR copy = CopyBstr(*reinterpret_cast<BSTR*>(item), failed);
        if (failed) return E_OUTOFMEMORY;
        *static_cast<BSTR*>(pv) = copy;
    } else {
        std::memcpy(pv, item, psa->cbElements);
    }
    return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv) {
    if (!psa || !rgIndices) return E_INVALIDARG;
    char* item = Element(psa, rgIndices);
    if (!item) return DISP_E_BADINDEX;
    if (psa->vt == VT_BSTR) {
        // pv is the BSTR itself (null stores an empty element).
        bool failed;
        BSTR copy = CopyBstr(static_cast<BSTR>(pv), failed);
        if (failed) return E_OUTOFMEMORY;
        SysFreeString(*reinterpret_cast<BSTR*>(item));
        *reinterpret_cast<BSTR*>(item) = copy;
    } else {
        if (!pv) return E_INVALIDARG;
        std::memcpy(item, pv, psa->cbElements);
    }
    return S_OK;
}

void VariantInit(VARIANT* pvarg) {
    if (pvarg) std::memset(static_cast<void*>(pvarg), 0, sizeof(VARIANT));
}

HRESULT VariantClear(VARIANT* pvarg) {
    if (!pvarg) return E_INVALIDARG;
    if (pvarg->vt == VT_BSTR) {
        SysFreeString(pvarg->bstrVal);
    } else if (IsArrayType(pvarg->vt)) {
        HRESULT hr = SafeArrayDestroy(pvarg->parray);
        if (FAILED(hr)) return hr;
    } else if (!IsScalarType(pvarg->vt)) {
        return DISP_E_BADVARTYPE;
    }
    VariantInit(pvarg);
    return S_OK;
}

