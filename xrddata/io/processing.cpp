#include "xrddata/io/processing.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"

namespace {

double PositiveNumber(const CString& text, const char* what) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v <= 0.0 || errno == ERANGE)
        throw std::invalid_argument(CString(what) + " needs a positive number, not \"" + text + "\"");
    return v;
}

}  // namespace

void ParseErrorModel(const CString& text, ProcessOptions& options) {
    const CString model = MakeLower(Trim(text));
    if (model == "raw") {
        options.countType = 0;
    } else if (model.rfind("scaled=", 0) == 0) {
        options.countType = 1;
        options.scaleFactor = PositiveNumber(model.substr(7), "scaled=F");
    } else if (model.rfind("time=", 0) == 0) {
        options.countType = 2;
        options.esds = PositiveNumber(model.substr(5), "time=P");
    } else {
        throw std::invalid_argument("error model must be raw, scaled=F or time=P, not \"" + text + "\"");
    }
}

ProcessResult ProcessPattern(CXRDData& pattern, const ProcessOptions& o) {
    if (o.zeroError) pattern.SetZeroError(*o.zeroError);
    if (o.countType) {
        pattern.m_nCountType = *o.countType;
        if (o.scaleFactor) pattern.m_dScaleFactor = *o.scaleFactor;
        if (o.esds) pattern.m_dEsds = *o.esds;
        pattern.GenerateErrors();
    }
    if (o.stripKa2) pattern.StripKa2();
    if (o.length) pattern.m_dBackgroundLength = *o.length;
    if (o.stiffness) pattern.m_dBackgroundScale = *o.stiffness;
    if (o.background || (o.subtract && !pattern.BackgroundExists()))
        pattern.CalculateBackground(nullptr, nullptr, 0, 0, 0);

    ProcessResult result;
    if (o.subtract)
        result.points = pattern.GetBackgroundSubtracted();
    else
        result.points = static_cast<const CGraphData&>(pattern);
    if (pattern.BackgroundExists()) result.background = static_cast<const CGraphData&>(pattern.m_Background);
    return result;
}
