#include "xrddata/import/load.h"

#include "xrddata/import/importdialog.h"
#include "xrddata/import/importer.h"
#include "xrddata/import/plugincount.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/pattern/xrddfile.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/file.h"

int LoadPattern(CXRDData& pattern, const CString& path, LoadedFormat& format) {
    // Every detection test would report an unreadable file on its own; report it once, here.
    {
        CFile probe(path.c_str(), CFile::modeRead | CFile::typeBinary);
    }
    if (IsPatternFile(path)) {
        LoadPatternFile(pattern, path);
        format.code = -1;
        format.name = "Pattern archive";
        return 1;
    }
    if (CountPluginFormats() > 0) {
        // With plug-in formats registered the plug-in reader takes every import over.
        format.code = 0;
        format.name = "Plug-in";
        return pattern.DoReadFile(path.c_str(), CFileImporter::FormatAuto);
    }
    int code;
    {
        CXRDData scratch(0);
        CFileImporter importer(&scratch);
        code = importer.DetectFormat(path);
    }
    format.code = code;
    format.name = CImportFileDialog::BuiltInFormatName(code);
    // An unrecognised file (-1) gets the import's own "Cannot determine file format".
    return pattern.DoReadFile(path.c_str(), code);
}
