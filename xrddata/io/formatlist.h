// The formats the import can read: the built-in ones with their format codes (the import dialog's list) and the
// plug-in formats registered for this machine (one sub-key per reader component under
// HKEY_LOCAL_MACHINE\SOFTWARE\Tarvenic\ZIDEzerEzizir\Formats).
#pragma once

#include <vector>

#include "xrddata/platform/types.h"

struct BuiltInFormat {
    int code;      // 1..8
    CString name;  // "Two column text", "Stoe", ...
};

struct PluginFormat {
    CString classId;      // the sub-key name
    CString description;  // "Description": the display name; empty when missing
    CString filter;       // "Filter": a file-dialog filter fragment
    int canReadProfile;   // "CanReadProfile"
    int canReadPeaks;     // "CanReadPeaks"
};

// Codes 1..8 in order ("Auto", code 0, is not a format and is left out).
XRDDATA_API std::vector<BuiltInFormat> BuiltInFormats();
// The name of a built-in code; "Auto" for 0; empty for any other value.
XRDDATA_API CString BuiltInFormatName(int code);
// The registered plug-in formats in enumeration order; empty when the key is missing.
XRDDATA_API std::vector<PluginFormat> RegisteredPluginFormats();
