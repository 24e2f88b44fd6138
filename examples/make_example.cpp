// Writes examples/corundum.raw: a simulated powder pattern of corundum (alpha-Al2O3) measured with Cu radiation,
// 20 to 80 degrees two-theta in steps of 0.02, as a DIFFRAC-plus raw file ("RAW1.01", one data range).
//
// Each reflection is a pseudo-Voigt doublet: K-alpha1 at 1.540562 A and K-alpha2 at 1.544390 A with half its
// intensity, widths following FWHM^2 = U tan^2(theta) + V tan(theta) + W. Under the peaks lies a falling
// background with a broad hump; every point carries Poisson counting noise. The noise comes from a fixed-seed
// generator of our own (not the standard library's distributions, whose output differs between libraries), so the
// file is the same on every machine.
//
// Usage: make_example OUT.raw
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kKa1 = 1.540562, kKa2 = 1.544390, kKa2Ratio = 0.5;
constexpr double kStart = 20.0, kStep = 0.02;
constexpr int kPoints = 3001;

// d-spacings (angstrom) and relative intensities of the corundum reflections between 20 and 80 degrees.
struct Reflection {
    const char* hkl;
    double d;
    double intensity;
};
constexpr Reflection kReflections[] = {
    {"012", 3.4797, 45},  {"104", 2.5508, 100}, {"110", 2.3795, 40}, {"006", 2.1654, 2},
    {"113", 2.0853, 95},  {"202", 1.9643, 2},   {"024", 1.7400, 45}, {"116", 1.6016, 90},
    {"211", 1.5467, 4},   {"018", 1.5108, 8},   {"214", 1.4045, 32}, {"300", 1.3737, 50},
    {"125", 1.3359, 2},   {"208", 1.2755, 3},   {"1010", 1.2392, 15}, {"119", 1.2343, 8},
};

// splitmix64: a small generator with a fixed sequence for a fixed seed.
struct Random {
    std::uint64_t state;
    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform() { return (static_cast<double>(Next() >> 11) + 0.5) / 9007199254740992.0; }
    double Normal() { return std::sqrt(-2.0 * std::log(Uniform())) * std::cos(2.0 * kPi * Uniform()); }
    // Poisson counts: exact by multiplication for small means, the normal approximation above.
    double Poisson(double mean) {
        if (mean <= 0.0) return 0.0;
        if (mean < 30.0) {
            const double limit = std::exp(-mean);
            double p = Uniform();
            int k = 0;
            while (p > limit) {
                p *= Uniform();
                ++k;
            }
            return k;
        }
        return std::max(0.0, std::round(mean + std::sqrt(mean) * Normal()));
    }
};

double TwoTheta(double d, double lambda) {
    const double s = lambda / (2.0 * d);
    return s < 1.0 ? 2.0 * std::asin(s) * 180.0 / kPi : -1.0;
}

double PseudoVoigt(double x, double centre, double fwhm, double eta) {
    const double t = (x - centre) / (0.5 * fwhm);
    const double lorentz = 1.0 / (1.0 + t * t);
    const double gauss = std::exp(-std::log(2.0) * t * t);
    return eta * lorentz + (1.0 - eta) * gauss;
}

double Fwhm(double twoTheta) {
    const double t = std::tan(twoTheta * kPi / 360.0);
    return std::sqrt(0.0040 * t * t - 0.0020 * t + 0.0030);
}

// Little-endian field writers into a zero-filled block.
void PutText(std::vector<unsigned char>& b, size_t at, const std::string& s) { std::memcpy(&b[at], s.data(), s.size()); }
void PutU32(std::vector<unsigned char>& b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutF64(std::vector<unsigned char>& b, size_t at, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<unsigned char>(u >> (8 * i));
}
void PutF32(std::vector<unsigned char>& b, size_t at, float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    PutU32(b, at, u);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example OUT.raw\n");
        return 2;
    }
    Random rng{20250505};
    std::vector<float> counts(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double x = kStart + kStep * i;
        double mean = 140.0 + 520.0 * std::exp(-(x - kStart) / 9.0) + 90.0 * std::exp(-std::pow((x - 31.0) / 7.0, 2));
        for (const Reflection& r : kReflections) {
            const double p1 = TwoTheta(r.d, kKa1), p2 = TwoTheta(r.d, kKa2);
            const double area = 8.0 * r.intensity;  // counts x degrees
            const double w = Fwhm(p1);
            const double height = area / (w * 1.2);  // about the height of a pseudo-Voigt of that area, eta 0.5
            mean += height * PseudoVoigt(x, p1, w, 0.5);
            if (p2 > 0.0) mean += kKa2Ratio * height * PseudoVoigt(x, p2, w, 0.5);
        }
        counts[static_cast<size_t>(i)] = static_cast<float>(rng.Poisson(mean));
    }

    std::vector<unsigned char> header(712, 0), range(304, 0), data(4 * kPoints, 0);
    PutText(header, 0, "RAW1.01");
    PutU32(header, 12, 1);  // one data range
    PutText(header, 16, "05/05/2025");
    PutText(header, 26, "10:30:00");
    PutText(header, 326, "Corundum (simulated)");
    PutText(header, 386, "alpha-Al2O3, Cu K-alpha1/K-alpha2, 20-80 deg step 0.02, counting noise");
    PutText(header, 608, "Cu");
    PutF64(header, 624, kKa1);
    PutU32(range, 0, 304);
    PutU32(range, 4, kPoints);
    PutF64(range, 16, kStart);
    PutF64(range, 176, kStep);
    PutU32(range, 256, 0);  // no supplementary header
    for (int i = 0; i < kPoints; ++i) PutF32(data, 4 * static_cast<size_t>(i), counts[static_cast<size_t>(i)]);

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
              std::fwrite(range.data(), 1, range.size(), f) == range.size() &&
              std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
