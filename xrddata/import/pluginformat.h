// IXRDFormat: the interface a plug-in reader component implements so that the library can read a further
// instrument format through it. A component is a shared object exporting
//   extern "C" HRESULT DllGetClassObject(REFCLSID, REFIID, void**)
// whose class factory creates objects offering IXRDFormat; it is listed in the store under
// HKEY_LOCAL_MACHINE\SOFTWARE\Tarvenic\ZIDEzerEzizir\Formats\{class identifier} (values "Description", "Filter",
// "CanReadProfile", "CanReadPeaks") and HKEY_CLASSES_ROOT\CLSID\{class identifier}\InprocServer32 = its file.
// Every method returns an HRESULT (success: not negative). Integers are 32-bit; texts are BSTRs: the component
// frees the old string of an out parameter before storing its own.
#pragma once

#include "xrddata/platform/com.h"

// {5FB1C728-12B5-11D3-8083-00105A49620E}
constexpr IID IID_IXRDFormat = {0x5FB1C728, 0x12B5, 0x11D3, {0x80, 0x83, 0x00, 0x10, 0x5A, 0x49, 0x62, 0x0E}};

class IXRDFormat : public IDispatch {
public:
    // *pResult nonzero when the file is of this format (peak data when bPeaks is nonzero, else a profile). The
    // caller sets *pResult to 0 first.
    virtual HRESULT CanRead(BSTR fileName, LONG bPeaks, LONG* pResult) = 0;
    // Reads the file; *pResult nonzero on success. Out: sample name and information, collection date, target
    // (anode) name, wavelength, K-alpha2 present, a further flag, number of points, and x and y as one-dimensional
    // safe arrays inside the two VARIANTs.
    virtual HRESULT Read(BSTR fileName, LONG bPeaks, BSTR* pSampleName, BSTR* pSampleInfo, DATE* pDate,
                         BSTR* pTarget, double* pWavelength, LONG* pKa2, LONG* pFlag, LONG* pCount, VARIANT* pX,
                         VARIANT* pY, LONG* pResult) = 0;

protected:
    ~IXRDFormat() = default;
};
