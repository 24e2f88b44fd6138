// The calculation framework: progress notices, the notification target, copying, and the start on the calling
// thread or on a worker thread, with the notices received on another thread.
#include "xrddata/calc/calculation.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <future>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/support.h"
#include "xrddata/calc/backgroundcalc.h"
#include "xrddata/platform/window.h"

namespace {

constexpr UINT kBegin = WM_USER + 1, kProgress = WM_USER + 2, kEnd = WM_USER + 3;

struct Notice {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Notice&) const = default;
};

// Opens the protected parts; Calculate runs a scripted body when one is set.
class Probe : public CXRDCalculation {
public:
    using CXRDCalculation::CXRDCalculation;
    using CXRDCalculation::BeginProgress;
    using CXRDCalculation::EndProgress;
    using CXRDCalculation::m_bRunning;
    using CXRDCalculation::m_hWnd;
    using CXRDCalculation::m_nBeginMessage;
    using CXRDCalculation::m_nEndMessage;
    using CXRDCalculation::m_nLastPercent;
    using CXRDCalculation::m_nPhase;
    using CXRDCalculation::m_nPhases;
    using CXRDCalculation::m_nProgressMessage;
    using CXRDCalculation::m_pThreadFlag;
    using CXRDCalculation::NextPhase;
    using CXRDCalculation::Progress;

    std::function<int(Probe&)> body;
    int calls = 0;
    int Calculate() override {
        ++calls;
        return body ? body(*this) : CXRDCalculation::Calculate();
    }
};

std::vector<Notice> Drain(HWND w) {
    std::vector<Notice> out;
    MSG m;
    while (PeekMessage(&m, w, 0, 0, PM_REMOVE)) out.push_back({m.message, m.wParam, m.lParam});
    return out;
}

// Receives notices on a thread of its own until the end notice (or a time limit) and keeps them in order.
class Receiver {
public:
    explicit Receiver(HWND w, UINT end = kEnd) : w_(w), end_(end), thread_([this] { Run(); }) {}
    ~Receiver() {
        if (thread_.joinable()) thread_.join();
    }
    // Waits for the receiving thread to finish and returns what it took.
    std::vector<Notice> Take() {
        if (thread_.joinable()) thread_.join();
        return notices_;
    }

private:
    void Run() {
        MSG m;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < limit) {
            if (xrddata::platform::GetMessageTimeout(&m, w_, 0, 0, 100) != 1) continue;
            notices_.push_back({m.message, m.wParam, m.lParam});
            if (m.message == end_) return;
        }
    }
    HWND w_;
    UINT end_;
    std::vector<Notice> notices_;
    std::thread thread_;
};

// Begin first, end last, and in between the progress percentages: strictly increasing from 0 to 100.
void ExpectRunSequence(const std::vector<Notice>& n) {
    ASSERT_GE(n.size(), 4u);
    EXPECT_EQ(n.front(), (Notice{kBegin, 0, 0}));
    EXPECT_EQ(n.back(), (Notice{kEnd, 0, 0}));
    EXPECT_EQ(n[1], (Notice{kProgress, 0, 0}));
    EXPECT_EQ(n[n.size() - 2], (Notice{kProgress, 100, 100}));
    for (size_t i = 1; i + 1 < n.size(); ++i) {
        EXPECT_EQ(n[i].message, kProgress);
        EXPECT_EQ(static_cast<LPARAM>(n[i].wParam), n[i].lParam);
        if (i > 1) {
            EXPECT_GT(n[i].wParam, n[i - 1].wParam);
        }
    }
}

std::vector<double> Range(int n, double x0, double dx) {
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) v[i] = x0 + dx * i;
    return v;
}

}  // namespace

