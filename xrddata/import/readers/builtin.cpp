#include "xrddata/import/readers/builtin.h"

#include "xrddata/import/fill.h"
#include "xrddata/import/importer.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

int builtin::Test(const ImportFile& file, bool (*test)(xrddata::formats::Bytes)) {
    if (!file.loaded()) {
        file.ReportError();
        return 0;
    }
    return test(file.bytes()) ? 1 : 0;
}

builtin::Reader builtin::ReaderFor(int code) {
    switch (code) {
        case CFileImporter::FormatText: return ReadText;
        case CFileImporter::FormatStoe: return ReadStoe;
        case CFileImporter::FormatDiffracPlus: return ReadDiffracPlus;
        case CFileImporter::FormatDiffracAt: return ReadDiffracAt;
        case CFileImporter::FormatUdf: return ReadUdf;
        case CFileImporter::FormatCpi: return ReadCpi;
        case CFileImporter::FormatMdi: return ReadMdi;
        case CFileImporter::FormatCranfield: return ReadCranfield;
        default: return nullptr;
    }
}

int builtin::NotOfFormat(const ImportFile& file, const char* what, UINT type) {
    AfxMessageBox(::Format("%s is not a valid %s file", file.name.c_str(), what), type);
    return 0;
}

void builtin::FillRawRangeOne(CXRDData& target, xrddata::formats::Measurement& m) {
    FillPatternReleasing(target, m, PatternFill{});
    ReportRangeOneWarnings(m);
    SetRadiation(target.m_Radiation, m.meta.anode, m.meta.wavelength.value_or(0.0));
}
