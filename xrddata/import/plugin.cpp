#include "xrddata/import/plugin.h"

#include <cstring>
#include <exception>
#include <new>

#include "xrddata/platform/registry.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

IMPLEMENT_DYNCREATE(CZIDEzerEzizir, CCmdTarget)

const char* const PluginFormatsKey = "SOFTWARE\\Tarvenic\\ZIDEzerEzizir\\Formats";
const char* const PluginSettingsKey = "SOFTWARE\\Tarvenic\\ZIDEzerEzizir\\Settings";

const IID CZIDEzerEzizir::IID_IZIDEzerEzizir = {0x5FB1C715, 0x12B5, 0x11D3,
                                                {0x80, 0x83, 0x00, 0x10, 0x5A, 0x49, 0x62, 0x0E}};

namespace {

constexpr UINT kMessage = MB_OK | MB_ICONEXCLAMATION;
// The four values of a Formats subkey are read together into one buffer of this size.
constexpr DWORD kValueBuffer = 1024;

// A text value out of a RegQueryMultipleValues buffer (up to its first NUL).
CString TextValue(const VALENT& v) {
    const char* p = reinterpret_cast<const char*>(v.ve_valueptr);
    return CString(p, strnlen(p, v.ve_valuelen));
}

// A REG_DWORD value other than 0.
bool NonzeroDword(const VALENT& v) {
    if (v.ve_type != REG_DWORD || v.ve_valuelen != sizeof(DWORD)) return false;
    DWORD d;
    std::memcpy(&d, reinterpret_cast<const void*>(v.ve_valueptr), sizeof d);
    return d != 0;
}

// Releases a component reference however the component behaves.
void SafeRelease(IXRDFormat*& p) {
    if (!p) return;
    try {
        p->Release();
    } catch (...) {
    }
    p = nullptr;
}

// Exceptions other than _com_error out of a component count as a component failure with their text.
[[noreturn]] void RethrowAsComError() {
    try {
        throw;
    } catch (const _com_error&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw _com_error(E_OUTOFMEMORY);
    } catch (const std::exception& e) {
        throw _com_error(E_FAIL, e.what());
    } catch (...) {
        throw _com_error(E_UNEXPECTED);
    }
}

// The component's answer to CanRead: true only for success with a nonzero result.
bool AcceptsFile(IXRDFormat* format, BSTR fileName, int bPeaks) {
    LONG result = 0;
    HRESULT hr;
    try {
        hr = format->CanRead(fileName, bPeaks, &result);
    } catch (...) {
        RethrowAsComError();
    }
    return SUCCEEDED(hr) && result != 0;
}

struct BstrHolder {
    explicit BstrHolder(const CString& s) : b(SysAllocStringFromUtf8(s)) {}
    ~BstrHolder() { SysFreeString(b); }
    BstrHolder(const BstrHolder&) = delete;
    BstrHolder& operator=(const BstrHolder&) = delete;
    BSTR b;
};

}  // namespace

CZIDEzerEzizir::CZIDEzerEzizir() {
    EnableAutomation();
    AfxOleLockApp();
}

CZIDEzerEzizir::~CZIDEzerEzizir() { AfxOleUnlockApp(); }

LONG CZIDEzerEzizir::GetNFormats() {
    HKEY hKey = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, PluginFormatsKey, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS) return 0;
    DWORD subKeys = 0;
    LONG rc = RegQueryInfoKey(hKey, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS ? static_cast<LONG>(subKeys) : 0;
}

std::vector<PluginRegistration> CZIDEzerEzizir::ReadRegistrations() {
    std::vector<PluginRegistration> out;
    HKEY hKey = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, PluginFormatsKey, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS) return out;
    DWORD subKeys = 0, maxLen = 0;
    if (RegQueryInfoKey(hKey, nullptr, nullptr, nullptr, &subKeys, &maxLen, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr) == ERROR_SUCCESS) {
        std::vector<char> name(maxLen + 1);
        for (DWORD i = 0; i < subKeys; ++i) {
            if (RegEnumKey(hKey, i, name.data(), maxLen + 1) != ERROR_SUCCESS) continue;
            PluginRegistration r;
            r.classId = name.data();
            HKEY hSub = nullptr;
            if (RegOpenKeyEx(hKey, name.data(), 0, KEY_ALL_ACCESS, &hSub) != ERROR_SUCCESS) {
                out.push_back(std::move(r));
                continue;
            }
            char names[4][16] = {"Description", "Filter", "CanReadProfile", "CanReadPeaks"};
            VALENT values[4] = {};
            for (int v = 0; v < 4; ++v) values[v].ve_valuename = names[v];
            char buffer[kValueBuffer];
            DWORD size = sizeof buffer;
            if (RegQueryMultipleValues(hSub, values, 4, buffer, &size) == ERROR_SUCCESS) {
                r.complete = true;
                r.hasDescription = values[0].ve_type == REG_SZ;
                if (r.hasDescription) r.description = TextValue(values[0]);
                if (values[1].ve_type == REG_SZ) r.filter = TextValue(values[1]);
                r.canReadProfile = NonzeroDword(values[2]);
                r.canReadPeaks = NonzeroDword(values[3]);
            }
            RegCloseKey(hSub);
            out.push_back(std::move(r));
        }
    }
    RegCloseKey(hKey);
    return out;
}

