// Helpers shared by the benchmark programs: synthetic data files in a temporary folder, and a settings store
// there for the programs that construct patterns.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

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

}  // namespace bench_support
