// Reading binary raw files: a DIFFRAC-plus file of 1 000 000 points and a STOE file of 16 384 int32 points.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"

namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("xrddata-bench-" + name)).string();
}

void Put16(std::string& b, size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
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

void Save(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string DiffracPlusFile(int n) {
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
    const std::string path = TempPath("plus.raw");
    Save(path, b);
    return path;
}

std::string StoeFile(int n) {
    const size_t records = 2 + (static_cast<size_t>(n) + 127) / 128;
    std::string b(512 * records, '\0');
    std::memcpy(&b[0], "RAW_1.05", 8);
    Put16(b, 310, 3);
    PutF32(b, 322, 1.5406f);
    Put16(b, 378, 1);
    Put32(b, 466, 1);
    Put16(b, 480, 2);  // range 1 header in record 2
    Put16(b, 512 + 34, static_cast<std::uint16_t>(n));
    Put16(b, 512 + 38, 2);
    PutF32(b, 512 + 40, 2.0f);
    PutF32(b, 512 + 44, 5.0f);
    PutF32(b, 512 + 60, 0.01f);
    for (int i = 0; i < n; ++i) Put32(b, 1024 + 4 * static_cast<size_t>(i), static_cast<std::uint32_t>(i % 7000));
    const std::string path = TempPath("stoe.raw");
    Save(path, b);
    return path;
}


}  // namespace

static void BM_ReadDiffracPlus_1M(benchmark::State& state) {
    bench_support::Box();
    const std::string path = DiffracPlusFile(1000000);
    CXRDData target;
    CFileImporter imp(&target);
    for (auto _ : state) {
        if (!imp.ReadDiffracPlusFile(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(target.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_ReadDiffracPlus_1M)->Unit(benchmark::kMillisecond);

static void BM_ReadStoe_16384(benchmark::State& state) {
    bench_support::Box();
    const std::string path = StoeFile(16384);
    CXRDData target;
    CFileImporter imp(&target);
    for (auto _ : state) {
        if (!imp.ReadStoeFile(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(target.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * 16384);
}
BENCHMARK(BM_ReadStoe_16384)->Unit(benchmark::kMicrosecond);
