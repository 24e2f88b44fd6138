#include "xrddata/import/plugincount.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "xrddata/import/plugin.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace {

// Whether the component of a Formats subkey can be created; why not, when it cannot.
bool Loadable(const CString& classId, CString& why) {
    CLSID clsid;
    if (FAILED(CLSIDFromString(classId.c_str(), &clsid))) {
        why = "its name is not a class identifier";
        return false;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (hr == S_OK && factory) {
        factory->Release();
        return true;
    }
    if (SUCCEEDED(hr) && factory) factory->Release();
    why = CoGetClassObjectFailure();
    if (why.empty()) why = Format("no class factory (0x%08x)", static_cast<unsigned>(hr));
    return false;
}

// Each registration that cannot be loaded is reported once per process.
void ReportOnce(const CString& classId, const CString& why) {
    static std::mutex lock;
    static std::vector<std::string> reported;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (std::find(reported.begin(), reported.end(), classId) != reported.end()) return;
        reported.push_back(classId);
    }
    AfxMessageBox("The plug-in format " + classId + " cannot be loaded: " + why +
                      ". The built-in readers read the files in its place.",
                  MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

int CountPluginFormats() {
    // Counted by a reader object of its own, as its "GetNFormats" counts them.
    CZIDEzerEzizir* reader = new CZIDEzerEzizir;
    LONG n = reader->GetNFormats();
    reader->ExternalRelease();
    if (n <= 0) return 0;

    // Only those whose component can be created count: a registration whose library is missing or refused
    // leaves the import to the built-in readers, as if it were not there.
    int loadable = 0;
    for (const PluginRegistration& r : CZIDEzerEzizir::ReadRegistrations()) {
        CString why;
        if (Loadable(r.classId, why))
            ++loadable;
        else
            ReportOnce(r.classId, why);
    }
    return loadable;
}
