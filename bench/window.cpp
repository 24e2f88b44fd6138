// Notices through a window: what a calculation pays per progress notice, queued or handed to a handler.
#include <benchmark/benchmark.h>

#include "xrddata/platform/window.h"

static void BM_PostAndTake(benchmark::State& state) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    MSG msg;
    for (auto _ : state) {
        PostMessage(w, WM_USER + 1, 50, 50);
        PeekMessage(&msg, w, 0, 0, PM_REMOVE);
    }
    DestroyWindow(w);
}
BENCHMARK(BM_PostAndTake);

static void BM_PostToHandler(benchmark::State& state) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    long sum = 0;
    xrddata::platform::SetNoticeHandler(w, [&sum](const MSG& m) { sum += static_cast<long>(m.wParam); });
    for (auto _ : state) PostMessage(w, WM_USER + 1, 1, 1);
    benchmark::DoNotOptimize(sum);
    DestroyWindow(w);
}
BENCHMARK(BM_PostToHandler);
