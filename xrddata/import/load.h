// Reading a pattern from any file the library understands: a pattern archive (.xrdd) is loaded as it was stored;
// any other file goes through the import with format detection, exactly as a host's DoReadFile with "Auto" would,
// and the detected format is reported.
#pragma once

#include "xrddata/platform/types.h"

class CXRDData;

struct LoadedFormat {
    // Import format code (1..8); 0 when a registered plug-in read the file; -1 for a pattern archive.
    int code = -1;
    CString name;  // the import list's name, "Plug-in" or "Pattern archive"
};

// Fills pattern from path and returns 1, or returns 0 after the import has shown its reason through the message
// channel. A file that cannot be opened at all raises CFileException before any reader is asked; a damaged
// pattern archive raises the archive's exception. The pattern is unchanged on failure.
XRDDATA_API int LoadPattern(CXRDData& pattern, const CString& path, LoadedFormat& format);
