// Synthetic powder patterns for tests: peaks (Gaussian or pseudo-Voigt) on a polynomial background, optionally
// recorded as K-alpha1/K-alpha2 doublets of a radiation, optionally with Poisson-like counting noise. The same
// description and seed always give the same points.
#pragma once

#include <cstdint>
#include <vector>

class CGraphData;
class CRadiation;

namespace testing_support {

struct SyntheticPeak {
    double position;  // two-theta of the (K-alpha1) peak maximum, degrees
    double height;    // counts at the maximum, above the background
    double fwhm;      // full width at half maximum, degrees
    double eta = 0.0; // Lorentzian fraction of a pseudo-Voigt; 0 is a pure Gaussian
};

struct SyntheticPattern {
    double xFirst = 10.0;  // first two-theta
    double xLast = 60.0;   // last two-theta (included when it lies on the grid)
    double step = 0.02;
    std::vector<SyntheticPeak> peaks;
    // Background polynomial in two-theta: background[0] + background[1]·x + background[2]·x² + ...
    std::vector<double> background;
    // When set and it carries K-alpha2 with a valid target, each peak also appears at the radiation's K-alpha2
    // position of its angle, with the height scaled by the K-alpha2 ratio and the same width.
    const CRadiation* radiation = nullptr;
    // 0: exact profile. Otherwise the seed of Poisson-like noise: each count becomes round(y + √y·z) with z a
    // standard normal deviate, and never below 0.
    std::uint64_t noiseSeed = 0;
};

struct SyntheticData {
    std::vector<double> x;
    std::vector<double> y;      // what the instrument would record (with noise when asked)
    std::vector<double> exact;       // the profile without noise
    std::vector<double> background;  // the background polynomial alone
    std::vector<double> ka1Peaks;    // the K-alpha1 peaks alone, without background

    int size() const { return static_cast<int>(x.size()); }
    // Puts the recorded points into a point set in counting-statistics mode.
    void AssignTo(CGraphData& g) const;
};

// One peak's profile (without background) at x.
double PeakValue(const SyntheticPeak& peak, double x);

SyntheticData MakeSynthetic(const SyntheticPattern& p);

}  // namespace testing_support
