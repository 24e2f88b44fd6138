// Shared by the fuzz targets: a silent user interface, a settings store in a temporary folder of the process's own,
// and an in-memory file with a path, so that the readers, which take file names, read each input without touching
// the disk.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <sys/mman.h>
#include <unistd.h>

#include "xrddata/platform/ui.h"

namespace fuzz_support {

class SilentUi : public CUserInterface {
public:
    int MessageBox(const CString&, UINT) override { return IDOK; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

// The folder of this process's settings-store files: a fresh one per process, so that parallel workers (and
// targets that write the store) never see each other's files. Removed when the process ends normally.
inline const std::string& StoreDir() {
    static const std::string dir = [] {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/xrddata-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return pattern;
    }();
    return dir;
}

// Call once from LLVMFuzzerInitialize.
inline void Setup() {
    static SilentUi ui;
    AfxSetUserInterface(&ui);
    ::setenv("XRDDATA_USER_REGISTRY", (StoreDir() + "/user.reg").c_str(), 1);
    ::setenv("XRDDATA_SYSTEM_REGISTRY", (StoreDir() + "/system.reg").c_str(), 1);
}

// The bytes as a file named by the returned path (an anonymous memory file, rewritten for each input).
inline std::string AsFile(const std::uint8_t* data, size_t size) {
    static int fd = ::memfd_create("xrddata-fuzz", 0);
    if (::ftruncate(fd, 0) != 0 || (size && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))) std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace fuzz_support
