// STOE raw files (code 2), read by the format core (formats/stoe.h): detection, the range reader and the import of
// range 1. The pattern holds counts per second where the counting time exceeds one second, stored as float32.
#include "xrddata/import/readers/stoe.h"

#include <cstring>
#include <exception>

#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

namespace {

int Fail(const CString& text) {
    AfxMessageBox(text, MB_ICONSTOP);
    return 0;
}

// The message of a range that cannot be read.
int Refuse(const fmt::ReadError& e, int n) {
    switch (e.problem()) {
        case fmt::Problem::unrecognised: return Fail("Invalid file format or version.");
        case fmt::Problem::no_data: return Fail("Raw data file does not contain any data.");
        default: return Fail(::Format("Raw data file has no data for range number %d.", n));
    }
}

double Scale(double countingTime) { return countingTime > 1.0 ? 1.0 / countingTime : 1.0; }

int CannotOpen(const ImportFile& file) {
    return Fail(::Format("Raw data file cannot be opened : %s", file.name.c_str()));
}

}  // namespace

int builtin::ReadStoe(CXRDData* target, const ImportFile& file) {
    if (!target) return 0;
    if (!file.loaded()) return CannotOpen(file);
    return Guarded([&] {
        fmt::Measurement m;
        try {
            m = fmt::ReadStoe(file.source());
        } catch (const fmt::ReadError& e) {
            return Refuse(e, 1);
        }
        m.scans.resize(1);
        fmt::Scan& s = m.scans.front();
        const double scale = Scale(s.step_time.value_or(0.0));
        for (double& c : s.counts) c = static_cast<float>(c * scale);
        file.ReleaseBytes();
        FillRawRangeOne(*target, m);
        target->m_Radiation.SetKa2(m.meta.ka2_present.value_or(false) ? 1 : 0);
        return 1;
    });
}

int CFileImporter::IsStoeFile(const CString& fileName) { return builtin::Test(LoadImportFile(fileName), fmt::IsStoe); }

int CFileImporter::ReadStoeFile(const CString& fileName) { return builtin::ReadStoe(m_pTarget, LoadImportFile(fileName)); }

int CFileImporter::ReadStoeRange(const CString& fileName, int n, StoeFileHeader& header, StoeRangeHeader& range,
                                 std::vector<float>& counts) {
    counts.clear();
    const ImportFile file = LoadImportFile(fileName);
    if (!file.loaded()) return CannotOpen(file);
    try {
        fmt::StoeRangeRecords records;
        try {
            records = fmt::ReadStoeRange(file.bytes(), n);
        } catch (const fmt::ReadError& e) {
            return Refuse(e, n);
        }
        std::memcpy(header.bytes, records.file.data(), StoeRecordSize);
        std::memcpy(range.bytes, records.range.data(), StoeRecordSize);
        const double scale = Scale(range.CountingTime());
        counts.reserve(records.counts.size());
        for (std::int32_t c : records.counts) counts.push_back(static_cast<float>(c * scale));
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        counts.clear();
        return 0;
    }
}
