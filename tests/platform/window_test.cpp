// Windows as notice queues, exercised across real threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "xrddata/platform/thread.h"
#include "xrddata/platform/window.h"

TEST(NoticeWindow, NoticesFromAnotherThreadArriveInOrder) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    ASSERT_TRUE(IsWindow(w));
    const int n = 500;
    std::thread poster([&] {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(PostMessage(w, WM_USER + 1, static_cast<WPARAM>(i), -i));
        PostMessage(w, WM_USER + 2, 0, 0);
    });
    std::vector<int> seen;
    MSG msg;
    while (GetMessage(&msg, w, 0, 0) > 0 && msg.message == WM_USER + 1) {
        EXPECT_EQ(msg.hwnd, w);
        EXPECT_EQ(msg.lParam, -static_cast<LPARAM>(msg.wParam));
        seen.push_back(static_cast<int>(msg.wParam));
    }
    poster.join();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    ASSERT_EQ(seen.size(), static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) ASSERT_EQ(seen[i], i);
    EXPECT_TRUE(DestroyWindow(w));
}

TEST(NoticeWindow, DestroyedWindowRefusesEverything) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    EXPECT_TRUE(PostMessage(w, WM_USER, 1, 2));
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(PostMessage(w, WM_USER, 1, 2));
    EXPECT_FALSE(DestroyWindow(w));
    MSG msg;
    EXPECT_EQ(GetMessage(&msg, w, 0, 0), -1);
    EXPECT_EQ(xrddata::platform::GetMessageTimeout(&msg, w, 0, 0, 0), -1);
    EXPECT_FALSE(PeekMessage(&msg, w, 0, 0, PM_REMOVE));
    EXPECT_FALSE(xrddata::platform::SetNoticeHandler(w, [](const MSG&) {}));
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(PostMessage(nullptr, WM_USER, 0, 0));
    // A new window never gets the old handle back.
    HWND w2 = xrddata::platform::CreateNoticeWindow();
    EXPECT_NE(w2, w);
    EXPECT_FALSE(PeekMessage(&msg, w2, 0, 0, PM_REMOVE));  // the old window's notice was discarded with it
    DestroyWindow(w2);
}

