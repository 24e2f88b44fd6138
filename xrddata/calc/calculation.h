// CXRDCalculation: the base of long-running computations on a diffraction pattern. A calculation is itself a
// pattern (its own copy of the data it works on) with a notification target (a window and three host-chosen message
// numbers for the begin, progress and end notices), a progress model in phases reported as whole percentages, and
// a start that runs the computation on a worker thread (CCalculationThread) when a window is set, or synchronously
// on the caller's thread otherwise.
//
// Notices of one run: begin (if set), the distinct percentages in increasing order from 0 to 100, end (if set).
// From a successful threaded start until the end notice the host leaves the object alone; the object is idle again
// (and may be started, read or destroyed) once the end notice has arrived.
#pragma once

#include <atomic>

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/runtimeclass.h"
#include "xrddata/platform/thread.h"
#include "xrddata/platform/types.h"

class XRDDATA_API CXRDCalculation : public CXRDData {
public:
    explicit CXRDCalculation(int bCustomErrors = 0);
    CXRDCalculation(int n, const double* x, const double* y, const double* err);
    CXRDCalculation(const CArray<double, double>& x, const CArray<double, double>& y);
    CXRDCalculation(const CArray<double, double>& x, const CArray<double, double>& y,
                    const CArray<double, double>& err);
    // The point set is copied and sorted.
    explicit CXRDCalculation(const CGraphData& data);
    // Sample name, information, collection date, radiation and the points (with the error mode) of the pattern.
    explicit CXRDCalculation(const CXRDData& pattern);
    CXRDCalculation(const CXRDCalculation& other);
    ~CXRDCalculation() override;

    // Notification and progress fields, processing flag, header and points; the copy is always idle.
    void Copy(const CXRDCalculation& other);
    // The pattern's assignment, then the notification and progress fields, running flag included.
    CXRDCalculation& operator=(const CXRDCalculation& other);

    // The flag pointer is kept when non-null; the window and the three message numbers when hWnd is a window
    // (otherwise all four become 0 and nothing is posted).
    virtual void SetThreadInfo(int* pFlag, HWND hWnd, UINT nBeginMessage, UINT nProgressMessage, UINT nEndMessage);
    // With a window: starts Calculate on a worker thread and returns 1 at once (0 when no thread could be created).
    // Without one: runs Calculate here under the wait cursor and returns its result. While a computation of this
    // object is under way the call is refused: it returns 0 and computes nothing.
    virtual int StartCalculation();
    // The computation. The base does no work: begin and end of progress, result 0.
    virtual int Calculate();

    void SetNumPhases(int n);

protected:
    // Resets the notification and progress fields. Derived classes reset their own fields, then call this one.
    virtual void CalculationInit();

    // Begin notice, then phase 0 and 0 percent.
    void BeginProgress();
    // fraction = completed part of the current phase; posts the whole percentage when it changed.
    void Progress(double fraction);
    void NextPhase(int n);
    // 100 percent, the object idle again, then the end notice.
    void EndProgress();

    // Set while a computation started by StartCalculation is under way; the host thread tests it while the worker
    // clears it, hence atomic.
    std::atomic<int> m_bRunning{0};
    UINT m_nBeginMessage = 0;
    UINT m_nProgressMessage = 0;
    UINT m_nEndMessage = 0;
    HWND m_hWnd = nullptr;
    int* m_pThreadFlag = nullptr;  // the caller's; kept and copied, never read or written here
    int m_nPhase = 0;
    int m_nPhases = 1;
    int m_nLastPercent = -1;

private:
    void CopyThreadFields(const CXRDCalculation& other);
    int CalculateHere();
};

// The worker thread of StartCalculation: runs the calculation's Calculate (no message loop) and deletes itself
// when it ends. The calculation is not owned.
class XRDDATA_API CCalculationThread : public CWinThread {
    DECLARE_DYNCREATE(CCalculationThread)
public:
    CCalculationThread();
    BOOL InitInstance() override;
    int Run() override;
    int ExitInstance() override;

    CXRDCalculation* m_pCalculation;
};
