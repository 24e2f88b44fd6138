// The calculation framework: construction and copying of calculations, the notification target, the progress
// model and the threaded or synchronous start; the worker thread class.
#include "xrddata/calc/calculation.h"

#include <new>

#include "xrddata/platform/ui.h"
#include "xrddata/platform/window.h"

CXRDCalculation::CXRDCalculation(int bCustomErrors) : CXRDData(bCustomErrors) { CXRDCalculation::CalculationInit(); }

CXRDCalculation::CXRDCalculation(int n, const double* x, const double* y, const double* err) : CXRDData(0) {
    CXRDCalculation::CalculationInit();
    CGraphData::Assign(x, y, err, n);
}

CXRDCalculation::CXRDCalculation(const CArray<double, double>& x, const CArray<double, double>& y) : CXRDData(0) {
    CXRDCalculation::CalculationInit();
    Assign(x, y);
}

CXRDCalculation::CXRDCalculation(const CArray<double, double>& x, const CArray<double, double>& y,
                                 const CArray<double, double>& err)
    : CXRDData(0) {
    CXRDCalculation::CalculationInit();
    Assign(x, y, err);
}

CXRDCalculation::CXRDCalculation(const CGraphData& data) : CXRDData(0) {
    CXRDCalculation::CalculationInit();
    CGraphData::Copy(data);
}

CXRDCalculation::CXRDCalculation(const CXRDData& pattern) : CXRDData(0) {
    CXRDCalculation::CalculationInit();
    m_strSampleName = pattern.m_strSampleName;
    m_strSampleInfo = pattern.m_strSampleInfo;
    m_CollectionDate = pattern.m_CollectionDate;
    m_Radiation = pattern.m_Radiation;
    // x and y, the error column only in custom-error mode, then sorted.
    CGraphData::Copy(pattern);
}

CXRDCalculation::CXRDCalculation(const CXRDCalculation& other) : CXRDData(0) { Copy(other); }

// Nothing of the header needs resetting on the way out: only the points are released (the pattern's own reset
// would read the settings store for an object that is going away).
CXRDCalculation::~CXRDCalculation() { CGraphData::RemoveAll(); }

void CXRDCalculation::CopyThreadFields(const CXRDCalculation& other) {
    m_nBeginMessage = other.m_nBeginMessage;
    m_nProgressMessage = other.m_nProgressMessage;
    m_nEndMessage = other.m_nEndMessage;
    m_hWnd = other.m_hWnd;
    m_pThreadFlag = other.m_pThreadFlag;
    m_nPhase = other.m_nPhase;
    m_nPhases = other.m_nPhases;
    m_nLastPercent = other.m_nLastPercent;
}

void CXRDCalculation::Copy(const CXRDCalculation& other) {
    m_bRunning = 0;
    if (&other == this) return;
    CopyThreadFields(other);
    m_nTypeFlag = other.m_nTypeFlag;
    m_strSampleName = other.m_strSampleName;
    m_strSampleInfo = other.m_strSampleInfo;
    m_CollectionDate = other.m_CollectionDate;
    m_Radiation = other.m_Radiation;
    m_OriginalData = other.m_OriginalData;
    // x and y, the error column and mode in custom-error mode (emptied otherwise), then the virtual Sort.
    CGraphData::Copy(other);
}

CXRDCalculation& CXRDCalculation::operator=(const CXRDCalculation& other) {
    if (&other == this) return *this;
    CXRDData::operator=(other);
    m_bRunning = other.m_bRunning.load();
    CopyThreadFields(other);
    return *this;
}

void CXRDCalculation::CalculationInit() {
    m_bRunning = 0;
    m_nBeginMessage = 0;
    m_nProgressMessage = 0;
    m_nEndMessage = 0;
    m_hWnd = nullptr;
    m_pThreadFlag = nullptr;
    m_nPhase = 0;
    m_nPhases = 1;
    m_nLastPercent = -1;
}

