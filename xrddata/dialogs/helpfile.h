// The help-file path of the library: the folder that holds the help pages ("Htm/datasettings.htm", ...) and the
// pop-up text file. Set once at library start-up; the dialogs pass it to their help base.
#pragma once

#include "xrddata/platform/types.h"

XRDDATA_API CString GetHelpFilePath();
XRDDATA_API void SetHelpFilePath(const CString& path);
