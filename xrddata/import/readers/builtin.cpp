#include "xrddata/import/readers/builtin.h"

#include "xrddata/import/importer.h"

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