int CZIDEzerEzizir::EnumerateFormats(std::vector<CString>& descriptions, std::vector<CString>& classIds,
                                     CString& filter, int bPeaks) {
    descriptions.assign(1, "Auto");
    classIds.assign(1, CString());
    filter = "All Files (*.*)|*.*|";
    for (const PluginRegistration& r : ReadRegistrations()) {
        if (!r.complete || !r.hasDescription || !(bPeaks ? r.canReadPeaks : r.canReadProfile)) continue;
        // An empty fragment is always found, so it is never added.
        if (filter.find(r.filter) == CString::npos) filter += r.filter;
        descriptions.push_back(r.description);
        classIds.push_back(r.classId);
    }
    filter += "|";
    return static_cast<int>(classIds.size());
}

int CZIDEzerEzizir::FindFormatIndex(const std::vector<CString>& descriptions, const CString& name) {
    for (size_t i = 0; i < descriptions.size(); ++i)
        if (descriptions[i] == name) return static_cast<int>(i);
    return 0;
}

CString CZIDEzerEzizir::BuiltInFormatName(int nFormatCode) {
    static const char* const kNames[] = {"Auto",        "Two Column Text", "STOE Raw",
                                         "Bruker-AXS Raw V3", "Bruker-AXS Raw V2", "Philips UDF",
                                         "Diffraction Technology CPI", "MDI Raw", "Cranfield Data"};
    if (nFormatCode < 0 || nFormatCode > 8) return CString();
    return kNames[nFormatCode];
}

