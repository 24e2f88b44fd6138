#include "xrddata/import/fill.h"

#include <algorithm>
#include <cmath>

#include "xrddata/arrays/columns.h"
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

namespace {

// Empties a column and gives its memory back.
void Release(std::vector<double>& column) { std::vector<double>().swap(column); }

// What every fill does first: the pattern emptied, its header from the metadata.
void FillHeader(CXRDData& d, const xrddata::formats::Metadata& meta, const PatternFill& rules) {
    d.RemoveAll();
    d.m_strSampleName = meta.sample;
    d.m_strSampleInfo = meta.comments;
    SetDate(d, meta.date, rules.date);
}

// The error mode for a range of n points (with errors of its own when hasSigma). Yes when the file's errors are
// taken.
bool SetErrorMode(CXRDData& d, const PatternFill& rules, int n, bool hasSigma) {
    const bool ownErrors = rules.errors == PatternFill::Errors::file && hasSigma && n > 0;
    if (n > 0 || rules.errorsWhenEmpty) {
        if (ownErrors)
            d.SetCustomErrors();
        else if (rules.errors != PatternFill::Errors::keep)
            d.SetCountingStatistics();
    }
    return ownErrors;
}

// FillPattern; with `consumed` set (range 1 of m itself), each column of it is released once it is in the pattern,
// so that a large range is held at most once and a column.
void Fill(CXRDData& d, const Measurement& m, const PatternFill& rules, Scan* consumed) {
    FillHeader(d, m.meta, rules);
    static const Scan none;
    const Scan& s = m.scans.empty() ? none : m.scans.front();
    if (s.size() > 0x7fffffffu) throw std::bad_alloc();
    const int n = static_cast<int>(s.size());
    const bool ownErrors = SetErrorMode(d, rules, n, s.sigma.size() == s.size());
    if (n > 0) {
        // What SetSize(n) and SetAt would do, one column at a time: each column of a consumed range is released
        // as soon as the pattern holds it. The counting times are no part of a pattern; they go first.
        if (consumed) Release(consumed->time_per_point);
        const auto put = [&](CGraphData::Prop p, const std::vector<double>* from, std::vector<double>* done) {
            CGraphDataColumns::Assign(CGraphDataColumns::Column(d, p), from ? from->data() : nullptr, n);
            if (consumed && done) Release(*done);
        };
        put(CGraphData::X, &s.two_theta, consumed ? &consumed->two_theta : nullptr);
        put(CGraphData::Y, &s.counts, consumed ? &consumed->counts : nullptr);
        // A pattern in custom-error mode has its error column, zero where the file gives no errors.
        if (d.IsCustomErrors()) put(CGraphData::YError, ownErrors ? &s.sigma : nullptr, nullptr);
    }
    if (consumed) {
        Release(consumed->two_theta);
        Release(consumed->counts);
        Release(consumed->sigma);
        Release(consumed->time_per_point);
    }
    if (rules.sort) d.Sort();
}

}  // namespace

void FillPattern(CXRDData& d, const Measurement& m, const PatternFill& rules) { Fill(d, m, rules, nullptr); }

void FillPatternReleasing(CXRDData& d, Measurement& m, const PatternFill& rules) {
    Fill(d, m, rules, m.scans.empty() ? nullptr : &m.scans.front());
}

void FillPatternTaking(CXRDData& d, const xrddata::formats::Metadata& meta, GrowColumn& twoTheta, GrowColumn& counts,
                       GrowColumn& sigma, const PatternFill& rules) {
    FillHeader(d, meta, rules);
    if (twoTheta.size() > 0x7fffffffu || counts.size() != twoTheta.size()) throw std::bad_alloc();
    const int n = static_cast<int>(twoTheta.size());
    const bool ownErrors = SetErrorMode(d, rules, n, sigma.size() == twoTheta.size());
    if (n > 0) {
        CGraphDataColumns::Adopt(CGraphDataColumns::Column(d, CGraphData::X), twoTheta);
        CGraphDataColumns::Adopt(CGraphDataColumns::Column(d, CGraphData::Y), counts);
        CdblArray& errors = CGraphDataColumns::Column(d, CGraphData::YError);
        if (d.IsCustomErrors()) {
            if (ownErrors) CGraphDataColumns::Adopt(errors, sigma);
            else CGraphDataColumns::Assign(errors, nullptr, n);
        }
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

void FillFromNewerFormat(CXRDData& d, Measurement& m) {
    if (!m.scans.empty()) {
        std::vector<double>& sigma = m.scans.front().sigma;
        // Own errors only where every point has a finite one.
        if (!std::all_of(sigma.begin(), sigma.end(), [](double e) { return std::isfinite(e) && e >= 0; }))
            Release(sigma);
    }
    PatternFill rules;
    rules.errors = PatternFill::Errors::file;
    rules.date = PatternFill::Date::value;
    FillPatternReleasing(d, m, rules);
    if (m.scans.size() > 1) d.m_strSampleInfo += kFirstRangeNote;
    const double lambda = m.meta.wavelength.value_or(0.0);
    if (!m.meta.anode.empty() || lambda > 0) {
        if (!d.m_Radiation.SetTarget(m.meta.anode) && lambda > 0 && !d.m_Radiation.SetTarget(lambda))
            d.m_Radiation.SetLambda(lambda);
    }
    if (m.meta.ka2_present) d.m_Radiation.SetKa2(*m.meta.ka2_present ? 1 : 0);
}
