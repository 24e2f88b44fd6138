// Worker threads: suspended creation, resumption, auto-deletion, dynamic creation, the thread body's steps.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "xrddata/platform/thread.h"

namespace {

std::atomic<int> g_runs{0};
std::atomic<int> g_destroyed{0};
std::atomic<int> g_exitInstances{0};

class CountingThread : public CWinThread {
    DECLARE_DYNCREATE(CountingThread)
public:
    ~CountingThread() override { ++g_destroyed; }
    int Run() override {
        ++g_runs;
        return 42;
    }
    int ExitInstance() override {
        ++g_exitInstances;
        return CWinThread::ExitInstance();
    }
};
IMPLEMENT_DYNCREATE(CountingThread, CWinThread)

class RefusingThread : public CWinThread {
    DECLARE_DYNCREATE(RefusingThread)
public:
    BOOL InitInstance() override { return FALSE; }
    int ExitInstance() override {
        ++g_exitInstances;
        return 7;
    }
    int Run() override {
        ++g_runs;
        return 0;
    }
};
IMPLEMENT_DYNCREATE(RefusingThread, CWinThread)

class ThrowingThread : public CWinThread {
    DECLARE_DYNCREATE(ThrowingThread)
public:
    ~ThrowingThread() override { ++g_destroyed; }
    int Run() override { throw 5; }
};
IMPLEMENT_DYNCREATE(ThrowingThread, CWinThread)

class NotAThread : public CObject {
    DECLARE_DYNCREATE(NotAThread)
};
IMPLEMENT_DYNCREATE(NotAThread, CObject)

void WaitUntil(const std::atomic<int>& v, int value) {
    for (int i = 0; i < 5000 && v.load() < value; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

TEST(RuntimeClass, NamesBasesAndDynamicCreation) {
    EXPECT_STREQ(RUNTIME_CLASS(CountingThread)->m_lpszClassName, "CountingThread");
    EXPECT_TRUE(RUNTIME_CLASS(CountingThread)->IsDerivedFrom(RUNTIME_CLASS(CWinThread)));
    EXPECT_TRUE(RUNTIME_CLASS(CountingThread)->IsDerivedFrom(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(RUNTIME_CLASS(CWinThread)->IsDerivedFrom(RUNTIME_CLASS(CountingThread)));
    EXPECT_FALSE(RUNTIME_CLASS(NotAThread)->IsDerivedFrom(RUNTIME_CLASS(CWinThread)));
    EXPECT_EQ(RUNTIME_CLASS(CWinThread)->CreateObject(), nullptr);  // not dynamically creatable
    CObject* o = RUNTIME_CLASS(NotAThread)->CreateObject();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->GetRuntimeClass(), RUNTIME_CLASS(NotAThread));
    EXPECT_TRUE(o->IsKindOf(RUNTIME_CLASS(CObject)));
    delete o;
}

TEST(WinThread, SuspendedThreadRunsOnlyAfterResumeAndDeletesItself) {
    g_runs = 0;
    g_destroyed = 0;
    g_exitInstances = 0;
    CWinThread* t = AfxBeginThread(RUNTIME_CLASS(CountingThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->IsKindOf(RUNTIME_CLASS(CountingThread)));
    EXPECT_TRUE(t->m_bAutoDelete);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(g_runs.load(), 0);
    EXPECT_EQ(t->ResumeThread(), 1u);  // previous suspend count
    WaitUntil(g_destroyed, 1);
    EXPECT_EQ(g_runs.load(), 1);
    EXPECT_EQ(g_destroyed.load(), 1);
    EXPECT_EQ(g_exitInstances.load(), 0);  // an overridden Run ends the thread without ExitInstance
}

TEST(WinThread, KeptObjectOutlivesItsThreadAndRefusals) {
    g_runs = 0;
    CWinThread* t = AfxBeginThread(RUNTIME_CLASS(CountingThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(t, nullptr);
    t->m_bAutoDelete = FALSE;
    EXPECT_EQ(t->ResumeThread(), 1u);
    WaitUntil(g_runs, 1);
    EXPECT_EQ(g_runs.load(), 1);
    EXPECT_EQ(t->ResumeThread(), 0u);
    EXPECT_FALSE(t->CreateThread());  // one thread per object
    delete t;  // waits for the thread's end

    // InitInstance refusing: ExitInstance ends the thread and Run is never called.
    g_runs = 0;
    g_exitInstances = 0;
    t = AfxBeginThread(RUNTIME_CLASS(RefusingThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(t, nullptr);
    t->m_bAutoDelete = FALSE;
    t->ResumeThread();
    WaitUntil(g_exitInstances, 1);
    EXPECT_EQ(g_exitInstances.load(), 1);
    delete t;
    EXPECT_EQ(g_runs.load(), 0);

    // An exception escaping Run ends the thread, not the process; the auto-deleting object still goes.
    g_destroyed = 0;
    t = AfxBeginThread(RUNTIME_CLASS(ThrowingThread), THREAD_PRIORITY_NORMAL, 0, 0);
    ASSERT_NE(t, nullptr);
    WaitUntil(g_destroyed, 1);
    EXPECT_EQ(g_destroyed.load(), 1);

    EXPECT_EQ(AfxBeginThread(RUNTIME_CLASS(NotAThread)), nullptr);
    EXPECT_EQ(AfxBeginThread(static_cast<const CRuntimeClass*>(nullptr)), nullptr);
}

TEST(WinThread, DeletingASuspendedThreadNeverRunsIt) {
    g_runs = 0;
    g_destroyed = 0;
    CWinThread* t = AfxBeginThread(RUNTIME_CLASS(CountingThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(t, nullptr);
    delete t;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(g_runs.load(), 0);
    EXPECT_EQ(g_destroyed.load(), 1);
}
