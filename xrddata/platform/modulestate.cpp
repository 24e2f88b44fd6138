#include "xrddata/platform/modulestate.h"

#include <dlfcn.h>

AFX_MODULE_STATE::AFX_MODULE_STATE(HINSTANCE hInstance, const CString& path)
    : m_hCurrentResourceHandle(hInstance), m_strModulePath(path) {}

namespace {

thread_local AFX_MODULE_STATE* t_current = nullptr;

// Load address and file of the module holding addr.
AFX_MODULE_STATE MakeState(const void* addr) {
    Dl_info info{};
    if (addr && dladdr(addr, &info))
        return AFX_MODULE_STATE(static_cast<HINSTANCE>(info.dli_fbase), info.dli_fname ? info.dli_fname : "");
    return AFX_MODULE_STATE(nullptr, "");
}

// The host's state: the main program, the first object of the link map, which dlopen(nullptr) names.
AFX_MODULE_STATE* AppModuleState() {
    static AFX_MODULE_STATE state = [] {
        AFX_MODULE_STATE s(nullptr, "");
        if (void* self = dlopen(nullptr, RTLD_LAZY | RTLD_NOLOAD)) {
            if (void* sym = dlsym(self, "main")) s = MakeState(sym);
            if (!s.m_hCurrentResourceHandle) s.m_hCurrentResourceHandle = static_cast<HINSTANCE>(self);
            dlclose(self);
        }
        return s;
    }();
    return &state;
}

AFX_MODULE_STATE* Current() { return t_current ? t_current : AppModuleState(); }

}  // namespace

AFX_MODULE_STATE* AfxGetStaticModuleState() {
    static AFX_MODULE_STATE state = MakeState(reinterpret_cast<const void*>(&AfxGetStaticModuleState));
    return &state;
}

HINSTANCE AfxGetResourceHandle() { return Current()->m_hCurrentResourceHandle; }
CWinApp* AfxGetApp() { return Current()->m_pCurrentWinApp; }

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState) : m_pPrevState(Current()) {
    t_current = pNewState;
}
AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() { t_current = m_pPrevState; }
