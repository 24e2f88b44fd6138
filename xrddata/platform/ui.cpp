#include "xrddata/platform/ui.h"

#include <atomic>
#include <cstdio>

CUserInterface::~CUserInterface() = default;

int CUserInterface::MessageBox(const CString& text, UINT type) {
    const char* kind = "";
    switch (type & MB_ICONMASK) {
        case MB_ICONSTOP: kind = "error: "; break;
        case MB_ICONEXCLAMATION: kind = "warning: "; break;
        case MB_ICONINFORMATION: kind = "note: "; break;
        default: break;
    }
    std::fprintf(stderr, "xrddata: %s%s\n", kind, text.c_str());
    switch (type & MB_TYPEMASK) {
        case MB_YESNO: case MB_YESNOCANCEL: return IDYES;
        default: return IDOK;
    }
}

void CUserInterface::BeginWaitCursor() {}
void CUserInterface::EndWaitCursor() {}
int CUserInterface::DoFileDialog(CFileDialog&) { return IDCANCEL; }
int CUserInterface::DoModalDialog(CDialog&) { return IDCANCEL; }
BOOL CUserInterface::ShowHelpPage(const CString&) { return FALSE; }

namespace {
CUserInterface g_defaultUi;
std::atomic<CUserInterface*> g_ui{nullptr};
}  // namespace

CUserInterface* AfxGetUserInterface() {
    CUserInterface* ui = g_ui.load(std::memory_order_acquire);
    return ui ? ui : &g_defaultUi;
}

CUserInterface* AfxSetUserInterface(CUserInterface* ui) {
    CUserInterface* old = g_ui.exchange(ui, std::memory_order_acq_rel);
    return old ? old : &g_defaultUi;
}

int AfxMessageBox(const CString& text, UINT type) { return AfxGetUserInterface()->MessageBox(text, type); }

CWaitCursor::CWaitCursor() { AfxGetUserInterface()->BeginWaitCursor(); }
CWaitCursor::~CWaitCursor() { AfxGetUserInterface()->EndWaitCursor(); }
void CWaitCursor::Restore() { AfxGetUserInterface()->BeginWaitCursor(); }
