#include "xrddata/numeric/scalar.h"

#include <cmath>
#include <utility>

// atan is folded at compile time, so PI is ready before any other initialiser of the library runs.
const double PI = 4.0 * std::atan(1.0);

double Maximum(double a, double b) { return a > b ? a : b; }
float Maximum(float a, float b) { return a > b ? a : b; }
long Maximum(long a, long b) { return a > b ? a : b; }
int Maximum(int a, int b) { return a > b ? a : b; }
double Minimum(double a, double b) { return a < b ? a : b; }
float Minimum(float a, float b) { return a < b ? a : b; }
long Minimum(long a, long b) { return a < b ? a : b; }
int Minimum(int a, int b) { return a < b ? a : b; }

double Sqr(double x) { return x * x; }
float Sqr(float x) { return x * x; }

double Sign(double a, double b) { return b > 0.0 ? std::fabs(a) : -std::fabs(a); }

void Swap(double& a, double& b) { std::swap(a, b); }
void Swap(float& a, float& b) { std::swap(a, b); }
void Swap(long& a, long& b) { std::swap(a, b); }
void Swap(int& a, int& b) { std::swap(a, b); }

double TruncateToPrecision(double a, double p) {
    double t = a + 0.5 * std::fabs(p);
    return t - std::fmod(t, p);
}

// 0.005555555555555556 is the double nearest to 1/180; the product keeps that order of operations.
double DegreeToRadian(double x) { return PI * x * 0.005555555555555556; }
double RadianToDegree(double x) { return x * 180.0 / PI; }
