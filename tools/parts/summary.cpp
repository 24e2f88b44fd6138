#include "parts/summary.h"

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"

PatternSummary Summarize(CXRDData& pattern, const CString& file, const LoadedFormat& format) {
    PatternSummary s;
    s.file = file;
    s.format = format;
    s.sampleName = pattern.m_strSampleName;
    s.comments = pattern.m_strSampleInfo;
    int y, mo, d, h, mi, sec;
    if (pattern.m_CollectionDate.GetStatus() == COleDateTime::valid &&
        pattern.m_CollectionDate.GetFields(y, mo, d, h, mi, sec))
        s.collected = Format("%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, sec);
    const CRadiation& r = pattern.m_Radiation;
    s.target = r.GetTargetName();
    s.wavelength = r.GetKa1Lambda();
    s.ka2Wavelength = r.GetKa2Lambda();
    s.ka2 = r.IsKa2() ? 1 : 0;
    s.points = pattern.GetSize();
    if (s.points > 0) {
        s.first = pattern.GetAt(CGraphData::X, 0);
        s.last = pattern.GetAt(CGraphData::X, s.points - 1);
        s.step = s.points > 1 ? (s.last - s.first) / (s.points - 1) : 0.0;
    }
    s.customErrors = pattern.IsCustomErrors() ? 1 : 0;
    s.countType = pattern.m_nCountType;
    s.typeFlag = pattern.m_nTypeFlag;
    return s;
}

CString CountTypeName(int countType) {
    switch (countType) {
        case 0: return "Raw Counts";
        case 1: return "Scaled Counts";
        case 2: return "Variable Time";
        default: return "Unknown";
    }
}

namespace {

// Six significant digits, as the system writes numbers for people.
std::string G(double v) { return Format("%g", v); }

CString FormatText(const LoadedFormat& f) {
    if (f.code > 0) return Format("%s (%d)", f.name.c_str(), f.code);
    return f.name;
}

// Line breaks inside a free text field would break the "key: value" layout: continuation lines are indented.
std::string Indented(const CString& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        out += c;
        if (c == '\n') out += "             ";
    }
    return out;
}

}  // namespace

std::string SummaryText(const PatternSummary& s) {
    std::string out;
    auto line = [&out](const char* key, const std::string& value) {
        out += Format("%-12s %s\n", key, value.c_str());
    };
    line("file:", s.file);
    line("format:", FormatText(s.format));
    line("sample:", Indented(s.sampleName));
    line("comments:", Indented(s.comments));
    line("collected:", s.collected.empty() ? "unknown" : s.collected);
    std::string radiation = s.target.empty() ? "wavelength " + G(s.wavelength) + " A"
                                             : s.target + ", K-alpha1 " + G(s.wavelength) + " A";
    if (!s.target.empty()) {
        if (s.ka2) radiation += ", K-alpha2 " + G(s.ka2Wavelength) + " A";
        else radiation += ", no K-alpha2";
    }
    line("radiation:", radiation);
    line("points:", std::to_string(s.points));
    if (s.points > 0)
        line("two-theta:", G(s.first) + " to " + G(s.last) + " degrees, step " + G(s.step));
    else
        line("two-theta:", "none");
    line("errors:", std::string(s.customErrors ? "stored" : "counting statistics") + ", model " +
                        CountTypeName(s.countType));
    std::string history = "original data";
    if (s.typeFlag & 2) history = "K-alpha2 stripped";
    if (s.typeFlag & 4) history += ", background stored";
    line("processing:", history);
    return out;
}
