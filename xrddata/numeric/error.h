// The one failure routine of the numerical library: every numerical routine that cannot go on raises its message
// text (a static string) as an exception of type const char*. Callers catch `const char*`.
#pragma once

#include "xrddata/platform/export.h"

[[noreturn]] XRDDATA_API void NumericalError(const char* message);
