// String helpers used where the framework's CString has member functions: formatting in the framework's printf
// dialect (exponents with at least three digits), case-insensitive comparison, trimming and case conversion.
#pragma once

#include <string>

#include "xrddata/platform/types.h"

// printf-style formatting; every %e, %E, %g and %G conversion writes an exponent of at least three digits
// (1.23457e+008), the way the system has always written numbers into files and messages.
XRDDATA_API CString Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// "%g" of one value with the three-digit exponent, appended to out (no allocation beyond the string's growth).
XRDDATA_API void AppendG(CString& out, double v);

XRDDATA_API int CompareNoCase(const CString& a, const CString& b);
XRDDATA_API CString MakeLower(CString s);
XRDDATA_API CString TrimRight(const CString& s);
XRDDATA_API CString Trim(const CString& s);
