// An example plug-in reader: the ".xye" text format. Lines starting with '#' are comments; every other non-blank
// line holds two-theta, intensity and (ignored here) an error, separated by blanks, tabs or commas. The first
// comment is the sample name, further comments the sample information (joined with CR LF); a comment
// "wavelength: <number>" (any case) gives the wavelength and "target: <name>" the anode.
//
// The component offers one class, {6E1D2B40-3C57-4F0A-9B21-7D4E5A6C8F10}, through DllGetClassObject. Its file is
// recognised by the ".xye" extension (any case) and a first data line of two or three numbers.
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "xrddata/import/pluginformat.h"

#define COMPONENT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr CLSID CLSID_XyeFormat = {0x6E1D2B40, 0x3C57, 0x4F0A, {0x9B, 0x21, 0x7D, 0x4E, 0x5A, 0x6C, 0x8F, 0x10}};

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

struct XyeData {
    std::vector<std::string> comments;
    std::vector<double> x, y;
};

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Up to three numbers of a data line; the count read.
int ParseNumbers(const std::string& line, double* v) {
    const char* p = line.c_str();
    int n = 0;
    while (n < 3) {
        while (*p == ' ' || *p == '\t' || *p == ',' || *p == '\r') ++p;
        if (!*p) break;
        char* end = nullptr;
        double d = std::strtod(p, &end);
        if (end == p) return -1;
        v[n++] = d;
        p = end;
    }
    while (*p == ' ' || *p == '\t' || *p == ',' || *p == '\r' || *p == '\n') ++p;
    return *p ? -1 : n;
}

// Reads the file; with firstOnly, stops after the first data line. False when the file cannot be read or a data
// line is not two or three numbers.
bool Load(const std::string& path, XyeData& data, bool firstOnly) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (t.empty()) continue;
        if (t[0] == '#') {
            data.comments.push_back(Trim(t.substr(1)));
            continue;
        }
        double v[3];
        int n = ParseNumbers(t, v);
        if (n < 2) return false;
        data.x.push_back(v[0]);
        data.y.push_back(v[1]);
        if (firstOnly) return true;
    }
    return !data.x.empty() || !firstOnly;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool HasXyeExtension(const std::string& path) {
    return path.size() > 4 && Lower(path.substr(path.size() - 4)) == ".xye";
}

void Store(BSTR* slot, const std::string& text) {
    if (!slot) return;
    SysFreeString(*slot);
    *slot = SysAllocStringFromUtf8(text);
}

bool StoreArray(VARIANT* v, const std::vector<double>& values) {
    if (!v) return true;
    SAFEARRAY* psa = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(values.size()));
    if (!psa) return false;
    if (!values.empty()) std::memcpy(psa->pvData, values.data(), values.size() * sizeof(double));
    VariantClear(v);
    v->vt = VT_ARRAY | VT_R8;
    v->parray = psa;
    return true;
}

class XyeFormat final : public IXRDFormat {
public:
    XyeFormat() { ++g_objects; }
    ~XyeFormat() { --g_objects; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IXRDFormat) {
            *ppv = static_cast<IXRDFormat*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (pctinfo) *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT CanRead(BSTR fileName, LONG, LONG* pResult) override {
        if (!pResult) return E_POINTER;
        std::string path = Utf8FromBstr(fileName);
        XyeData data;
        *pResult = HasXyeExtension(path) && Load(path, data, true) ? 1 : 0;
        return S_OK;
    }

    HRESULT Read(BSTR fileName, LONG, BSTR* pSampleName, BSTR* pSampleInfo, DATE* pDate, BSTR* pTarget,
                 double* pWavelength, LONG* pKa2, LONG* pFlag, LONG* pCount, VARIANT* pX, VARIANT* pY,
                 LONG* pResult) override {
        if (!pResult) return E_POINTER;
        *pResult = 0;
        XyeData data;
        try {
            if (!Load(Utf8FromBstr(fileName), data, false)) return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        std::string name, info, target;
        double wavelength = -1.0;
        for (const std::string& c : data.comments) {
            std::string low = Lower(c);
            if (low.rfind("wavelength:", 0) == 0) {
                wavelength = std::strtod(c.c_str() + 11, nullptr);
            } else if (low.rfind("target:", 0) == 0) {
                target = Trim(c.substr(7));
            } else if (name.empty()) {
                name = c;
            } else {
                info += (info.empty() ? "" : "\r\n") + c;
            }
        }
        Store(pSampleName, name);
        Store(pSampleInfo, info);
        Store(pTarget, target);
        if (pDate) *pDate = 0.0;
        if (pWavelength) *pWavelength = wavelength;
        if (pKa2) *pKa2 = 0;
        if (pFlag) *pFlag = 0;
        if (pCount) *pCount = static_cast<LONG>(data.x.size());
        if (!StoreArray(pX, data.x) || !StoreArray(pY, data.y)) return E_OUTOFMEMORY;
        *pResult = 1;
        return S_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
};

class XyeFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) XyeFormat;
        if (!object) return E_OUTOFMEMORY;
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT LockServer(BOOL lock) override {
        g_locks += lock ? 1 : -1;
        return S_OK;
    }
};

XyeFactory g_factory;

}  // namespace

COMPONENT_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(rclsid == CLSID_XyeFormat)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

COMPONENT_EXPORT HRESULT DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }
