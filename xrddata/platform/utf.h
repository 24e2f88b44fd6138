// UTF-16 to UTF-8, shared by the archive's wide strings and the automation strings. Internal to the library.
#pragma once

#include <cstddef>

#include "xrddata/platform/types.h"

namespace xrddata::platform {

// Appends the UTF-8 bytes of one code point (at most U+10FFFF).
void AppendUtf8(CString& out, char32_t cp);

// The UTF-8 text of count UTF-16 code units; surrogate pairs are joined and an unpaired surrogate becomes
// `unpaired`.
CString Utf8FromUtf16(const char16_t* units, size_t count, char32_t unpaired);

}  // namespace xrddata::platform
