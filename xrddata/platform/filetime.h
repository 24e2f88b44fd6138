// A file's last-modification time as a COleDateTime in local time (whole seconds).
#pragma once

#include "xrddata/platform/datetime.h"

// Sets out to the modification time of the file at path and returns true; false (out unchanged) when the file
// cannot be examined or its time lies outside the years 100-9999.
XRDDATA_API bool GetFileModifiedTime(const char* path, COleDateTime& out);
