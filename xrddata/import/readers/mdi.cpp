// MDI text files (code 7), read by the format core (formats/mdi.h).

#include "xrddata/formats/mdi.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

int builtin::ReadMdi(CXRDData* target, const ImportFile& file) {
    if (!Test(file, fmt::IsMdi)) return NotOfFormat(file, "MDI", MB_ICONEXCLAMATION);
    if (!target) return 0;
    return Guarded([&] {
        try {
            fmt::Measurement m = fmt::ReadMdi(file.source());
            file.ReleaseBytes();
            // Fewer or more intensities than line 2 states: a failed read, without a message.
            const fmt::Scan& s = m.scans.front();
            const bool complete = static_cast<std::int64_t>(s.size()) == s.declared_points.value_or(-1);
            PatternFill rules;
            rules.errors = PatternFill::Errors::keep;
            FillPatternReleasing(*target, m, rules);
            SetRadiation(target->m_Radiation, m.meta.anode, m.meta.wavelength.value_or(0.0));
            return complete ? 1 : 0;
        } catch (const fmt::ReadError&) {
            // The test passed, but a header number or an intensity is inf or nan.
            return NotOfFormat(file, "MDI", MB_ICONEXCLAMATION);
        }
    });
}

int CFileImporter::IsMdiFile(const CString& fileName) { return builtin::Test(LoadImportFile(fileName), fmt::IsMdi); }

int CFileImporter::ReadMdiFile(const CString& fileName) { return builtin::ReadMdi(m_pTarget, LoadImportFile(fileName)); }
