// CFileImporter: the short-lived object behind one import. It holds the target pattern, the file name finally read
// and the choices remembered in the store (last folder, last raw and peak formats), and carries every built-in
// reader and detection test as a member. The formats are read by the format core (xrddata/formats/); the members in
// import/readers/ load the file once, call the core and fill the pattern; the driver (format choice, detection
// order, dialog, remembered choices) is in import/importer.cpp.
#pragma once

#include <vector>

#include "xrddata/platform/types.h"

class CXRDData;
struct ImportFile;
struct StoeFileHeader;
struct StoeRangeHeader;

// Magics at the start of the two Bruker raw formats.
XRDDATA_API extern const char* const DiffracPlusKey;  // "RAW1.01"
XRDDATA_API extern const char* const DiffracAtKey;    // "RAW2"

class XRDDATA_API CFileImporter {
public:
    // Format codes: the positions of the built-in list of the import dialog.
    enum Format {
        FormatAuto = 0,
        FormatText = 1,
        FormatStoe = 2,
        FormatDiffracPlus = 3,
        FormatDiffracAt = 4,
        FormatUdf = 5,
        FormatCpi = 6,
        FormatMdi = 7,
        FormatCranfield = 8,
        UseLastFormat = 10,
        FormatUnknown = -1
    };

    // Stores the target and reads the remembered choices; the destructor writes them back.
    explicit CFileImporter(CXRDData* target);
    ~CFileImporter();
    CFileImporter(const CFileImporter&) = delete;
    CFileImporter& operator=(const CFileImporter&) = delete;

    int ReadDataFile(CString fileName, int format, int bPeaks);
    int DetectFormat(const CString& fileName);
    int RunImportDialog(CString& fileName, int& format, int bPeaks);

    const CString& GetFileName() const { return m_strFileName; }
    const CString& GetDataDirectory() const { return m_strDataDirectory; }
    int GetDataFormat() const { return m_nDataFormat; }
    int GetPeakDataFormat() const { return m_nPeakDataFormat; }

    // Detection tests (nonzero: looks like the format) and readers (nonzero: the target was filled).
    int IsTextFile(const CString& fileName);
    int ReadTextFile(const CString& fileName);
    int IsCranfieldFile(const CString& fileName);
    int ReadCranfieldFile(const CString& fileName);
    int IsCpiFile(const CString& fileName);
    int ReadCpiFile(const CString& fileName);
    int IsMdiFile(const CString& fileName);
    int ReadMdiFile(const CString& fileName);
    int IsStoeFile(const CString& fileName);
    int ReadStoeFile(const CString& fileName);
    // Reads range n (from 1) of a STOE raw file: its two header records and its counts, each scaled to counts per
    // second when the counting time exceeds one second. Nonzero when the range was read.
    int ReadStoeRange(const CString& fileName, int n, StoeFileHeader& header, StoeRangeHeader& range,
                      std::vector<float>& counts);
    int IsDiffracPlusFile(const CString& fileName);
    int ReadDiffracPlusFile(const CString& fileName);
    int IsDiffracAtFile(const CString& fileName);
    int ReadDiffracAtFile(const CString& fileName);
    int IsUdfFile(const CString& fileName);
    int ReadUdfFile(const CString& fileName);

protected:
    // Detection over a file loaded once (1..8 or -1), and the read of a format code from it: a built-in reader, a
    // newer format of the format core (range 1 into the pattern), or "Cannot determine file format". With detected
    // set, a file no built-in test knows is offered to the newer formats.
    int DetectLoaded(const ImportFile& file);
    int ReadLoaded(int format, const ImportFile& file, bool detected);

    CXRDData* m_pTarget;
    CString m_strFileName;
    CString m_strDataDirectory;
    int m_nDataFormat;
    int m_nPeakDataFormat;
};