TEST(NoticeWindow, DestroyWakesAWaitingReader) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    std::atomic<int> result{2};
    std::thread reader([&] {
        MSG msg;
        result = GetMessage(&msg, w, 0, 0);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    DestroyWindow(w);
    reader.join();
    EXPECT_EQ(result.load(), -1);
}

TEST(NoticeWindow, PeekFiltersTimeoutAndQuit) {
    HWND a = xrddata::platform::CreateNoticeWindow();
    HWND b = xrddata::platform::CreateNoticeWindow();
    MSG msg{};
    EXPECT_EQ(xrddata::platform::GetMessageTimeout(&msg, a, 0, 0, 10), 0);  // nothing came
    PostMessage(a, WM_USER + 5, 1, 0);
    PostMessage(b, WM_USER + 6, 2, 0);
    PostMessage(a, WM_USER + 7, 3, 0);
    // Filter by range: the later notice is taken first, the other stays.
    ASSERT_TRUE(PeekMessage(&msg, a, WM_USER + 7, WM_USER + 9, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    ASSERT_TRUE(PeekMessage(&msg, a, WM_USER + 7, WM_USER + 9, PM_REMOVE));
    EXPECT_FALSE(PeekMessage(&msg, a, WM_USER + 7, WM_USER + 9, PM_REMOVE));
    // A null window reads every window of this thread, in posting order.
    ASSERT_EQ(GetMessage(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.hwnd, a);
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_EQ(xrddata::platform::GetMessageTimeout(&msg, nullptr, 0, 0, 1000), 1);
    EXPECT_EQ(msg.hwnd, b);
    PostMessage(b, WM_QUIT, 0, 0);
    EXPECT_EQ(GetMessage(&msg, b, 0, 0), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    DestroyWindow(a);
    DestroyWindow(b);
    // Another thread that created no window has nothing to wait for.
    int r = 2;
    std::thread([&] { r = GetMessage(&msg, nullptr, 0, 0); }).join();
    EXPECT_EQ(r, -1);
}

TEST(NoticeWindow, QueueIsBounded) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    for (unsigned i = 0; i < xrddata::platform::kMaxQueuedMessages; ++i) ASSERT_TRUE(PostMessage(w, WM_USER, i, 0));
    EXPECT_FALSE(PostMessage(w, WM_USER, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_TRUE(PostMessage(w, WM_USER, 0, 0));
    DestroyWindow(w);
}

TEST(NoticeWindow, HandlerReceivesInsteadOfQueueAndDestroyWaitsForIt) {
    HWND w = xrddata::platform::CreateNoticeWindow();
    std::vector<MSG> got;
    std::atomic<bool> inHandler{false};
    std::atomic<bool> release{false};
    ASSERT_TRUE(xrddata::platform::SetNoticeHandler(w, [&](const MSG& m) {
        got.push_back(m);
        if (m.message == WM_USER + 9) {
            inHandler = true;
            while (!release) std::this_thread::yield();
        }
    }));
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) PostMessage(w, WM_USER + 1, i, i);
        PostMessage(w, WM_USER + 9, 0, 0);
    });
    while (!inHandler) std::this_thread::yield();
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, w, 0, 0, PM_REMOVE));  // nothing was queued
    std::atomic<bool> destroyed{false};
    std::thread destroyer([&] {
        DestroyWindow(w);
        destroyed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(destroyed.load());  // still inside the handler
    release = true;
    destroyer.join();
    poster.join();
    EXPECT_TRUE(destroyed.load());
    ASSERT_EQ(got.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(got[i].message, static_cast<UINT>(WM_USER + 1));
        EXPECT_EQ(got[i].wParam, static_cast<WPARAM>(i));
    }

    // A handler may destroy its own window; removing the handler queues again.
    HWND v = xrddata::platform::CreateNoticeWindow();
    xrddata::platform::SetNoticeHandler(v, [v](const MSG&) { DestroyWindow(v); });
    EXPECT_TRUE(PostMessage(v, WM_USER, 0, 0));
    EXPECT_FALSE(IsWindow(v));
    HWND u = xrddata::platform::CreateNoticeWindow();
    xrddata::platform::SetNoticeHandler(u, [](const MSG&) {});
    xrddata::platform::SetNoticeHandler(u, nullptr);
    PostMessage(u, WM_USER, 4, 0);
    EXPECT_TRUE(PeekMessage(&msg, u, 0, 0, PM_REMOVE));
    DestroyWindow(u);
}

namespace {
// The calculation pattern: a worker posts begin, progress and end to the window it was given.
class PostingThread : public CWinThread {
    DECLARE_DYNCREATE(PostingThread)
public:
    int Run() override {
        PostMessage(target, WM_USER + 1, 0, 0);
        for (int pct = 0; pct <= 100; pct += 50) PostMessage(target, WM_USER + 2, pct, pct);
        PostMessage(target, WM_USER + 3, 0, 0);
        return 0;
    }
    HWND target = nullptr;
};
IMPLEMENT_DYNCREATE(PostingThread, CWinThread)
}  // namespace

TEST(NoticeWindow, WorkerThreadPostsToHostWindow) {
    // A suspended worker gets its target, is resumed, posts begin/progress/end and deletes itself.
    struct Job {
        HWND target;
    } job{xrddata::platform::CreateNoticeWindow()};
    CWinThread* t = AfxBeginThread(RUNTIME_CLASS(PostingThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(t, nullptr);
    static_cast<PostingThread*>(t)->target = job.target;
    t->ResumeThread();
    std::vector<std::pair<UINT, WPARAM>> got;
    MSG msg;
    while (xrddata::platform::GetMessageTimeout(&msg, job.target, 0, 0, 5000) == 1) {
        got.emplace_back(msg.message, msg.wParam);
        if (msg.message == WM_USER + 3) break;
    }
    std::vector<std::pair<UINT, WPARAM>> want = {
        {WM_USER + 1, 0}, {WM_USER + 2, 0}, {WM_USER + 2, 50}, {WM_USER + 2, 100}, {WM_USER + 3, 0}};
    EXPECT_EQ(got, want);
    DestroyWindow(job.target);
}
