// Diffraction Technology CPI files (code 6), read by the format core (formats/cpi.h).

#include "xrddata/formats/cpi.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

int builtin::ReadCpi(CXRDData* target, const ImportFile& file) {
    if (!Test(file, fmt::IsCpi)) return NotOfFormat(file, "Diffraction Technology", MB_ICONEXCLAMATION | MB_OK);
    if (!target) return 0;
    // The header reaches the pattern even when a data line then ends the read.
    auto fill = [&](fmt::Measurement& m) {
        PatternFill rules;
        rules.errorsWhenEmpty = false;
        FillPatternReleasing(*target, m, rules);
        // The wavelength as the header line reads with atof.
        const std::string* lambda = fmt::find_property(m.meta.properties, "wavelength");
        SetRadiation(target->m_Radiation, m.meta.anode, CAtof(lambda ? lambda->c_str() : ""));
    };
    return Guarded([&] {
        try {
            fmt::Measurement m = fmt::ReadCpi(file.source());
            file.ReleaseBytes();
            fill(m);
            return 1;
        } catch (const fmt::ReadError&) {
            fmt::Measurement header;
            try {
                header = fmt::ReadCpiHeader(file.source());
            } catch (const fmt::ReadError&) {
                // A start, end, step or wavelength of inf or nan: the header is refused as a whole.
                return NotOfFormat(file, "Diffraction Technology", MB_ICONEXCLAMATION | MB_OK);
            }
            fill(header);
            AfxMessageBox("Missing y value", MB_ICONEXCLAMATION | MB_OK);
            return 0;
        }
    });
}

int CFileImporter::IsCpiFile(const CString& fileName) { return builtin::Test(LoadImportFile(fileName), fmt::IsCpi); }

int CFileImporter::ReadCpiFile(const CString& fileName) { return builtin::ReadCpi(m_pTarget, LoadImportFile(fileName)); }
