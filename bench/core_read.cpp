// The format core against the pattern's import: a 1 000 000-point DIFFRAC-plus file read by the core from memory
// (read_bytes), from the file (read_file) and through CFileImporter::ReadDiffracPlusFile (load, core, fill the
// pattern); and the fixed cost of one import in-process, on a three-point text file, through DoReadFile (with
// the error and width derivation) and through the reader alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/formats/bytes.h"
#include "xrddata/formats/read.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

constexpr int kPoints = 1000000;

void Put32(std::string& b, size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}
void PutF32(std::string& b, size_t at, float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    Put32(b, at, u);
}
void PutF64(std::string& b, size_t at, double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    Put32(b, at, static_cast<std::uint32_t>(u));
    Put32(b, at + 4, static_cast<std::uint32_t>(u >> 32));
}

std::string DiffracPlusBytes(int n) {
    std::string b(712 + 304 + 4 * static_cast<size_t>(n), '\0');
    std::memcpy(&b[0], "RAW1.01", 7);
    Put32(b, 12, 1);
    std::memcpy(&b[326], "bench", 5);
    std::memcpy(&b[608], "Cu", 2);
    PutF64(b, 624, 1.5406);
    Put32(b, 712, 304);
    Put32(b, 716, static_cast<std::uint32_t>(n));
    PutF64(b, 712 + 16, 5.0);
    PutF64(b, 712 + 176, 0.0001);
    for (int i = 0; i < n; ++i) PutF32(b, 1016 + 4 * static_cast<size_t>(i), static_cast<float>(100 + i % 5000));
    return b;
}

std::string Save(const std::string& name, const std::string& bytes) {
    const std::string path = bench_support::Box().File(name.c_str());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

}  // namespace

static void BM_Core_ReadBytes_DiffracPlus_1M(benchmark::State& state) {
    const std::string bytes = DiffracPlusBytes(kPoints);
    for (auto _ : state) {
        const auto m = xrddata::formats::read_bytes(xrddata::formats::AsBytes(bytes), "bench.raw", 3);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Core_ReadBytes_DiffracPlus_1M)->Unit(benchmark::kMillisecond);

static void BM_Core_ReadFile_DiffracPlus_1M(benchmark::State& state) {
    const std::string path = Save("plus.raw", DiffracPlusBytes(kPoints));
    for (auto _ : state) {
        const auto m = xrddata::formats::read_file(path);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Core_ReadFile_DiffracPlus_1M)->Unit(benchmark::kMillisecond);

static void BM_Import_ReadDiffracPlusFile_1M(benchmark::State& state) {
    const std::string path = Save("plus.raw", DiffracPlusBytes(kPoints));
    CXRDData target;
    CFileImporter imp(&target);
    for (auto _ : state) {
        if (!imp.ReadDiffracPlusFile(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(target.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_Import_ReadDiffracPlusFile_1M)->Unit(benchmark::kMillisecond);

static void BM_Import_FixedCost_DoReadFile(benchmark::State& state) {
    const std::string path = Save("three.xy", "10 100\n11 400\n12 900\n");
    CXRDData d;
    for (auto _ : state) {
        if (!d.DoReadFile(path.c_str(), 0)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.GetSize());
    }
}
BENCHMARK(BM_Import_FixedCost_DoReadFile)->Unit(benchmark::kMicrosecond);

static void BM_Import_FixedCost_Reader(benchmark::State& state) {
    const std::string path = Save("three.xy", "10 100\n11 400\n12 900\n");
    CXRDData d;
    CFileImporter imp(&d);
    for (auto _ : state) {
        if (!imp.ReadTextFile(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.GetSize());
    }
}
BENCHMARK(BM_Import_FixedCost_Reader)->Unit(benchmark::kMicrosecond);

static void BM_Core_FixedCost_ReadFile(benchmark::State& state) {
    const std::string path = Save("three.xy", "10 100\n11 400\n12 900\n");
    for (auto _ : state) {
        const auto m = xrddata::formats::read_file(path);
        benchmark::DoNotOptimize(m.scans.front().counts.data());
    }
}
BENCHMARK(BM_Core_FixedCost_ReadFile)->Unit(benchmark::kMicrosecond);
