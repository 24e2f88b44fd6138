#include "parts/processing.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "xrddata/pattern/bounds.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"

namespace {

// A number within the bounds of the setting it sets.
double BoundedNumber(const CString& text, const char* what, const char* setting) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || errno == ERANGE)
        throw std::invalid_argument(CString(what) + " needs a number, not \"" + text + "\"");
    const std::string problem = SettingBoundProblem(*FindSettingBound(setting), v);
    if (!problem.empty()) throw std::invalid_argument(CString(what) + ": " + problem);
    return v;
}

}  // namespace

void ParseErrorModel(const CString& text, ProcessOptions& options) {
    const CString model = MakeLower(Trim(text));
    if (model == "raw") {
        options.countType = 0;
    } else if (model.rfind("scaled=", 0) == 0) {
        options.countType = 1;
        options.scaleFactor = BoundedNumber(model.substr(7), "scaled=F", "ScaleFactor");
    } else if (model.rfind("time=", 0) == 0) {
        options.countType = 2;
        options.esds = BoundedNumber(model.substr(5), "time=P", "Esds");
    } else {
        throw std::invalid_argument("error model must be raw, scaled=F or time=P, not \"" + text + "\"");
    }
}

ProcessResult ProcessPattern(CXRDData& pattern, const ProcessOptions& o) {
    ProcessResult result;
    if (o.zeroError) {
        pattern.SetZeroError(*o.zeroError);
        result.applied.push_back(Format("zero error %g", *o.zeroError));
    }
    if (o.countType) {
        pattern.m_nCountType = *o.countType;
        if (o.scaleFactor) pattern.m_dScaleFactor = *o.scaleFactor;
        if (o.esds) pattern.m_dEsds = *o.esds;
        pattern.GenerateErrors();
        result.applied.push_back(*o.countType == 0   ? CString("errors raw")
                                 : *o.countType == 1 ? Format("errors scaled=%g", pattern.m_dScaleFactor)
                                                     : Format("errors time=%g", pattern.m_dEsds));
    }
    if (o.length) pattern.m_dBackgroundLength = *o.length;
    if (o.stiffness) pattern.m_dBackgroundScale = *o.stiffness;
    auto fit = [&] {
        pattern.CalculateBackground(nullptr, nullptr, 0, 0, 0);
        if (!pattern.BackgroundExists())
            throw std::runtime_error("the background fit gave no background (scale length " +
                                     Format("%g", pattern.m_dBackgroundLength) + ")");
        result.applied.push_back(Format("background fitted (scale length %g, stiffness %g)",
                                        pattern.m_dBackgroundLength, pattern.m_dBackgroundScale));
    };
    // Emptying the copy leaves the type flag as it is: the pattern still records the steps done to it.
    auto dropOriginal = [&] {
        if (!o.keepOriginal) pattern.m_OriginalData.RemoveAll();
    };
    if (o.background) {
        fit();
        dropOriginal();
    }
    if (o.stripKa2) {
        const CRadiation& r = pattern.m_Radiation;
        if (pattern.IsKa2Stripped()) {
            result.notices.push_back("--strip-ka2 did nothing: the pattern is already K-alpha2 stripped");
        } else if (!r.IsValidTarget() || !r.IsKa2()) {
            result.notices.push_back(
                "--strip-ka2 did nothing: the radiation has no K-alpha2 line to strip" +
                CString(r.IsValidTarget() ? " (the beam carries none)" : " (a free wavelength)"));
        } else {
            const bool fitted = pattern.BackgroundExists() != 0;
            pattern.StripKa2();
            result.applied.push_back("K-alpha2 stripped");
            if (fitted) {
                // Stripping scales the stored curve to its K-alpha1 share but keeps the knots; an archive stores
                // the knots and draws the curve from them again, so they are scaled alike (the spline is linear in
                // its knot values and their second derivatives) for the written pattern to keep the background it was written with.
                CGraphData& knots = pattern.m_Background.m_Knots;
                const double scale = 1.0 / (r.GetKa2Ratio() + 1.0);
                double *kx, *ky, *ky2;  // the error column holds the spline's second derivatives
                int nk;
                knots.GetDataRef(kx, ky, ky2, nk);
                for (int i = 0; i < nk && ky && ky2; ++i) {
                    ky[i] *= scale;
                    ky2[i] *= scale;
                }
                // The curve drawn from them, as a read of the archive draws it: the same numbers either way.
                pattern.m_Background.GenerateBackground();
            }
            dropOriginal();
        }
    }
    if (o.subtract && !pattern.BackgroundExists()) {
        fit();
        dropOriginal();
    }

    if (o.subtract) {
        result.subtracted = true;
        result.applied.push_back("background subtracted");
    }
    return result;
}
