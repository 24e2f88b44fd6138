// The pattern path of the plug-in reader: ReadPluginFile and the conversion of the component's values into a
// diffraction pattern.
#include <cstring>

#include "xrddata/import/plugin.h"
#include "xrddata/import/plugincount.h"
#include "xrddata/pattern/xrddata.h"

namespace {

// Size of one element for the type codes the conversion knows (after masking with 0x17), 0 for the others.
ULONG ConvertedSize(int code) {
    switch (code) {
        case VT_I2: return 2;
        case VT_I4: return 4;
        case VT_R4: return 4;
        case VT_R8: return 8;
        case VT_UI1: return 1;
        default: return 0;
    }
}

// The safe array of a VARIANT holding one, else null.
SAFEARRAY* ArrayOf(const VARIANT& v) {
    if (!(v.vt & VT_ARRAY) || (v.vt & VT_BYREF)) return nullptr;
    return v.parray;
}

void CopyColumn(double* out, int n, const VARIANT& v, SAFEARRAY* psa) {
    int code = v.vt & 0x17;
    // A type code that does not match the array's element size would read past the elements: zeros instead.
    if (ConvertedSize(code) != psa->cbElements) code = 0;
    const char* p = static_cast<const char*>(psa->pvData);
    for (int i = 0; i < n; ++i) {
        const char* e = p + static_cast<size_t>(i) * psa->cbElements;
        switch (code) {
            case VT_I2: { SHORT s; std::memcpy(&s, e, 2); out[i] = s; break; }
            case VT_I4: { LONG l; std::memcpy(&l, e, 4); out[i] = l; break; }
            case VT_R4: { float f; std::memcpy(&f, e, 4); out[i] = f; break; }
            case VT_R8: std::memcpy(&out[i], e, 8); break;
            case VT_UI1: out[i] = static_cast<unsigned char>(*e); break;
            default: out[i] = 0.0; break;
        }
    }
}

// Outputs of IXRDFormat::Read with the pattern path's initial values; frees what the component left in them.
struct ReadOutputs {
    ReadOutputs() {
        sampleName = SysAllocStringLen(nullptr, 0);
        sampleInfo = SysAllocStringLen(nullptr, 0);
        target = SysAllocStringLen(nullptr, 0);
        VariantInit(&x);
        VariantInit(&y);
    }
    ~ReadOutputs() {
        SysFreeString(sampleName);
        SysFreeString(sampleInfo);
        SysFreeString(target);
        VariantClear(&x);
        VariantClear(&y);
    }
    ReadOutputs(const ReadOutputs&) = delete;
    ReadOutputs& operator=(const ReadOutputs&) = delete;

    BSTR sampleName, sampleInfo, target;
    DATE date = 0.0;
    double wavelength = -1.0;
    LONG ka2 = 0, flag = 0, count = -1;
    VARIANT x, y;
};

}  // namespace

int CZIDEzerEzizir::StorePoints(CXRDData& pattern, const VARIANT& x, const VARIANT& y) {
    SAFEARRAY* px = ArrayOf(x);
    SAFEARRAY* py = ArrayOf(y);
    if (!px || !py || SafeArrayGetDim(px) != 1 || SafeArrayGetDim(py) != 1) return -1;
    ULONG nx = px->rgsabound[0].cElements, ny = py->rgsabound[0].cElements;
    ULONG count = nx < ny ? nx : ny;
    if (count > 0x7FFFFFFFu || (count && (!px->pvData || !py->pvData))) return -1;
    int n = static_cast<int>(count);
    pattern.SetCountingStatistics();
    pattern.SetSize(n, -1);
    double *dx, *dy, *derr;
    int size;
    pattern.GetDataRef(dx, dy, derr, size);
    CopyColumn(dx, n, x, px);
    CopyColumn(dy, n, y, py);
    // A point set is kept sorted by x; components may hand out their points in any order.
    pattern.Sort();
    return n;
}

int CZIDEzerEzizir::ReadPluginFile(CString& fileName, const int* pPeaks, int nFormatCode, CXRDData* pPattern) {
    if (!pPattern) return 0;
    int bPeaks = pPeaks ? *pPeaks : 0;
    std::vector<CString> descriptions, classIds;
    CString filter;
    EnumerateFormats(descriptions, classIds, filter, bPeaks);
    int index = FindFormatIndex(descriptions, BuiltInFormatName(nFormatCode));
    CString chosen;
    int chosenIndex = index;
    if (BrowseForFile(bPeaks, descriptions, filter, chosen, chosenIndex)) {
        fileName = chosen;
        index = chosenIndex;
    }

    ReadOutputs out;
    int result = ReadWithFormat(fileName, bPeaks, index, descriptions, classIds, &out.sampleName, &out.sampleInfo,
                                &out.date, &out.target, &out.wavelength, &out.ka2, &out.flag, &out.count, &out.x,
                                &out.y);
    if (!result) return 0;
    CString sampleName = Utf8FromBstr(out.sampleName);
    CString sampleInfo = Utf8FromBstr(out.sampleInfo);
    CString target = Utf8FromBstr(out.target);
    if (out.count <= 0) return result;

    pPattern->RemoveAll();
    pPattern->m_strSampleName = sampleName;
    pPattern->m_strSampleInfo = sampleInfo;
    pPattern->m_CollectionDate = COleDateTime(out.date);
    pPattern->m_CollectionDate.SetStatus(COleDateTime::valid);
    if (out.wavelength > 0.0 || !target.empty()) {
        CRadiation& radiation = pPattern->m_Radiation;
        // A target name the table does not know and no wavelength leave the radiation as it is: a free
        // wavelength must be positive.
        if (!radiation.SetTarget(target) && !radiation.SetTarget(out.wavelength) && out.wavelength > 0.0)
            radiation.SetLambda(out.wavelength);
        radiation.SetKa2(out.ka2);
    }
    StorePoints(*pPattern, out.x, out.y);
    return result;
}

// The import driver's plug-in branch.
int ReadPluginFile(CString& fileName, const int* pPeaks, int nFormatCode, CXRDData* pPattern) {
    // An object of its own for the call, released (and so deleted) at the end.
    CZIDEzerEzizir* reader = new CZIDEzerEzizir;
    int result = 0;
    try {
        result = reader->ReadPluginFile(fileName, pPeaks, nFormatCode, pPattern);
    } catch (...) {
        reader->ExternalRelease();
        throw;
    }
    reader->ExternalRelease();
    return result;
}
