// The pattern archive file (.xrdd): one pattern record, exactly as the pattern writes itself into an archive,
// alone in a file. The record starts with the pattern's magic (bytes 40 18 24 37), which is how such a file is
// recognised.
#pragma once

#include <cstddef>

#include "xrddata/platform/types.h"

class CFile;
class CXRDData;

// Writes the pattern's record to path, creating or truncating it; raises CFileException or CArchiveException.
XRDDATA_API void SavePatternFile(CXRDData& pattern, const CString& path);
// Writes the same bytes into an open file from its position on (a file of another kind, such as one that passes
// the bytes on as they come); raises what the file's writes raise, or CArchiveException. The file stays open.
XRDDATA_API void SavePatternFile(CXRDData& pattern, CFile& file);
// Replaces the pattern with the record in path; raises CFileException or CArchiveException (wrong magic:
// badIndex; unknown version: badSchema; cut short: endOfFile). The pattern is left as it was on every failure.
XRDDATA_API void LoadPatternFile(CXRDData& pattern, const CString& path);
// Nonzero when the file can be opened and starts with the pattern magic.
XRDDATA_API int IsPatternFile(const CString& path);
// Whether the bytes (of a file read already) start with the pattern magic.
XRDDATA_API bool StartsWithPatternMagic(const void* data, size_t size);