TEST(Calculation, ProgressNoticesOfThreePhases) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    Probe c;
    int flag = 0;
    c.SetThreadInfo(&flag, w, kBegin, kProgress, kEnd);
    EXPECT_EQ(c.m_pThreadFlag, &flag);
    c.SetNumPhases(3);
    c.BeginProgress();
    c.Progress(0.5);                        // 16.67 truncated
    c.Progress(0.501);                      // still 16: nothing
    c.Progress(0.5);
    c.NextPhase(1);                         // 33
    c.Progress(7.0);                        // 266 clamped to 100
    c.Progress(-9.0);                       // below 0 clamped to 0
    c.Progress(std::numeric_limits<double>::quiet_NaN());  // not a number: 0, already the last value
    c.EndProgress();                        // 100, then end
    EXPECT_EQ(Drain(w), (std::vector<Notice>{{kBegin, 0, 0},
                                             {kProgress, 0, 0},
                                             {kProgress, 16, 16},
                                             {kProgress, 33, 33},
                                             {kProgress, 100, 100},
                                             {kProgress, 0, 0},
                                             {kProgress, 100, 100},
                                             {kEnd, 0, 0}}));
    EXPECT_EQ(c.m_nLastPercent, 100);
    EXPECT_EQ(c.m_nPhase, 3);

    // A second run posts 0 again only because it differs from the last 100; EndProgress does not repeat 100.
    c.BeginProgress();
    c.Progress(1.0);
    c.NextPhase(2);
    c.EndProgress();
    EXPECT_EQ(Drain(w), (std::vector<Notice>{{kBegin, 0, 0},
                                             {kProgress, 0, 0},
                                             {kProgress, 33, 33},
                                             {kProgress, 66, 66},
                                             {kProgress, 100, 100},
                                             {kEnd, 0, 0}}));

    // No phases at all: the percentage is not a number and counts as 0.
    c.SetNumPhases(0);
    c.BeginProgress();
    c.EndProgress();
    EXPECT_EQ(Drain(w), (std::vector<Notice>{{kBegin, 0, 0}, {kProgress, 0, 0}, {kEnd, 0, 0}}));
    DestroyWindow(w);
}

TEST(Calculation, TargetsThatAreNotWindowsAreDropped) {
    HWND gone = xrddata::platform::CreateNoticeWindow();
    DestroyWindow(gone);
    HWND w = xrddata::platform::CreateNoticeWindow();
    Probe c;
    c.SetThreadInfo(nullptr, w, kBegin, kProgress, kEnd);
    c.SetThreadInfo(nullptr, gone, kBegin, kProgress, kEnd);
    EXPECT_EQ(c.m_hWnd, nullptr);
    EXPECT_EQ(c.m_nBeginMessage, 0u);
    EXPECT_EQ(c.m_nProgressMessage, 0u);
    EXPECT_EQ(c.m_nEndMessage, 0u);
    EXPECT_EQ(c.m_pThreadFlag, nullptr);

    // Without a window the start computes here, under the wait cursor, and returns Calculate's result.
    testing_support::RecordingUi ui;
    c.body = [](Probe& p) {
        p.BeginProgress();
        p.EndProgress();
        return 7;
    };
    EXPECT_EQ(c.StartCalculation(), 7);
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(ui.waitBegins, 1);
    EXPECT_EQ(ui.waitEnds, 1);
    EXPECT_EQ(c.m_nLastPercent, 100);  // the percentage is kept without a window too
    EXPECT_TRUE(Drain(w).empty());

    // A throwing computation: the cursor is restored, the exception reaches the caller, the object is idle again.
    c.body = [](Probe&) -> int { throw std::runtime_error("work failed"); };
    EXPECT_THROW(c.StartCalculation(), std::runtime_error);
    EXPECT_EQ(ui.waitEnds, 2);
    EXPECT_EQ(c.m_bRunning.load(), 0);
    c.body = nullptr;
    EXPECT_EQ(c.StartCalculation(), 0);
    EXPECT_EQ(c.calls, 3);
    DestroyWindow(w);
}

TEST(Calculation, ConstructionAndCopying) {
    const std::vector<double> x = {3.0, 1.0, 2.0}, y = {30.0, 10.0, 20.0}, e = {3.5, 1.5, 2.5};
    CXRDData pattern(3, x.data(), y.data(), e.data());
    pattern.m_strSampleName = "quartz";
    pattern.m_strSampleInfo = "info";
    pattern.m_strFileName = "/data/q.raw";
    Probe fromPattern(pattern);
    EXPECT_EQ(fromPattern.m_strSampleName, "quartz");
    EXPECT_EQ(fromPattern.m_strSampleInfo, "info");
    EXPECT_EQ(fromPattern.m_strFileName, "");  // not part of what a calculation takes
    EXPECT_TRUE(fromPattern.IsCustomErrors());
    EXPECT_EQ(fromPattern.GetAt(CGraphData::X, 0), 1.0);
    EXPECT_EQ(fromPattern.GetAt(CGraphData::YError, 2), 3.5);
    EXPECT_EQ(fromPattern.m_nPhases, 1);
    EXPECT_EQ(fromPattern.m_nLastPercent, -1);

    HWND w = xrddata::platform::CreateNoticeWindow();
    int flag = 0;
    fromPattern.SetThreadInfo(&flag, w, kBegin, kProgress, kEnd);
    fromPattern.SetNumPhases(4);
    fromPattern.m_nLastPercent = 25;
    fromPattern.m_bRunning = 1;
    fromPattern.m_nTypeFlag = 6;

    Probe copied(fromPattern);  // Copy: always idle
    EXPECT_EQ(copied.m_bRunning.load(), 0);
    EXPECT_EQ(copied.m_hWnd, w);
    EXPECT_EQ(copied.m_pThreadFlag, &flag);
    EXPECT_EQ(copied.m_nEndMessage, kEnd);
    EXPECT_EQ(copied.m_nPhases, 4);
    EXPECT_EQ(copied.m_nLastPercent, 25);
    EXPECT_EQ(copied.m_nTypeFlag, 6);
    EXPECT_EQ(copied.m_strSampleName, "quartz");
    EXPECT_EQ(copied.GetSize(), 3);
    EXPECT_TRUE(copied.IsCustomErrors());

    Probe assigned;
    assigned = fromPattern;  // assignment: the running flag too
    EXPECT_EQ(assigned.m_bRunning.load(), 1);
    EXPECT_EQ(assigned.m_nProgressMessage, kProgress);
    EXPECT_EQ(assigned.GetAt(CGraphData::Y, 2), 30.0);
    fromPattern.m_bRunning = 0;
    DestroyWindow(w);
}

