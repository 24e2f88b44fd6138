// The Cranfield text format (code 8), read by the format core (formats/cranfield.h).

#include "xrddata/formats/cranfield.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/readers/builtin.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

namespace fmt = xrddata::formats;

int builtin::ReadCranfield(CXRDData* target, const ImportFile& file) {
    if (!Test(file, fmt::IsCranfield)) return NotOfFormat(file, "Cranfield", MB_ICONEXCLAMATION | MB_OK);
    if (!target) return 0;
    PatternFill rules;
    rules.date = PatternFill::Date::file_time;
    return ReadFilled(*target, file, fmt::ReadCranfield, rules, [&](const fmt::ReadError& e) {
        // The test passed, but the start, the step or an intensity is inf or nan.
        if (e.problem() == fmt::Problem::malformed) return NotOfFormat(file, "Cranfield", MB_ICONEXCLAMATION | MB_OK);
        // The title and date are set before the data turn out to be missing.
        fmt::Measurement header;
        fmt::PieceReader lines(file.bytes());
        fmt::Piece title;
        lines.next(title);
        header.meta.sample = TrimRight(title);
        header.meta.date = fmt::FileTimeDate(file.file->modified());
        rules.errorsWhenEmpty = false;
        FillPattern(*target, header, rules);
        AfxMessageBox("File appears to contain no data", MB_OK);
        return 0;
    });
}

int CFileImporter::IsCranfieldFile(const CString& fileName) {
    return builtin::Test(LoadImportFile(fileName), fmt::IsCranfield);
}

int CFileImporter::ReadCranfieldFile(const CString& fileName) {
    return builtin::ReadCranfield(m_pTarget, LoadImportFile(fileName));
}
