// Bruker DIFFRAC-AT raw files (code 4), read by the format core (formats/diffracat.h). Range 1 fills the pattern;
// its comments say so when the file header counts more ranges.
#include <exception>

#include "xrddata/formats/diffracat.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

int builtin::ReadDiffracAt(CXRDData* target, const ImportFile& file) {
    if (!target) return 0;
    if (!Test(file, fmt::IsDiffracAt)) {
        AfxMessageBox(::Format("%s is not a valid DiffracAt file", file.name.c_str()), MB_ICONEXCLAMATION);
        return 0;
    }
    try {
        fmt::Measurement m = fmt::ReadDiffracAt(file.source());
        file.ReleaseBytes();
        FillPatternReleasing(*target, m, PatternFill{});
        ReportRangeOneWarnings(m);
        SetRadiation(target->m_Radiation, m.meta.anode, m.meta.wavelength.value_or(0.0));
        target->m_Radiation.SetKa2(m.meta.ka2_present.value_or(false) ? 1 : 0);
        if (MoreRangesDeclared(m)) target->m_strSampleInfo += kFirstRangeNote;
        return 1;
    } catch (const std::exception& e) {
        ReportException(e);
        return 0;
    }
}

int CFileImporter::IsDiffracAtFile(const CString& fileName) {
    return builtin::Test(LoadImportFile(fileName), fmt::IsDiffracAt);
}

int CFileImporter::ReadDiffracAtFile(const CString& fileName) {
    return builtin::ReadDiffracAt(m_pTarget, LoadImportFile(fileName));
}
