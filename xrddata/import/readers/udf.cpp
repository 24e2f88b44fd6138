// Philips UDF: a keyed text header of "Key,value,/" lines closed by the line "RawScan", then the intensities,
// up to eight to a line separated by commas. The angles are not stored per point: x = start + i * step, with the
// start taken from "DataAngleRange" (its second number, the end, is not used) and the step from "ScanStepSize".
// Every line piece counts here, with or without a line end (the files often end with a DOS end-of-file byte).
#include <cstring>
#include <exception>
#include <vector>

#include "xrddata/import/importer.h"
#include "xrddata/import/readers/textlines.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/strutil.h"

using namespace import_text;

namespace {

// The header keys in the order they are tried on a line: the first one found decides what the line is.
enum Key { DataAngleRange, ScanStepSize, RawScan, SampleIdent, Title1, Title2, Anode, Monochromator, Lambda1,
           FileDateTime, NoKey };
const char* const kKeys[NoKey] = {"DataAngleRange", "ScanStepSize", "RawScan", "SampleIdent", "Title1",
                                  "Title2", "Anode", "MonochromatorUsed", "LabdaAlpha1", "FileDateTime"};

// The key of the line and where its value starts: just after the key and the comma that follows it. A bare key at
// the very end of the text has an empty value.
Key FindKey(const char* line, const char*& value) {
    for (int k = 0; k < NoKey; ++k) {
        const char* at = std::strstr(line, kKeys[k]);
        if (!at) continue;
        value = at + std::strlen(kKeys[k]);
        if (*value) ++value;
        return static_cast<Key>(k);
    }
    value = line;
    return NoKey;
}

// A text value without the line end, blanks, commas, slashes and backslashes around it.
CString Clean(const char* value) {
    static const char kTail[] = "\r\n ,/\\";
    static const char kHead[] = " ,/\\";
    CString s = value;
    size_t end = s.find_last_not_of(kTail);
    if (end == CString::npos) return CString();
    s.erase(end + 1);
    return s.substr(s.find_first_not_of(kHead));
}

// Appends the numbers of one data line (at most eight) to the intensities.
void AddIntensities(const char* line, std::vector<double>& values) {
    double v[8];
    int n = ScanC(line, "%lf, %lf, %lf, %lf, %lf, %lf, %lf, %lf", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                  &v[7]);
    for (int i = 0; i < n; ++i) values.push_back(v[i]);
}

}  // namespace

// Yes when "DataAngleRange", "ScanStepSize" and "RawScan" occur within the first 50 lines and the line after
// "RawScan" holds eight numbers.
int CFileImporter::IsUdfFile(const CString& fileName) {
    CStdioFile file;
    if (!OpenText(file, fileName)) return 0;
    try {
        bool range = false, step = false, scan = false;
        char line[kLineBuffer];
        for (int i = 0; i < 50; ++i) {
            if (!ReadPiece(file, line)) return 0;
            if (std::strstr(line, "DataAngleRange")) range = true;
            if (std::strstr(line, "ScanStepSize")) step = true;
            if (std::strstr(line, "RawScan") && ReadPiece(file, line)) {
                float v[8];
                if (ScanC(line, "%f, %f, %f, %f, %f, %f, %f, %f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                          &v[7]) != 8)
                    return 0;
                scan = true;
            }
            if (range && step && scan) return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

// Fails without a message on a malformed header or when no intensity follows it.
int CFileImporter::ReadUdfFile(const CString& fileName) {
    if (!m_pTarget) return 0;
    CStdioFile file;
    if (!OpenText(file, fileName)) return 0;
    try {
        CXRDData& d = *m_pTarget;
        d.RemoveAll();

        double start = 0, end = 0, step = 0, lambda = 1.54056;
        bool haveRange = false, haveStep = false, haveAnode = false, haveMono = false, noMono = false;
        CString anode;
        char line[kLineBuffer];
        bool header = true;
        while (header && ReadPiece(file, line)) {
            const char* value;
            switch (FindKey(line, value)) {
                case DataAngleRange:
                    if (ScanC(value, "%lf, %lf", &start, &end) != 2) return 0;
                    haveRange = true;
                    break;
                case ScanStepSize:
                    if (ScanC(value, "%lf", &step) != 1) return 0;
                    haveStep = true;
                    break;
                case RawScan:
                    if (!haveRange || !haveStep) return 0;
                    header = false;
                    break;
                case SampleIdent: d.m_strSampleName = Clean(value); break;
                case Title1:
                case Title2: {
                    CString text = Clean(value);
                    if (d.m_strSampleInfo.empty())
                        d.m_strSampleInfo = text;
                    else
                        d.m_strSampleInfo += "\n" + text;
                    break;
                }
                case Anode:
                    anode = Clean(value);
                    haveAnode = true;
                    break;
                case Monochromator: {
                    CString text = Clean(value);
                    noMono = text == "NO" || text == "No" || text == "no";
                    haveMono = true;
                    break;
                }
                case Lambda1: lambda = CAtof(Clean(value).c_str()); break;
                case FileDateTime: {
                    COleDateTime date;
                    if (date.ParseDateTime(Clean(value).c_str(), 0, LOCALE_USER_DEFAULT)) d.m_CollectionDate = date;
                    break;
                }
                case NoKey: break;
            }
        }
        if (header) return 0;  // the file ended before "RawScan"

        if (haveAnode) {
            d.m_Radiation.SetTarget(anode);
            if (haveMono) d.m_Radiation.SetKa2(noMono ? 1 : 0);
        } else {
            d.m_Radiation.SetLambda(lambda);
        }

        std::vector<double> values;
        while (ReadPiece(file, line)) AddIntensities(line, values);
        if (values.empty()) return 0;
        if (values.size() > 0x7fffffffu) throw std::bad_alloc();
        const int count = static_cast<int>(values.size());
        d.SetSize(count, -1);
        for (int i = 0; i < count; ++i) {
            d.SetAt(CGraphData::X, i, start + i * step);
            d.SetAt(CGraphData::Y, i, values[i]);
        }
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}
