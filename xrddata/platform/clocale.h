// The "C" locale of the process, created once, for the number conversions that must read and write a '.' decimal
// point whatever locale the host has set. Internal to the library.
#pragma once

#include <locale.h>

namespace xrddata::platform {

inline locale_t CLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// Makes the "C" locale current on this thread for the object's lifetime.
class CLocaleScope {
public:
    CLocaleScope() : old_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(old_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t old_;
};

}  // namespace xrddata::platform
