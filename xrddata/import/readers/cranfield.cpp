// The Cranfield format: line 1 the title (sample name), line 2 the number of points (checked by the test, not used
// by the reader), line 3 the start angle, line 4 the step, then one intensity per line. Lines that are not a
// number are skipped without advancing the angle.
#include <exception>
#include <vector>

#include "xrddata/import/importer.h"
#include "xrddata/import/readers/textlines.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

using namespace import_text;

// Lines 2 to 5: an integer of at least 1, a start of at least 0, a step above 0 and a lone number (a number
// followed by a word is refused). A file without a fifth line passes; one without a fourth does not.
int CFileImporter::IsCranfieldFile(const CString& fileName) {
    CStdioFile file;
    if (!OpenText(file, fileName)) return 0;
    try {
        char line[kLineBuffer];
        char word[kLineBuffer];
        int nPoints = 0;
        double start = 0, step = 0, first = 0;
        if (!ReadPiece(file, line)) return 0;
        if (!ReadPiece(file, line) || ScanC(line, "%d", &nPoints) != 1) return 0;
        if (!ReadPiece(file, line) || ScanC(line, "%lf", &start) != 1) return 0;
        if (!ReadPiece(file, line) || ScanC(line, "%lf", &step) != 1) return 0;
        if (ReadPiece(file, line) && ScanC(line, "%lf %255s", &first, word) != 1) return 0;
        return nPoints >= 1 && start >= 0 && step > 0 ? 1 : 0;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::ReadCranfieldFile(const CString& fileName) {
    if (!IsCranfieldFile(fileName)) {
        AfxMessageBox(::Format("%s is not a valid Cranfield file", fileName.c_str()), MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    if (!m_pTarget) return 0;
    CStdioFile file;
    if (!OpenText(file, fileName)) return 0;
    try {
        char line[kLineBuffer];
        ReadPiece(file, line);
        const CString title = line;
        ReadPiece(file, line);  // the number of points: the data lines decide
        ReadPiece(file, line);
        const double start = CAtof(line);
        ReadPiece(file, line);
        const double step = CAtof(line);

        CXRDData& d = *m_pTarget;
        d.RemoveAll();
        d.m_strSampleName = TrimRight(title);
        SetDateFromFile(d, fileName);

        std::vector<double> ys;
        bool anyLine = false;
        while (ReadPiece(file, line)) {
            if (!IsDataLine(line)) continue;
            anyLine = true;
            double y;
            if (ScanC(line, "%lf", &y) == 1) ys.push_back(y);
        }
        if (!anyLine) {
            AfxMessageBox("File appears to contain no data", MB_OK);
            return 0;
        }
        if (ys.size() > 0x7fffffffu) throw std::bad_alloc();
        const int count = static_cast<int>(ys.size());
        d.SetCustomErrors();
        d.SetSize(count, -1);
        double x = start;
        for (int i = 0; i < count; ++i) {
            d.SetAt(CGraphData::X, i, x);
            d.SetAt(CGraphData::Y, i, ys[i]);
            d.SetAt(CGraphData::YError, i, CountingError(ys[i]));
            x += step;
        }
        d.SetCountingStatistics();
        d.Sort();
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}
