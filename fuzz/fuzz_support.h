// Shared by the fuzz targets: a silent user interface, a settings store in the temporary folder, and an in-memory
// file with a path, so that the readers, which take file names, read each input without touching the disk.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
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

// Call once from LLVMFuzzerInitialize.
inline void Setup() {
    static SilentUi ui;
    AfxSetUserInterface(&ui);
    const std::string dir = std::filesystem::temp_directory_path().string();
    ::setenv("XRDDATA_USER_REGISTRY", (dir + "/xrddata-fuzz-user.reg").c_str(), 1);
    ::setenv("XRDDATA_SYSTEM_REGISTRY", (dir + "/xrddata-fuzz-system.reg").c_str(), 1);
}

// The bytes as a file named by the returned path (an anonymous memory file, rewritten for each input).
inline std::string AsFile(const std::uint8_t* data, size_t size) {
    static int fd = ::memfd_create("xrddata-fuzz", 0);
    if (::ftruncate(fd, 0) != 0 || (size && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))) std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace fuzz_support
