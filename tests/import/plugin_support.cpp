#include "plugin_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "xrddata/platform/strutil.h"

namespace plugin_test {

void SetFormatValue(const std::string& classId, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY hKey = nullptr;
    std::string path = std::string(PluginFormatsKey) + "\\" + classId;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(hKey, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(hKey);
}

void SetFormatText(const std::string& classId, const char* name, const std::string& text) {
    SetFormatValue(classId, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void SetFormatDword(const std::string& classId, const char* name, DWORD value) {
    SetFormatValue(classId, name, REG_DWORD, &value, sizeof value);
}

void RegisterFormat(const std::string& classId, const std::string& description, const std::string& filter,
                    DWORD canReadProfile, DWORD canReadPeaks) {
    SetFormatText(classId, "Description", description);
    SetFormatText(classId, "Filter", filter);
    SetFormatDword(classId, "CanReadProfile", canReadProfile);
    SetFormatDword(classId, "CanReadPeaks", canReadPeaks);
}

void RegisterServer(const std::string& classId, const std::string& path) {
    HKEY hKey = nullptr;
    std::string key = "CLSID\\" + classId + "\\InprocServer32";
    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                            static_cast<DWORD>(path.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
}

std::string TestClassId(int n) { return Format("{00000000-0000-0000-0000-0000000000%02d}", n); }

CLSID TestClsid(int n) {
    CLSID clsid;
    CLSIDFromString(TestClassId(n).c_str(), &clsid);
    return clsid;
}

namespace {

void Put(BSTR* slot, const std::string& text) {
    SysFreeString(*slot);
    *slot = SysAllocStringFromUtf8(text);
}

class ScriptedFormat : public IXRDFormat {
public:
    explicit ScriptedFormat(ScriptedClass* owner) : owner_(owner) { ++owner_->liveObjects; }
    virtual ~ScriptedFormat() { --owner_->liveObjects; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
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
        if (!left) delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT CanRead(BSTR, LONG, LONG* pResult) override {
        const Script& s = owner_->script;
        if (owner_->log) owner_->log->push_back("CanRead " + std::to_string(owner_->n));
        if (s.throwInCanRead) s.throwInCanRead();
        *pResult = s.canRead;
        return s.canReadHr;
    }
    HRESULT Read(BSTR, LONG, BSTR* pSampleName, BSTR* pSampleInfo, DATE* pDate, BSTR* pTarget, double* pWavelength,
                 LONG* pKa2, LONG*, LONG* pCount, VARIANT* pX, VARIANT* pY, LONG* pResult) override {
        const Script& s = owner_->script;
        if (owner_->log) owner_->log->push_back("Read " + std::to_string(owner_->n));
        if (s.throwInRead) s.throwInRead();
        Put(pSampleName, s.sampleName);
        Put(pSampleInfo, s.sampleInfo);
        Put(pTarget, s.target);
        *pDate = s.date;
        *pWavelength = s.wavelength;
        *pKa2 = s.ka2;
        *pCount = s.count;
        if (s.points) s.points(pX, pY);
        *pResult = s.readResult;
        return s.readHr;
    }

private:
    ScriptedClass* owner_;
    ULONG refs_ = 1;
};

}  // namespace

struct ScriptedClass::Factory : public IClassFactory {
    explicit Factory(ScriptedClass* o) : owner(o) {}
    virtual ~Factory() = default;
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        if (owner->script.throwInCreate) owner->script.throwInCreate();
        if (FAILED(owner->script.createHr)) return owner->script.createHr;
        auto* object = new ScriptedFormat(owner);
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
    ScriptedClass* owner;
    ULONG refs = 0;
};

ScriptedClass::ScriptedClass(int number, Script s, std::vector<std::string>* l)
    : script(std::move(s)), log(l), n(number), factory_(new Factory(this)) {
    CoRegisterClassObject(TestClsid(number), factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
}

ScriptedClass::~ScriptedClass() {
    CoRevokeClassObject(cookie_);
    delete factory_;
}

void MakeArray(VARIANT* v, VARTYPE vt, const std::vector<double>& values) {
    VariantClear(v);
    SAFEARRAY* psa = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(values.size()));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        double d = values[i];
        switch (vt) {
            case VT_I2: { SHORT s = static_cast<SHORT>(d); SafeArrayPutElement(psa, &i, &s); break; }
            case VT_I4: { LONG l = static_cast<LONG>(d); SafeArrayPutElement(psa, &i, &l); break; }
            case VT_R4: { float f = static_cast<float>(d); SafeArrayPutElement(psa, &i, &f); break; }
            case VT_R8: SafeArrayPutElement(psa, &i, &d); break;
            case VT_UI1: { BYTE b = static_cast<BYTE>(d); SafeArrayPutElement(psa, &i, &b); break; }
            case VT_BOOL: { VARIANT_BOOL b = d ? VARIANT_TRUE : VARIANT_FALSE; SafeArrayPutElement(psa, &i, &b); break; }
            case VT_BSTR: {
                BSTR s = SysAllocStringFromUtf8(Format("%g", d));
                SafeArrayPutElement(psa, &i, s);
                SysFreeString(s);
                break;
            }
            default: break;
        }
    }
    v->vt = static_cast<VARTYPE>(VT_ARRAY | vt);
    v->parray = psa;
}

}  // namespace plugin_test
