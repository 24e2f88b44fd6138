#include "xrddata/dialogs/helpfile.h"

#include <mutex>

namespace {
std::mutex g_mutex;
CString& Path() {
    static CString path;
    return path;
}
}  // namespace

CString GetHelpFilePath() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return Path();
}

void SetHelpFilePath(const CString& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Path() = path;
}
