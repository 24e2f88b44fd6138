#include "support/locale.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace testing_support {

namespace {
std::optional<std::string> GetEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}
void SetEnv(const char* name, const std::optional<std::string>& value) {
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
}
}  // namespace

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name), old_(GetEnv(name)) {
    SetEnv(name, value);
}
ScopedEnv::~ScopedEnv() { SetEnv(name_.c_str(), old_); }

ScopedTimeLocale::ScopedTimeLocale(const std::string& name)
    : oldLocpath_(GetEnv("LOCPATH")), oldLcAll_(GetEnv("LC_ALL")) {
    namespace fs = std::filesystem;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '@') return;
    std::error_code ec;
    fs::path cache = fs::temp_directory_path(ec) / ("xrddata-test-locales-" + std::to_string(getuid()));
    fs::create_directories(cache, ec);
    fs::path target = cache / (name + ".UTF-8");
    if (!fs::exists(target / "LC_TIME", ec)) {
        // Built aside and renamed into place, so parallel test processes never see a half-written locale.
        TempDir work;
        std::string source = work.file(name + ".src");
        WriteFile(source, "LC_TIME\ncopy \"" + name + "\"\nEND LC_TIME\n");
        std::string built = work.file(name + ".UTF-8");
        // localedef warns about the categories left out and exits non-zero; the LC_TIME file is what counts.
        std::string cmd = "localedef -c -i '" + source + "' -f UTF-8 '" + built + "' >/dev/null 2>&1";
        (void)std::system(cmd.c_str());
        if (!fs::exists(fs::path(built) / "LC_TIME", ec)) return;
        fs::rename(built, target, ec);  // losing the race to another process is fine
        if (!fs::exists(target / "LC_TIME", ec)) return;
    }
    SetEnv("LOCPATH", cache.string());
    SetEnv("LC_ALL", name + ".UTF-8");
    ok_ = true;
}

ScopedTimeLocale::~ScopedTimeLocale() {
    if (!ok_) return;
    SetEnv("LOCPATH", oldLocpath_);
    SetEnv("LC_ALL", oldLcAll_);
}

}  // namespace testing_support

// glibc's newlocale leaks its split copy of LOCPATH on every call that finds LOCPATH set (only the tests set it);
// LeakSanitizer reads these suppressions from the test program.
extern "C" const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }
