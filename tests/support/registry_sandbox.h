// Points the settings store of this process at files in a fresh temporary folder for the lifetime of the object,
// so that a test never reads or writes the real user's settings, and restores the previous locations afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "support/support.h"

namespace testing_support {

class RegistrySandbox {
public:
    RegistrySandbox() : user(dir.file("user.reg")), system(dir.file("system.reg")) {
        Save("XRDDATA_USER_REGISTRY", oldUser_);
        Save("XRDDATA_SYSTEM_REGISTRY", oldSystem_);
        ::setenv("XRDDATA_USER_REGISTRY", user.c_str(), 1);
        ::setenv("XRDDATA_SYSTEM_REGISTRY", system.c_str(), 1);
    }
    ~RegistrySandbox() {
        Restore("XRDDATA_USER_REGISTRY", oldUser_);
        Restore("XRDDATA_SYSTEM_REGISTRY", oldSystem_);
    }
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    TempDir dir;
    std::string user;    // the file of HKEY_CURRENT_USER
    std::string system;  // the file of HKEY_LOCAL_MACHINE

private:
    static void Save(const char* name, std::optional<std::string>& slot) {
        if (const char* v = std::getenv(name)) slot = v;
    }
    static void Restore(const char* name, const std::optional<std::string>& slot) {
        if (slot)
            ::setenv(name, slot->c_str(), 1);
        else
            ::unsetenv(name);
    }
    std::optional<std::string> oldUser_;
    std::optional<std::string> oldSystem_;
};

}  // namespace testing_support
