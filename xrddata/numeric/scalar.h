// Small scalar helpers of the numerical library and the constant PI.
#pragma once

#include "xrddata/platform/export.h"

// 4·atan(1), set once when the library is loaded.
XRDDATA_API extern const double PI;

// Ties give the second argument.
XRDDATA_API double Maximum(double a, double b);
XRDDATA_API float Maximum(float a, float b);
XRDDATA_API long Maximum(long a, long b);
XRDDATA_API int Maximum(int a, int b);
XRDDATA_API double Minimum(double a, double b);
XRDDATA_API float Minimum(float a, float b);
XRDDATA_API long Minimum(long a, long b);
XRDDATA_API int Minimum(int a, int b);

XRDDATA_API double Sqr(double x);
XRDDATA_API float Sqr(float x);

// |a| with the sign of b, where b = 0 counts as negative.
XRDDATA_API double Sign(double a, double b);

XRDDATA_API void Swap(double& a, double& b);
XRDDATA_API void Swap(float& a, float& b);
XRDDATA_API void Swap(long& a, long& b);
XRDDATA_API void Swap(int& a, int& b);

// The multiple of p nearest to a (for non-negative a): t - fmod(t, p) with t = a + |p|/2.
XRDDATA_API double TruncateToPrecision(double a, double p);

XRDDATA_API double DegreeToRadian(double x);
XRDDATA_API double RadianToDegree(double x);
