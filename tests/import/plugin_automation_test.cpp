// An automation client of the reader: creation through the library's class factory, names to identifiers, and
// "ReadFile" / "GetNFormats" through Invoke with the example component registered.
#include <gtest/gtest.h>

#include "plugin_support.h"
#include "support/filedialog_ui.h"
#include "xrddata/module/module.h"

using namespace plugin_test;

namespace {

DISPID IdOf(IDispatch* d, const char16_t* name, HRESULT* hr = nullptr) {
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    HRESULT r = d->GetIDsOfNames(IID_IDispatch, names, 1, LOCALE_USER_DEFAULT, &id);
    if (hr) *hr = r;
    return id;
}

// The client's variables of one "ReadFile" call.
struct ReadFileCall {
    BSTR file = nullptr, format = nullptr, name = nullptr, info = nullptr, target = nullptr;
    DATE date = 0;
    double wavelength = 0;
    VARIANT_BOOL ka2 = VARIANT_TRUE, flag = VARIANT_FALSE;
    LONG count = 0;
    VARIANT x, y;
    VARIANT args[13];

    ReadFileCall(const std::string& fileName, const std::string& formatName) {
        file = SysAllocStringFromUtf8(fileName);
        format = SysAllocStringFromUtf8(formatName);
        VariantInit(&x);
        VariantInit(&y);
        // Last parameter first.
        auto ref = [&](int param, VARTYPE vt, void* p) {
            VARIANT& a = args[12 - param];
            VariantInit(&a);
            a.vt = static_cast<VARTYPE>(VT_BYREF | vt);
            a.byref = p;
        };
        VariantInit(&args[12]);
        args[12].vt = VT_BOOL;
        args[12].boolVal = VARIANT_FALSE;
        ref(1, VT_BSTR, &file);
        ref(2, VT_BSTR, &format);
        ref(3, VT_BSTR, &name);
        ref(4, VT_BSTR, &info);
        ref(5, VT_DATE, &date);
        ref(6, VT_BSTR, &target);
        ref(7, VT_R8, &wavelength);
        ref(8, VT_BOOL, &ka2);
        ref(9, VT_BOOL, &flag);
        ref(10, VT_I4, &count);
        ref(11, VT_VARIANT, &x);
        ref(12, VT_VARIANT, &y);
    }
    ~ReadFileCall() {
        for (BSTR b : {file, format, name, info, target}) SysFreeString(b);
        VariantClear(&x);
        VariantClear(&y);
    }
    HRESULT Invoke(IDispatch* d, VARIANT* result, UINT* argErr = nullptr, UINT nArgs = 13) {
        DISPPARAMS params{args + (13 - nArgs), nullptr, nArgs, 0};
        return d->Invoke(1, IID_IDispatch, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, argErr);
    }
};

}  // namespace

TEST(PluginAutomation, ClientCallsReadFileThroughInvoke) {
    testing_support::RegistrySandbox sandbox;
    testing_support::ScriptedFileDialogUi ui;
    const std::string id = "{6E1D2B40-3C57-4F0A-9B21-7D4E5A6C8F10}";
    RegisterFormat(id, "XYE text", "XYE Files (*.xye)|*.xye|");
    SetFormatText("{00000000-0000-0000-0000-000000000001}", "Description", "incomplete");
    RegisterServer(id, XRDDATA_EXAMPLE_PLUGIN_PATH);
    testing_support::TempDir dir;
    std::string file = dir.file("scan.xye");
    testing_support::WriteFile(file, "# Silicon\n# target: Mo\n10 1\n11 2\n12 4\n13 8\n");

    IDispatch* d = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ZIDEzerEzizir, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&d)),
              S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the object holds the library
    HRESULT hr;
    EXPECT_EQ(IdOf(d, u"ReadFile"), 1);
    EXPECT_EQ(IdOf(d, u"getnformats"), 2);
    EXPECT_EQ(IdOf(d, u"Read", &hr), DISPID_UNKNOWN);
    EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);

    VARIANT result;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(d->Invoke(2, IID_IDispatch, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 2);  // the incomplete entry counts too

    {
        ReadFileCall call(file, "XYE text");
        ASSERT_EQ(call.Invoke(d, &result), S_OK);
        EXPECT_EQ(result.vt, VT_BOOL);
        EXPECT_EQ(result.boolVal, VARIANT_TRUE);
        EXPECT_EQ(Utf8FromBstr(call.file), file);
        EXPECT_EQ(Utf8FromBstr(call.name), "Silicon");
        EXPECT_EQ(Utf8FromBstr(call.target), "Mo");
        EXPECT_EQ(call.wavelength, -1.0);
        EXPECT_EQ(call.ka2, VARIANT_FALSE);
        EXPECT_EQ(call.count, 4);
        ASSERT_EQ(call.y.vt, VT_ARRAY | VT_R8);
        EXPECT_EQ(call.y.parray->rgsabound[0].cElements, 4u);
        EXPECT_EQ(static_cast<double*>(call.y.parray->pvData)[3], 8.0);
        EXPECT_TRUE(ui.shown.empty());  // a file was given: no dialog
    }
    {
        // No file: the dialog asks; cancelled, nothing is read and the name stays empty.
        ReadFileCall call("", "Auto");
        ASSERT_EQ(call.Invoke(d, &result), S_OK);
        EXPECT_EQ(result.boolVal, VARIANT_FALSE);
        EXPECT_EQ(Utf8FromBstr(call.file), "");
        EXPECT_EQ(ui.shown.size(), 1u);
    }
    {
        // Wrong argument count and a by-reference argument of the wrong type.
        ReadFileCall call(file, "Auto");
        EXPECT_EQ(call.Invoke(d, &result, nullptr, 12), DISP_E_BADPARAMCOUNT);
        call.args[12 - 10].vt = VT_BYREF | VT_R8;
        UINT argErr = 99;
        EXPECT_EQ(call.Invoke(d, &result, &argErr), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(argErr, 2u);
        EXPECT_EQ(call.count, 0);
    }
    EXPECT_EQ(d->Invoke(3, IID_IDispatch, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    d->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}
