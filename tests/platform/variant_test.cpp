#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "xrddata/platform/variant.h"

namespace {

std::u16string Units(BSTR s) { return s ? std::u16string(s, SysStringLen(s)) : std::u16string(); }

}  // namespace

TEST(Bstr, LengthPrefixTerminatorAndLimits) {
    BSTR s = SysAllocStringLen(u"abc", 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    std::uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(s) - 4, 4);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(s[3], u'\0');
    SysFreeString(s);

    // Embedded NULs count; the length comes from the prefix, not from a terminator.
    BSTR z = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(Units(z), std::u16string(u"a\0b", 3));
    SysFreeString(z);

    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    // A length whose byte count does not fit the 32-bit prefix is refused, not wrapped.
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
}

TEST(Bstr, Utf8Conversion) {
    // Two-theta sign, Angstrom and a character outside the basic plane (a surrogate pair).
    const CString text = "2\xCE\xB8 \xC3\x85 \xF0\x9D\x84\x9E";
    BSTR s = SysAllocStringFromUtf8(text);
    EXPECT_EQ(Units(s), std::u16string(u"2\u03B8 \u00C5 \U0001D11E"));
    EXPECT_EQ(SysStringLen(s), 7u);
    EXPECT_EQ(Utf8FromBstr(s), text);
    SysFreeString(s);

    // Cut sequence, overlong slash, encoded surrogate, byte above F4: each bad byte becomes U+FFFD.
    BSTR bad = SysAllocStringFromUtf8(CString("a\xC3") + "\xC0\xAF" + "\xED\xA0\x80" + "\xFF" + "z");
    EXPECT_EQ(Units(bad), std::u16string(u"a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz"));
    SysFreeString(bad);

    // An unpaired surrogate in a BSTR comes out as U+FFFD; a null BSTR is the empty text.
    const OLECHAR lone[] = {u'x', 0xD800, u'y'};
    BSTR l = SysAllocStringLen(lone, 3);
    EXPECT_EQ(Utf8FromBstr(l), "x\xEF\xBF\xBDy");
    SysFreeString(l);
    EXPECT_EQ(Utf8FromBstr(nullptr), "");
}

TEST(SafeArray, VectorOfDoublesBoundsAndLocking) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 0, 3);
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(SafeArrayGetDim(psa), 1u);
    EXPECT_EQ(psa->cbElements, 8u);
    EXPECT_EQ(psa->vt, VT_R8);
    LONG lo = -1, hi = -1;
    EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(psa, 1, &hi), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 2);
    EXPECT_EQ(SafeArrayGetUBound(psa, 2, &hi), DISP_E_BADINDEX);

    double* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(data[0], 0.0);
    EXPECT_EQ(data[2], 0.0);
    data[1] = 2.5;
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);

    LONG i = 2;
    double v = 4.0;
    EXPECT_EQ(SafeArrayPutElement(psa, &i, &v), S_OK);
    EXPECT_EQ(data[2], 4.0);
    i = 1;
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &v), S_OK);
    EXPECT_EQ(v, 2.5);
    i = 3;
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &v), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayPutElement(psa, &i, &v), DISP_E_BADINDEX);
    i = -1;
    EXPECT_EQ(SafeArrayPutElement(psa, &i, &v), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, ElementTypesLowerBoundsAndRefusals) {
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, 3);
    EXPECT_EQ(bytes->cbElements, 1u);
    SafeArrayDestroy(bytes);

    // Indices count from the lower bound; an empty array has upper bound = lower bound - 1.
    SAFEARRAY* psa = SafeArrayCreateVector(VT_I2, 5, 2);
    ASSERT_NE(psa, nullptr);
    SHORT put = -7;
    LONG i = 6;
    EXPECT_EQ(SafeArrayPutElement(psa, &i, &put), S_OK);
    EXPECT_EQ(static_cast<SHORT*>(psa->pvData)[1], -7);
    i = 4;
    EXPECT_EQ(SafeArrayPutElement(psa, &i, &put), DISP_E_BADINDEX);
    SafeArrayDestroy(psa);

    SAFEARRAY* none = SafeArrayCreateVector(VT_R8, 1, 0);
    ASSERT_NE(none, nullptr);
    LONG hi = 0;
    SafeArrayGetUBound(none, 1, &hi);
    EXPECT_EQ(hi, 0);
    SafeArrayDestroy(none);

    EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 1), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(7, 0, 1), nullptr);
    // An upper bound beyond the LONG range cannot be described.
    EXPECT_EQ(SafeArrayCreateVector(VT_UI1, 0x7FFFFFFF, 2), nullptr);
}

TEST(SafeArray, BstrElementsAreOwnedCopies) {
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_NE(psa, nullptr);
    BSTR mine = SysAllocStringFromUtf8("Cu");
    LONG i = 0;
    EXPECT_EQ(SafeArrayPutElement(psa, &i, mine), S_OK);
    EXPECT_NE(static_cast<BSTR*>(psa->pvData)[0], mine);
    SysFreeString(mine);
    BSTR again = SysAllocStringFromUtf8("Co");
    EXPECT_EQ(SafeArrayPutElement(psa, &i, again), S_OK);  // replaces (and frees) the first copy
    SysFreeString(again);
    BSTR got = nullptr;
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &got), S_OK);  // a copy for the caller
    EXPECT_NE(got, static_cast<BSTR*>(psa->pvData)[0]);
    EXPECT_EQ(Units(got), u"Co");
    SysFreeString(got);
    i = 1;
    EXPECT_EQ(SafeArrayGetElement(psa, &i, &got), S_OK);
    EXPECT_EQ(got, nullptr);
    SafeArrayDestroy(psa);  // frees the element copies (the sanitizer build sees leaks)
}

TEST(Variant, InitAndClear) {
    VARIANT a;
    VariantInit(&a);
    EXPECT_EQ(a.vt, VT_EMPTY);

    a.vt = VT_BSTR;
    a.bstrVal = SysAllocStringFromUtf8("Mo");
    EXPECT_EQ(VariantClear(&a), S_OK);
    EXPECT_EQ(a.vt, VT_EMPTY);

    // A locked array cannot be cleared; the VARIANT keeps it.
    a.vt = VT_ARRAY | VT_R8;
    a.parray = SafeArrayCreateVector(VT_R8, 0, 2);
    void* p;
    SafeArrayAccessData(a.parray, &p);
    EXPECT_EQ(VariantClear(&a), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(a.vt, VT_ARRAY | VT_R8);
    SafeArrayUnaccessData(a.parray);
    EXPECT_EQ(VariantClear(&a), S_OK);

    // Type codes outside this layer are refused and left alone.
    VARIANT odd;
    VariantInit(&odd);
    odd.vt = 6;  // VT_CY
    EXPECT_EQ(VariantClear(&odd), DISP_E_BADVARTYPE);
    EXPECT_EQ(odd.vt, 6);
}
