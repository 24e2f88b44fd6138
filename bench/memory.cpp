// Peak memory per point of an import (DoReadFile of a two-column text file) and of processing the imported
// pattern (K-alpha2 stripping, background fit, the subtracted points written as .xye), at 1 and 4 million points. Each case
// runs in a child process of its own, so that its peak resident size is its alone; the counters give the
// growth of the peak over the resident size before the case, per point, and for the import also less the
// file's own size. The times are those of the parent waiting for the child. With the tool built, the tool's
// `process` on the same files is measured as a whole process (its peak resident size over the points, everything
// it holds included, and that less its peak on a small file).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common.h"
#include "xrddata/arrays/pointfile.h"
#include "xrddata/pattern/netpoints.h"
#include "xrddata/pattern/xrddata.h"

namespace {

long ResidentKb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Runs work in a child and returns (peak − resident before work) in bytes, or -1.
template <class Work>
double ChildPeakGrowth(Work work) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const double growth = work();
        if (write(fds[1], &growth, sizeof growth) != sizeof growth) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    double growth = -1;
    if (read(fds[0], &growth, sizeof growth) != sizeof growth) growth = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return growth;
}

void BM_ImportPeakPerPoint(benchmark::State& state) {
    bench_support::Box();
    const int n = static_cast<int>(state.range(0));
    const std::string path = bench_support::TwoColumnFile(n);
    const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
    double growth = 0;
    for (auto _ : state) {
        growth = ChildPeakGrowth([&] {
            CXRDData d;
            const long before = ResidentKb();
            if (d.DoReadFile(path.c_str(), 0) != 1) return -1.0;
            return (PeakKb() - before) * 1024.0;
        });
    }
    state.counters["bytes_per_point"] = growth / n;
    state.counters["beyond_file_per_point"] = (growth - fileBytes) / n;
}
BENCHMARK(BM_ImportPeakPerPoint)->Arg(1000000)->Arg(4000000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ProcessPeakPerPoint(benchmark::State& state) {
    bench_support::Box();
    const int n = static_cast<int>(state.range(0));
    const std::string path = bench_support::TwoColumnFile(n);
    const std::string out = path + ".out.xye";
    double growth = 0;
    for (auto _ : state) {
        growth = ChildPeakGrowth([&] {
            CXRDData d;
            if (d.DoReadFile(path.c_str(), 0) != 1) return -1.0;
            const long before = ResidentKb();
            const long peakBefore = PeakKb();
            d.StripKa2();
            d.m_dBackgroundLength = 1.0;
            d.m_dBackgroundScale = 1.0;
            d.CalculateBackground(nullptr, nullptr, 0, 0, 0);
            // The subtracted points written as they are made, as the tool writes them (no copy of the points).
            const CNetPoints net(d);
            WriteXyeFile(net.Columns(), out);
            const long peak = PeakKb();
            // The import's own peak may lie above everything processing needs.
            return (peak > peakBefore ? peak - before : 0) * 1024.0;
        });
    }
    std::filesystem::remove(out);
    state.counters["bytes_per_point"] = growth / n;
}
BENCHMARK(BM_ProcessPeakPerPoint)->Arg(1000000)->Arg(4000000)->Iterations(1)->Unit(benchmark::kMillisecond);

#ifdef XRDDATA_TOOL_PATH
// The peak resident size of `xrddata process --strip-ka2 --subtract` on the file, in bytes, or -1 when it failed.
double ToolProcessPeak(const std::string& path, const std::string& out) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(XRDDATA_TOOL_PATH, "xrddata", "process", "--strip-ka2", "--subtract", "--length", "1", "--stiffness", "1",
              "-o", out.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage u{};
    if (pid < 0 || wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return u.ru_maxrss * 1024.0;
}

// The whole process's peak over the points, and the same less the peak of the tool on 1,000 points: what the
// points cost beyond the program's fixed footprint (its code, the shared libraries, the allocator's arenas).
void BM_ToolProcessPeakPerPoint(benchmark::State& state) {
    bench_support::Box();  // the tool reads the sandbox's settings stores from the environment
    const int n = static_cast<int>(state.range(0));
    const std::string path = bench_support::TwoColumnFile(n);
    const std::string out = path + ".tool.xye";
    const double fixed = ToolProcessPeak(bench_support::TwoColumnFile(1000), out);
    double peak = -1;
    for (auto _ : state) {
        peak = ToolProcessPeak(path, out);
        if (peak < 0 || fixed < 0) {
            state.SkipWithError("the tool failed");
            break;
        }
    }
    std::filesystem::remove(out);
    state.counters["bytes_per_point"] = peak / n;
    state.counters["beyond_fixed_per_point"] = (peak - fixed) / n;
}
BENCHMARK(BM_ToolProcessPeakPerPoint)->Arg(1000000)->Arg(4000000)->Iterations(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
