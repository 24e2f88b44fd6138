// The pattern's two entries to file import. The read goes into a temporary pattern, so a read that fails or is
// cancelled leaves this pattern as it was; only a successful read is assigned to it (its columns handed over, not
// copied).
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/ui.h"

#include <exception>

int CXRDData::ReadAndTakeOver(const char* fileName, int format, int bPeaks) {
    int ok;
    CString name;
    {
        CXRDData read(0);
        CFileImporter importer(&read);
        ok = importer.ReadDataFile(fileName ? fileName : "", format, bPeaks);
        if (ok) {
            TakeOver(read);
            name = importer.GetFileName();
        }
    }  // the importer writes the remembered choices back here
    if (!ok) return 0;
    m_strFileName = name;
    m_bPeakData = bPeaks;
    return 1;
}

int CXRDData::DoReadFile(const char* fileName, int format) {
    if (!ReadAndTakeOver(fileName, format, 0)) return 0;
    // The points are in; a numerical failure while deriving errors or the width is shown, not passed to the host.
    // The errors, then the width: the width is detected first, before the error column exists, so that the
    // detection's working copies and that column are not held at once. Neither uses what the other makes; a
    // failed detection still leaves the errors derived and is shown after them, and the width is set only once
    // they are in.
    try {
        double width = 0.0;
        std::exception_ptr detectionFailure;
        try {
            width = DetectWidth(5.0, 0, false);
        } catch (...) {
            detectionFailure = std::current_exception();
        }
        GenerateErrors();
        if (detectionFailure) std::rethrow_exception(detectionFailure);
        SetRefreshedWidth(width);
    } catch (const char* message) {
        AfxMessageBox(message, MB_ICONEXCLAMATION | MB_OK);
    } catch (const std::exception& e) {
        ReportException(e);
    }
    return 1;
}

int CXRDData::DoReadPeakFile(const char* fileName, int format) { return ReadAndTakeOver(fileName, format, 1); }
