// The few pieces of JSON the tool's script output needs: quoted strings with escapes and numbers (null when not
// finite, which JSON cannot hold).
#pragma once

#include <string>

#include "xrddata/platform/types.h"

// "text" with ", \ and control characters escaped; bytes of 0x80 and above (UTF-8) are kept.
XRDDATA_API std::string JsonString(const std::string& text);
// The shortest round-trip form of v, or null.
XRDDATA_API std::string JsonNumber(double v);
