// A file the import reads: loaded whole once (so that detection and the reader see the same bytes and the file is
// opened once), or the reason it could not be loaded, which the readers show as the platform's file error.
// Internal to the import.
#pragma once

#include <optional>

#include "xrddata/formats/read.h"
#include "xrddata/platform/types.h"

struct ImportFile {
    CString name;
    std::optional<xrddata::formats::FileBytes> file;  // empty when the file could not be loaded
    int error = 0;                                     // the errno of the failure

    bool loaded() const { return file.has_value(); }
    xrddata::formats::Bytes bytes() const { return file ? file->bytes() : xrddata::formats::Bytes(); }
    xrddata::formats::Source source() const;
    // Shows the platform's report of the load failure ("NAME: reason.").
    void ReportError() const;
};

ImportFile LoadImportFile(const CString& name);
