// The import driver's link to the external format plug-ins: how many plug-in formats are registered and usable
// (the subkeys of HKEY_LOCAL_MACHINE\SOFTWARE\Tarvenic\ZIDEzerEzizir\Formats whose component can be created),
// and the plug-in read that takes over a whole import when there is at least one.
#pragma once

#include "xrddata/platform/types.h"

class CXRDData;

// The number of subkeys of the Formats key (0 when the key cannot be opened with full access or queried) whose
// component can be created: a subkey whose name is no class identifier, or whose component library is missing,
// refused or fails, is reported once per process through a message and not counted, so that the built-in
// readers take the import as if it were not registered.
XRDDATA_API int CountPluginFormats();

// Shows the import dialog with the plug-in formats, reads the chosen file with a plug-in into pPattern and returns
// the plug-in's success value (0 on every failure). fileName comes in as the driver's file name and goes out as
// the file chosen; *pPeaks is the peak-data flag; nFormatCode the driver's format code.
XRDDATA_API int ReadPluginFile(CString& fileName, const int* pPeaks, int nFormatCode, CXRDData* pPattern);
