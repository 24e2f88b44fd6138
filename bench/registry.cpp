// Settings store: a cached value query, a locked atomic write, and parsing a larger store file afresh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common.h"
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

}  // namespace
