// A file the import reads: loaded whole once (so that detection and the reader see the same bytes and the file is
// opened once), or the reason it could not be loaded, which the readers show as the platform's file error.
// Internal to the import.
#pragma once

#include <optional>

#include "xrddata/formats/read.h"
#include "xrddata/platform/types.h"

struct ImportFile {
    CString name;
    // Empty when the file could not be loaded. Mutable for ReleaseBytes only.
    mutable std::optional<xrddata::formats::FileBytes> file;
    int error = 0;  // the errno of the failure

    bool loaded() const { return file.has_value(); }
    xrddata::formats::Bytes bytes() const { return file ? file->bytes() : xrddata::formats::Bytes(); }
    xrddata::formats::Source source() const;
    // Shows the platform's report of the load failure ("NAME: reason.").
    void ReportError() const;
    // Drops the bytes once a reader has parsed them, so that they are not held while the pattern is filled; the
    // file stays loaded (its name and modification time remain, its bytes are then empty).
    void ReleaseBytes() const;
};

ImportFile LoadImportFile(const CString& name);
