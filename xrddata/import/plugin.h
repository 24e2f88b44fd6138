// CZIDEzerEzizir: the reader of external formats. It lists the plug-in components registered in the store, lets
// the user choose a file and a format in the import dialog, picks a component (the chosen one or, for "Auto", the
// first one, from the last registered down, that accepts the file), and calls it. Automation clients create it
// through the library's class factory and call "ReadFile" and "GetNFormats"; the import driver hands every read
// to ReadPluginFile as soon as one format is registered. It holds no state between calls: the list is read anew
// for every read; only the last folder and format chosen are kept, in the Settings key.
#pragma once

#include <vector>

#include "xrddata/import/pluginformat.h"
#include "xrddata/platform/cmdtarget.h"

class CXRDData;

// One sub-key of the Formats key as the store holds it. Its four values are read together; a registration
// missing one of them, or whose values exceed the 1 KiB the reader reads them into, is not complete and is never
// offered.
struct PluginRegistration {
    CString classId;              // the sub-key's name
    bool complete = false;        // all four values were read
    bool hasDescription = false;  // "Description" is text
    CString description;          // "Description" when text, else empty
    CString filter;               // "Filter" when text (a file-dialog filter fragment), else empty
    bool canReadProfile = false;  // "CanReadProfile" is a nonzero REG_DWORD
    bool canReadPeaks = false;    // "CanReadPeaks" is a nonzero REG_DWORD
};

class XRDDATA_API CZIDEzerEzizir : public CCmdTarget {
    DECLARE_DYNCREATE(CZIDEzerEzizir)
public:
    // Dispatch identifiers of the automation methods.
    enum { DispidReadFile = 1, DispidGetNFormats = 2 };
    // The automation interface: {5FB1C715-12B5-11D3-8083-00105A49620E}.
    static const IID IID_IZIDEzerEzizir;

    // Locks the library against unloading for the object's lifetime; automation is enabled.
    CZIDEzerEzizir();
    ~CZIDEzerEzizir() override;

    // "GetNFormats": the number of subkeys of the Formats key (0 when it cannot be opened or queried).
    LONG GetNFormats();
    // "ReadFile": reads pFileName (empty: asks the user) with the format described by pFormat (no match: "Auto");
    // the ten outputs come from the component. On success *pFileName becomes the file read.
    BOOL ReadFile(BOOL bPeaks, BSTR* pFileName, BSTR* pFormat, BSTR* pSampleName, BSTR* pSampleInfo, DATE* pDate,
                  BSTR* pTarget, double* pWavelength, VARIANT_BOOL* pKa2, VARIANT_BOOL* pFlag, LONG* pCount,
                  VARIANT* pX, VARIANT* pY);
    // The import driver's entry: shows the dialog (always), reads the chosen file (or, on cancel, fileName with
    // the format of nFormatCode) and fills pPattern. fileName goes out as the file chosen. 0 on every failure.
    int ReadPluginFile(CString& fileName, const int* pPeaks, int nFormatCode, CXRDData* pPattern);

    // Every sub-key of the Formats key in enumeration order; empty when the key cannot be opened or queried.
    // The one reader of the registrations: the format list below and the tool's listing are built from it.
    static std::vector<PluginRegistration> ReadRegistrations();
    // The format list: descriptions ("Auto" first), class identifiers (empty first) and the dialog filter, over
    // the complete registrations with a text description that can read the kind asked for. Returns the number of class identifiers, entry 0 included.
    static int EnumerateFormats(std::vector<CString>& descriptions, std::vector<CString>& classIds, CString& filter,
                                int bPeaks);
    // Index of the first description equal to name (case-sensitive), 0 when none.
    static int FindFormatIndex(const std::vector<CString>& descriptions, const CString& name);
    // The description the driver's format code stands for ("" for codes outside 0..8).
    static CString BuiltInFormatName(int nFormatCode);
    // The import dialog over the plug-in formats; 1 with fileName and index set when the user confirmed.
    static int BrowseForFile(int bPeaks, const std::vector<CString>& descriptions, const CString& filter,
                             CString& fileName, int& index);
    // A new component object for the class identifier text, or null (after a message box saying why).
    static IXRDFormat* CreateFormat(const CString& classId);
    // "Auto": the first component, from the last class identifier down, that accepts the file; null when none.
    static IXRDFormat* FindFormat(const CString& fileName, const std::vector<CString>& descriptions,
                                  const std::vector<CString>& classIds, int bPeaks);
    // Reads the file with the component of index (0: FindFormat). Returns the component's result, 0 on failure.
    static int ReadWithFormat(const CString& fileName, int bPeaks, int index, const std::vector<CString>& descriptions,
                              const std::vector<CString>& classIds, BSTR* pSampleName, BSTR* pSampleInfo,
                              DATE* pDate, BSTR* pTarget, double* pWavelength, LONG* pKa2, LONG* pFlag,
                              LONG* pCount, VARIANT* pX, VARIANT* pY);

    // Copies the points returned by a component into the pattern: both VARIANTs must hold one-dimensional safe
    // arrays; the smaller element count is taken. Arrays of doubles are copied; other element types are
    // converted by the VARIANT's type code ANDed with 0x17 (2 int16, 3 int32, 4 float, 5 double, 17 byte) when
    // the array's elements have that size; every other element gives 0.0. Returns the number of points, or -1
    // (pattern untouched) when the VARIANTs hold no such arrays.
    static int StorePoints(CXRDData& pattern, const VARIANT& x, const VARIANT& y);

protected:
    const AFX_DISPMAP_ENTRY* GetDispatchMap(UINT& nCount) const override;
    const IID* GetDispatchIID() const override;
};

// The store keys of the plug-in list (under HKEY_LOCAL_MACHINE) and of the remembered choices (under
// HKEY_CURRENT_USER).
XRDDATA_API extern const char* const PluginFormatsKey;   // "SOFTWARE\Tarvenic\ZIDEzerEzizir\Formats"
XRDDATA_API extern const char* const PluginSettingsKey;  // "SOFTWARE\Tarvenic\ZIDEzerEzizir\Settings"
