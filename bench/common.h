// Helpers shared by the benchmark programs: synthetic data files in a temporary folder, and a settings store
// there for the programs that construct patterns.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "xrddata/import/importer.h"
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
