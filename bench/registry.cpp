// Settings store: a cached value query, a locked atomic write, parsing a larger store file afresh, and the
// eleven processing settings a new pattern reads (on one and on two threads) and writes back.
//   build/bench/bench_registry --benchmark_filter=Eleven
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/registry.h"

namespace {

using bench_support::Sandbox;

HKEY Create(const char* path) {
    HKEY k = nullptr;
    RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    return k;
}

void BM_QueryCachedValue(benchmark::State& state) {
    Sandbox box;
    HKEY k = Create("Software\\Bench\\Settings");
    DWORD v = 42;
    RegSetValueEx(k, "Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    for (auto _ : state) {
        DWORD out = 0, size = sizeof out;
        RegQueryValueEx(k, "Value", nullptr, nullptr, reinterpret_cast<BYTE*>(&out), &size);
        benchmark::DoNotOptimize(out);
    }
    RegCloseKey(k);
}
BENCHMARK(BM_QueryCachedValue);

// Every change takes the lock, re-reads the file and replaces it (flushed to disk).
void BM_WriteValue(benchmark::State& state) {
    Sandbox box;
    HKEY k = Create("Software\\Bench\\Settings");
    DWORD v = 0;
    for (auto _ : state) {
        ++v;
        RegSetValueEx(k, "Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    }
    RegCloseKey(k);
}
BENCHMARK(BM_WriteValue)->Unit(benchmark::kMicrosecond);

// A store of state.range(0) keys with two values each, parsed afresh on every look-up (two paths alternate).
void BM_ParseStore(benchmark::State& state) {
    Sandbox box;
    std::string text = "REGEDIT4\r\n\r\n";
    for (int i = 0; i < state.range(0); ++i) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "[HKEY_CURRENT_USER\\Software\\Bench\\Key%05d]\r\n\"Text\"=\"value %d\"\r\n"
                      "\"Number\"=dword:%08x\r\n\r\n",
                      i, i, static_cast<unsigned>(i));
        text += line;
    }
    std::string paths[2] = {box.File("a.reg"), box.File("b.reg")};
    for (const std::string& p : paths) {
        FILE* f = std::fopen(p.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    int which = 0;
    for (auto _ : state) {
        ::setenv("XRDDATA_USER_REGISTRY", paths[which ^= 1].c_str(), 1);
        HKEY k = nullptr;
        RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Bench\\Key00000", 0, KEY_READ, &k);
        RegCloseKey(k);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseStore)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The store holding all eleven settings, as after the first pattern of a user who saved them.
void StoreEleven() {
    CXRDData first;
    first.WriteRegistry(6.0, 2.0, 0, 1, 0.2, 0.001, -0.002, 0.03, 1, 2.0, 3.0);
}

// What constructing a pattern costs in the store: ReadRegistry reads the eleven values (and creates their
// sub-keys where missing). With several threads each reads on its own pattern.
void BM_ReadElevenSettings(benchmark::State& state) {
    // Every thread waits here until the one store is ready, before its first pattern reads it.
    static Sandbox box;
    static const bool stored = (StoreEleven(), true);
    benchmark::DoNotOptimize(stored);
    CXRDData d(0);
    double length, scale, fixed, u, v, w, factor, esds;
    int autoWidth, widthType, countType;
    for (auto _ : state) {
        d.ReadRegistry(length, scale, autoWidth, widthType, fixed, u, v, w, countType, factor, esds);
        benchmark::DoNotOptimize(esds);
    }
}
BENCHMARK(BM_ReadElevenSettings)->Threads(1)->Threads(2)->UseRealTime();

// The Data Settings dialog's "store as defaults" with one value changed each time: one replace of the file.
void BM_WriteElevenSettings(benchmark::State& state) {
    Sandbox box;
    StoreEleven();
    CXRDData d(0);
    double esds = 1.0;
    for (auto _ : state) {
        esds += 1.0;
        d.WriteRegistry(6.0, 2.0, 0, 1, 0.2, 0.001, -0.002, 0.03, 1, 2.0, esds);
    }
}
BENCHMARK(BM_WriteElevenSettings)->Unit(benchmark::kMicrosecond);

}  // namespace
