// The help file of the library's dialogs, owned by the library's application object. The object starts with the
// framework's default path (the library's file name with ".hlp"); ConvertHelpFilename, called once at start-up,
// turns it into the compiled HTML help file beside the library (".chm"), in which the dialogs open their pages
// ("Htm/datasettings.htm", ...).
#pragma once

#include "xrddata/platform/types.h"

// Prepares the help-file path of the current module's application object (no application object: nothing).
XRDDATA_API void ConvertHelpFilename();

// The help-file path of the library's application object, read under the library's own module state whatever
// module calls; "" when there is no application object.
XRDDATA_API CString GetHelpFilePath();
