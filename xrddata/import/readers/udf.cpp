// Philips UDF files (code 5), read by the format core (formats/udf.h). The reader does not run the detection
// test first and shows no messages of its own: a malformed header or no intensities fail silently.

#include "xrddata/formats/udf.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

int builtin::ReadUdf(CXRDData* target, const ImportFile& file) {
    if (!target) return 0;
    if (!file.loaded()) {
        file.ReportError();
        return 0;
    }
    return Guarded([&] {
        try {
            fmt::Measurement m = fmt::ReadUdf(file.source());
            file.ReleaseBytes();
            PatternFill rules;
            rules.errors = PatternFill::Errors::keep;
            rules.sort = false;
            rules.date = PatternFill::Date::none;
            FillPatternReleasing(*target, m, rules);

            // Every date line is parsed in turn; one that parses replaces the date, one that does not leaves it.
            // The last anode, monochromator and wavelength lines count.
            const std::string* anode = nullptr;
            const std::string* lambda = nullptr;
            for (const auto& [key, value] : m.meta.properties) {
                if (key == "FileDateTime") {
                    COleDateTime date;
                    if (date.ParseDateTime(value.c_str(), 0, LOCALE_USER_DEFAULT)) target->m_CollectionDate = date;
                } else if (key == "Anode") {
                    anode = &value;
                } else if (key == "LabdaAlpha1") {
                    lambda = &value;
                }
            }
            if (anode) {
                target->m_Radiation.SetTarget(*anode);
                if (m.meta.ka2_present) target->m_Radiation.SetKa2(*m.meta.ka2_present ? 1 : 0);
            } else {
                target->m_Radiation.SetLambda(lambda ? CAtof(lambda->c_str()) : 1.54056);
            }
            return 1;
        } catch (const fmt::ReadError&) {
            return 0;
        }
    });
}

int CFileImporter::IsUdfFile(const CString& fileName) { return builtin::Test(LoadImportFile(fileName), fmt::IsUdf); }

int CFileImporter::ReadUdfFile(const CString& fileName) { return builtin::ReadUdf(m_pTarget, LoadImportFile(fileName)); }
