// Plain two- or three-column text (code 1), read by the format core (formats/text.h).

#include "xrddata/arrays/columns.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/formats/text.h"
#include "xrddata/formats/text_points.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

namespace {

CString FileTitle(const CString& path) { return CString(fmt::BaseName(path)); }

}  // namespace

int builtin::ReadText(CXRDData* target, const ImportFile& file) {
    if (!Test(file, fmt::IsText)) return NotOfFormat(file, "text", MB_ICONEXCLAMATION | MB_OK);
    if (!target) return 0;
    PatternFill rules;
    rules.errors = PatternFill::Errors::file;
    rules.errorsWhenEmpty = false;
    rules.date = PatternFill::Date::file_time;
    return Guarded([&] {
        try {
            // The points go into columns the pattern takes over, not through the scan's vectors.
            fmt::Metadata meta;
            GrowColumn x, y, sigma;
            fmt::ReadTextInto(file.source(), meta, x, y, sigma);
            file.ReleaseBytes();
            FillPatternTaking(*target, meta, x, y, sigma, rules);
            return 1;
        } catch (const fmt::ReadError&) {
            // The sample name and date are set before a bad line ends the read.
            fmt::Measurement header;
            header.meta.sample = TrimRight(FileTitle(file.name));
            header.meta.date = fmt::FileTimeDate(file.file ? file.file->modified() : std::nullopt);
            FillPattern(*target, header, rules);
            AfxMessageBox("Bad x,y (error) values", MB_ICONEXCLAMATION | MB_OK);
            return 0;
        }
    });
}

int CFileImporter::IsTextFile(const CString& fileName) { return builtin::Test(LoadImportFile(fileName), fmt::IsText); }

int CFileImporter::ReadTextFile(const CString& fileName) { return builtin::ReadText(m_pTarget, LoadImportFile(fileName)); }
