// The help file of the library's dialogs. The application object starts with the framework's default path (the
// library's file name with ".hlp"); ConvertHelpFilename turns it into the compiled HTML help file beside the
// library (".chm"), in which the dialogs open their pages ("Htm/datasettings.htm", ...).
#pragma once

#include "xrddata/platform/types.h"

// Prepares the help-file path of the current module's application object (no application object: nothing).
XRDDATA_API void ConvertHelpFilename();