TEST(CalculationThread, WorkerPostsTheRunInOrderToAnotherThread) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    const std::vector<double> x = Range(3000, 5.0, 0.02);
    std::vector<double> y(x.size());
    for (size_t i = 0; i < x.size(); ++i) y[i] = 500.0 + 40.0 * std::sin(x[i] / 7.0) + (i % 11);
    auto* calc = new CBackgroundCalculation(static_cast<int>(x.size()), x.data(), y.data(), nullptr);
    calc->SetBackgroundParams(1.0, 1.0, 5.0, 65.0);
    calc->SetThreadInfo(nullptr, w, kBegin, kProgress, kEnd);
    testing_support::RecordingUi ui;
    Receiver receiver(w);
    EXPECT_EQ(calc->StartCalculation(), 1);
    std::vector<Notice> notices = receiver.Take();
    ExpectRunSequence(notices);
    EXPECT_GT(notices.size(), 10u);  // three passes report their way through the points
    EXPECT_EQ(ui.waitBegins, 0);     // the threaded start shows no wait cursor
    EXPECT_GT(calc->SplineInterpolate(30.0), 400.0);
    // The object is free as soon as the end notice has arrived: it can be destroyed at once.
    delete calc;
    DestroyWindow(w);
}

TEST(CalculationThread, NoticesOfEdgeRunsAndSilentWindows) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    {
        // A fit refused for its parameters (one point): no begin notice, 100 and the end.
        const double x = 1.0, y = 2.0;
        CBackgroundCalculation calc(1, &x, &y, nullptr);
        calc.SetThreadInfo(nullptr, w, kBegin, kProgress, kEnd);
        Receiver receiver(w);
        EXPECT_EQ(calc.StartCalculation(), 1);
        EXPECT_EQ(receiver.Take(), (std::vector<Notice>{{kProgress, 100, 100}, {kEnd, 0, 0}}));
    }
    {
        // Only the end message chosen: the worker path is still taken and just the end arrives.
        Probe calc;
        calc.SetThreadInfo(nullptr, w, 0, 0, kEnd);
        Receiver receiver(w);
        EXPECT_EQ(calc.StartCalculation(), 1);
        EXPECT_EQ(receiver.Take(), (std::vector<Notice>{{kEnd, 0, 0}}));
        EXPECT_EQ(calc.calls, 1);
    }
    {
        // All three message numbers 0: the worker runs and posts nothing.
        Probe calc;
        std::atomic<bool> done{false};
        calc.body = [&](Probe& p) {
            p.BeginProgress();
            p.EndProgress();
            done = true;
            return 0;
        };
        calc.SetThreadInfo(nullptr, w, 0, 0, 0);
        EXPECT_EQ(calc.StartCalculation(), 1);
        while (!done || calc.m_bRunning) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(calc.calls, 1);
        MSG m;
        EXPECT_EQ(xrddata::platform::GetMessageTimeout(&m, w, 0, 0, 50), 0);
    }
    DestroyWindow(w);
}

