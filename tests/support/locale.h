// Test helper: runs code under a named LC_TIME locale. The locale's LC_TIME data is compiled with localedef (so the
// machine needs no generated locales) into a cache folder under the temporary folder, shared by the test processes,
// and found through LOCPATH; LC_ALL names it for the lifetime of the object. Earlier values of LOCPATH and LC_ALL
// are restored afterwards.
#pragma once

#include <optional>
#include <string>

#include "support/support.h"

namespace testing_support {

class ScopedTimeLocale {
public:
    // name: a locale source such as "en_GB" or "de_DE"; ok() is false when it could not be built.
    explicit ScopedTimeLocale(const std::string& name);
    ~ScopedTimeLocale();
    ScopedTimeLocale(const ScopedTimeLocale&) = delete;
    ScopedTimeLocale& operator=(const ScopedTimeLocale&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
    std::optional<std::string> oldLocpath_, oldLcAll_;
};

// Sets (or with nullopt unsets) an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace testing_support

// Skips the current test when the named locale cannot be built here.
#define XRD_TIME_LOCALE(var, name)                                                    \
    testing_support::ScopedTimeLocale var(name);                                      \
    if (!var.ok()) GTEST_SKIP() << "cannot build locale " << (name)
