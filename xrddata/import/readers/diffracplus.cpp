// Bruker DIFFRAC-plus raw files (code 3), read by the format core (formats/diffracplus.h). Range 1 fills the
// pattern; its comments say so when the file header counts more ranges.
#include <cstdlib>
#include <exception>

#include "xrddata/formats/diffracplus.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

bool builtin::MoreRangesDeclared(const fmt::Measurement& m) {
    const std::string* ranges = fmt::find_property(m.meta.properties, "ranges");
    return ranges && std::atol(ranges->c_str()) > 1;
}

int builtin::ReadDiffracPlus(CXRDData* target, const ImportFile& file) {
    if (!target) return 0;
    if (!Test(file, fmt::IsDiffracPlus)) {
        AfxMessageBox(::Format("%s is not a valid DiffracPlus file", file.name.c_str()), MB_ICONEXCLAMATION);
        return 0;
    }
    try {
        fmt::Measurement m = fmt::ReadDiffracPlus(file.source());
        file.ReleaseBytes();
        FillPatternReleasing(*target, m, PatternFill{});
        ReportRangeOneWarnings(m);
        SetRadiation(target->m_Radiation, m.meta.anode, m.meta.wavelength.value_or(0.0));
        if (MoreRangesDeclared(m)) target->m_strSampleInfo += kFirstRangeNote;
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::IsDiffracPlusFile(const CString& fileName) {
    return builtin::Test(LoadImportFile(fileName), fmt::IsDiffracPlus);
}

int CFileImporter::ReadDiffracPlusFile(const CString& fileName) {
    return builtin::ReadDiffracPlus(m_pTarget, LoadImportFile(fileName));
}
