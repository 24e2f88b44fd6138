#include "parts/defaults.h"

#include "xrddata/pattern/bounds.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"

const std::vector<CString>& ProcessingSettingNames() {
    static const std::vector<CString> names{"BackgroundLength", "BackgroundScale", "AutoWidth", "WidthType",
                                            "FixedWidth",       "U",               "V",         "W",
                                            "CountType",        "ScaleFactor",     "Esds"};
    return names;
}

ProcessingDefaults LoadUserDefaults() {
    const CXRDData p(0);  // its header holds the factory values overlaid with the stored ones
    ProcessingDefaults d;
    d.backgroundLength = p.m_dBackgroundLength;
    d.backgroundScale = p.m_dBackgroundScale;
    d.autoWidth = p.m_bAutoWidth;
    d.widthType = p.m_nWidthType;
    d.fixedWidth = p.m_dFixedWidth;
    d.u = p.m_dU;
    d.v = p.m_dV;
    d.w = p.m_dW;
    d.countType = p.m_nCountType;
    d.scaleFactor = p.m_dScaleFactor;
    d.esds = p.m_dEsds;
    return d;
}

ProcessingDefaults FactoryDefaults() {
    CXRDData p(0);
    ProcessingDefaults d;
    p.ReadFactory(d.backgroundLength, d.backgroundScale, d.autoWidth, d.widthType, d.fixedWidth, d.u, d.v, d.w,
                  d.countType, d.scaleFactor, d.esds);
    return d;
}

void SaveUserDefaults(const ProcessingDefaults& d) {
    CXRDData p(0);
    p.WriteRegistry(d.backgroundLength, d.backgroundScale, d.autoWidth, d.widthType, d.fixedWidth, d.u, d.v, d.w,
                    d.countType, d.scaleFactor, d.esds);
}

namespace {

struct Field {
    double ProcessingDefaults::*real;
    int ProcessingDefaults::*integer;
    int maxInt;
};

Field FieldOf(const CString& name) {
    static const Field fields[] = {
        {&ProcessingDefaults::backgroundLength, nullptr, 0}, {&ProcessingDefaults::backgroundScale, nullptr, 0},
        {nullptr, &ProcessingDefaults::autoWidth, 1},        {nullptr, &ProcessingDefaults::widthType, 1},
        {&ProcessingDefaults::fixedWidth, nullptr, 0},       {&ProcessingDefaults::u, nullptr, 0},
        {&ProcessingDefaults::v, nullptr, 0},                {&ProcessingDefaults::w, nullptr, 0},
        {nullptr, &ProcessingDefaults::countType, 2},        {&ProcessingDefaults::scaleFactor, nullptr, 0},
        {&ProcessingDefaults::esds, nullptr, 0}};
    const std::vector<CString>& names = ProcessingSettingNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (CompareNoCase(names[i], name) == 0) return fields[i];
    throw std::invalid_argument("unknown setting \"" + name + "\"");
}

}  // namespace

CString GetSetting(const ProcessingDefaults& d, const CString& name) {
    const Field f = FieldOf(name);
    if (f.real) return Format("%g", d.*f.real);
    return Format("%d", d.*f.integer);
}

void SetSetting(ProcessingDefaults& d, const CString& name, const CString& value) {
    const Field f = FieldOf(name);
    const SettingBound* bound = FindSettingBound(name);
    const CString text = Trim(value);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || errno == ERANGE)
        throw std::invalid_argument(CString(bound ? bound->name : name.c_str()) + " needs a number, not \"" + value +
                                    "\"");
    if (f.integer && (v != std::floor(v) || v < 0 || v > f.maxInt))
        throw std::invalid_argument(name + Format(" needs an integer from 0 to %d, not \"", f.maxInt) + value + "\"");
    if (bound) {
        const std::string problem = SettingBoundProblem(*bound, v);
        if (!problem.empty()) throw std::invalid_argument(problem);
    }
    if (f.real) d.*f.real = v;
    else d.*f.integer = static_cast<int>(v);
}