IXRDFormat* CZIDEzerEzizir::CreateFormat(const CString& classId) {
    CLSID clsid;
    if (FAILED(CLSIDFromString(classId.c_str(), &clsid))) {
        AfxMessageBox("Can not obtain the requested Format CLSID", kMessage);
        return nullptr;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (hr != S_OK || !factory) {
        if (SUCCEEDED(hr) && factory) factory->Release();
        AfxMessageBox("Can not create the Requested XRD Format class factory", kMessage);
        return nullptr;
    }
    IXRDFormat* format = nullptr;
    try {
        hr = factory->CreateInstance(nullptr, IID_IXRDFormat, reinterpret_cast<void**>(&format));
        if (FAILED(hr) || !format) {
            format = nullptr;
            AfxMessageBox("Can not create an instance of XRD Format IXRDFormat", kMessage);
        }
        factory->Release();
    } catch (...) {
        // A failing component yields no object and no message.
        try {
            factory->Release();
        } catch (...) {
        }
        SafeRelease(format);
        return nullptr;
    }
    return format;
}

IXRDFormat* CZIDEzerEzizir::FindFormat(const CString& fileName, const std::vector<CString>&,
                                       const std::vector<CString>& classIds, int bPeaks) {
    BstrHolder name(fileName);
    // The last registered is asked first.
    for (size_t n = classIds.size(); n-- > 1;) {
        IXRDFormat* format = CreateFormat(classIds[n]);
        if (!format) continue;
        try {
            if (AcceptsFile(format, name.b, bPeaks)) return format;
        } catch (const _com_error&) {
        }
        SafeRelease(format);
    }
    return nullptr;
}

int CZIDEzerEzizir::ReadWithFormat(const CString& fileName, int bPeaks, int index,
                                   const std::vector<CString>& descriptions, const std::vector<CString>& classIds,
                                   BSTR* pSampleName, BSTR* pSampleInfo, DATE* pDate, BSTR* pTarget,
                                   double* pWavelength, LONG* pKa2, LONG* pFlag, LONG* pCount, VARIANT* pX,
                                   VARIANT* pY) {
    if (fileName.empty()) return 0;
    IXRDFormat* format = nullptr;
    if (index == 0) {
        format = FindFormat(fileName, descriptions, classIds, bPeaks);
        if (!format) {
            AfxMessageBox(Format("No XRD Format found for File:\n%s", fileName.c_str()), kMessage);
            return 0;
        }
    } else {
        if (index < 0 || index >= static_cast<int>(classIds.size())) return 0;
        format = CreateFormat(classIds[index]);
        if (!format) return 0;
    }
    BstrHolder name(fileName);
    int result = 0;
    try {
        if (!AcceptsFile(format, name.b, bPeaks)) {
            CString description = index < static_cast<int>(descriptions.size()) ? descriptions[index] : CString();
            AfxMessageBox(Format("%s\nis not of Format type: %s", fileName.c_str(), description.c_str()), kMessage);
        } else {
            LONG ok = 0;
            HRESULT hr;
            try {
                hr = format->Read(name.b, bPeaks, pSampleName, pSampleInfo, pDate, pTarget, pWavelength, pKa2, pFlag,
                                  pCount, pX, pY, &ok);
            } catch (...) {
                RethrowAsComError();
            }
            result = SUCCEEDED(hr) ? ok : 0;
        }
    } catch (const _com_error& e) {
        result = 0;
        AfxMessageBox(Format("COM Error: 0x%x\n%s", static_cast<unsigned>(e.Error()), e.Description().c_str()),
                      kMessage);
    }
    SafeRelease(format);
    return result;
}

BOOL CZIDEzerEzizir::ReadFile(BOOL bPeaks, BSTR* pFileName, BSTR* pFormat, BSTR* pSampleName, BSTR* pSampleInfo,
                              DATE* pDate, BSTR* pTarget, double* pWavelength, VARIANT_BOOL* pKa2,
                              VARIANT_BOOL* pFlag, LONG* pCount, VARIANT* pX, VARIANT* pY) {
    std::vector<CString> descriptions, classIds;
    CString filter;
    EnumerateFormats(descriptions, classIds, filter, bPeaks);
    int index = FindFormatIndex(descriptions, pFormat ? Utf8FromBstr(*pFormat) : CString());
    CString fileName = pFileName ? Utf8FromBstr(*pFileName) : CString();
    if (fileName.empty()) {
        CString chosen;
        int chosenIndex = index;
        if (BrowseForFile(bPeaks, descriptions, filter, chosen, chosenIndex)) {
            fileName = chosen;
            index = chosenIndex;
        }
    }
    // The two flags are 32-bit for the component and VARIANT_BOOL for the client.
    LONG ka2 = pKa2 ? *pKa2 : 0;
    LONG flag = pFlag ? *pFlag : 0;
    int result = ReadWithFormat(fileName, bPeaks, index, descriptions, classIds, pSampleName, pSampleInfo, pDate,
                                pTarget, pWavelength, &ka2, &flag, pCount, pX, pY);
    if (pKa2) *pKa2 = ka2 ? VARIANT_TRUE : VARIANT_FALSE;
    if (pFlag) *pFlag = flag ? VARIANT_TRUE : VARIANT_FALSE;
    if (result && pFileName) {
        BSTR read = SysAllocStringFromUtf8(fileName);
        if (read) {
            SysFreeString(*pFileName);
            *pFileName = read;
        }
    }
    return result;
}

namespace {

const VARTYPE kReadFileParams[] = {
    VT_BOOL,
    VT_BYREF | VT_BSTR,  // file name
    VT_BYREF | VT_BSTR,  // format
    VT_BYREF | VT_BSTR,  // sample name
    VT_BYREF | VT_BSTR,  // sample information
    VT_BYREF | VT_DATE,
    VT_BYREF | VT_BSTR,  // target
    VT_BYREF | VT_R8,    // wavelength
    VT_BYREF | VT_BOOL,  // K-alpha2
    VT_BYREF | VT_BOOL,  // further flag
    VT_BYREF | VT_I4,    // count
    VT_BYREF | VT_VARIANT,
    VT_BYREF | VT_VARIANT,
};

HRESULT CallReadFile(CCmdTarget* target, VARIANT** a, VARIANT* result) {
    auto* self = static_cast<CZIDEzerEzizir*>(target);
    BOOL ok = self->ReadFile(a[0]->boolVal != 0, a[1]->pbstrVal, a[2]->pbstrVal, a[3]->pbstrVal, a[4]->pbstrVal,
                             a[5]->pdate, a[6]->pbstrVal, a[7]->pdblVal, a[8]->pboolVal, a[9]->pboolVal,
                             a[10]->plVal, a[11]->pvarVal, a[12]->pvarVal);
    result->boolVal = ok ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CallGetNFormats(CCmdTarget* target, VARIANT**, VARIANT* result) {
    result->lVal = static_cast<CZIDEzerEzizir*>(target)->GetNFormats();
    return S_OK;
}

const AFX_DISPMAP_ENTRY kDispatchMap[] = {
    {"ReadFile", CZIDEzerEzizir::DispidReadFile, VT_BOOL, kReadFileParams, 13, CallReadFile},
    {"GetNFormats", CZIDEzerEzizir::DispidGetNFormats, VT_I4, nullptr, 0, CallGetNFormats},
};

}  // namespace

const AFX_DISPMAP_ENTRY* CZIDEzerEzizir::GetDispatchMap(UINT& nCount) const {
    nCount = 2;
    return kDispatchMap;
}

const IID* CZIDEzerEzizir::GetDispatchIID() const { return &IID_IZIDEzerEzizir; }
