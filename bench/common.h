// Helpers shared by the benchmark programs: synthetic data files in a temporary folder, a settings store there
// for the programs that construct patterns, synthetic copper patterns, and the time-per-point counter.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "xrddata/import/importer.h"
#include "xrddata/pattern/radiation.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/archive.h"
#include "xrddata/platform/memfile.h"

namespace bench_support {

// Points the settings store (the user's and the machine's file) at a fresh temporary folder for the object's
// lifetime, so that a benchmark never reads or writes the real settings; the folder goes with the object.
class Sandbox {
public:
    Sandbox() {
        std::string templ = (std::filesystem::temp_directory_path() / "xrddata-bench-XXXXXX").string();
        if (!mkdtemp(templ.data())) std::abort();
        dir_ = templ;
        ::setenv("XRDDATA_USER_REGISTRY", File("user.reg").c_str(), 1);
        ::setenv("XRDDATA_SYSTEM_REGISTRY", File("system.reg").c_str(), 1);
    }
    ~Sandbox() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::string File(const char* name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

// One sandbox for the whole program, for benchmarks that only need the store kept away from the user's.
inline Sandbox& Box() {
    static Sandbox box;
    return box;
}

// A two-column text file of n lines "two-theta counts" (CR LF), written once per process and path.
inline std::string TwoColumnFile(int n) {
    std::string path = (std::filesystem::temp_directory_path() / ("xrddata-bench-" + std::to_string(n) + ".xy")).string();
    if (std::filesystem::exists(path)) return path;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::mt19937 rng(1);
    for (int i = 0; i < n; ++i) std::fprintf(f, "%.4f %u\r\n", 5.0 + i * 0.001, 100 + rng() % 5000);
    std::fclose(f);
    return path;
}

// The counter "ns_per_point": CPU time per point, for an iteration that handles `points` points. The value is in
// seconds (the console shows it with an SI prefix, "52.3n"; the JSON output holds 5.23e-08).
inline void NsPerPoint(benchmark::State& state, double points) {
    state.counters["ns_per_point"] = benchmark::Counter(points * static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// n two-theta angles from 5 degrees in steps of 100/n (5 to 105 degrees).
inline std::vector<double> Angles(int n) {
    std::vector<double> x(n);
    const double step = 100.0 / n;
    for (int i = 0; i < n; ++i) x[i] = 5.0 + step * i;
    return x;
}

// A copper K-alpha1/K-alpha2 doublet every 2.5 degrees (Gaussians 0.1 degree wide, K-alpha2 at half height) on a
// flat background of 200, without noise: the pattern the stripping benchmarks work on.
inline std::vector<double> DoubletCounts(const std::vector<double>& x) {
    CRadiation cu;
    std::vector<double> y(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double c = 7.5 + 2.5 * std::floor((x[i] - 6.25) / 2.5);
        const double d1 = (x[i] - c) / 0.05, d2 = (x[i] - cu.Ka2PositionDegrees(c)) / 0.05;
        y[i] = 200.0 + 3000.0 * std::exp(-0.693 * d1 * d1) + 1500.0 * std::exp(-0.693 * d2 * d2);
    }
    return y;
}

// Pseudo-Voigt copper doublets (widths growing with angle, heights varying) every few degrees on a falling
// background, with counting noise: realistic peaked data for width detection and the background fit.
inline std::vector<double> PeakCounts(const std::vector<double>& x) {
    CRadiation cu;
    std::mt19937_64 rng(42);
    std::normal_distribution<double> z(0.0, 1.0);
    std::vector<double> y(x.size());
    std::vector<double> pos;
    for (double p = 12.3; p < 104.0; p += 3.7 + 2.1 * std::sin(p)) pos.push_back(p);
    for (size_t i = 0; i < x.size(); ++i) {
        double v = 800.0 * std::exp(-x[i] / 40.0) + 60.0;
        for (size_t k = 0; k < pos.size(); ++k) {
            const double fwhm = 0.06 + 0.0008 * pos[k], h = 500.0 + 4000.0 * ((k * 7919) % 13) / 13.0;
            for (int line = 0; line < 2; ++line) {
                const double c = line ? cu.Ka2PositionDegrees(pos[k]) : pos[k];
                const double d = (x[i] - c) / (0.5 * fwhm);
                if (std::fabs(d) > 60.0) continue;
                const double shape = 0.6 * std::exp(-0.6931471805599453 * d * d) + 0.4 / (1.0 + d * d);
                v += (line ? 0.5 : 1.0) * h * shape;
            }
        }
        y[i] = std::max(0.0, std::round(v + std::sqrt(v) * z(rng)));
    }
    return y;
}

// K-alpha2 stripping of a fresh copy of source, over and over; making the copy is not timed.
inline void StripKa2Loop(benchmark::State& state, const CXRDData& source) {
    const int n = source.GetSize();
    for (auto _ : state) {
        state.PauseTiming();
        CXRDData d(source);
        state.ResumeTiming();
        d.StripKa2();
        benchmark::DoNotOptimize(d.GetAt(CGraphData::Y, n / 2));
    }
}

// Little-endian values put into a byte buffer at a given offset (the buffer is already large enough).
inline void Put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
inline void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}
inline void PutF32(std::string& b, std::size_t at, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    Put32(b, at, u);
}
inline void PutF64(std::string& b, std::size_t at, double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    Put32(b, at, static_cast<std::uint32_t>(u));
    Put32(b, at + 4, static_cast<std::uint32_t>(u >> 32));
}

// Writes `bytes` to the file `name` in the program's sandbox folder and returns its path.
inline std::string Save(const std::string& name, const std::string& bytes) {
    const std::string path = Box().File(name.c_str());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

// A DIFFRAC-plus RAW1.01 file of one range: n float32 counts 100 + i % 5000 from 5 degrees in steps of 0.0001.
inline std::string DiffracPlusBytes(int n) {
    std::string b(712 + 304 + 4 * static_cast<std::size_t>(n), '\0');
    std::memcpy(&b[0], "RAW1.01", 7);
    Put32(b, 12, 1);
    std::memcpy(&b[326], "bench", 5);
    std::memcpy(&b[608], "Cu", 2);
    PutF64(b, 624, 1.5406);
    Put32(b, 712, 304);
    Put32(b, 716, static_cast<std::uint32_t>(n));
    PutF64(b, 712 + 16, 5.0);
    PutF64(b, 712 + 176, 0.0001);
    for (int i = 0; i < n; ++i)
        PutF32(b, 1016 + 4 * static_cast<std::size_t>(i), static_cast<float>(100 + i % 5000));
    return b;
}

// Writes an XRDML 2.1 file (no declaration, CR LF) of n points to `f`: counts 100 + a seeded random number below
// 5000 as one list, 2Theta from 5 degrees in steps of `step`, given by the start and end positions.
inline void WriteXrdml(std::FILE* f, int n, double step) {
    std::fprintf(f,
                 "<xrdMeasurements xmlns=\"http://www.xrdml.com/XRDMeasurement/2.1\" status=\"Completed\">\r\n"
                 "<sample type=\"To be analyzed\"><id>bench</id><name>bench</name></sample>\r\n"
                 "<xrdMeasurement measurementType=\"Scan\" status=\"Completed\">\r\n"
                 "<usedWavelength intended=\"K-Alpha\"><kAlpha1 unit=\"Angstrom\">1.5405980</kAlpha1>"
                 "<kAlpha2 unit=\"Angstrom\">1.5444260</kAlpha2><ratioKAlpha2KAlpha1>0.5000</ratioKAlpha2KAlpha1>"
                 "</usedWavelength>\r\n"
                 "<scan appendNumber=\"0\" mode=\"Continuous\" scanAxis=\"Gonio\" status=\"Completed\">\r\n"
                 "<header><startTimeStamp>2021-03-16T13:10:14+03:00</startTimeStamp></header>\r\n<dataPoints>\r\n"
                 "<positions axis=\"2Theta\" unit=\"deg\"><startPosition>5.0000</startPosition>"
                 "<endPosition>%.4f</endPosition></positions>\r\n"
                 "<commonCountingTime unit=\"seconds\">1.000</commonCountingTime>\r\n<counts unit=\"counts\">",
                 5.0 + (n - 1) * step);
    std::mt19937 rng(1);
    for (int i = 0; i < n; ++i) std::fprintf(f, i ? " %u" : "%u", 100 + rng() % 5000);
    std::fprintf(f, "</counts>\r\n</dataPoints>\r\n</scan>\r\n</xrdMeasurement>\r\n</xrdMeasurements>\r\n");
}

// Writes object's archive record to a memory file and loads it into back, as a store and a later load would;
// returns the record's size in bytes.
template <class T>
std::int64_t ArchiveRoundTrip(T& object, T& back) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        object.Serialize(ar);
        ar.Close();
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    back.Serialize(ar);
    return static_cast<std::int64_t>(file.GetLength());
}

// One reader of the import alone (no detection, no error or width derivation) on the file at path, over and over;
// points is the file's point count, for the items-per-second figure.
inline void ImportReaderLoop(benchmark::State& state, const std::string& path,
                             int (CFileImporter::*read)(const CString&), int points) {
    Box();
    CXRDData target;
    CFileImporter imp(&target);
    for (auto _ : state) {
        if (!(imp.*read)(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(target.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * points);
}

}  // namespace bench_support