void CXRDCalculation::SetThreadInfo(int* pFlag, HWND hWnd, UINT nBeginMessage, UINT nProgressMessage,
                                    UINT nEndMessage) {
    m_pThreadFlag = pFlag;
    if (hWnd && IsWindow(hWnd)) {
        m_hWnd = hWnd;
        m_nBeginMessage = nBeginMessage;
        m_nProgressMessage = nProgressMessage;
        m_nEndMessage = nEndMessage;
    } else {
        m_hWnd = nullptr;
        m_nBeginMessage = 0;
        m_nProgressMessage = 0;
        m_nEndMessage = 0;
    }
}

int CXRDCalculation::StartCalculation() {
    if (!m_hWnd) return CalculateHere();
    // The running flag is claimed atomically: a second start while the worker is busy is refused rather than
    // computing on the object at the same time.
    int idle = 0;
    if (!m_bRunning.compare_exchange_strong(idle, 1)) return 0;
    CWinThread* thread = nullptr;
    try {
        thread = AfxBeginThread(RUNTIME_CLASS(CCalculationThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED,
                                nullptr);
    } catch (const std::bad_alloc&) {
        thread = nullptr;
    }
    if (!thread) {
        // No worker: nothing will ever clear the flag or post a notice, so the start reports failure.
        m_bRunning = 0;
        return 0;
    }
    static_cast<CCalculationThread*>(thread)->m_pCalculation = this;
    // From here on the thread object belongs to its thread, which deletes it when it ends.
    thread->ResumeThread();
    return 1;
}

// The synchronous path. The running flag is held for the duration, so that no second start computes on the object
// meanwhile; it and the wait cursor are released also when Calculate throws.
int CXRDCalculation::CalculateHere() {
    int idle = 0;
    if (!m_bRunning.compare_exchange_strong(idle, 1)) return 0;
    struct Release {
        std::atomic<int>& flag;
        ~Release() { flag = 0; }
    } release{m_bRunning};
    CWaitCursor wait;
    return Calculate();
}

int CXRDCalculation::Calculate() {
    BeginProgress();
    EndProgress();
    return 0;
}

void CXRDCalculation::SetNumPhases(int n) { m_nPhases = n; }

void CXRDCalculation::BeginProgress() {
    if (m_hWnd && m_nBeginMessage) PostMessage(m_hWnd, m_nBeginMessage, 0, 0);
    m_nPhase = 0;
    Progress(0.0);
}

void CXRDCalculation::Progress(double fraction) {
    const double value = (m_nPhase + fraction) * 100.0 / m_nPhases;
    // Truncated toward zero and kept within 0..100; a value that is not a number (no phases, a NaN fraction)
    // counts as 0 rather than being converted.
    int percent;
    if (!(value > 0.0))
        percent = 0;
    else if (value >= 100.0)
        percent = 100;
    else
        percent = static_cast<int>(value);
    if (percent == m_nLastPercent) return;
    m_nLastPercent = percent;
    if (m_hWnd && m_nProgressMessage)
        PostMessage(m_hWnd, m_nProgressMessage, static_cast<WPARAM>(percent), static_cast<LPARAM>(percent));
}

void CXRDCalculation::NextPhase(int n) {
    m_nPhase += n;
    Progress(0.0);
}

void CXRDCalculation::EndProgress() {
    m_nPhase = m_nPhases;
    Progress(0.0);
    // The object is made idle before the end notice goes out, and not touched after it: a host may destroy or
    // restart the calculation as soon as the notice arrives.
    const HWND hWnd = m_hWnd;
    const UINT nEnd = m_nEndMessage;
    m_bRunning = 0;
    if (hWnd && nEnd) PostMessage(hWnd, nEnd, 0, 0);
}

IMPLEMENT_DYNCREATE(CCalculationThread, CWinThread)

CCalculationThread::CCalculationThread() : m_pCalculation(nullptr) { m_bAutoDelete = TRUE; }

BOOL CCalculationThread::InitInstance() { return TRUE; }

int CCalculationThread::Run() { return m_pCalculation ? m_pCalculation->Calculate() : 0; }

int CCalculationThread::ExitInstance() { return CWinThread::ExitInstance(); }
