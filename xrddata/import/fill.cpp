#include "xrddata/import/fill.h"

#include <algorithm>
#include <cmath>

#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/ui.h"

using xrddata::formats::Measurement;
using xrddata::formats::Scan;

const char* const kFirstRangeNote = "\nOnly the first data range was used.";

namespace {

void SetDate(CXRDData& d, const xrddata::formats::CollectionDate& date, PatternFill::Date rule) {
    switch (rule) {
        case PatternFill::Date::text:
            d.m_CollectionDate.ParseDateTime(date.text ? date.text->c_str() : "", 0, LOCALE_USER_DEFAULT);
            break;
        case PatternFill::Date::file_time:
        case PatternFill::Date::value: {
            if (!date.value) break;
            const xrddata::formats::DateTime& v = *date.value;
            COleDateTime t;
            if (t.SetDateTime(v.year, v.month, v.day, v.hour, v.minute, static_cast<int>(v.second)) == 0)
                d.m_CollectionDate = t;
            break;
        }
        case PatternFill::Date::none: break;
    }
}

}  // namespace

void FillPattern(CXRDData& d, const Measurement& m, const PatternFill& rules) {
    d.RemoveAll();
    d.m_strSampleName = m.meta.sample;
    d.m_strSampleInfo = m.meta.comments;
    SetDate(d, m.meta.date, rules.date);

    static const Scan none;
    const Scan& s = m.scans.empty() ? none : m.scans.front();
    if (s.size() > 0x7fffffffu) throw std::bad_alloc();
    const int n = static_cast<int>(s.size());
    const bool ownErrors = rules.errors == PatternFill::Errors::file && s.sigma.size() == s.size() && n > 0;
    if (n > 0 || rules.errorsWhenEmpty) {
        if (ownErrors)
            d.SetCustomErrors();
        else if (rules.errors != PatternFill::Errors::keep)
            d.SetCountingStatistics();
    }
    if (n > 0) {
        d.SetSize(n, -1);
        for (int i = 0; i < n; ++i) {
            d.SetAt(CGraphData::X, i, s.two_theta[static_cast<size_t>(i)]);
            d.SetAt(CGraphData::Y, i, s.counts[static_cast<size_t>(i)]);
        }
        if (ownErrors)
            for (int i = 0; i < n; ++i) d.SetAt(CGraphData::YError, i, s.sigma[static_cast<size_t>(i)]);
    }
    if (rules.sort) d.Sort();
}

void ReportRangeOneWarnings(const Measurement& m) {
    for (const std::string& w : m.warnings)
        if (w.rfind("range 1: ", 0) == 0) AfxMessageBox(w, MB_ICONINFORMATION | MB_OK);
}

void SetRadiation(CRadiation& radiation, const std::string& anode, double lambda) {
    if (!radiation.SetTarget(anode) && !radiation.SetTarget(lambda)) radiation.SetLambda(lambda);
}

void FillFromNewerFormat(CXRDData& d, const Measurement& m) {
    Measurement copy;
    copy.meta = m.meta;
    if (!m.scans.empty()) {
        copy.scans.push_back(m.scans.front());
        Scan& s = copy.scans.front();
        // Own errors only where every point has a finite one.
        if (!std::all_of(s.sigma.begin(), s.sigma.end(), [](double e) { return std::isfinite(e) && e >= 0; }))
            s.sigma.clear();
    }
    PatternFill rules;
    rules.errors = PatternFill::Errors::file;
    rules.date = PatternFill::Date::value;
    FillPattern(d, copy, rules);
    if (m.scans.size() > 1) d.m_strSampleInfo += kFirstRangeNote;
    const double lambda = m.meta.wavelength.value_or(0.0);
    if (!m.meta.anode.empty() || lambda > 0) {
        if (!d.m_Radiation.SetTarget(m.meta.anode) && lambda > 0 && !d.m_Radiation.SetTarget(lambda))
            d.m_Radiation.SetLambda(lambda);
    }
    if (m.meta.ka2_present) d.m_Radiation.SetKa2(*m.meta.ka2_present ? 1 : 0);
}
