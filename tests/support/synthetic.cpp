#include "support/synthetic.h"

#include <cmath>
#include <random>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/pattern/radiation.h"

namespace testing_support {

namespace {

// A standard normal deviate by Box-Muller from the fully specified 64-bit Mersenne twister, so that the noise is
// the same with every standard library.
double Normal(std::mt19937_64& rng) {
    const double scale = 1.0 / 18446744073709551616.0;  // 2^-64
    double u1 = (static_cast<double>(rng()) + 0.5) * scale;
    double u2 = (static_cast<double>(rng()) + 0.5) * scale;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.14159265358979323846 * u2);
}

double Polynomial(const std::vector<double>& c, double x) {
    double v = 0.0;
    for (size_t k = c.size(); k-- > 0;) v = v * x + c[k];
    return v;
}

}  // namespace

double PeakValue(const SyntheticPeak& peak, double x) {
    const double hw = 0.5 * peak.fwhm;
    const double d = (x - peak.position) / hw;
    const double gauss = std::exp(-std::log(2.0) * d * d);
    const double lorentz = 1.0 / (1.0 + d * d);
    return peak.height * ((1.0 - peak.eta) * gauss + peak.eta * lorentz);
}

SyntheticData MakeSynthetic(const SyntheticPattern& p) {
    SyntheticData out;
    if (!(p.step > 0.0) || !(p.xLast >= p.xFirst)) return out;
    const int n = static_cast<int>(std::floor((p.xLast - p.xFirst) / p.step + 1e-9)) + 1;
    const bool doublets = p.radiation && p.radiation->IsValidTarget() && p.radiation->IsKa2();
    std::vector<SyntheticPeak> ka2;
    if (doublets) {
        for (const SyntheticPeak& pk : p.peaks) {
            SyntheticPeak k = pk;
            k.position = p.radiation->Ka2PositionDegrees(pk.position);
            k.height = pk.height * p.radiation->GetKa2Ratio();
            ka2.push_back(k);
        }
    }
    std::mt19937_64 rng(p.noiseSeed);
    out.x.resize(n);
    out.y.resize(n);
    out.exact.resize(n);
    out.background.resize(n);
    out.ka1Peaks.resize(n);
    for (int i = 0; i < n; ++i) {
        const double x = p.xFirst + i * p.step;
        double peaks = 0.0;
        for (const SyntheticPeak& pk : p.peaks) peaks += PeakValue(pk, x);
        out.background[i] = Polynomial(p.background, x);
        out.ka1Peaks[i] = peaks;
        double v = out.background[i] + peaks;
        for (const SyntheticPeak& pk : ka2) v += PeakValue(pk, x);
        out.x[i] = x;
        out.exact[i] = v;
        double y = v;
        if (p.noiseSeed != 0) {
            const double z = Normal(rng);
            y = std::round(v + std::sqrt(v > 0.0 ? v : 0.0) * z);
            if (y < 0.0) y = 0.0;
        }
        out.y[i] = y;
    }
    return out;
}

void SyntheticData::AssignTo(CGraphData& g) const { g.Assign(x.data(), y.data(), nullptr, size()); }

}  // namespace testing_support
