// Plain two- or three-column text: every line holds x and y, or x, y and the error of y, separated by blanks
// (read as "%lf %lf %lf"). No header. A line with two numbers gets the counting error of y; when no line carries
// its own error the pattern is marked as counting statistics. The sample name is the file's name, the collection
// date its modification time.
#include <cstring>
#include <exception>
#include <vector>

#include "xrddata/import/importer.h"
#include "xrddata/import/readers/textlines.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

using namespace import_text;

// Yes when the first line starts with two numbers.
int CFileImporter::IsTextFile(const CString& fileName) {
    CStdioFile file;
    if (!OpenText(file, fileName)) return 0;
    try {
        char line[kLineBuffer];
        if (!ReadPiece(file, line)) return 0;
        double v[2];
        return ScanDoubles(line, v, 2) == 2 ? 1 : 0;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::ReadTextFile(const CString& fileName) {
    if (!IsTextFile(fileName)) {
        AfxMessageBox(::Format("%s is not a valid text file", fileName.c_str()), MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    if (!m_pTarget) return 0;
    CStdioFile file;
    if (!OpenText(file, fileName)) return 0;
    try {
        CXRDData& d = *m_pTarget;
        d.RemoveAll();
        d.m_strSampleName = TrimRight(FileTitleOf(fileName));
        SetDateFromFile(d, fileName);

        // The points are parsed as the lines are read; a bad line ends the read.
        std::vector<double> xs, ys, es;
        bool ownErrors = false;
        char line[kLineBuffer];
        while (ReadPiece(file, line)) {
            if (!IsDataLine(line)) continue;
            double v[3];
            int n = ScanDoubles(line, v, 3);
            if (n == 2) {
                v[2] = CountingError(v[1]);
            } else if (n == 3) {
                ownErrors = true;
            } else {
                AfxMessageBox("Bad x,y (error) values", MB_ICONEXCLAMATION | MB_OK);
                return 0;
            }
            xs.push_back(v[0]);
            ys.push_back(v[1]);
            es.push_back(v[2]);
        }
        if (xs.empty()) return 1;
        if (xs.size() > 0x7fffffffu) throw std::bad_alloc();
        const int count = static_cast<int>(xs.size());
        d.SetCustomErrors();
        d.SetSize(count, -1);
        for (int i = 0; i < count; ++i) {
            d.SetAt(CGraphData::X, i, xs[i]);
            d.SetAt(CGraphData::Y, i, ys[i]);
            d.SetAt(CGraphData::YError, i, es[i]);
        }
        if (!ownErrors) d.SetCountingStatistics();
        d.Sort();
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}