TEST(CalculationThread, TwoCalculationsRunAtOnce) {
    HWND w1 = xrddata::platform::CreateNoticeWindow(), w2 = xrddata::platform::CreateNoticeWindow();
    const std::vector<double> x = Range(4000, 10.0, 0.01);
    std::vector<double> y1(x.size()), y2(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        y1[i] = 100.0 + x[i];
        y2[i] = 900.0 - 2.0 * x[i] + 30.0 * std::cos(x[i]);
    }
    CBackgroundCalculation a(static_cast<int>(x.size()), x.data(), y1.data(), nullptr);
    CBackgroundCalculation b(static_cast<int>(x.size()), x.data(), y2.data(), nullptr);
    a.SetBackgroundParams(0.5, 1.0, 0.0, 100.0);
    b.SetBackgroundParams(0.5, 1.0, 0.0, 100.0);
    a.SetThreadInfo(nullptr, w1, kBegin, kProgress, kEnd);
    b.SetThreadInfo(nullptr, w2, kBegin, kProgress, kEnd);
    Receiver r1(w1), r2(w2);
    EXPECT_EQ(a.StartCalculation(), 1);
    EXPECT_EQ(b.StartCalculation(), 1);
    ExpectRunSequence(r1.Take());
    ExpectRunSequence(r2.Take());
    // Each fitted its own data: a straight line is reproduced exactly.
    EXPECT_NEAR(a.SplineInterpolate(33.3), 133.3, 1e-6);
    EXPECT_NEAR(b.SplineInterpolate(33.3), 900.0 - 66.6 + 30.0 * std::cos(33.3), 2.0);
    DestroyWindow(w1);
    DestroyWindow(w2);
}

TEST(CalculationThread, SecondStartWhileRunningIsRefused) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    std::mutex mu;
    std::condition_variable cv;
    bool release = false, inside = false, block = true;
    Probe calc;
    calc.body = [&](Probe& p) {
        p.BeginProgress();
        if (block) {
            std::unique_lock<std::mutex> lk(mu);
            inside = true;
            cv.notify_all();
            cv.wait(lk, [&] { return release; });
        }
        p.EndProgress();
        return 0;
    };
    calc.SetThreadInfo(nullptr, w, kBegin, kProgress, kEnd);
    Receiver receiver(w);
    EXPECT_EQ(calc.StartCalculation(), 1);
    {
        std::unique_lock<std::mutex> lk(mu);
        cv.wait(lk, [&] { return inside; });
    }
    // Busy: refused, nothing computed, nothing posted.
    EXPECT_EQ(calc.StartCalculation(), 0);
    EXPECT_EQ(calc.calls, 1);
    {
        std::lock_guard<std::mutex> lk(mu);
        release = true;
    }
    cv.notify_all();
    EXPECT_EQ(receiver.Take(), (std::vector<Notice>{{kBegin, 0, 0}, {kProgress, 0, 0}, {kProgress, 100, 100}, {kEnd, 0, 0}}));

    // Once the end notice is in, a new start is accepted at once.
    block = false;
    Receiver again(w);
    EXPECT_EQ(calc.StartCalculation(), 1);
    EXPECT_EQ(again.Take(), (std::vector<Notice>{{kBegin, 0, 0}, {kProgress, 0, 0}, {kProgress, 100, 100}, {kEnd, 0, 0}}));
    EXPECT_EQ(calc.calls, 2);
    DestroyWindow(w);
}

TEST(CalculationThread, NoWorkerMeansFailureAndIdle) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    Probe calc;
    calc.SetThreadInfo(nullptr, w, kBegin, kProgress, kEnd);
    // New threads ask for a stack larger than the address space: the system refuses to create them.
    pthread_attr_t saved, huge;
    ASSERT_EQ(pthread_getattr_default_np(&saved), 0);
    ASSERT_EQ(pthread_attr_init(&huge), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&huge, size_t{1} << 50), 0);
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    const int started = calc.StartCalculation();
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&saved);
    EXPECT_EQ(started, 0);
    EXPECT_EQ(calc.m_bRunning.load(), 0);
    EXPECT_EQ(calc.calls, 0);
    MSG m;
    EXPECT_EQ(xrddata::platform::GetMessageTimeout(&m, w, 0, 0, 20), 0);

    // With threads available again the same object starts normally.
    Receiver receiver(w);
    EXPECT_EQ(calc.StartCalculation(), 1);
    EXPECT_EQ(receiver.Take().back(), (Notice{kEnd, 0, 0}));
    DestroyWindow(w);
}

TEST(CalculationThread, HostMayDestroyTheCalculationOnTheEndNotice) {
    // A host whose notice handler deletes the calculation as soon as the end notice arrives (on the worker's
    // thread, while EndProgress is still on the stack): the worker must not touch the object after posting it.
    HWND w = xrddata::platform::CreateNoticeWindow();
    auto* calc = new CXRDCalculation;
    std::promise<std::vector<UINT>> done;
    std::vector<UINT> seen;
    xrddata::platform::SetNoticeHandler(w, [&](const MSG& m) {
        seen.push_back(m.message);
        if (m.message == kEnd) {
            delete calc;
            done.set_value(seen);
        }
    });
    calc->SetThreadInfo(nullptr, w, kBegin, kProgress, kEnd);
    EXPECT_EQ(calc->StartCalculation(), 1);
    std::future<std::vector<UINT>> result = done.get_future();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(result.get(), (std::vector<UINT>{kBegin, kProgress, kProgress, kEnd}));
    DestroyWindow(w);
}
