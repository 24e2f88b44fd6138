// Automation value types: BSTR (length-prefixed UTF-16 text), one-dimensional SAFEARRAYs and the VARIANT that
// carries them, with the handful of type codes the library exchanges with hosts and plug-in readers. Only the
// basics are here: creation, bounds, data access and release, and UTF-8 conversion of BSTRs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "xrddata/platform/types.h"

using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using FLOAT = float;
using DOUBLE = double;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
// Automation date: days since 30 December 1899, the fraction being the time of day (as COleDateTime::m_dt).
using DATE = double;
// Text characters of automation strings are UTF-16 code units.
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
// A BSTR points at its first character; the byte length (a 32-bit unsigned) sits just before it and a NUL
// character follows the last one. A null BSTR is an empty string.
using BSTR = OLECHAR*;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Result codes of the automation functions.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#endif
#ifndef FAILED
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#endif

// Type codes (the automation values). VT_ARRAY is a flag combined with an element type.
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_VARIANT = 12,  // only behind VT_BYREF
    VT_UI1 = 17,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,  // the VARIANT points at the caller's variable and owns nothing
};

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

// A safe array of one dimension. The element type is kept with the array (SafeArrayGetVartype); elements lie
// contiguously at pvData, cbElements bytes each. While cLocks is nonzero the array cannot be destroyed.
struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
    VARTYPE vt;
};
using LPSAFEARRAY = SAFEARRAY*;

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        SHORT iVal;      // VT_I2
        LONG lVal;       // VT_I4
        FLOAT fltVal;    // VT_R4
        DOUBLE dblVal;   // VT_R8
        BYTE bVal;       // VT_UI1
        VARIANT_BOOL boolVal;  // VT_BOOL
        BSTR bstrVal;    // VT_BSTR, owned
        SAFEARRAY* parray;  // VT_ARRAY | element type, owned
        DATE date;       // VT_DATE
        // VT_BYREF | type: the caller's variable.
        SHORT* piVal;
        LONG* plVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        BYTE* pbVal;
        VARIANT_BOOL* pboolVal;
        BSTR* pbstrVal;
        DATE* pdate;
        VARIANT* pvarVal;
        void* byref;
    };
};
using VARIANTARG = VARIANT;

// BSTR allocation. Every function returns null when memory runs out (or the length cannot be represented).
XRDDATA_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);  // text null: uninitialised characters
XRDDATA_API UINT SysStringLen(BSTR s);       // characters; 0 for null
XRDDATA_API void SysFreeString(BSTR s);      // null is fine

// UTF-8 <-> BSTR. Malformed UTF-8 sequences and unpaired surrogates become U+FFFD.
XRDDATA_API BSTR SysAllocStringFromUtf8(const CString& text);
XRDDATA_API CString Utf8FromBstr(BSTR s);

// Safe arrays of the element types above (VT_I2, VT_I4, VT_R4, VT_R8, VT_UI1, VT_BSTR, VT_BOOL), one dimension.
// Elements start out zero (BSTR elements null). Creation returns null for any other type, for bounds whose upper
// end is not a LONG, or when memory runs out.
XRDDATA_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// Frees the elements (BSTRs included) and the array; DISP_E_ARRAYISLOCKED while data access is open.
XRDDATA_API HRESULT SafeArrayDestroy(SAFEARRAY* psa);
XRDDATA_API UINT SafeArrayGetDim(SAFEARRAY* psa);
XRDDATA_API HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
// Upper bound = lower bound + count - 1 (so lower bound - 1 for an empty array).
XRDDATA_API HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
XRDDATA_API HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
XRDDATA_API HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
// One element by index (lower bound based). BSTR elements are copied in both directions; the caller frees what
// it gets and keeps what it puts.
XRDDATA_API HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv);
XRDDATA_API HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv);

XRDDATA_API void VariantInit(VARIANT* pvarg);
// Releases what the VARIANT owns (its BSTR or safe array; nothing behind VT_BYREF) and leaves it VT_EMPTY. A VARIANT of a type code this
// layer does not know is left alone and DISP_E_BADVARTYPE returned.
XRDDATA_API HRESULT VariantClear(VARIANT* pvarg);
